// TAMAutoRun against the registry, whose machine Run key lives in the
// autostart folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "classlib/Application.h"
#include "classlib/Button.h"
#include "classlib/Registry.h"
#include "desktop/AMAutoRun.h"
#include "tests/desktop/desktop_fixture.h"

namespace {

namespace fsys = std::filesystem;
constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class AutoRunTest : public velko_test::DesktopTest {
 protected:
  static String Value(const String& name) {
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey(kRun, true) || !registry.ValueExists(name)) return "<none>";
    return registry.ReadString(name);
  }
  static void Write(const String& name, const String& text) {
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(registry.OpenKey(kRun, true));
    registry.WriteString(name, text);
  }
  // A component bound to a check box, loaded as a form would load it.
  void Load(const String& name) {
    owner_.BeginLoad();
    check_ = new TCheckBox(&owner_);
    run_ = new TAMAutoRun(&owner_);
    run_->SetAppItemName(name);
    run_->SetCheckBox(check_);
    owner_.EndLoad();
  }

  TComponent owner_{nullptr};
  TCheckBox* check_ = nullptr;
  TAMAutoRun* run_ = nullptr;
};

TEST_F(AutoRunTest, CheckBoxAddsAndRemovesTheValue) {
  Load("velko");
  EXPECT_FALSE(run_->AutoRegister());
  EXPECT_FALSE(check_->Checked());
  check_->SetChecked(true);
  EXPECT_EQ(Value("velko"), Application->ExeName());
  EXPECT_TRUE(fsys::exists(autostart_.path() / "velko-machine-velko.desktop"));
  // On again: the value is there, so nothing is written.
  Write("velko", "kept as it was");
  EXPECT_FALSE(run_->AddToRun());
  EXPECT_EQ(Value("velko"), "kept as it was");
  check_->SetChecked(false);
  EXPECT_EQ(Value("velko"), "<none>");
  EXPECT_FALSE(run_->RemoveFromRun());
  // Grey does nothing.
  check_->SetState(cbGrayed);
  EXPECT_EQ(Value("velko"), "<none>");
}

TEST_F(AutoRunTest, LoadingShowsAValueWrittenElsewhere) {
  Write("velko", "C:\\elsewhere\\velko");
  Load("velko");
  EXPECT_TRUE(check_->Checked());
  EXPECT_EQ(Value("velko"), "C:\\elsewhere\\velko");
}

TEST_F(AutoRunTest, EmptyNameWritesNothing) {
  Load("");
  check_->SetChecked(true);
  EXPECT_TRUE(check_->Checked());
  EXPECT_FALSE(run_->AddToRun());
  EXPECT_TRUE(fsys::is_empty(autostart_.path()));
}

TEST_F(AutoRunTest, RunTypeSelectsTheSharedKeyAndAutoRegisterAddsAtTheEnd) {
  auto* other = new TAMAutoRun(&owner_);
  other->SetRunType(rtRunServicesOnce);
  EXPECT_EQ(TAMAutoRun::RunKey(), "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce");
  other->SetRunType(rtRun);
  EXPECT_EQ(TAMAutoRun::RunKey(), kRun);
  other->SetAppItemName("velko");
  EXPECT_TRUE(other->AutoRegister());
  delete other;
  EXPECT_EQ(Value("velko"), Application->ExeName());
}

}  // namespace
