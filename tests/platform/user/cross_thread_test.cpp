// Messages between real threads.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/threads.h"
#include "platform/user/user.h"
#include "tests/platform/checks.h"
#include "tests/platform/user/user_test_support.h"

namespace {

using velko_test::CountOf;
using velko_test::SetHandler;
using velko_test::UserTest;
using velko_test::WaitFor;
using velko_test::WindowThread;

class CrossThreadTest : public UserTest {};

TEST_F(CrossThreadTest, PostsFromFourThreadsArriveEachThreadInOrder) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 2000;
  HWND hwnd = Make(HWND_MESSAGE);
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([hwnd, t] {
      for (int i = 0; i < kPerThread; ++i) {
        ASSERT_TRUE(PostMessage(hwnd, WM_APP, static_cast<WPARAM>(t), i));
      }
    });
  }
  std::array<LPARAM, kThreads> next{};
  int received = 0;
  MSG msg;
  while (received < kThreads * kPerThread && GetMessage(&msg, nullptr, 0, 0) > 0) {
    ASSERT_EQ(msg.hwnd, hwnd);
    ASSERT_LT(msg.wParam, static_cast<WPARAM>(kThreads));
    ASSERT_EQ(msg.lParam, next[msg.wParam]) << "out of order from thread " << msg.wParam;
    ++next[msg.wParam];
    ++received;
  }
  for (auto& poster : posters) poster.join();
  EXPECT_EQ(received, kThreads * kPerThread);
  for (LPARAM count : next) EXPECT_EQ(count, kPerThread);
}

TEST_F(CrossThreadTest, SendMessageToAnotherThreadReturnsItsAnswer) {
  std::atomic<DWORD> handled_on{0};
  std::atomic<BOOL> in_send{FALSE};
  SetHandler([&](HWND, UINT message, WPARAM wparam, LPARAM) -> std::optional<LRESULT> {
    if (message != WM_APP) return std::nullopt;
    handled_on = GetCurrentThreadId();
    in_send = InSendMessage();
    return static_cast<LRESULT>(wparam) * 2;
  });
  WindowThread target;
  EXPECT_EQ(SendMessage(target.hwnd(), WM_APP, 21, 0), 42);
  EXPECT_EQ(handled_on, target.thread_id());
  EXPECT_TRUE(in_send);
  DWORD_PTR result = 0;
  EXPECT_TRUE(SendMessageTimeout(target.hwnd(), WM_APP, 50, 0, SMTO_NORMAL, 5000, &result));
  EXPECT_EQ(result, 100u);
}

TEST_F(CrossThreadTest, TwoThreadsSendingToEachOtherDoNotDeadlock) {
  constexpr UINT kPing = WM_APP + 10;    // answers wParam + 1
  constexpr UINT kBounce = WM_APP + 11;  // sends kPing back to the window in lParam
  SetHandler([](HWND, UINT message, WPARAM wparam, LPARAM lparam) -> std::optional<LRESULT> {
    if (message == kPing) return static_cast<LRESULT>(wparam) + 1;
    if (message == kBounce) {
      return SendMessage(reinterpret_cast<HWND>(lparam), kPing, wparam, 0) + 100;
    }
    return std::nullopt;
  });
  constexpr int kRounds = 300;
  std::atomic<HWND> windows[2] = {nullptr, nullptr};
  std::atomic<int> ready{0};
  std::atomic<int> finished{0};
  std::atomic<int> wrong{0};
  auto side = [&](int me) {
    HWND own = CreateWindowEx(0, velko_test::kTestClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                              nullptr, nullptr, nullptr);
    windows[me] = own;
    ++ready;
    while (ready < 2) std::this_thread::yield();
    HWND peer = windows[1 - me];
    for (int i = 0; i < kRounds; ++i) {
      // Both threads send at once; the bounce makes the receiver send back
      // to the sender while the sender is still waiting.
      if (SendMessage(peer, kPing, i, 0) != i + 1) ++wrong;
      if (SendMessage(peer, kBounce, i, reinterpret_cast<LPARAM>(own)) != i + 101) ++wrong;
    }
    ++finished;
    // Keep answering until the other side is done too.
    MSG msg;
    while (finished < 2) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
    }
    DestroyWindow(own);
  };
  std::thread a(side, 0);
  std::thread b(side, 1);
  a.join();
  b.join();
  EXPECT_EQ(wrong, 0);
}

TEST_F(CrossThreadTest, SendReturnsZeroWhenTheTargetThreadEndsWithoutAnswering) {
  bool answered = false;
  SetHandler([&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_APP) answered = true;
    return 5;
  });
  WindowThread silent(/*pump=*/false);
  HWND target = silent.hwnd();
  DWORD target_thread = silent.thread_id();
  std::thread ender([&] {
    ASSERT_TRUE(WaitFor([&] { return platform::InspectQueue(target_thread).sent_waiting == 1; }));
    silent.Release();  // the thread ends without looking at its queue
  });
  EXPECT_EQ(SendMessage(target, WM_APP, 0, 0), 0);
  ender.join();
  EXPECT_FALSE(answered);
  EXPECT_FALSE(IsWindow(target));
  EXPECT_EQ(ERROR_OF(PostMessage(target, WM_APP, 0, 0)), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(CrossThreadTest, SendReturnsZeroWhenTheWindowIsDestroyedFirst) {
  std::atomic<bool> answered{false};
  SetHandler([&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_APP) answered = true;
    return std::nullopt;
  });
  WindowThread owner(/*pump=*/false);
  HWND target = owner.hwnd();
  DWORD owner_thread = owner.thread_id();
  std::thread destroyer([&] {
    ASSERT_TRUE(WaitFor([&] { return platform::InspectQueue(owner_thread).sent_waiting == 1; }));
    owner.Release([target] { DestroyWindow(target); });
  });
  DWORD_PTR result = 99;
  EXPECT_EQ(ERROR_OF(SendMessageTimeout(target, WM_APP, 0, 0, SMTO_NORMAL, 10000, &result) != 0),
            ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(result, 0u);
  destroyer.join();
  EXPECT_FALSE(answered);
  EXPECT_EQ(CountOf(target, WM_DESTROY), 1);
}

// A thread that takes no messages: SendMessageTimeout gives up and takes
// its message back; SendNotifyMessage leaves its message waiting.
TEST_F(CrossThreadTest, SendMessageTimeoutWithdrawsItsMessageAndSendNotifyMessageDoesNotWait) {
  std::atomic<int> handled{0};
  SetHandler([&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_APP) ++handled;
    return std::nullopt;
  });
  WindowThread busy(/*pump=*/false);
  DWORD_PTR result = 7;
  EXPECT_EQ(ERROR_OF(SendMessageTimeout(busy.hwnd(), WM_APP, 0, 0, SMTO_BLOCK, 30, &result) != 0),
            ERROR_TIMEOUT);
  EXPECT_EQ(platform::InspectQueue(busy.thread_id()).sent_waiting, 0u);
  EXPECT_TRUE(SendNotifyMessage(busy.hwnd(), WM_APP + 1, 0, 0));
  EXPECT_EQ(platform::InspectQueue(busy.thread_id()).sent_waiting, 1u);
  busy.Release([] {
    MSG msg;
    PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE);  // answers sent messages first
  });
  EXPECT_EQ(handled, 0);
  EXPECT_EQ(CountOf(busy.hwnd(), WM_APP + 1), 1);
}

TEST_F(CrossThreadTest, ReplyMessageLetsTheSenderGoOnEarly) {
  std::atomic<bool> sender_back{false};
  std::atomic<bool> saw_sender_back{false};
  SetHandler([&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message != WM_APP) return std::nullopt;
    EXPECT_TRUE(ReplyMessage(5));
    EXPECT_FALSE(ReplyMessage(6));  // only the first answer counts
    saw_sender_back = WaitFor([&] { return sender_back.load(); });
    return 7;
  });
  WindowThread target;
  EXPECT_EQ(SendMessage(target.hwnd(), WM_APP, 0, 0), 5);
  sender_back = true;
  target.Stop();
  EXPECT_TRUE(saw_sender_back);
  EXPECT_FALSE(ReplyMessage(1));  // nothing is being answered here
}

TEST_F(CrossThreadTest, QuitEndsGetMessageOnAnotherThread) {
  std::atomic<DWORD> worker_id{0};
  BOOL last = -2;
  WPARAM code = 0;
  std::thread worker([&] {
    MSG msg;
    PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
    worker_id = GetCurrentThreadId();
    while ((last = GetMessage(&msg, nullptr, 0, 0)) > 0) {
    }
    code = msg.wParam;
  });
  ASSERT_TRUE(WaitFor([&] { return worker_id != 0; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(10));  // let it block
  PostThreadMessage(worker_id, WM_APP, 0, 0);
  PostThreadMessage(worker_id, WM_QUIT, 3, 0);
  worker.join();
  EXPECT_EQ(last, FALSE);
  EXPECT_EQ(code, 3u);
}

}  // namespace
