// The web host-cache client destroyed while its requests still run and
// its wait for them gives up at once (as on a platform whose requests are
// stuck): the requests end afterwards, each handing its completion to the
// main thread, where it reaches nothing. Built into the thread sanitizer
// tests too, which watch the hand-over of the completion handler.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "classlib/Threads.h"
#include "network/GWebCache.h"
#include "platform/user/user.h"
#include "tests/support/loopback_server.h"

namespace velko_test {
namespace {

using namespace std::chrono_literals;

// Runs the main thread's synchronised calls and messages for a while.
template <class Done>
bool ServeMainThread(Done done, std::chrono::milliseconds limit) {
  const auto give_up = std::chrono::steady_clock::now() + limit;
  for (;;) {
    CheckSynchronize();
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
    if (done()) return true;
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(2ms);
  }
}

TEST(WebCacheStop, RequestsOutlivingTheClientCompleteIntoNothing) {
  for (const auto kind : {"urlfile", "hostfile"}) {
    SCOPED_TRACE(kind);
    HttpResponder held([](const std::string&) {
      return HttpResponder::Reply{"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n127.0.0.1:6346\r\n", true};
    });
    auto wc = std::make_unique<TGWebCache>(nullptr);
    wc->GWebCache->Clear();
    // Fewer than five caches ask for caches first, more ask for hosts.
    const int caches = std::string(kind) == "urlfile" ? 4 : 8;
    for (int i = 0; i < caches; ++i) wc->GWebCache->Add(held.Url("/c" + std::to_string(i)));
    wc->ReloadPending = false;
    int reported = 0;
    wc->OnVerifiedHost = [&](TObject*, const String&, int) { ++reported; };
    wc->Start();
    const std::size_t launched = wc->Running();
    ASSERT_GE(launched, 4u);
    ASSERT_TRUE(ServeMainThread([&] { return held.Requests().size() >= launched; }, 10s));
    wc->StopWait = 0ms;
    wc.reset();
    // The requests end now and hand their completions over; nothing is left
    // to run them into, and nothing new starts.
    ServeMainThread([] { return false; }, 300ms);
    EXPECT_EQ(reported, 0);
    EXPECT_EQ(held.Requests().size(), launched);
    held.Stop();
  }
}

}  // namespace
}  // namespace velko_test
