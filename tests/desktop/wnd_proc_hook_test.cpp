// Window-procedure hooks on a plain window: the chain's order, unhooking in
// either order, and AutoDrag.
#include <gtest/gtest.h>

#include "desktop/zelWndProcHook.h"
#include "platform/user/user.h"

namespace {

std::vector<std::string>* g_log = nullptr;

LRESULT OwnProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (g_log != nullptr && message == WM_USER + 5) g_log->push_back("own");
  if (g_log != nullptr && message == WM_SYSCOMMAND) g_log->push_back("syscommand " + std::to_string(wparam));
  if (message == WM_USER + 5) return 42;
  if (message == WM_SYSCOMMAND) return 0;
  return DefWindowProc(hwnd, message, wparam, lparam);
}

class HookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log = &log_;
    static const bool registered = [] {
      WNDCLASS wc{};
      wc.lpfnWndProc = &OwnProc;
      wc.lpszClassName = "HookTestWindow";
      return RegisterClass(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
    hwnd_ = CreateWindowEx(0, "HookTestWindow", "w", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd_, nullptr);
  }
  void TearDown() override {
    DestroyWindow(hwnd_);
    g_log = nullptr;
  }
  TzelWndProcHook* MakeHook(const std::string& name) {
    auto* hook = new TzelWndProcHook(&owner_);
    hook->SetHandle(hwnd_);
    hook->OnMessageBefore = [this, name](TObject*, TMessage& m, bool&) {
      if (m.Msg == WM_USER + 5) log_.push_back(name);
    };
    hook->SetActive(true);
    return hook;
  }
  std::vector<std::string> Send() {
    log_.clear();
    EXPECT_EQ(SendMessage(hwnd_, WM_USER + 5, 0, 0), 42);
    return log_;
  }

  TComponent owner_{nullptr};
  HWND hwnd_ = nullptr;
  std::vector<std::string> log_;
};

TEST_F(HookTest, ChainOrderAndUnhookingEitherWay) {
  const WNDPROC own = reinterpret_cast<WNDPROC>(GetWindowLongPtr(hwnd_, GWLP_WNDPROC));
  for (bool first_goes_first : {true, false}) {
    TzelWndProcHook* a = MakeHook("a");
    TzelWndProcHook* b = MakeHook("b");
    EXPECT_EQ(Send(), (std::vector<std::string>{"b", "a", "own"}));
    TzelWndProcHook* first = first_goes_first ? a : b;
    TzelWndProcHook* second = first_goes_first ? b : a;
    first->SetActive(false);
    EXPECT_EQ(Send(), (std::vector<std::string>{second == a ? "a" : "b", "own"}));
    EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtr(hwnd_, GWLP_WNDPROC)), own);
    delete second;
    EXPECT_EQ(Send(), std::vector<std::string>{"own"});
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtr(hwnd_, GWLP_WNDPROC)), own);
    delete first;
  }
}

TEST_F(HookTest, HandledStopsTheMessageAndAutoDragDrags) {
  TzelWndProcHook* hook = MakeHook("h");
  hook->OnMessageBefore = [](TObject*, TMessage& m, bool& handled) {
    if (m.Msg == WM_USER + 5) {
      m.Result = 7;
      handled = true;
    }
  };
  bool after = false;
  hook->OnMessageAfter = [&](TObject*, TMessage& m, bool& handled) { after = after || (m.Msg == WM_USER + 5 && handled); };
  log_.clear();
  EXPECT_EQ(SendMessage(hwnd_, WM_USER + 5, 0, 0), 7);
  EXPECT_TRUE(log_.empty());
  EXPECT_TRUE(after);
  hook->AutoDrag = true;
  log_.clear();
  SendMessage(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  EXPECT_EQ(log_, std::vector<std::string>{"syscommand 61458"});
  delete hook;  // its handlers refer to this test's locals
}

}  // namespace
