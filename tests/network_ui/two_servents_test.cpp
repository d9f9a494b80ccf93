// Servents on 127.0.0.0/8, each the test servent program running the real
// classes: links and downloads through a SOCKS proxy, and what a servent
// serves for a GET (only its index's file, right at offsets past 4 GiB).
// The window's own tests run a search, a download, an upload and a push
// against one such servent.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/network_ui/transfer_fixture.h"
#include "tests/support/loopback_server.h"
#include "tests/support/servent_process.h"
#include "tests/support/socks_server.h"
#include "tests/support/temp_dir.h"

namespace velko_test {
namespace {

class TwoServentsTest : public ::testing::Test {
 protected:
  struct Side {
    TempDir share, download, home;
    std::unique_ptr<ServentProcess> process;
  };
  void Start(Side& side, const std::string& address, int socks = 0) {
    ServentProcess::Options options;
    options.address = address;
    options.share = side.share.path().string();
    options.download = side.download.path().string();
    options.home = side.home.path().string();
    options.socks = socks;
    side.process = std::make_unique<ServentProcess>(options);
    ASSERT_TRUE(side.process->Started());
    ASSERT_NE(side.process->WaitFor("ready"), "");
  }
  Side a_, b_;
};

TEST_F(TwoServentsTest, LinksAndDownloadsGoThroughASocksProxy) {
  SocksServer proxy({});
  const std::string data = RandomBytes(200 * 1024, 4);
  a_.share.WriteFile("proxied.mp3", data);
  Start(a_, "127.0.0.2");
  Start(b_, "127.0.0.3", proxy.port());
  b_.process->Send("connect 127.0.0.2 " + std::to_string(a_.process->port()));
  ASSERT_NE(b_.process->WaitFor("login"), "");
  ASSERT_NE(a_.process->WaitFor("login"), "");
  b_.process->Send("search proxied");
  auto hit = Words(b_.process->WaitFor("hit "));
  ASSERT_GE(hit.size(), 7u);
  b_.process->Send("download 127.0.0.2 " + hit[2] + " " + hit[3] + " proxied.mp3");
  ASSERT_NE(b_.process->WaitFor("download transfered"), "");
  EXPECT_TRUE(ReadFile(b_.download / "proxied.mp3") == data);
  EXPECT_EQ(proxy.Tunnels(), 2);  // the link and the download
}

TEST_F(TwoServentsTest, AGetNamingAnotherPathGetsOnlyItsIndexsFile) {
  a_.share.WriteFile("first.mp3", "the shared file");
  Start(a_, "127.0.0.2");
  auto peer = LoopbackConnection::Dial(static_cast<std::uint16_t>(a_.process->port()), "127.0.0.2");
  ASSERT_NE(peer, nullptr);
  peer->Write("GET /get/0/../../etc/passwd HTTP/1.0\r\nRange: bytes=0-\r\n\r\n");
  std::string reply = peer->ReadToClose(10);
  EXPECT_EQ(reply.rfind("HTTP/1.0 200 OK\r\n", 0), 0u) << reply;
  EXPECT_EQ(reply.substr(reply.find("\r\n\r\n") + 4), "the shared file");
  auto other = LoopbackConnection::Dial(static_cast<std::uint16_t>(a_.process->port()), "127.0.0.2");
  other->Write("GET /get/5/first.mp3 HTTP/1.0\r\n\r\n");
  EXPECT_EQ(other->ReadToClose(10), "HTTP/1.0 404 Not Found\r\n\r\n");
}

TEST_F(TwoServentsTest, AFileOverFourGigabytesIsServedRightAtEveryOffset) {
  // A sparse file of 5 GiB with a marker at each offset asked for.
  const std::int64_t size = std::int64_t{5} << 30;
  const std::int64_t at31 = std::int64_t{1} << 31, at32 = std::int64_t{1} << 32;
  const std::filesystem::path huge = a_.share / "huge.bin";
  {
    std::ofstream out(huge, std::ios::binary);
    for (std::int64_t at : {at31, at32, at32 + 100}) {
      out.seekp(at);
      out << "<" << at << ">";
    }
  }
  std::filesystem::resize_file(huge, static_cast<std::uintmax_t>(size));
  Start(a_, "127.0.0.2");
  struct Case {
    std::string range;
    std::string head;  // the status line and the Content-Range line
    std::int64_t first;
    std::size_t count;  // body bytes compared (and, for a closed range, all of them)
  } cases[] = {
      {"2147483648-", "206 Partial Content|Content-Range: bytes 2147483648-5368709119/5368709120", at31, 16},
      {"4294967296-", "206 Partial Content|Content-Range: bytes 4294967296-5368709119/5368709120", at32, 16},
      {"4294967396-4294967495", "206 Partial Content|Content-Range: bytes 4294967396-4294967495/5368709120",
       at32 + 100, 100},
      {"5368709120-", "416 Requested Range Not Satisfiable|Content-Range: bytes */5368709120", 0, 0},
  };
  std::ifstream in(huge, std::ios::binary);
  for (const auto& c : cases) {
    auto peer = LoopbackConnection::Dial(static_cast<std::uint16_t>(a_.process->port()), "127.0.0.2");
    ASSERT_NE(peer, nullptr);
    peer->Write("GET /get/0/huge.bin HTTP/1.0\r\nRange: bytes=" + c.range + "\r\n\r\n");
    const std::string head = peer->ReadUntil("\r\n\r\n", 10, 4096);
    const std::string status = c.head.substr(0, c.head.find('|'));
    EXPECT_EQ(head.rfind("HTTP/1.0 " + status + "\r\n", 0), 0u) << c.range << "\n" << head;
    EXPECT_NE(head.find("\r\n" + c.head.substr(c.head.find('|') + 1) + "\r\n"), std::string::npos)
        << c.range << "\n" << head;
    const std::string body = peer->ReadExactly(c.count);
    std::string expected(c.count, '\0');
    in.seekg(c.first);
    in.read(expected.data(), static_cast<std::streamsize>(c.count));
    EXPECT_TRUE(body == expected) << c.range;
    // Only what the case needs is read: a servent that sends on past a
    // closed range (gigabytes, at a wrong offset) is stopped at once.
    if (c.range.back() != '-' || c.count == 0) {
      EXPECT_EQ(peer->ReadToCloseUpTo(0, 10).size(), 0u) << c.range;
    }
  }
}

}  // namespace
}  // namespace velko_test
