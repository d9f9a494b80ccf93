// The shutdown component: against a test login1 object on a private
// dbus-daemon started here, and the veto.
#include <gtest/gtest.h>

#include <systemd/sd-bus.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "desktop/zelShutdown.h"
#include "platform/sys/power.h"
#include "tests/desktop/private_bus.h"
#include "tests/support/helper_process.h"
#include "tests/support/temp_dir.h"

namespace {

// org.freedesktop.login1 as far as the power calls use it; notes each call.
class TestLogin1 {
 public:
  explicit TestLogin1(const std::string& address) {
    sd_bus_new(&bus_);
    sd_bus_set_address(bus_, address.c_str());
    sd_bus_set_bus_client(bus_, 1);
    if (sd_bus_start(bus_) < 0) return;
    sd_bus_add_object_vtable(bus_, nullptr, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                             kManager, this);
    sd_bus_add_object_vtable(bus_, nullptr, "/org/freedesktop/login1/session/_31",
                             "org.freedesktop.login1.Session", kSession, this);
    ready_ = sd_bus_request_name(bus_, "org.freedesktop.login1", 0) >= 0;
    thread_ = std::thread([this] {
      while (!stop_) {
        if (sd_bus_process(bus_, nullptr) > 0) continue;
        sd_bus_wait(bus_, 50000);
      }
    });
  }
  ~TestLogin1() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    sd_bus_flush_close_unref(bus_);
  }
  bool ready() const { return ready_; }
  std::vector<std::string> Calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  std::atomic<bool> may{true};

 private:
  static TestLogin1* Self(void* user) { return static_cast<TestLogin1*>(user); }
  void Note(const std::string& call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(call);
  }
  static int Action(sd_bus_message* m, void* user, sd_bus_error*) {
    int interactive = 0;
    sd_bus_message_read(m, "b", &interactive);
    Self(user)->Note(std::string(sd_bus_message_get_member(m)) + (interactive ? "" : " force"));
    return sd_bus_reply_method_return(m, "");
  }
  static int CanPowerOff(sd_bus_message* m, void* user, sd_bus_error*) {
    return sd_bus_reply_method_return(m, "s", Self(user)->may ? "challenge" : "no");
  }
  static int GetSession(sd_bus_message* m, void* user, sd_bus_error*) {
    std::uint32_t pid = 0;
    sd_bus_message_read(m, "u", &pid);
    Self(user)->Note(pid == static_cast<std::uint32_t>(getpid()) ? "GetSessionByPID own" : "GetSessionByPID other");
    return sd_bus_reply_method_return(m, "o", "/org/freedesktop/login1/session/_31");
  }
  static int Terminate(sd_bus_message* m, void* user, sd_bus_error*) {
    Self(user)->Note("Session.Terminate");
    return sd_bus_reply_method_return(m, "");
  }
  static const sd_bus_vtable kManager[];
  static const sd_bus_vtable kSession[];

  sd_bus* bus_ = nullptr;
  bool ready_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> calls_;
};

const sd_bus_vtable TestLogin1::kManager[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("PowerOff", "b", "", &TestLogin1::Action, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Reboot", "b", "", &TestLogin1::Action, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Suspend", "b", "", &TestLogin1::Action, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Hibernate", "b", "", &TestLogin1::Action, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("CanPowerOff", "", "s", &TestLogin1::CanPowerOff, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("GetSessionByPID", "u", "o", &TestLogin1::GetSession, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};

const sd_bus_vtable TestLogin1::kSession[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Terminate", "", "", &TestLogin1::Terminate, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};

TEST(ZelShutdown, EachActionReachesLogind) {
  velko_test::PrivateBus bus;
  ASSERT_TRUE(bus.running());
  TestLogin1 login1(bus.address());
  ASSERT_TRUE(login1.ready());
  platform::SetPowerBackend(platform::MakeLogindPowerBackend(bus.address()));

  TzelShutdown shutdown(nullptr);
  struct Case {
    TzelShutdownActionType action;
    bool force;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {aatPowerOff, false, {"PowerOff"}},
      {aatShutdown, true, {"PowerOff force"}},
      {aatReboot, false, {"Reboot"}},
      {aatLogOff, false, {"GetSessionByPID own", "Session.Terminate"}},
      {aatSuspend, false, {"Suspend"}},
      {aatHibernate, true, {"Hibernate force"}},
  };
  std::size_t seen = 0;
  for (const Case& c : cases) {
    shutdown.ActionType = c.action;
    shutdown.Force = c.force;
    EXPECT_TRUE(shutdown.Execute()) << c.action;
    const auto calls = login1.Calls();
    EXPECT_EQ(std::vector<std::string>(calls.begin() + static_cast<long>(seen), calls.end()), c.calls) << c.action;
    seen = calls.size();
  }
  // Logind says no: the privilege step fails and nothing is asked.
  login1.may = false;
  shutdown.ActionType = aatReboot;
  EXPECT_FALSE(shutdown.Execute());
  EXPECT_EQ(login1.Calls().size(), seen);
  platform::SetPowerBackend(std::make_shared<platform::RecordingPowerBackend>());
}

TEST(ZelShutdown, VetoMakesNoRequest) {
  auto power = std::make_shared<platform::RecordingPowerBackend>();
  platform::SetPowerBackend(power);
  TzelShutdown shutdown(nullptr);
  int asked = 0;
  shutdown.OnQueryShutdown = [&](TObject*, bool& can) {
    ++asked;
    can = false;
  };
  EXPECT_FALSE(shutdown.Execute());
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(power->Requests().empty());
  shutdown.OnQueryShutdown = nullptr;
  EXPECT_TRUE(shutdown.Execute());
  EXPECT_EQ(power->Requests(), std::vector<std::string>{"PowerOff"});
}

}  // namespace
