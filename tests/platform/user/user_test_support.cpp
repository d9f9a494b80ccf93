#include "tests/platform/user/user_test_support.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>

#include "platform/core/clock.h"
#include "platform/core/errors.h"
#include "platform/core/threads.h"
#include "tests/support/message_pump.h"

namespace velko_test {

const char kTestClass[] = "VelkoTestWindow";

namespace {

std::mutex g_mutex;
std::vector<LoggedMessage> g_log;
std::shared_ptr<Handler> g_handler;

LRESULT TestWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  std::shared_ptr<Handler> handler;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_log.push_back({hwnd, message, wparam, lparam, GetCurrentThreadId()});
    handler = g_handler;
  }
  if (handler && *handler) {
    if (std::optional<LRESULT> answer = (*handler)(hwnd, message, wparam, lparam)) return *answer;
  }
  return DefWindowProc(hwnd, message, wparam, lparam);
}

void RegisterTestClass() {
  static const bool registered = [] {
    WNDCLASS window_class;
    window_class.lpfnWndProc = TestWindowProc;
    window_class.cbWndExtra = 16;
    window_class.lpszClassName = kTestClass;
    return RegisterClass(&window_class) != 0;
  }();
  ASSERT_TRUE(registered);
}

}  // namespace

WNDPROC TestProcedure() {
  return TestWindowProc;
}

void RegisterTestClassEx(const char* name, UINT style, HBRUSH background, HCURSOR cursor) {
  WNDCLASS window_class;
  if (GetClassInfo(nullptr, name, &window_class)) return;
  window_class = WNDCLASS{};
  window_class.style = style;
  window_class.lpfnWndProc = TestWindowProc;
  window_class.hbrBackground = background;
  window_class.hCursor = cursor;
  window_class.lpszClassName = name;
  ASSERT_NE(RegisterClass(&window_class), 0);
}

void SetHandler(Handler handler) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_handler = std::make_shared<Handler>(std::move(handler));
}

std::vector<LoggedMessage> MessageLog() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_log;
}

void ClearMessageLog() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_log.clear();
}

std::vector<UINT> MessagesOf(HWND hwnd, const std::vector<UINT>& wanted) {
  std::vector<UINT> messages;
  for (const LoggedMessage& logged : MessageLog()) {
    if (logged.hwnd != hwnd) continue;
    if (!wanted.empty() &&
        std::find(wanted.begin(), wanted.end(), logged.message) == wanted.end()) {
      continue;
    }
    messages.push_back(logged.message);
  }
  return messages;
}

int CountOf(HWND hwnd, UINT message) {
  return static_cast<int>(MessagesOf(hwnd, {message}).size());
}

void UserTest::SetUp() {
  RegisterTestClass();
  platform::ResetInput();
  SetHandler(nullptr);
  ClearMessageLog();
  windows_before_ = platform::LiveWindowCount();
}

void UserTest::TearDown() {
  SetHandler(nullptr);
  for (HWND hwnd : made_) {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  platform::UseRealClock();
  platform::ResetInput();
  EXPECT_EQ(platform::LiveWindowCount(), windows_before_) << "a test left windows behind";
}

HWND UserTest::Make(HWND parent, DWORD style, LPCSTR text, DWORD ex_style, int x, int y, int width,
                    int height, HMENU menu) {
  HWND hwnd = CreateWindowEx(ex_style, kTestClass, text, style, x, y, width, height, parent, menu,
                             nullptr, nullptr);
  EXPECT_NE(hwnd, nullptr);
  made_.push_back(hwnd);
  return hwnd;
}

HWND UserTest::MakeOf(const char* class_name, HWND parent, DWORD style, LPCSTR text, DWORD ex_style,
                      int x, int y, int width, int height) {
  HWND hwnd = CreateWindowEx(ex_style, class_name, text, style, x, y, width, height, parent,
                             nullptr, nullptr, nullptr);
  EXPECT_NE(hwnd, nullptr);
  made_.push_back(hwnd);
  return hwnd;
}

int UserTest::Pump() { return velko_test::PumpWaitingMessages(); }

WindowThread::WindowThread(bool pump) : pump_(pump) {
  std::atomic<bool> ready{false};
  thread_ = std::thread([this, &ready] {
    thread_id_ = GetCurrentThreadId();
    hwnd_ = CreateWindowEx(0, kTestClass, "worker", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                           nullptr);
    ready = true;
    if (pump_) {
      MSG msg;
      while (GetMessage(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
      }
      if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    } else {
      // Whatever is left goes when the thread ends.
      while (!released_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      if (work_) work_();
    }
  });
  while (!ready) std::this_thread::yield();
}

WindowThread::~WindowThread() {
  Stop();
}

void WindowThread::Stop() {
  if (!thread_.joinable()) return;
  if (pump_) {
    PostThreadMessage(thread_id_, WM_QUIT, 0, 0);
  } else {
    released_ = true;
  }
  thread_.join();
}

void WindowThread::Release(std::function<void()> work) {
  work_ = std::move(work);
  released_ = true;
  thread_.join();
}

bool WaitFor(const std::function<bool()>& condition) {
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace velko_test
