#include "platform/user/message_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/core/clock.h"
#include "platform/core/errors.h"
#include "platform/core/events.h"
#include "platform/core/handles.h"
#include "platform/core/threads.h"
#include "platform/core/waits.h"
#include "tests/platform/checks.h"
#include "tests/platform/user/user_test_support.h"

namespace {

using velko_test::CountOf;
using velko_test::SetHandler;
using velko_test::UserTest;
using velko_test::WaitFor;

const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));

class MessageQueueTest : public UserTest {};

TEST_F(MessageQueueTest, PostedMessagesComeInOrderAndQuitComesLast) {
  HWND hwnd = Make(HWND_MESSAGE);
  PostMessage(hwnd, WM_APP + 1, 1, 10);
  PostQuitMessage(7);
  PostMessage(hwnd, WM_APP + 2, 2, 20);
  PostThreadMessage(GetCurrentThreadId(), WM_APP + 3, 3, 30);
  MSG msg;
  ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, WM_APP + 1);
  EXPECT_EQ(msg.hwnd, hwnd);
  EXPECT_EQ(msg.wParam, 1u);
  EXPECT_EQ(msg.lParam, 10);
  ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, WM_APP + 2);
  ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, WM_APP + 3);
  EXPECT_EQ(msg.hwnd, nullptr);
  // WM_QUIT comes through any filter.
  ASSERT_TRUE(PeekMessage(&msg, hwnd, WM_APP, WM_APP, PM_NOREMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(GetMessage(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, PumpingWithPeekMessageStopsAtQuitWithoutDispatchingIt) {
  // The playback engine's wait loops pump like this.
  HWND hwnd = Make(HWND_MESSAGE);
  for (int i = 0; i < 3; ++i) PostMessage(hwnd, WM_APP, i, 0);
  PostQuitMessage(0);
  PostMessage(hwnd, WM_APP + 1, 0, 0);
  int dispatched = 0;
  bool saw_quit = false;
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      saw_quit = true;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
    ++dispatched;
  }
  EXPECT_TRUE(saw_quit);
  EXPECT_EQ(dispatched, 4);
  EXPECT_EQ(CountOf(hwnd, WM_APP), 3);
  EXPECT_EQ(CountOf(hwnd, WM_APP + 1), 1);
}

TEST_F(MessageQueueTest, PeekMessageFiltersByWindowAndRange) {
  HWND first = Make(HWND_MESSAGE);
  HWND second = Make(HWND_MESSAGE);
  PostMessage(first, WM_APP + 1, 0, 0);
  PostMessage(second, WM_APP + 2, 0, 0);
  PostThreadMessage(GetCurrentThreadId(), WM_APP + 3, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, second, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, WM_APP + 2);
  ASSERT_TRUE(PeekMessage(&msg, kThreadMessagesOnly, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_APP + 3);
  EXPECT_FALSE(PeekMessage(&msg, kThreadMessagesOnly, 0, 0, PM_REMOVE));
  ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_APP + 2, WM_APP + 5, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_APP + 2);
  EXPECT_FALSE(PeekMessage(&msg, nullptr, WM_APP + 2, WM_APP + 5, PM_REMOVE));
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_APP + 1);
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  // A window filter takes its children's messages too.
  HWND parent = Make(nullptr, WS_POPUP);
  HWND child = Make(parent, WS_CHILD);
  PostMessage(first, WM_APP, 0, 0);
  PostMessage(child, WM_APP, 1, 0);
  ASSERT_TRUE(PeekMessage(&msg, parent, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, child);
  EXPECT_FALSE(PeekMessage(&msg, parent, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, AFilterWindowMustBeAWindowOfThisThread) {
  MSG msg;
  HWND bogus = reinterpret_cast<HWND>(0x12345);
  EXPECT_EQ(ERROR_OF(GetMessage(&msg, bogus, 0, 0) != -1), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(ERROR_OF(PeekMessage(&msg, bogus, 0, 0, PM_REMOVE)), ERROR_INVALID_WINDOW_HANDLE);

  velko_test::WindowThread other;
  EXPECT_EQ(ERROR_OF(GetMessage(&msg, other.hwnd(), 0, 0) != -1), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(MessageQueueTest, MessagesForADestroyedWindowAreDropped) {
  HWND doomed = Make(HWND_MESSAGE);
  HWND survivor = Make(HWND_MESSAGE);
  PostMessage(doomed, WM_APP, 1, 0);
  PostMessage(survivor, WM_APP, 2, 0);
  PostMessage(doomed, WM_APP, 3, 0);
  EXPECT_EQ(platform::InspectQueue(GetCurrentThreadId()).posted, 3u);
  DestroyWindow(doomed);
  EXPECT_EQ(platform::InspectQueue(GetCurrentThreadId()).posted, 1u);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, survivor);
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));

  EXPECT_EQ(ERROR_OF(PostMessage(doomed, WM_APP, 0, 0)), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(ERROR_OF(SendMessage(doomed, WM_APP, 0, 0) != 0), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(CountOf(doomed, WM_APP), 0);
}

TEST_F(MessageQueueTest, SendMessageToOwnWindowCallsTheProcedureDirectly) {
  HWND hwnd = Make(HWND_MESSAGE);
  BOOL in_send = TRUE;
  SetHandler([&](HWND, UINT message, WPARAM wparam, LPARAM lparam) -> std::optional<LRESULT> {
    if (message != WM_APP) return std::nullopt;
    in_send = InSendMessage();
    return static_cast<LRESULT>(wparam) + lparam;
  });
  EXPECT_EQ(SendMessage(hwnd, WM_APP, 40, 2), 42);
  EXPECT_FALSE(in_send);  // not sent by another thread
  DWORD_PTR result = 0;
  EXPECT_TRUE(SendMessageTimeout(hwnd, WM_APP, 1, 1, SMTO_NORMAL, 100, &result));
  EXPECT_EQ(result, 2u);
  EXPECT_TRUE(SendNotifyMessage(hwnd, WM_APP, 0, 0));
  EXPECT_EQ(CountOf(hwnd, WM_APP), 3);
  EXPECT_EQ(platform::InspectQueue(GetCurrentThreadId()).posted, 0u);
}

int g_stray_calls = 0;
void StrayTimerProc(HWND, UINT, UINT_PTR, DWORD) {
  ++g_stray_calls;
}

TEST_F(MessageQueueTest, DispatchAndTranslate) {
  HWND hwnd = Make(HWND_MESSAGE);
  SetHandler([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_APP) return 99;
    return std::nullopt;
  });
  PostMessage(hwnd, WM_APP, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(TranslateMessage(&msg));
  EXPECT_EQ(DispatchMessage(&msg), 99);

  MSG key = msg;
  key.message = WM_KEYDOWN;
  key.wParam = VK_ESCAPE;
  EXPECT_TRUE(TranslateMessage(&key));
  // A WM_TIMER whose lParam is no timer procedure of this thread calls nothing.
  MSG forged = msg;
  forged.message = WM_TIMER;
  forged.wParam = 1;
  forged.lParam = reinterpret_cast<LPARAM>(&StrayTimerProc);
  g_stray_calls = 0;
  DispatchMessage(&forged);
  EXPECT_EQ(g_stray_calls, 0);
  EXPECT_EQ(CountOf(hwnd, WM_TIMER), 0);
}

TEST_F(MessageQueueTest, PostThreadMessageNeedsAThreadWithAQueue) {
  std::atomic<DWORD> worker_id{0};
  std::atomic<bool> queue_made{false};
  std::atomic<bool> go{false};
  MSG received;
  std::thread worker([&] {
    worker_id = GetCurrentThreadId();
    while (!go) std::this_thread::yield();
    MSG msg;
    PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the queue
    queue_made = true;
    GetMessage(&received, nullptr, 0, 0);
  });
  ASSERT_TRUE(WaitFor([&] { return worker_id != 0; }));
  EXPECT_EQ(ERROR_OF(PostThreadMessage(worker_id, WM_APP, 0, 0)), ERROR_INVALID_THREAD_ID);
  go = true;
  ASSERT_TRUE(WaitFor([&] { return queue_made.load(); }));
  EXPECT_TRUE(PostThreadMessage(worker_id, WM_APP + 9, 5, 6));
  worker.join();
  EXPECT_EQ(received.message, WM_APP + 9);
  EXPECT_EQ(received.hwnd, nullptr);
  EXPECT_EQ(received.wParam, 5u);
  // The thread has ended and its queue with it.
  EXPECT_EQ(ERROR_OF(PostThreadMessage(worker_id, WM_APP, 0, 0)), ERROR_INVALID_THREAD_ID);
}

TEST_F(MessageQueueTest, QueueStatusReportsWhatArrivedSinceTheLastLook) {
  HWND hwnd = Make(HWND_MESSAGE);
  GetQueueStatus(QS_ALLINPUT);
  EXPECT_EQ(GetQueueStatus(QS_ALLINPUT), 0u);
  PostMessage(hwnd, WM_APP, 0, 0);
  EXPECT_EQ(GetQueueStatus(QS_POSTMESSAGE), MAKELONG(QS_POSTMESSAGE, QS_POSTMESSAGE));
  // Still there, but no longer new.
  EXPECT_EQ(GetQueueStatus(QS_POSTMESSAGE), MAKELONG(0, QS_POSTMESSAGE));
  EXPECT_EQ(GetQueueStatus(QS_TIMER), 0u);
  EXPECT_FALSE(GetInputState());
}

TEST_F(MessageQueueTest, MessageTimeIsThePostingTime) {
  platform::UseManualClock(2'000'000);
  HWND hwnd = Make(HWND_MESSAGE);
  PostMessage(hwnd, WM_APP, 0, 0);
  platform::AdvanceClockMs(250);
  MSG msg;
  ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.time, 2000u);
  EXPECT_EQ(GetMessageTime(), 2000);
}

TEST_F(MessageQueueTest, WaitMessageReturnsForSomethingNew) {
  HWND hwnd = Make(HWND_MESSAGE);
  std::atomic<bool> waiting{false};
  std::atomic<bool> returned{false};
  std::thread poster([&] {
    ASSERT_TRUE(WaitFor([&] { return waiting.load(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(returned);
    PostMessage(hwnd, WM_APP, 0, 0);
  });
  MSG msg;
  PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);  // nothing new from here on
  waiting = true;
  EXPECT_TRUE(WaitMessage());
  returned = true;
  poster.join();
  EXPECT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_APP);
}

TEST_F(MessageQueueTest, MsgWaitForMultipleObjectsWaitsForTheQueueOnThePlatformClock) {
  platform::UseManualClock(1'000'000);
  MSG msg;
  std::atomic<std::uint64_t> started{0};
  std::atomic<bool> done{false};
  DWORD result = 1234;
  std::thread waiter([&] {
    MSG own;
    PeekMessage(&own, nullptr, 0, 0, PM_NOREMOVE);
    started = platform::ClockMicros();
    result = MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    done = true;
  });
  ASSERT_TRUE(WaitFor([&] { return started != 0; }));
  // The clock moves a millisecond at a time; the wait must last exactly
  // until 100 ms have passed on it.
  std::uint64_t waited_ms = 0;
  while (!done && waited_ms < 1000) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_FALSE(done && waited_ms < 100) << "returned after " << waited_ms << " ms";
    if (!done) {
      platform::AdvanceClockMs(1);
      ++waited_ms;
    }
  }
  waiter.join();
  EXPECT_EQ(result, WAIT_TIMEOUT);
  EXPECT_GE(waited_ms, 100u);

  // A message posted meanwhile ends the wait with WAIT_OBJECT_0 + count.
  HWND hwnd = Make(HWND_MESSAGE);
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PostMessage(hwnd, WM_APP, 0, 0);
  });
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_POSTMESSAGE), 0u);
  poster.join();
  // Input already seen does not end a wait; with MWMO_INPUTAVAILABLE it does.
  EXPECT_EQ(MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_POSTMESSAGE, 0), 0u);
  PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
  EXPECT_EQ(MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_POSTMESSAGE, 0), WAIT_TIMEOUT);
  EXPECT_EQ(MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_POSTMESSAGE, MWMO_INPUTAVAILABLE), 0u);
}

TEST_F(MessageQueueTest, MsgWaitForMultipleObjectsWaitsForKernelObjectsAndTheQueueTogether) {
  HWND hwnd = Make(HWND_MESSAGE);
  HANDLE events[2] = {CreateEvent(nullptr, FALSE, FALSE, nullptr),
                      CreateEvent(nullptr, TRUE, FALSE, nullptr)};
  MSG msg;
  PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);

  // Nothing ready: times out.
  EXPECT_EQ(MsgWaitForMultipleObjects(2, events, FALSE, 0, QS_ALLINPUT), WAIT_TIMEOUT);

  // An event set by another thread ends the wait with its index.
  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    SetEvent(events[1]);
  });
  EXPECT_EQ(MsgWaitForMultipleObjects(2, events, FALSE, 10000, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
  setter.join();
  ResetEvent(events[1]);

  // A message posted by another thread ends it with WAIT_OBJECT_0 + count.
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PostMessage(hwnd, WM_APP, 0, 0);
  });
  EXPECT_EQ(MsgWaitForMultipleObjects(2, events, FALSE, 10000, QS_POSTMESSAGE), WAIT_OBJECT_0 + 2);
  poster.join();

  // When an object and the queue are both ready, the object comes first
  // (and an auto-reset event is taken by the wait).
  SetEvent(events[0]);
  EXPECT_EQ(MsgWaitForMultipleObjects(2, events, FALSE, 0, QS_POSTMESSAGE), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(events[0], 0), WAIT_TIMEOUT);

  // Waiting for all: the objects and the queue.
  PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE);
  SetEvent(events[0]);
  SetEvent(events[1]);
  EXPECT_EQ(MsgWaitForMultipleObjects(2, events, TRUE, 0, QS_POSTMESSAGE), WAIT_TIMEOUT);
  PostMessage(hwnd, WM_APP, 0, 0);
  EXPECT_EQ(MsgWaitForMultipleObjects(2, events, TRUE, 0, QS_POSTMESSAGE), WAIT_OBJECT_0);

  HANDLE closed = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  CloseHandle(closed);
  EXPECT_EQ(ERROR_OF(MsgWaitForMultipleObjects(1, &closed, FALSE, 0, QS_ALLINPUT) != WAIT_FAILED),
            ERROR_INVALID_HANDLE);
  for (HANDLE event : events) CloseHandle(event);
}

TEST_F(MessageQueueTest, MsgWaitForMultipleObjectsWakesForADueTimer) {
  platform::UseManualClock(3'000'000);
  std::atomic<DWORD> result{1234};
  std::atomic<bool> timer_set{false};
  std::thread waiter([&] {
    SetTimer(nullptr, 0, 50, nullptr);
    MSG own;
    PeekMessage(&own, nullptr, 0, 0, PM_NOREMOVE);
    timer_set = true;
    result = MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_TIMER);
  });
  ASSERT_TRUE(WaitFor([&] { return timer_set.load(); }));
  platform::AdvanceClockMs(49);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(result, 1234u);
  platform::AdvanceClockMs(1);
  EXPECT_TRUE(WaitFor([&] { return result != 1234u; }));
  waiter.join();
  EXPECT_EQ(result, WAIT_OBJECT_0);
}

}  // namespace
