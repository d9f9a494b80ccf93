// The web host-cache client against caches on 127.0.0.1: batches and their
// limits, failing caches, answers in pieces and junk, the cache file, and
// the servent finding a host through it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "classlib/AtomicFile.h"
#include "classlib/Threads.h"
#include "network/GWebCache.h"
#include "platform/net/wininet.h"
#include "tests/network/network_fixture.h"
#include "tests/support/loopback_server.h"

namespace velko_test {
namespace {

using namespace std::chrono_literals;

// The path and query of a request head ("/c3.php?client=...").
std::string Target(const std::string& head) {
  std::size_t space = head.find(' ');
  return head.substr(space + 1, head.find(' ', space + 1) - space - 1);
}

class WebCacheTest : public ServentTest {
 protected:
  void TearDown() override {
    platform::net::SetInternetTimeouts(0, 0);
    classlib::testing::SetBeforeReplaceHook(nullptr);
    ServentTest::TearDown();
  }
  std::unique_ptr<TGWebCache> Make(const std::vector<std::string>& caches) {
    auto wc = std::make_unique<TGWebCache>(nullptr);
    wc->GWebCache->Clear();
    for (const auto& c : caches) wc->GWebCache->Add(c);
    wc->ReloadPending = false;
    return wc;
  }
  bool Settle(TGWebCache& wc, std::chrono::milliseconds limit = 10s) {
    return PumpUntil(
        [&] {
          CheckSynchronize();
          return wc.Running() == 0;
        },
        limit);
  }
  std::string FileText() { return ReadFile(windows_->path() / "TGWC.cah"); }
};

TEST_F(WebCacheTest, AnAbsentFileGivesTheBuiltInsWrittenAtTheEndWithoutARequest) {
  auto wc = std::make_unique<TGWebCache>(nullptr);
  std::string expected;
  for (const std::string& url : BuiltInWebCaches()) expected += url + "\r\n";
  EXPECT_EQ(wc->GWebCache->Text(), expected);
  EXPECT_EQ(wc->Threads, 0);
  EXPECT_FALSE(std::filesystem::exists(windows_->path() / "TGWC.cah"));
  wc.reset();
  EXPECT_EQ(FileText(), expected);
  // Read back at the next start.
  EXPECT_EQ(std::make_unique<TGWebCache>(nullptr)->GWebCache->Text(), expected);
  // A failed save keeps the old file and raises nothing.
  windows_->WriteFile("TGWC.cah", "http://old.example/gcache.php\r\n");
  wc = std::make_unique<TGWebCache>(nullptr);
  ASSERT_EQ(wc->GWebCache->Count(), 1);
  wc->GWebCache->Add("http://new.example/gcache.php");
  classlib::testing::SetBeforeReplaceHook([](const String&) { throw std::runtime_error("crash"); });
  EXPECT_NO_THROW(wc.reset());
  EXPECT_EQ(FileText(), "http://old.example/gcache.php\r\n");
  classlib::testing::SetBeforeReplaceHook(nullptr);
}

TEST_F(WebCacheTest, BatchesGoInOrderForTenCachesAndThree) {
  HttpResponder server([](const std::string&) { return HttpResponder::Ok(""); });
  std::vector<std::string> caches;
  for (int i = 0; i < 10; ++i) caches.push_back(server.Url("/c" + std::to_string(i) + ".php"));
  auto wc = Make(caches);
  auto batch = [&](std::size_t from) {
    std::set<std::string> got;
    auto requests = server.Requests();
    for (std::size_t i = from; i < requests.size(); ++i) got.insert(Target(requests[i]));
    return got;
  };
  auto expect = [](int first, const char* kind) {
    std::set<std::string> want;
    for (int i = first; i < first + 5; ++i) {
      want.insert("/c" + std::to_string(i) + ".php?client=TGWC&version=1.0&" + kind);
    }
    return want;
  };
  wc->RequestHosts();
  EXPECT_EQ(wc->HostThreads(), 5);
  ASSERT_TRUE(Settle(*wc));
  EXPECT_EQ(batch(0), expect(0, "hostfile=1"));
  wc->RequestHosts();
  ASSERT_TRUE(Settle(*wc));
  EXPECT_EQ(batch(5), expect(5, "hostfile=1"));
  wc->RequestHosts();  // every cache was asked for hosts: cache URLs instead
  ASSERT_TRUE(Settle(*wc));
  EXPECT_EQ(batch(10), expect(0, "urlfile=1"));
  EXPECT_EQ(wc->Threads, 0);
  EXPECT_EQ(wc->LastHost(), 10);
  EXPECT_EQ(wc->LastCache(), 5);

  auto three = Make({caches[0], caches[1], caches[2]});
  std::size_t before = server.Requests().size();
  three->Start();
  three->Stop();
  ASSERT_TRUE(Settle(*three));
  EXPECT_EQ(batch(before), (std::set<std::string>{"/c0.php?client=TGWC&version=1.0&urlfile=1",
                                                  "/c1.php?client=TGWC&version=1.0&urlfile=1",
                                                  "/c2.php?client=TGWC&version=1.0&urlfile=1"}));
}

TEST_F(WebCacheTest, NeverMoreThanFiveOfAKindRunAndFailuresDoNotStopDiscovery) {
  platform::net::SetInternetTimeouts(1000, 300);
  std::mutex mutex;
  std::map<std::string, int> running, most;
  HttpResponder good([&](const std::string& head) {
    std::string kind = head.find("hostfile") != std::string::npos ? "host" : "cache";
    {
      std::lock_guard<std::mutex> hold(mutex);
      most[kind] = std::max(most[kind], ++running[kind]);
    }
    std::this_thread::sleep_for(50ms);
    {
      std::lock_guard<std::mutex> hold(mutex);
      --running[kind];
    }
    if (head.rfind("GET /bad", 0) == 0) return HttpResponder::Reply{"HTTP/1.0 404 Not Found\r\n\r\n<html>no</html>", false};
    if (kind == "host" && head.rfind("GET /good", 0) == 0) return HttpResponder::Ok("127.0.0.9:6346\r\n");
    return HttpResponder::Ok("");
  });
  HttpResponder silent([](const std::string&) { return HttpResponder::Reply{"", true}; });
  std::uint16_t refused;
  {
    LoopbackServer gone([](LoopbackConnection&) {});
    refused = gone.port();
  }
  std::vector<std::string> caches;
  for (int i = 0; i < 4; ++i) caches.push_back("http://127.0.0.1:" + std::to_string(refused) + "/r" + std::to_string(i));
  for (int i = 0; i < 4; ++i) caches.push_back(good.Url("/bad" + std::to_string(i)));
  for (int i = 0; i < 4; ++i) caches.push_back(silent.Url("/s" + std::to_string(i)));
  caches.push_back(good.Url("/good"));
  auto wc = Make(caches);
  std::vector<std::pair<std::string, int>> found;
  wc->OnVerifiedHost = [&](TObject*, const String& ip, int port) { found.emplace_back(ip, port); };
  wc->Start();
  ASSERT_TRUE(PumpUntil(
      [&] {
        CheckSynchronize();
        return !found.empty();
      },
      20s));
  EXPECT_EQ(found[0], std::make_pair(std::string("127.0.0.9"), 6346));
  wc->Stop();
  ASSERT_TRUE(Settle(*wc));
  EXPECT_EQ(wc->Threads, 0);
  EXPECT_EQ(wc->HostThreads(), 0);
  EXPECT_EQ(wc->CacheThreads(), 0);
  std::lock_guard<std::mutex> hold(mutex);
  EXPECT_LE(most["host"], 5);
  EXPECT_LE(most["cache"], 5);
  silent.Stop();
}

TEST_F(WebCacheTest, AnswersAreJoinedFilteredAndCapped) {
  std::string long_answer = std::string(8185, 'x') + "\n127.0.0.7:6346\n";
  std::string huge = std::string(300 * 1024, 'y') + "\n127.0.0.8:6346\n";
  std::string caches_answer =
      "http://good.example/gcache.php\r\nftp://other.example/\r\nhttp://has blank.example/\r\nhttp://" +
      std::string(300, 'a') + "\r\nhttp://good.example/gcache.php\r\nERROR\r\nhttp://two.example/g.php";
  std::string hosts_answer =
      "1.2.3.4:6346\n1.2.3.4:0\n1.2.3:5\n300.1.1.1:5\na.b.c.d:5\n1.2.3.4:65536\n1.2.3.4:x\n<html>\n";
  HttpResponder server([&](const std::string& head) {
    if (head.rfind("GET /long", 0) == 0) return HttpResponder::Ok(long_answer);
    if (head.rfind("GET /huge", 0) == 0) return HttpResponder::Ok(huge);
    if (head.find("urlfile") != std::string::npos) return HttpResponder::Ok(caches_answer);
    return HttpResponder::Ok(hosts_answer);
  });
  auto wc = Make({server.Url("/long"), server.Url("/huge"), server.Url("/mixed")});
  wc->RequestHosts();
  ASSERT_TRUE(Settle(*wc));
  std::multiset<std::string> hosts;
  for (int i = 0; i < wc->Hosts->Count(); ++i) hosts.insert(wc->Hosts->Strings(i));
  EXPECT_EQ(hosts, (std::multiset<std::string>{"127.0.0.7:6346", "1.2.3.4:6346"}));
  wc->RequestUrls();
  ASSERT_TRUE(Settle(*wc));
  // Three answers, each adding what is new and well formed.
  ASSERT_EQ(wc->GWebCache->Count(), 5);
  EXPECT_EQ(wc->GWebCache->Strings(3), "http://good.example/gcache.php");
  EXPECT_EQ(wc->GWebCache->Strings(4), "http://two.example/g.php");
}

TEST(AnswerLines, ALineCutBetweenPiecesIsJoined) {
  const std::string answer = "http://a.example/x\r\n127.0.0.1:6346\r\nlast";
  for (std::size_t cut = 0; cut <= answer.size(); ++cut) {
    TAnswerLines lines;
    lines.Add(answer.substr(0, cut));
    lines.Add(answer.substr(cut));
    EXPECT_EQ(lines.Finish(), (std::vector<std::string>{"http://a.example/x", "127.0.0.1:6346", "last"})) << cut;
  }
  TAnswerLines capped;
  EXPECT_FALSE(capped.Add(std::string(kMaxWebCacheAnswer, 'z')));
  EXPECT_FALSE(capped.Add("\nmore\n"));
  EXPECT_EQ(capped.Finish().size(), 1u);
}

TEST_F(WebCacheTest, DestructionStopsRunningRequestsPromptly) {
  HttpResponder silent([](const std::string&) {
    return HttpResponder::Reply{"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n127.0", true};
  });
  std::vector<std::string> caches;
  for (int i = 0; i < 8; ++i) caches.push_back(silent.Url("/s" + std::to_string(i)));
  auto wc = Make(caches);
  wc->Start();
  ASSERT_TRUE(PumpUntil([&] { return silent.Requests().size() >= 5; }));
  auto start = std::chrono::steady_clock::now();
  wc.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  silent.Stop();
}

TEST_F(WebCacheTest, AHostLineReachesTheServent) {
  RawListener peer("127.0.0.5");
  HttpResponder cache([&](const std::string& head) {
    if (head.find("hostfile=1") != std::string::npos) {
      return HttpResponder::Ok("127.0.0.5:" + std::to_string(peer.port()) + "\r\n");
    }
    return HttpResponder::Ok("");
  });
  TGnutella* servent = MakeServent("127.0.0.2");
  auto* wc = dynamic_cast<TGWebCache*>(servent->WebCache);
  ASSERT_NE(wc, nullptr);
  wc->GWebCache->Clear();
  wc->GWebCache->Add(cache.Url("/gcache.php"));
  wc->ReloadPending = false;
  servent->AutoConnect = true;
  servent->MinConnections = 1;
  servent->Connect();
  std::unique_ptr<RawPeer> dialled;
  ASSERT_TRUE(PumpUntil([&] {
    CheckSynchronize();
    return servent->GetClientCount() > 0;
  }, 10s));
  dialled = peer.Accept();
  EXPECT_NE(dialled, nullptr);
}

}  // namespace
}  // namespace velko_test
