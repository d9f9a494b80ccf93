// The handshake options: the header block, the uptime text and the own
// address; the host list; the shared-file index; the address patterns.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/DateTime.h"
#include "network/Gnutella.h"
#include "platform/fs/drives.h"
#include "platform/net/adapters.h"
#include "tests/support/temp_dir.h"

namespace velko_test {
namespace {

TEST(ClientOptions, DefaultHeaderBlockInOrder) {
  TGnutellaClientOptions options;
  options.ListenIP = "192.0.2.7:6346";
  options.RemoteIP = "192.0.2.7";
  options.LiveSince = "03/04/2024";
  options.StartTime = Now();
  EXPECT_EQ(options.GetHandshakeHeaders(),
            "X-Ultrapeer: false\r\n"
            "X-Ultrapeer-Needed: true\r\n"
            "User-Agent: TGnutella 1.0\r\n"
            "Listen-IP: 192.0.2.7:6346\r\n"
            "Remote-IP: 192.0.2.7\r\n"
            "Uptime: 0D 0H 0M\r\n"
            "X-Live-Since: 03/04/2024\r\n"
            "X-Leaf-Max: 0\r\n"
            "\r\n");
}

TEST(ClientOptions, OptionalLinesAppearWhenSet) {
  TGnutellaClientOptions options;
  options.PongCaching = gpc0_1;
  options.QueryRouting = gqr0_1;
  options.GGEP = gGGEP0_5;
  options.Ultrapeer = true;
  options.Machine = "box";
  options.FPAuthChallenge = "XYZ";
  options.UserAgent = "";
  options.RemoteIP = "0.0.0.0";
  std::string headers = options.GetHandshakeHeaders();
  EXPECT_EQ(headers.rfind("Pong-Caching: 0.1\r\nX-Query-Routing: 0.1\r\nGGEP: 0.5\r\n"
                          "X-Ultrapeer: true\r\n",
                          0),
            0u);
  EXPECT_NE(headers.find("Machine: box\r\n"), std::string::npos);
  EXPECT_NE(headers.find("FPAuthChallenge: XYZ\r\n"), std::string::npos);
  EXPECT_EQ(headers.find("User-Agent:"), std::string::npos);
  EXPECT_EQ(headers.find("Remote-IP:"), std::string::npos);
  // The Listen-IP line carries the current port.
  options = TGnutellaClientOptions();
  options.ListenIP = "0.0.0.0:6346";
  options.ListenPort = 6346;
  EXPECT_EQ(options.GetHandshakeHeaders().find("Listen-IP:"), std::string::npos);
  options.ListenPort = 6347;
  EXPECT_NE(options.GetHandshakeHeaders().find("Listen-IP: 0.0.0.0:6347\r\n"), std::string::npos);
  options.ListenIP = "192.0.2.9:6346";
  options.ListenPort = 9999;
  EXPECT_NE(options.GetHandshakeHeaders().find("Listen-IP: 192.0.2.9:9999\r\n"), std::string::npos);
}

TEST(ClientOptions, UptimeInDaysHoursMinutes) {
  TGnutellaClientOptions options;
  options.StartTime = Now() - (1.0 + 2.0 / 24 + 3.0 / 1440);
  EXPECT_EQ(options.GetUptime(), "1D 2H 3M");
  options.StartTime = Now() + 59.0 / 1440;  // the difference counts either way
  EXPECT_EQ(options.GetUptime(), "0D 0H 59M");
}

TEST(ClientOptions, LocalAddressPrefersTheLastDialUpAdapter) {
  platform::AdapterDescription lan;
  lan.name = "eth0";
  lan.type = MIB_IF_TYPE_ETHERNET;
  lan.addresses = {{"192.0.2.10", "255.255.255.0"}};
  platform::AdapterDescription ppp1 = lan;
  ppp1.type = MIB_IF_TYPE_PPP;
  ppp1.addresses = {{"198.51.100.1", "255.255.255.255"}};
  platform::AdapterDescription ppp2 = ppp1;
  ppp2.addresses = {{"198.51.100.2", "255.255.255.255"}};
  platform::SetAdapterSource([&] { return std::vector{lan, ppp1}; });
  EXPECT_EQ(GetLocalIP(), "198.51.100.1");
  platform::SetAdapterSource([&] { return std::vector{lan}; });
  EXPECT_EQ(GetLocalIP(), "192.0.2.10");
  platform::SetAdapterSource([&] { return std::vector{ppp1, ppp2, lan}; });
  EXPECT_EQ(GetLocalIP(), "198.51.100.2");
  // More adapters than the buffer of 2640 bytes holds: the host name's own
  // address stays.
  platform::SetAdapterSource([&] { return std::vector{lan, lan, lan, lan, lan, lan}; });
  std::vector<String> own = GetHostAddresses();
  ASSERT_FALSE(own.empty());
  EXPECT_EQ(GetLocalIP(), own.front());
  platform::SetAdapterSource(nullptr);
}

TEST(HostList, TakingAddingAndInserting) {
  TIPManager hosts;
  EXPECT_EQ(hosts.GetHost(), "");
  hosts.AddHost("127.0.0.2:1");
  hosts.AddHost("127.0.0.3:2");
  hosts.AddHost("127.0.0.2:1");
  hosts.InsertHost("127.0.0.4:3");
  hosts.InsertHost("127.0.0.3:2");
  ASSERT_EQ(hosts.Hosts.Count(), 3);
  EXPECT_EQ(hosts.GetHost(), "127.0.0.4:3");
  EXPECT_EQ(hosts.GetHost(), "127.0.0.2:1");
  EXPECT_EQ(hosts.GetHost(), "127.0.0.3:2");
  EXPECT_EQ(hosts.GetHost(), "");
  // The file is only read when it exists and only written with a name.
  TempDir folder;
  TIPManager named;
  named.FileName = platform::PlatformPath((folder / "TGNU.ips").string()).value();
  named.LoadFromFile();
  EXPECT_EQ(named.Hosts.Count(), 0);
  named.AddHost("127.0.0.2:6346");
  named.SaveToFile();
  EXPECT_EQ(ReadFile(folder / "TGNU.ips"), "127.0.0.2:6346\r\n");
  TIPManager nameless;
  nameless.AddHost("127.0.0.9:1");
  nameless.SaveToFile();  // nothing to write to, nothing happens
  TIPManager again;
  again.FileName = named.FileName;
  again.LoadFromFile();
  ASSERT_EQ(again.Hosts.Count(), 1);
  EXPECT_EQ(again.Hosts.Strings(0), "127.0.0.2:6346");
}

class SharedFilesTest : public ::testing::Test {
 protected:
  String Add(const std::string& name, std::size_t size, const String& extra = "") {
    auto native = folder_.WriteFile(name, std::string(size, 's')).string();
    String path = platform::PlatformPath(native).value();
    EXPECT_TRUE(files_.AddFile(path, extra));
    return path;
  }
  TempDir folder_;
  TGnutellaSharedFiles files_{nullptr};
};

TEST_F(SharedFilesTest, SearchMatchesNamesIgnoringCaseAsOneSubstring) {
  Add("Michael - BEAT it.mp3", 10);
  Add("beat.ogg", 20, "extra words");
  Add("be at.mp3", 30);
  std::vector<BYTE> block;
  TGnutellaSearchStats stats;
  ASSERT_TRUE(files_.Search("Beat", block, stats));
  EXPECT_EQ(stats.Count, 2);
  EXPECT_EQ(stats.Length, static_cast<int>(block.size()));
  EXPECT_EQ(block.size(), 10u + 21u + 10u + 8u + 11u);
  std::vector<BYTE> payload(11, 0);
  payload[0] = 2;
  payload.insert(payload.end(), block.begin(), block.end());
  payload.insert(payload.end(), 16, 0);
  TQueryHitFields hit;
  ASSERT_TRUE(ReadQueryHit(payload.data(), payload.size(), &hit));
  EXPECT_EQ(hit.Results[0].FileName, "Michael - BEAT it.mp3");
  EXPECT_EQ(hit.Results[0].FileIndex, 0u);
  EXPECT_EQ(hit.Results[1].FileSize, 20u);
  EXPECT_EQ(hit.Results[1].Extra, "extra words");
  EXPECT_FALSE(files_.Search("beatles", block, stats));
  EXPECT_TRUE(block.empty());
}

TEST_F(SharedFilesTest, FolderNamesAreNeitherSearchedNorAnnounced) {
  String path = Add("beat folder/song.mp3", 5);
  std::vector<BYTE> block;
  TGnutellaSearchStats stats;
  EXPECT_FALSE(files_.Search("beat", block, stats));
  ASSERT_TRUE(files_.Search("song", block, stats));
  std::string text(block.begin() + 8, block.end());
  EXPECT_EQ(text.find("folder"), std::string::npos);
  EXPECT_EQ(files_.GetFileName(0), path);
}

TEST_F(SharedFilesTest, AtMostTwoHundredFiftyFiveResults) {
  for (int i = 0; i < 300; ++i) Add("hit " + std::to_string(i), 1);
  std::vector<BYTE> block;
  TGnutellaSearchStats stats;
  ASSERT_TRUE(files_.Search("HIT", block, stats));
  EXPECT_EQ(stats.Count, 255);
  EXPECT_EQ(files_.Results[254].FileIndex, 254u);
}

TEST_F(SharedFilesTest, IndexesAreNeverReusedAndTotalsOnlyGrow) {
  String first = Add("a.mp3", 1000);
  Add("b.mp3", 3000);
  EXPECT_TRUE(files_.RemoveFile(first));
  EXPECT_FALSE(files_.RemoveFile(first));
  EXPECT_EQ(files_.Count(), 1);
  std::vector<BYTE> block;
  TGnutellaSearchStats stats;
  ASSERT_TRUE(files_.Search(".MP3", block, stats));  // what is left is still found
  EXPECT_EQ(stats.Count, 1);
  EXPECT_EQ(files_.TotalSize(), 4000u);
  EXPECT_EQ(files_.TotalKilobytes(), 3u);
  String third = Add("c.mp3", 1);
  EXPECT_EQ(files_.Entries.back()->FileIndex, 2u);
  EXPECT_EQ(files_.GetFileName(2), third);
  EXPECT_EQ(files_.GetFileName(0), "");
  EXPECT_FALSE(files_.AddFile("Z:\\no\\such\\file.mp3", ""));
}

TEST(AddressPatterns, LocalRanges) {
  for (const char* local : {"0.1.2.3", "10.0.0.1", "127.0.0.1", "192.168.1.1", "172.16.0.1",
                            "172.20.1.1", "172.31.255.255"}) {
    EXPECT_TRUE(IsLocalAddress(local)) << local;
  }
  for (const char* remote : {"172.32.1.1", "172.15.0.1", "11.0.0.1", "192.169.0.1", "8.8.8.8"}) {
    EXPECT_FALSE(IsLocalAddress(remote)) << remote;
  }
}

TEST(AddressPatterns, WildcardsAndWhatTheServentDials) {
  for (auto [text, pattern] : {std::pair{"abc", "a*"}, {"abc", "a?c"}, {"a.b.c", "a.*.c"}, {"ab", "ab*"}}) {
    EXPECT_TRUE(MatchWildcard(text, pattern)) << pattern;
  }
  EXPECT_FALSE(MatchWildcard("abc", "abd"));
  EXPECT_FALSE(MatchWildcard("ab", "abc"));
  for (const char* dotted : {"127.0.0.2", "  127.0.0.2", "255.255.255.255"}) EXPECT_TRUE(IsDottedAddress(dotted));
  for (const char* other : {"localhost", "127.1", "300.0.0.1", "1.2.3.4.5"}) EXPECT_FALSE(IsDottedAddress(other));
}

}  // namespace
}  // namespace velko_test
