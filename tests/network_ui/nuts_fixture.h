// The file-sharing window on the headless display, in a program folder of
// its own, with message boxes and the folder browser answered by the test
// and the sound cues recorded.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "network_ui/NutOptions.h"
#include "network_ui/nuts.h"
#include "platform/mm/sound.h"
#include "tests/support/temp_dir.h"

namespace velko_test {

// The window with traffic figures a test sets.
class TestNutsForm : public TNutsForm {
 public:
  using TNutsForm::TNutsForm;
  std::optional<std::array<double, 4>> speeds;  // gnutella down, file down, gnutella up, file up
  double GetGnutellaDownSpeed() override { return speeds ? (*speeds)[0] : TNutsForm::GetGnutellaDownSpeed(); }
  double GetFileDownSpeed() override { return speeds ? (*speeds)[1] : TNutsForm::GetFileDownSpeed(); }
  double GetGnutellaUpSpeed() override { return speeds ? (*speeds)[2] : TNutsForm::GetGnutellaUpSpeed(); }
  double GetFileUpSpeed() override { return speeds ? (*speeds)[3] : TNutsForm::GetFileUpSpeed(); }
};

// The text of a row's sub-item (2: a transfer row's status); "" when the
// row or the sub-item is not there.
String Status(TListView* list, int row, int column = 2);
// Dispatches messages and synchronised calls until `done` or the time runs
// out.
bool Wait(const std::function<bool()>& done, double seconds = 20);

struct ShownMessage {
  std::string text;
  std::string caption;
};

class NutsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Makes the dialog and the window (the dialog first, as at start-up).
  void MakeWindow();
  std::string Platform(const std::filesystem::path& native) const;
  std::string IniPath() const { return (program_.path() / "VelkoNet.ini").string(); }
  // Writes a settings file whose download folder is download_.
  void WriteSettings(const std::string& extra_tune = "");
  // Clicks the middle of a control (the clicks wait in the input queue, as
  // do DoubleClickRow's).
  static void QueueClick(TControl* control);
  void DoubleClickRow(TListView* list, int row);

  TempDir program_, download_, share_;
  std::string ok_wav_;
  std::shared_ptr<platform::RecordingSoundOutput> sound_;
  std::vector<ShownMessage> messages_;
  std::vector<std::string> browse_titles_;
  std::optional<std::string> browse_answer_;
  TestNutsForm* form_ = nullptr;
};

}  // namespace velko_test
