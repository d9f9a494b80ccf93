// The tray icon on the recording tray, and the status notifier item on a
// private bus with a test watcher.
#include <gtest/gtest.h>

#include <systemd/sd-bus.h>

#include "classlib/Bitmaps.h"
#include "classlib/ImgList.h"
#include "desktop/zelTrayIcon.h"
#include "platform/shell/tray.h"
#include "tests/desktop/private_bus.h"
#include "tests/support/message_pump.h"

namespace {

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tray_ = std::make_shared<platform::RecordingTrayBackend>();
    platform::SetTrayBackend(tray_);
    icon_ = std::make_unique<TzelTrayIcon>(nullptr);
  }
  void TearDown() override {
    icon_.reset();
    platform::SetTrayBackend(std::make_shared<platform::RecordingTrayBackend>());
  }
  std::shared_ptr<platform::RecordingTrayBackend> tray_;
  std::unique_ptr<TzelTrayIcon> icon_;
};

TEST_F(TrayTest, TipIsCutOnACharacterBoundaryAndFollowsShowHint) {
  // 61 letters, then a two-byte letter at 62-63 and more: the cut keeps
  // whole characters.
  const String hint = std::string(61, 'a') + "\xC3\xA9" + "bbbbbbb";
  icon_->SetHint(hint);
  EXPECT_EQ(icon_->Hint(), std::string(61, 'a') + "\xC3\xA9");
  icon_->SetHint(std::string(70, 'x'));
  EXPECT_EQ(icon_->Hint(), std::string(63, 'x'));
  icon_->SetVisible(true);
  EXPECT_EQ(tray_->Shown(0)->tip, std::string(63, 'x'));
  icon_->SetShowHint(false);
  EXPECT_EQ(tray_->Shown(0)->tip, "");
  EXPECT_EQ(icon_->Tip(), "");
  icon_->SetVisible(false);
  EXPECT_FALSE(tray_->Shown(0).has_value());
}

TEST_F(TrayTest, ClicksBecomeEventsAndTheIconComesBackWithTheTaskbar) {
  std::vector<std::string> events;
  icon_->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState, int, int) {
    events.push_back("down " + std::to_string(b));
  };
  icon_->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState, int, int) {
    events.push_back("up " + std::to_string(b));
  };
  icon_->OnClick = [&](TObject*) { events.push_back("click"); };
  icon_->OnDblClick = [&](TObject*) { events.push_back("double"); };
  icon_->SetVisible(true);
  const HWND hwnd = tray_->Shown(0)->hwnd;
  platform::DeliverTrayClick(hwnd, 0, platform::TrayClick::Activate);
  platform::DeliverTrayClick(hwnd, 0, platform::TrayClick::Activate);
  platform::DeliverTrayClick(hwnd, 0, platform::TrayClick::ContextMenu);
  platform::DeliverTrayClick(hwnd, 0, platform::TrayClick::SecondaryActivate);
  velko_test::PumpMessagesUntil([&] { return events.size() >= 9; }, 5);
  EXPECT_EQ(events, (std::vector<std::string>{"down 0", "up 0", "click", "double", "up 0", "down 1", "up 1",
                                              "down 2", "up 2"}));
  const auto before = tray_->Log().size();
  platform::AnnounceTaskbarCreated();
  velko_test::PumpMessagesUntil([&] { return tray_->Log().size() >= before + 2; }, 5);
  const auto log = tray_->Log();
  ASSERT_GE(log.size(), before + 2);
  EXPECT_EQ(log[before], "delete 0");
  EXPECT_EQ(log[before + 1].rfind("add 0", 0), 0u);
}

TEST_F(TrayTest, CyclingStepsThroughTheImages) {
  TImageList images(nullptr);
  images.SetSize(16, 16);
  for (int i = 0; i < 3; ++i) {
    TBitmap bitmap;
    bitmap.SetSize(16, 16);
    images.Add(&bitmap, nullptr);
  }
  icon_->SetImageList(&images);
  std::vector<int> shown;
  icon_->OnCycleIcons = [&](TObject*) { shown.push_back(icon_->ImageIndex()); };
  icon_->SetCycleInterval(10);
  icon_->SetCycleIcons(true);
  EXPECT_TRUE(velko_test::PumpMessagesUntil([&] { return shown.size() >= 4; }, 5));
  icon_->SetCycleIcons(false);
  ASSERT_GE(shown.size(), 4u);
  EXPECT_EQ(std::vector<int>(shown.begin(), shown.begin() + 4), (std::vector<int>{1, 2, 0, 1}));
  icon_->SetImageIndex(7);
  shown.clear();
  icon_->SetCycleIcons(true);
  EXPECT_TRUE(velko_test::PumpMessagesUntil([&] { return !shown.empty(); }, 5));
  icon_->SetCycleIcons(false);
  EXPECT_EQ(shown[0], 0);
  icon_->SetImageList(nullptr);
}

}  // namespace

namespace {

// org.kde.StatusNotifierWatcher as a panel offers it; keeps what registers.
class TestWatcher {
 public:
  explicit TestWatcher(const std::string& address) {
    sd_bus_new(&bus_);
    sd_bus_set_address(bus_, address.c_str());
    sd_bus_set_bus_client(bus_, 1);
    if (sd_bus_start(bus_) < 0) return;
    sd_bus_add_object_vtable(bus_, nullptr, "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher", kVtable,
                             this);
    ready_ = sd_bus_request_name(bus_, "org.kde.StatusNotifierWatcher", 0) >= 0;
  }
  ~TestWatcher() { sd_bus_flush_close_unref(bus_); }
  bool ready() const { return ready_; }
  // Serves the bus until `done`, for at most `seconds`.
  bool ServeUntil(const std::function<bool()>& done, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
      while (sd_bus_process(bus_, nullptr) > 0) {
      }
      velko_test::PumpMessagesUntil([] { return true; }, 0);
      if (done()) return true;
      sd_bus_wait(bus_, 10000);
    }
    return done();
  }
  std::string ToolTip() {
    sd_bus_message* reply = nullptr;
    std::string text;
    if (sd_bus_get_property(bus_, sender_.c_str(), path_.c_str(), "org.kde.StatusNotifierItem", "ToolTip",
                            nullptr, &reply, "(sa(iiay)ss)") >= 0) {
      const char* icon_name = nullptr;
      const char* title = nullptr;
      const char* description = nullptr;
      sd_bus_message_enter_container(reply, 'r', "sa(iiay)ss");
      sd_bus_message_read(reply, "s", &icon_name);
      sd_bus_message_skip(reply, "a(iiay)");
      sd_bus_message_read(reply, "ss", &title, &description);
      text = title != nullptr ? title : "";
    }
    sd_bus_message_unref(reply);
    return text;
  }
  void Call(const char* method) {
    sd_bus_call_method_async(bus_, nullptr, sender_.c_str(), path_.c_str(), "org.kde.StatusNotifierItem", method,
                             nullptr, nullptr, "ii", 10, 10);
  }
  int registrations = 0;

 private:
  static int Register(sd_bus_message* m, void* user, sd_bus_error*) {
    auto* self = static_cast<TestWatcher*>(user);
    const char* path = nullptr;
    sd_bus_message_read(m, "s", &path);
    self->sender_ = sd_bus_message_get_sender(m);
    self->path_ = path != nullptr ? path : "";
    ++self->registrations;
    return sd_bus_reply_method_return(m, "");
  }
  static const sd_bus_vtable kVtable[];
  sd_bus* bus_ = nullptr;
  bool ready_ = false;
  std::string sender_;
  std::string path_;
};

const sd_bus_vtable TestWatcher::kVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("RegisterStatusNotifierItem", "s", "", &TestWatcher::Register, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};

TEST(StatusNotifierTest, WatcherSeesTheItemAndItsClicksComeBack) {
  velko_test::PrivateBus bus;
  ASSERT_TRUE(bus.running());
  platform::SetTrayBackend(platform::MakeStatusNotifierBackend(bus.address()));
  {
    TzelTrayIcon icon(nullptr);
    std::vector<std::string> events;
    icon.OnClick = [&](TObject*) { events.push_back("click"); };
    icon.OnMouseUp = [&](TObject*, TMouseButton b, TShiftState, int, int) {
      if (b == mbRight) events.push_back("menu");
    };
    icon.SetHint("Velko plays");
    icon.SetVisible(true);
    // The panel comes up after the icon: it hears of the icon all the same.
    TestWatcher watcher(bus.address());
    ASSERT_TRUE(watcher.ready());
    ASSERT_TRUE(watcher.ServeUntil([&] { return watcher.registrations > 0; }, 10));
    EXPECT_EQ(watcher.ToolTip(), "Velko plays");
    watcher.Call("Activate");
    watcher.Call("ContextMenu");
    EXPECT_TRUE(watcher.ServeUntil([&] { return events.size() >= 2; }, 10));
    EXPECT_EQ(events, (std::vector<std::string>{"click", "menu"}));
  }
  platform::SetTrayBackend(std::make_shared<platform::RecordingTrayBackend>());
}

}  // namespace
