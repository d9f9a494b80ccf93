// Shared pieces of the window-system tests: a window class whose procedure
// records every message and lets the test answer them, a fixture that
// cleans up after each test, and a thread that owns a window and runs a
// message loop.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "platform/user/user.h"

namespace velko_test {

// The test window class (registered once per process).
extern const char kTestClass[];

struct LoggedMessage {
  HWND hwnd;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
  DWORD thread_id;
};

// The test window procedure (logs the message, asks the handler, else
// DefWindowProc) and a class of it with other settings (registered once).
WNDPROC TestProcedure();
void RegisterTestClassEx(const char* name, UINT style, HBRUSH background, HCURSOR cursor);

// Answers a message of a test window; nullopt passes it to DefWindowProc.
// Called on the window's thread, so it must be thread-safe when windows of
// several threads are in play.
using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

void SetHandler(Handler handler);
std::vector<LoggedMessage> MessageLog();
void ClearMessageLog();
// The numbers of the logged messages of one window, in order, keeping only
// those in `wanted` (all when empty).
std::vector<UINT> MessagesOf(HWND hwnd, const std::vector<UINT>& wanted = {});
// How many times `message` was logged for `hwnd`.
int CountOf(HWND hwnd, UINT message);

// Registers the test class; clears the log and the handler; checks after
// the test that every window it made is gone and the manual clock is off.
class UserTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A window of the test class on the calling thread, destroyed (if still
  // alive) at the end of the test.
  HWND Make(HWND parent = nullptr, DWORD style = 0, LPCSTR text = nullptr, DWORD ex_style = 0,
            int x = 0, int y = 0, int width = 0, int height = 0, HMENU menu = nullptr);
  // A window of another registered class, destroyed at the end of the test.
  HWND MakeOf(const char* class_name, HWND parent, DWORD style, LPCSTR text, DWORD ex_style, int x,
              int y, int width, int height);
  // Takes and dispatches every waiting message; returns how many.
  int Pump();

 private:
  std::vector<HWND> made_;
  std::size_t windows_before_ = 0;
};

// A thread that makes a test window (message-only unless told otherwise)
// and then runs a GetMessage loop until WM_QUIT, or, with `pump` false,
// waits without taking messages until Release(). A pumping thread destroys
// its window when the loop ends; a waiting one just ends (its window goes
// with the thread).
class WindowThread {
 public:
  explicit WindowThread(bool pump = true);
  ~WindowThread();
  HWND hwnd() const { return hwnd_; }
  DWORD thread_id() const { return thread_id_; }
  // Ends the loop (WM_QUIT) or the wait, and joins the thread.
  void Stop();
  // Lets a non-pumping thread run `work` on itself next and then end.
  void Release(std::function<void()> work = nullptr);

 private:
  std::thread thread_;
  HWND hwnd_ = nullptr;
  DWORD thread_id_ = 0;
  bool pump_;
  std::atomic<bool> released_{false};
  std::function<void()> work_;
};

// Polls `condition` (every millisecond of real time) for up to 10 seconds.
bool WaitFor(const std::function<bool()>& condition);

}  // namespace velko_test
