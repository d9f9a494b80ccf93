// Downloads and pops from scripted peers on 127.0.0.1: the request bytes,
// reply headers in pieces, where the range ends, refusals, the choices for
// an existing file, and the self-free.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "network/GnutellaClient.h"
#include "network_ui/GnutellaTransfer.h"
#include "tests/network_ui/transfer_fixture.h"

namespace velko_test {
namespace {

constexpr TGnutellaFileExitst kNoHandler = 255;

class DownloadTest : public TransferTest {
 protected:
  // A download from the peer on `port` into the folder's `save_as`.
  TGnutellaDownloadFile* NewDownload(std::uint16_t port, const std::string& save_as, TransferLog& log) {
    auto* d = new TGnutellaDownloadFile(nullptr);
    log.Attach(d);
    d->IP = "127.0.0.1";
    d->Port = port;
    d->SaveTo = Target(save_as);
    return d;
  }
  // One download of `name` from a peer that reads the request and answers
  // with `parts` (a short pause between them), then closes.
  void RunDownload(const std::vector<std::string>& parts, std::int64_t start = 0,
                   TGnutellaFileExitst choice = kNoHandler, const std::string& name = "song.mp3") {
    RunDownloads({parts}, start, choice, name);
  }
  // The same with one answer per connection (the last one for the rest).
  void RunDownloads(const std::vector<std::vector<std::string>>& answers, std::int64_t start = 0,
                    TGnutellaFileExitst choice = kNoHandler, const std::string& name = "song.mp3") {
    FetchWith(answers, start, choice, name);
    saved_ = ReadFile(Native("song.mp3"));
  }
  // RunDownloads without reading the file (which may be huge); each
  // connection only takes the request and the answer.
  void FetchWith(const std::vector<std::vector<std::string>>& answers, std::int64_t start = 0,
                 TGnutellaFileExitst choice = kNoHandler, const std::string& name = "song.mp3") {
    requests_.clear();
    LoopbackServer peer([&](LoopbackConnection& c) {
      c.SetNoDelay();
      std::string got = c.ReadUntil("\r\n\r\n");
      std::size_t n;
      {
        std::lock_guard<std::mutex> hold(mutex_);
        requests_.push_back(got);
        n = requests_.size();
      }
      for (const auto& part : answers[std::min(n, answers.size()) - 1]) {
        c.Write(part);
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
      }
    });
    log_ = TransferLog();
    auto* d = NewDownload(peer.port(), "song.mp3", log_);
    if (choice != kNoHandler) {
      d->OnFileExists = [choice](TComponent*, String&, TGnutellaFileExitst& info) { info = choice; };
    }
    d->FileIndex = 7;
    d->Filename = name;
    d->StartOffset = start;
    d->HitSize = hit_size_;
    d->Start();
    EXPECT_TRUE(PumpMessagesUntil([&] { return log_.disconnected || log_.errors > 0; }));
    stop_offset_ = d->StopOffset;
    delete d;
  }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> hold(mutex_);
    return requests_;
  }

  std::mutex mutex_;
  std::vector<std::string> requests_;
  TransferLog log_;
  std::string saved_;
  std::int64_t stop_offset_ = 0;
  std::int64_t hit_size_ = -1;
};

TEST_F(DownloadTest, SendsTheExactRequestAndStopsAtTheContentLength) {
  GnutellaClientOptions().UserAgent = "Velko/1.0";
  RunDownload({"HTTP/1.0 200 OK\r\nContent-Length: 10\r\nServer: peer\r\n\r\n0123456789EXTRA"}, 0, kNoHandler,
              "my song\x01.mp3");
  EXPECT_EQ(Requests().back(),
            "GET /get/7/my%20song%01.mp3 HTTP/1.0\r\nConnection: Keep-Alive\r\nRange: bytes=0-\r\n"
            "User-Agent: Velko/1.0\r\n\r\n");
  EXPECT_EQ(saved_, "0123456789");
  EXPECT_TRUE(log_.transfered);
  EXPECT_EQ(log_.errors, 0);
  // The events in their order: the body that came with the header is
  // written without a progress event, and the transfer ends before the
  // close is told.
  EXPECT_EQ(log_.entries, (std::vector<std::string>{"connect", "start", "transfered", "disconnect"}));
}

TEST_F(DownloadTest, AHeaderSplitAtAnyByteIsReadWhole) {
  const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 6\r\nContent-Type: audio/mpeg\r\n\r\nabcdef";
  for (std::size_t cut = 1; cut < reply.size(); ++cut) {
    RunDownload({reply.substr(0, cut), reply.substr(cut)});
    ASSERT_EQ(saved_, "abcdef") << "cut at " << cut;
    ASSERT_TRUE(log_.transfered) << "cut at " << cut;
  }
}

TEST_F(DownloadTest, TheRangeEndComesFromEachSource) {
  struct Case {
    std::vector<std::string> replies;  // one per request
    std::string kept;                  // what the file holds after
  } cases[] = {
      // A range that ends before the total is followed by a request for
      // the rest, from the next byte.
      {{"HTTP/1.0 206 Partial Content\r\nContent-Range: bytes 0-4/20\r\n\r\n0123456789",
        "HTTP/1.0 206 Partial Content\r\nContent-Range: bytes 5-19/20\r\n\r\n56789abcdefghij"},
       "0123456789abcdefghij"},
      {{"HTTP/1.0 200 OK\r\nContent-Range: bytes=0-2\r\n\r\nabcdef"}, "abc"},
      {{"HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nwxyz!!"}, "wxyz"},
      {{"HTTP/1.0 200 OK\r\n\r\nuntil the close"}, "until the close"},
      {{"HTTP 200 OK\r\nContent-Length: 3\r\n\r\nold"}, "old"},
      {{"HTTP 200\r\nContent-Length: 3\r\n\r\nold"}, "old"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(Native("song.mp3"));
    std::vector<std::vector<std::string>> answers;
    for (const auto& reply : c.replies) answers.push_back({reply});
    RunDownloads(answers);
    EXPECT_EQ(saved_, c.kept) << c.replies[0];
    EXPECT_TRUE(log_.transfered) << c.replies[0];
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), c.replies.size()) << c.replies[0];
    if (requests.size() > 1) {
      EXPECT_NE(requests[1].find("\r\nRange: bytes=5-\r\n"), std::string::npos);
    }
  }
}

// A peer that answers with no bytes of the file, on the first connection or
// on the one for the rest, is asked no more: the download ends with an error
// and what came before waits in the partial file.
TEST_F(DownloadTest, AReplyWithNoBytesEndsTheDownloadWithAnError) {
  const std::string chunk = "HTTP/1.0 206 Partial Content\r\nContent-Range: bytes 0-4/10\r\n\r\n01234";
  struct Case {
    std::vector<std::string> replies;  // one per request, the last for every later one
    std::int64_t hit_size;
    std::string partial;
  } cases[] = {
      {{"HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n"}, 10, ""},
      {{chunk, "HTTP/1.0 206 Partial Content\r\nContent-Length: 0\r\n\r\n"}, -1, "01234"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(Native("song.mp3.part"));
    std::vector<std::vector<std::string>> answers;
    for (const auto& reply : c.replies) answers.push_back({reply});
    hit_size_ = c.hit_size;
    FetchWith(answers);
    const std::string label = c.replies.back();
    EXPECT_EQ(Requests().size(), c.replies.size()) << label;
    EXPECT_EQ(log_.errors, 1) << label;
    EXPECT_FALSE(log_.transfered) << label;
    EXPECT_FALSE(std::filesystem::exists(Native("song.mp3"))) << label;
    EXPECT_TRUE(std::filesystem::exists(Native("song.mp3.part"))) << label;
    EXPECT_EQ(ReadFile(Native("song.mp3.part")), c.partial) << label;
  }
}

// A hit's size of 4294967295 says only that the file does not fit 32 bits:
// the replies tell the size, and the file completes only when whole. The
// resumes start from a sparse partial file just below 4 GiB.
TEST_F(DownloadTest, AnUnknownHitSizeLeavesTheSizeToTheReplies) {
  constexpr std::int64_t kUnknown = 4294967295;
  constexpr std::int64_t kResume = kUnknown - 5;
  const std::string range = "HTTP/1.0 206 Partial Content\r\nContent-Range: bytes ";
  struct Case {
    std::vector<std::string> replies;
    std::int64_t start;
    bool transfered;
    std::int64_t size;  // of the finished file, else of the partial file
    std::string tail;   // its bytes from `start` on
  } cases[] = {
      {{"HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n0123456789"}, 0, true, 10, "0123456789"},
      {{range + "4294967290-4294967294/4294967300\r\n\r\nabcde",
        range + "4294967295-4294967299/4294967300\r\n\r\nfghij"},
       kResume, true, 4294967300, "abcdefghij"},
      {{range + "4294967290-4294967294/5368709120\r\n\r\nabcde", "HTTP/1.0 503 Busy\r\n\r\n"},
       kResume, false, 4294967295, "abcde"},
  };
  hit_size_ = kUnknown;
  for (const auto& c : cases) {
    for (const char* name : {"song.mp3", "song.mp3.part"}) std::filesystem::remove(Native(name));
    if (c.start > 0) {
      folder_.WriteFile("song.mp3.part", "");
      std::filesystem::resize_file(Native("song.mp3.part"), static_cast<std::uintmax_t>(c.start));
    }
    std::vector<std::vector<std::string>> answers;
    for (const auto& reply : c.replies) answers.push_back({reply});
    FetchWith(answers, c.start, 0);
    const std::string label = c.replies.front();
    EXPECT_EQ(log_.transfered, c.transfered) << label;
    EXPECT_EQ(Requests().size(), c.replies.size()) << label;
    if (Requests().size() > 1) {
      EXPECT_NE(Requests()[1].find("\r\nRange: bytes=4294967295-\r\n"), std::string::npos) << label;
    }
    const std::string kept = Native(c.transfered ? "song.mp3" : "song.mp3.part");
    if (!std::filesystem::exists(kept)) {
      ADD_FAILURE() << "nothing kept: " << label;
      continue;
    }
    EXPECT_EQ(static_cast<std::int64_t>(std::filesystem::file_size(kept)), c.size) << label;
    std::ifstream in(kept, std::ios::binary);
    in.seekg(c.start);
    std::string tail(c.tail.size() + 1, '\0');
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    tail.resize(static_cast<std::size_t>(in.gcount()));
    EXPECT_EQ(tail, c.tail) << label;
  }
}

TEST_F(DownloadTest, BadNumbersAndMismatchedRangesAreRefusedWithTheFileUntouched) {
  const std::string replies[] = {
      "HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\nabc",
      "HTTP/1.0 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\nabc",
      "HTTP/1.0 206 Partial Content\r\nContent-Range: bytes 7-9/20\r\n\r\nabc",  // asked from 5
      "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabc",  // whole file for a resume
      "HTTP/1.0 206 Partial Content\r\nContent-Range: bytes 5-x/20\r\n\r\nabc",
  };
  for (const auto& reply : replies) {
    folder_.WriteFile("song.mp3", "12345");
    RunDownload({reply}, 5, 0);
    EXPECT_EQ(log_.errors, 1) << reply;
    EXPECT_FALSE(log_.transfered) << reply;
    EXPECT_EQ(saved_, "12345") << reply;
  }
}

TEST_F(DownloadTest, ErrorRepliesCarryThePeersCodeAndText) {
  struct Case {
    std::string reply;
    int code;
    std::string text;
  } cases[] = {
      {"HTTP/1.0 404 Not Found\r\n\r\n", 404, "Not Found"},
      {"HTTP/1.1 503 Busy Now\r\nRetry-After: 5\r\n\r\n", 503, "Busy Now"},
      {"GNUTELLA/0.6 200 OK\r\n\r\n", 503, "Could not start download"},
      {"HTTP/1.0 abc Odd\r\n\r\n", -1, "Odd"},
  };
  for (const auto& c : cases) {
    RunDownload({c.reply});
    EXPECT_EQ(log_.errors, 1) << c.reply;
    EXPECT_EQ(log_.error_code, c.code) << c.reply;
    EXPECT_EQ(log_.error_text, c.text) << c.reply;
    EXPECT_FALSE(std::filesystem::exists(Native("song.mp3")));
  }
}

TEST_F(DownloadTest, ARefusedConnectNamesItsCodeAndKind) {
  std::uint16_t port;
  {
    LoopbackServer gone([](LoopbackConnection&) {});
    port = gone.port();
  }
  TransferLog log;
  auto* d = NewDownload(port, "x.mp3", log);
  d->Start();
  ASSERT_TRUE(PumpMessagesUntil([&] { return log.errors > 0; }));
  EXPECT_EQ(log.error_code, 10061);
  EXPECT_NE(log.error_text.find("(10061 on connect)"), std::string::npos) << log.error_text;
  EXPECT_EQ(log.error_text.rfind("No connection could be made", 0), 0u) << log.error_text;
  delete d;
}

TEST_F(DownloadTest, TheChoiceForAnExistingFileIsFollowed) {
  struct Case {
    TGnutellaFileExitst choice;
    std::string kept;
  } cases[] = {{0, "OLDnew"}, {1, "new"}, {2, "OLD"}, {3, "new"}, {7, "OLD"}};
  for (const auto& c : cases) {
    folder_.WriteFile("song.mp3", "OLD");
    RunDownload({"HTTP/1.0 206 Partial Content\r\nContent-Range: bytes 3-5/6\r\n\r\nnew"}, 3, c.choice);
    EXPECT_EQ(saved_, c.kept) << int(c.choice);
    EXPECT_EQ(log_.errors, 0) << int(c.choice);
  }
  // No handler: overwrite.
  folder_.WriteFile("song.mp3", "OLD");
  RunDownload({"HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nnew"});
  EXPECT_EQ(saved_, "new");
}

TEST_F(DownloadTest, ASymbolicLinkAtTheTargetIsNeverWrittenThrough) {
  auto outside = folder_.WriteFile("outside/victim.txt", "keep");
  std::filesystem::create_symlink(outside, Native("song.mp3"));
  RunDownload({"HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nbad"});
  EXPECT_EQ(log_.errors, 1);
  EXPECT_EQ(ReadFile(outside), "keep");
}

TEST_F(DownloadTest, AFinishedDownloadFreesItselfOnce) {
  LoopbackServer peer([](LoopbackConnection& c) {
    c.ReadUntil("\r\n\r\n");
    c.Write("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
  });
  FreeWatch watch;
  TransferLog log;
  auto* d = NewDownload(peer.port(), "free.mp3", log);
  watch.Watch(d);
  d->FreeOnDisconnect = true;
  d->Start();
  ASSERT_TRUE(PumpMessagesUntil([&] { return watch.freed > 0; }));
  PumpMessagesFor(0.1);
  EXPECT_EQ(watch.freed, 1);
  EXPECT_TRUE(log.transfered);
  EXPECT_EQ(ReadFile(Native("free.mp3")), "ok");
}

TEST_F(DownloadTest, APopSendsItsRequestOnTheHandedOverSocketWithBlanksRaw) {
  GnutellaClientOptions().UserAgent = "Velko/1.0";
  SocketDesk desk;
  std::unique_ptr<LoopbackConnection> peer;
  TCustomWinSocket* socket = desk.Accept(&peer);
  ASSERT_NE(socket, nullptr);
  TransferLog log;
  auto* pop = new TGnutellaPopFile(nullptr);
  log.Attach(pop);
  pop->Socket = socket;
  pop->FileIndex = 3;
  pop->Filename = "a b.mp3";
  pop->SaveTo = Target("a b.mp3");
  pop->Start();
  std::string request;
  ASSERT_TRUE(PumpMessagesUntil([&] {
    request += peer->TakeAvailable();
    return request.find("\r\n\r\n") != std::string::npos;
  }));
  EXPECT_EQ(request,
            "GET /get/3/a b.mp3 HTTP/1.0\r\nConnection: Keep-Alive\r\nRange: bytes=0-\r\nUser-Agent: "
            "Velko/1.0\r\n\r\n");
  peer->Write("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello");
  ASSERT_TRUE(PumpMessagesUntil([&] { return log.disconnected; }));
  EXPECT_TRUE(log.transfered);
  EXPECT_EQ(pop->FileSize(), 5);
  EXPECT_EQ(ReadFile(Native("a b.mp3")), "hello");
  delete pop;
}

}  // namespace
}  // namespace velko_test
