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

  // Serves `file` for the range and returns everything the requester got.
  std::string Upload(const std::string& file, std::int64_t start, std::int64_t stop) {
    std::unique_ptr<LoopbackConnection> peer;
    TCustomWinSocket* socket = desk_.Accept(&peer);
    EXPECT_NE(socket, nullptr);
    log_ = TransferLog();
    auto* up = new TGnutellaUploadFile(nullptr);
    log_.Attach(up);
    up->Socket = socket;
    up->Filename = file;
    up->StartOffset = start;
    up->StopOffset = stop;
    up->Start();
    std::string got;
    EXPECT_TRUE(Pump([&] {
      got += peer->TakeAvailable();
      return log_.disconnected;
    }));
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
  const std::string file = Target("shared.bin");
  struct Case {
    std::int64_t start, stop;
    std::string head;
    std::string body;
  } cases[] = {
      {0, -1,
       "HTTP/1.0 200 OK\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\nContent-length: 100\r\n\r\n",
       data},
      {0, 99,
       "HTTP/1.0 200 OK\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\nContent-length: 100\r\n\r\n",
       data},
      {10, 19,
       "HTTP/1.0 206 Partial Content\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\n"
       "Content-length: 10\r\nContent-Range: bytes 10-19/100\r\n\r\n",
       data.substr(10, 10)},
      {50, -1,
       "HTTP/1.0 206 Partial Content\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\n"
       "Content-length: 50\r\nContent-Range: bytes 50-99/100\r\n\r\n",
       data.substr(50)},
      {90, 500,  // the end is clamped to the last byte
       "HTTP/1.0 206 Partial Content\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\n"
       "Content-length: 10\r\nContent-Range: bytes 90-99/100\r\n\r\n",
       data.substr(90)},
  };
  for (const auto& c : cases) {
    std::string got = Upload(file, c.start, c.stop);
    EXPECT_EQ(got, c.head + c.body) << c.start << "-" << c.stop;
    EXPECT_TRUE(log_.transfered) << c.start << "-" << c.stop;
    EXPECT_EQ(log_.errors, 0);
    EXPECT_EQ(file_size_, 100);
  }
}

TEST_F(ServingTest, AnEmptyFileIsServedWhole) {
  folder_.WriteFile("empty.bin", "");
  std::string got = Upload(Target("empty.bin"), 0, -1);
  EXPECT_EQ(got,
            "HTTP/1.0 200 OK\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\nContent-length: 0\r\n\r\n");
  EXPECT_TRUE(log_.transfered);
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
  std::unique_ptr<LoopbackConnection> peer;
  TCustomWinSocket* socket = desk_.Accept(&peer);
  ASSERT_NE(socket, nullptr);
  peer->SetReceiveBuffer(4096);
  int small = 4096;
  winsock::setsockopt(socket->SocketHandle(), winsock::SOL_SOCKET, winsock::SO_SNDBUF,
                      reinterpret_cast<const char*>(&small), sizeof small);
  TransferLog log;
  auto* up = new TGnutellaUploadFile(nullptr);
  log.Attach(up);
  up->Socket = socket;
  up->Filename = Target("big.bin");
  up->StartOffset = 0;
  up->StopOffset = -1;
  up->Start();
  std::string got;
  ASSERT_TRUE(Pump(
      [&] {
        got += peer->TakeAvailable();
        return log.disconnected;
      },
      30));
  got += peer->ReadToClose(2);
  std::size_t body = got.find("\r\n\r\n");
  ASSERT_NE(body, std::string::npos);
  EXPECT_TRUE(got.substr(body + 4) == data) << "sizes " << got.size() - body - 4 << " " << data.size();
  EXPECT_TRUE(log.transfered);
  delete up;
}

TEST_F(ServingTest, AFileShorterThanItsRangeEndsWithAnError) {
  folder_.WriteFile("shrinks.bin", Pattern(50000));
  std::unique_ptr<LoopbackConnection> peer;
  TCustomWinSocket* socket = desk_.Accept(&peer);
  ASSERT_NE(socket, nullptr);
  TransferLog log;
  auto* up = new TGnutellaUploadFile(nullptr);
  log.Attach(up);
  up->Socket = socket;
  up->Filename = Target("shrinks.bin");
  up->Start();
  std::filesystem::resize_file(Native("shrinks.bin"), 100);  // cut while being served
  ASSERT_TRUE(Pump([&] {
    peer->TakeAvailable();
    return log.errors > 0 || log.disconnected;
  }));
  EXPECT_FALSE(log.transfered);
  EXPECT_EQ(log.errors, 1);
  delete up;
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
    EXPECT_TRUE(Pump([&] { return log_.disconnected || log_.errors > 0; }));
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

TEST_F(PushTest, AWholeFilePushStillNamesItsRange) {
  folder_.WriteFile("a.mp3", "abc");
  std::string giv, reply;
  RunPush({"GET /get/1/a.mp3 HTTP/1.0\r\n", "\r\n"}, Target("a.mp3"), 1, &giv, &reply);
  EXPECT_EQ(reply,
            "HTTP/1.0 200 OK\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\n"
            "Content-length: 3\r\nContent-Range: bytes 0-2/3\r\n\r\nabc");
}

TEST_F(PushTest, AGetForAnotherFileIsIgnoredAndASplitGetIsRead) {
  folder_.WriteFile("b.mp3", "data");
  std::string giv, reply;
  RunPush({"GET /get/9/b.mp3 HTTP/1.0\r\n\r\n", "GET /get/2/other.mp3 HTTP/1.0\r\n\r\n", "GET /get/2/b.m",
           "p3 HTTP/1.0\r\nRange: bytes=1-\r", "\n\r\n"},
          Target("b.mp3"), 2, &giv, &reply);
  EXPECT_EQ(reply,
            "HTTP/1.0 206 Partial Content\r\nServer: Velko/1.0\r\nContent-type: application/binary\r\n"
            "Content-length: 3\r\nContent-Range: bytes 1-3/4\r\n\r\nata");
  EXPECT_EQ(log_.errors, 0);
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
