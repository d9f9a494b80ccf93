// The serving side to scripted requesters on 127.0.0.1: exact replies for
// whole and partial ranges, refusals, a slow reader, and the push with its
// GIV line and the GET it waits for.
#include <gtest/gtest.h>

#include <thread>

#include "classlib/MessageHandling.h"
#include "network/GnutellaClient.h"
#include "network_ui/GnutellaTransfer.h"
#include "tests/network_ui/transfer_fixture.h"

namespace velko_test {
namespace {

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

class ServingTest : public TransferTest {
 protected:
  void SetUp() override {
    GnutellaClientOptions().UserAgent = "Velko/1.0";
    ApplicationHandleException = [this](TObject*) { ++escaped_; };
  }
  void TearDown() override { ApplicationHandleException = nullptr; }

  // Serves `file` for the range until the upload ends (by its disconnect
  // or an error) and returns everything the requester got. `prepare` runs
  // on both ends before the start, `started` right after it.
  using Ends = std::function<void(LoopbackConnection& peer, TCustomWinSocket* socket)>;
  std::string Upload(const std::string& file, std::int64_t start, std::int64_t stop, const Ends& prepare = {},
                     const std::function<void()>& started = {}) {
    std::unique_ptr<LoopbackConnection> peer;
    TCustomWinSocket* socket = desk_.Accept(&peer);
    EXPECT_NE(socket, nullptr);
    if (socket == nullptr) return "";
    if (prepare) prepare(*peer, socket);
    log_ = TransferLog();
    auto* up = new TGnutellaUploadFile(nullptr);
    log_.Attach(up);
    up->Socket = socket;
    up->Filename = file;
    up->StartOffset = start;
    up->StopOffset = stop;
    up->Start();
    if (started) started();
    std::string got;
    EXPECT_TRUE(PumpMessagesUntil(
        [&] {
          got += peer->TakeAvailable();
          return log_.disconnected || log_.errors > 0;
        },
        30));
    got += peer->ReadToClose(2);
    file_size_ = up->FileSize();
    delete up;
    return got;
  }

  SocketDesk desk_;
  TransferLog log_;
  std::int64_t file_size_ = 0;
  int escaped_ = 0;
};

TEST_F(ServingTest, WholeAndPartialRangesGetTheirExactReplies) {
  const std::string data = Pattern(100);
  folder_.WriteFile("shared.bin", data);
  folder_.WriteFile("empty.bin", "");
  struct Case {
    std::string file;
    std::int64_t start, stop;
    std::string head;
    std::string body;
  } cases[] = {
      {"shared.bin", 0, -1,
       "HTTP/1.0 200 OK\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\nContent-length: 100\r\n\r\n",
       data},
      {"shared.bin", 0, 99,
       "HTTP/1.0 200 OK\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\nContent-length: 100\r\n\r\n",
       data},
      {"shared.bin", 10, 19,
       "HTTP/1.0 206 Partial Content\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\n"
       "Content-length: 10\r\nContent-Range: bytes 10-19/100\r\n\r\n",
       data.substr(10, 10)},
      {"shared.bin", 50, -1,
       "HTTP/1.0 206 Partial Content\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\n"
       "Content-length: 50\r\nContent-Range: bytes 50-99/100\r\n\r\n",
       data.substr(50)},
      {"shared.bin", 90, 500,  // the end is clamped to the last byte
       "HTTP/1.0 206 Partial Content\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\n"
       "Content-length: 10\r\nContent-Range: bytes 90-99/100\r\n\r\n",
       data.substr(90)},
      {"empty.bin", 0, -1,  // served whole, and complete
       "HTTP/1.0 200 OK\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\nContent-length: 0\r\n\r\n",
       ""},
  };
  for (const auto& c : cases) {
    std::string got = Upload(Target(c.file), c.start, c.stop);
    EXPECT_EQ(got, c.head + c.body) << c.file << " " << c.start << "-" << c.stop;
    EXPECT_TRUE(log_.transfered) << c.file << " " << c.start << "-" << c.stop;
    EXPECT_EQ(log_.errors, 0);
    EXPECT_EQ(file_size_, static_cast<std::int64_t>(c.body.empty() ? 0 : 100));
  }
}

TEST_F(ServingTest, RefusalsCloseWithAnErrorAndNoBox) {
  folder_.WriteFile("shared.bin", Pattern(100));
  std::string got = Upload(Target("shared.bin"), 200, -1);
  EXPECT_EQ(got, "HTTP/1.0 416 Requested Range Not Satisfiable\r\nContent-Range: bytes */100\r\n\r\n");
  EXPECT_EQ(log_.error_code, 416);
  got = Upload("", 0, -1);  // an index that is not shared
  EXPECT_EQ(got, "HTTP/1.0 404 Not Found\r\n\r\n");
  EXPECT_EQ(log_.error_code, 404);
  EXPECT_EQ(log_.error_text, "Not Found");
  got = Upload(Target("missing.bin"), 0, -1);
  EXPECT_EQ(got, "HTTP/1.0 404 Not Found\r\n\r\n");
  EXPECT_EQ(escaped_, 0);
}

TEST_F(ServingTest, ASlowReaderGetsAnIdenticalFile) {
  const std::string data = Pattern(600 * 1024 + 17);
  folder_.WriteFile("big.bin", data);
  // The reader is so slow that its socket is already full when the reply
  // header goes out: the header still arrives whole, ahead of the file.
  std::string queued;
  std::string got = Upload(Target("big.bin"), 0, -1, [&](LoopbackConnection& peer, TCustomWinSocket* socket) {
    peer.SetReceiveBuffer(4096);
    int small = 4096;
    winsock::setsockopt(socket->SocketHandle(), winsock::SOL_SOCKET, winsock::SO_SNDBUF,
                        reinterpret_cast<const char*>(&small), sizeof small);
    const std::string fill(1024, 'x');
    for (int sent; (sent = socket->SendBuf(fill.data(), static_cast<int>(fill.size()))) > 0;) {
      queued.append(fill, 0, static_cast<std::size_t>(sent));
    }
  });
  const std::string head = "HTTP/1.0 200 OK\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\n"
                           "Content-length: " + std::to_string(data.size()) + "\r\n\r\n";
  EXPECT_TRUE(got == queued + head + data)
      << "got " << got.size() << " bytes, want " << queued.size() << " + " << head.size() << " + " << data.size()
      << "; after the fill: " << got.substr(queued.size(), 40);
  EXPECT_TRUE(log_.transfered);
}

TEST_F(ServingTest, AFileShorterThanItsRangeEndsWithAnError) {
  folder_.WriteFile("shrinks.bin", Pattern(50000));
  // Cut while being served.
  Upload(Target("shrinks.bin"), 0, -1, {}, [&] { std::filesystem::resize_file(Native("shrinks.bin"), 100); });
  EXPECT_FALSE(log_.transfered);
  EXPECT_EQ(log_.errors, 1);
}

class PushTest : public ServingTest {
 protected:
  // A push to a requester that answers the GIV with `requests`.
  void RunPush(const std::vector<std::string>& requests, const std::string& file, int index,
               std::string* giv_seen, std::string* reply_seen, UINT timeout = 3000) {
    std::string giv;
    std::string reply;
    LoopbackServer requester([&](LoopbackConnection& c) {
      c.SetNoDelay();
      giv = c.ReadUntil("\n\n");
      for (const auto& r : requests) {
        c.Write(r);
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
      }
      reply = c.ReadToClose(5);
    });
    log_ = TransferLog();
    auto* push = new TGnutellaPushFile(nullptr);
    log_.Attach(push);
    push->IP = "127.0.0.1";
    push->Port = requester.port();
    push->FileIndex = index;
    push->Filename = file;
    push->RequestTimeout = timeout;
    GUID id{};
    for (int i = 0; i < 16; ++i) reinterpret_cast<unsigned char*>(&id)[i] = static_cast<unsigned char>(0xA0 + i);
    push->SetServentID(id);
    push->Start();
    EXPECT_TRUE(PumpMessagesUntil([&] { return log_.disconnected || log_.errors > 0; }));
    // The requester reads to the close; after a refusal it may wait on.
    if (!requester.WaitHandled(1, log_.errors > 0 ? 0.5 : 5)) requester.Stop();
    ASSERT_TRUE(requester.WaitHandled(1));
    content_range_ = push->ContentRange();
    user_agent_ = push->UserAgent();
    delete push;
    *giv_seen = giv;
    *reply_seen = reply;
  }
  std::string content_range_;
  std::string user_agent_;
};

TEST_F(PushTest, SendsTheGivLineAndServesTheMatchingGet) {
  const std::string data = Pattern(300);
  folder_.WriteFile("My Song.mp3", data);
  std::string giv, reply;
  RunPush({"GET /get/4/My%20Song.mp3 HTTP/1.0\r\nRange: bytes=100-\r\nUser-Agent: Other/2\r\n\r\n"},
          Target("My Song.mp3"), 4, &giv, &reply);
  EXPECT_EQ(giv, "GIV 4:A0A1A2A3A4A5A6A7A8A9AAABACADAEAF/My Song.mp3\n\n");
  EXPECT_EQ(reply,
            "HTTP/1.0 206 Partial Content\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\n"
            "Content-length: 200\r\nContent-Range: bytes 100-299/300\r\n\r\n" +
                data.substr(100));
  EXPECT_EQ(content_range_, "bytes=100-");
  EXPECT_EQ(user_agent_, "Other/2");
  EXPECT_TRUE(log_.transfered);
}

TEST_F(PushTest, ARangeIsAlwaysNamedAndOnlyTheMatchingGetIsServed) {
  folder_.WriteFile("a.mp3", "abc");
  folder_.WriteFile("b.mp3", "data");
  struct Case {
    std::vector<std::string> requests;
    std::string file;
    int index;
    std::string reply;
  } cases[] = {
      // A whole-file reply still names its range; a GET may come in pieces.
      {{"GET /get/1/a.mp3 HTTP/1.0\r\n", "\r\n"}, "a.mp3", 1,
       "HTTP/1.0 200 OK\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\n"
       "Content-length: 3\r\nContent-Range: bytes 0-2/3\r\n\r\nabc"},
      // GETs for another index or another name are passed over.
      {{"GET /get/9/b.mp3 HTTP/1.0\r\n\r\n", "GET /get/2/other.mp3 HTTP/1.0\r\n\r\n", "GET /get/2/b.m",
        "p3 HTTP/1.0\r\nRange: bytes=1-\r", "\n\r\n"},
       "b.mp3", 2,
       "HTTP/1.0 206 Partial Content\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\n"
       "Content-length: 3\r\nContent-Range: bytes 1-3/4\r\n\r\nata"},
  };
  for (const auto& c : cases) {
    std::string giv, reply;
    RunPush(c.requests, Target(c.file), c.index, &giv, &reply);
    EXPECT_EQ(reply, c.reply) << c.file;
    EXPECT_EQ(log_.errors, 0) << c.file;
  }
}

TEST_F(PushTest, NoGetEndsWithAnErrorAfterTheWait) {
  folder_.WriteFile("c.mp3", "data");
  std::string giv, reply;
  RunPush({}, Target("c.mp3"), 1, &giv, &reply, 300);
  EXPECT_EQ(log_.errors, 1);
  EXPECT_EQ(log_.error_code, 408);
  EXPECT_EQ(reply, "");
}

}  // namespace
}  // namespace velko_test
