#include "tests/network_ui/nuts_fixture.h"

#include "classlib/Application.h"
#include "classlib/Threads.h"
#include "platform/core/modules.h"
#include "platform/dlg/browse_folder.h"
#include "platform/dlg/message_box.h"
#include "platform/fs/drives.h"
#include "platform/user/input.h"
#include "tests/support/message_pump.h"

namespace velko_test {

String Status(TListView* list, int row, int column) {
  if (row >= list->Items()->Count()) return "";
  TStrings* subs = list->Items()->Item(row)->SubItems();
  return column < subs->Count() ? subs->Strings(column) : String();
}

bool Wait(const std::function<bool()>& done, double seconds) {
  return PumpMessagesUntil(
      [&] {
        CheckSynchronize();
        return done();
      },
      seconds);
}

void NutsTest::SetUp() {
  platform::ResetInput();
  platform::SetProgramPath((program_.path() / "velko").string());
  // The program's own cue, as the build puts it into the program folder.
  ok_wav_ = ReadFile(ProgramFolder() / "ok.wav");
  ASSERT_EQ(ok_wav_.substr(0, 4), "RIFF");
  program_.WriteFile("ok.wav", ok_wav_);
  // The window's own picture, as the build puts it into the program folder.
  program_.WriteFile(kNutsPicture, ReadFile(ProgramFolder() / kNutsPicture));
  sound_ = std::make_shared<platform::RecordingSoundOutput>();
  platform::SetSoundOutput(sound_);
  platform::SetMessageBoxHook([this](const platform::MessageBoxRequest& request) {
    messages_.push_back({request.text, request.caption});
    return request.DefaultButton();
  });
  platform::SetBrowseForFolderHook([this](const platform::BrowseForFolderRequest& request) {
    browse_titles_.push_back(request.title);
    return browse_answer_;
  });
}

void NutsTest::TearDown() {
  delete form_;
  form_ = nullptr;
  delete Form2;
  Form2 = nullptr;
  PumpWaitingMessages();
  platform::SetMessageBoxHook({});
  platform::SetBrowseForFolderHook({});
  platform::SetSoundOutput(std::make_shared<platform::RecordingSoundOutput>());
  platform::SetProgramPath("");
  platform::ResetInput();
}

void NutsTest::MakeWindow() {
  Form2 = new TForm2(nullptr);
  form_ = new TestNutsForm(nullptr);
  NutsForm = form_;
}

std::string NutsTest::Platform(const std::filesystem::path& native) const {
  return platform::PlatformPath(native.string()).value_or(native.string());
}

void NutsTest::WriteSettings(const std::string& extra_tune) {
  std::string text = "[Connection]\r\nListenport=0\r\nFirewall=1\r\n[Downloads]\r\nDirectory=" +
                     Platform(download_.path()) + "\\\r\n[Tune]\r\nMaxClients=4\r\n" + extra_tune;
  program_.WriteFile("VelkoNet.ini", text);
}

void NutsTest::QueueClick(TControl* control) {
  const TRect r = control->ClientRect();
  const TPoint p = control->ClientToScreen(Point((r.left + r.right) / 2, (r.top + r.bottom) / 2));
  platform::InjectClick(p.x, p.y);
}

void NutsTest::DoubleClickRow(TListView* list, int row) {
  const TRect r = list->Items()->Item(row)->DisplayRect(drBounds);
  const TPoint p = list->ClientToScreen(Point(r.left + 20, (r.top + r.bottom) / 2));
  platform::InjectClick(p.x, p.y);
  platform::InjectMouse(platform::MouseAction::kLeftDown, p.x, p.y);
  platform::InjectMouse(platform::MouseAction::kLeftUp, p.x, p.y);
}

}  // namespace velko_test
