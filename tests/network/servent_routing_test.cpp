// Servents on loopback routing descriptors: searches across three
// servents, pings and their pongs, duplicates, pushes and the counters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fs/drives.h"
#include "tests/network/network_fixture.h"

namespace velko_test {
namespace {

using namespace std::chrono_literals;

class RoutingScenarioTest : public ServentTest {
 protected:
  // A - B - C, with C sharing files from a folder of its own.
  void BuildChain() {
    a_ = MakeServent("127.0.0.2");
    b_ = MakeServent("127.0.0.3");
    c_ = MakeServent("127.0.0.4");
    ASSERT_TRUE(Link(a_, b_, "127.0.0.3"));
    ASSERT_TRUE(Link(b_, c_, "127.0.0.4"));
    a_->OnSearchResult = [this](TObject*, const String&, const GUID&, const String& file_ip, int port, DWORD speed,
                                const GUID& servent, DWORD index, DWORD size, const String& name,
                                const String& extra) {
      results_.push_back(file_ip + ":" + std::to_string(port) + " speed " + std::to_string(speed) + " from " +
                         platform::GuidToText(servent) + ": #" + std::to_string(index) + " " +
                         std::to_string(size) + " " + name + "|" + extra);
    };
  }
  String Share(TGnutella* servent, const std::string& name, std::size_t size) {
    auto path = files_.WriteFile(name, std::string(size, 'x'));
    // The program shares platform paths ("Z:\\tmp\\...").
    String file = platform::PlatformPath(path.string()).value_or(path.string());
    servent->AddShare(file);
    return file;
  }

  TempDir files_;
  TGnutella* a_ = nullptr;
  TGnutella* b_ = nullptr;
  TGnutella* c_ = nullptr;
  std::vector<std::string> results_;  // "address:port speed N from {servent}: #index size name|extra"
};

TEST_F(RoutingScenarioTest, QueryReachesTheFarServentAndItsHitComesBack) {
  BuildChain();
  Share(c_, "other.txt", 10);
  Share(c_, "Beat It.mp3", 1234);
  Share(b_, "nothing here.ogg", 5);
  c_->LineSpeed = 300;
  GnutellaClientOptions().RemoteIP = "127.0.0.4";
  std::vector<String> seen;  // on the way, as an event
  c_->OnQuery = [&](TObject*, const String&, const GUID&, int min_speed, const String& text) {
    seen.push_back(text + " " + std::to_string(min_speed));
  };
  a_->MinSpeed = 56;
  a_->Search("beat");
  ASSERT_TRUE(PumpUntil([&] { return !results_.empty(); }));
  PumpFor(50ms);
  EXPECT_EQ(seen, std::vector<String>{"beat 56"});
  // The second file C added, by its name only, never C's folder.
  EXPECT_EQ(results_, std::vector<std::string>{"127.0.0.4:" + std::to_string(port_) + " speed 300 from " +
                                               platform::GuidToText(c_->ServentGUID) + ": #1 1234 Beat It.mp3|"});
  // The index leads C back to the full path.
  EXPECT_EQ(c_->GetSharedFileName(1),
            platform::PlatformPath((files_ / "Beat It.mp3").string()).value_or(""));
  EXPECT_EQ((Counts{a_->QueriesSent, a_->QueryHitsReceived, a_->QueryHitsDropped}), (Counts{1, 1, 0}));
  EXPECT_EQ((Counts{b_->QueriesReceived, b_->QueriesForwarded, b_->QueryHitsReceived, b_->QueryHitsRouted,
                    b_->QueryHitsSent}),
            (Counts{1, 1, 1, 1, 0}));
  EXPECT_EQ((Counts{c_->QueriesReceived, c_->QueriesForwarded, c_->QueryHitsSent}), (Counts{1, 1, 1}));
}

TEST_F(RoutingScenarioTest, BlockedLocalResultsAreCountedAsDropped) {
  BuildChain();
  Share(c_, "beat.mp3", 10);
  a_->BlockLocalSearchResults = true;
  GnutellaClientOptions().RemoteIP = "127.0.0.4";
  a_->Search("beat");
  ASSERT_TRUE(PumpUntil([&] { return a_->QueryHitsDropped == 1; }));
  EXPECT_TRUE(results_.empty());
}

TEST_F(RoutingScenarioTest, PingWithTtlOneIsAnsweredButNotForwarded) {
  BuildChain();
  a_->TTL = 1;
  std::vector<String> pongs;
  a_->OnPong = [&](TObject*, const String&, const GUID&, const String& ip, int port, DWORD files,
                   DWORD kilobytes) {
    EXPECT_EQ(port, port_);
    EXPECT_EQ(files, 0u);
    EXPECT_EQ(kilobytes, 0u);
    pongs.push_back(ip);
  };
  a_->SendPing();
  ASSERT_TRUE(PumpUntil([&] { return pongs.size() == 1; }));
  PumpFor(50ms);
  EXPECT_EQ(pongs.size(), 1u);
  EXPECT_EQ((Counts{a_->PingsSent, a_->PongsReceived}), (Counts{1, 1}));
  // B accepts it (counted as forwarded), but its TTL ends there.
  EXPECT_EQ((Counts{b_->PingsReceived, b_->PongsSent, b_->PingsForwarded, c_->PingsReceived}), (Counts{1, 1, 1, 0}));
}

TEST_F(RoutingScenarioTest, PongsOfTheFarServentAreRoutedBack) {
  BuildChain();
  Share(c_, "a.bin", 4096);
  Share(c_, "b.bin", 2048);
  int pongs = 0;
  a_->OnPong = [&](TObject*, const String&, const GUID&, const String&, int, DWORD files,
                   DWORD kilobytes) {
    // B shares nothing; C shares two files of 6 KiB together.
    if (files == 2) {
      EXPECT_EQ(kilobytes, 6u);
    }
    ++pongs;
  };
  a_->SendPing();
  ASSERT_TRUE(PumpUntil([&] { return pongs == 2; }));
  EXPECT_EQ((Counts{b_->PingsForwarded, b_->PongsRouted, c_->PingsReceived, c_->PongsSent}), (Counts{1, 1, 1, 1}));
}

TEST_F(RoutingScenarioTest, DuplicatePingsAreAnsweredPerLinkAndForwardedOnce) {
  TGnutella* b = MakeServent("127.0.0.3");
  TGnutella* c = MakeServent("127.0.0.4");
  ASSERT_TRUE(Link(b, c, "127.0.0.4"));
  RawPeer first, second;
  for (RawPeer* peer : {&first, &second}) ASSERT_TRUE(Login04(*peer, "127.0.0.3"));
  GUID ping = NewGuid();
  first.Send(PingBytes(ping, 5));
  ASSERT_TRUE(first.ReadAtLeast(37));
  second.Send(PingBytes(ping, 5));
  ASSERT_TRUE(second.ReadAtLeast(37));
  ASSERT_TRUE(PumpUntil([&] { return c->PingsReceived == 1; }));
  PumpFor(50ms);
  EXPECT_EQ(c->PingsReceived, 1u);
  EXPECT_EQ((Counts{b->PingsReceived, b->PongsSent, b->PingsForwarded, b->PingsDropped}), (Counts{2, 2, 1, 1}));
  // Each asker got B's pong with its ping's GUID; C's pong to the
  // forwarded ping goes back to the first asker only.
  ASSERT_TRUE(PumpUntil([&] { return b->PongsRouted == 1; }));
  PumpFor(50ms);
  first.Drain();
  second.Drain();
  auto pongs_in = [&](const std::string& stream) {
    int pongs = 0;
    for (const std::string& d : SplitDescriptors(stream)) {
      if (HeaderOf(d).PayloadType != gdPong) continue;
      EXPECT_TRUE(IsEqualGUID(HeaderOf(d).DescriptorID, ping));
      ++pongs;
    }
    return pongs;
  };
  EXPECT_EQ(pongs_in(first.received), 2);
  EXPECT_EQ(pongs_in(second.received), 1);
}

TEST_F(RoutingScenarioTest, PushForOwnFileIsRaisedOnceOverTwoPaths) {
  TGnutella* servent = MakeServent("127.0.0.3");
  String shared = Share(servent, "song.mp3", 100);
  RawPeer first, second;
  for (RawPeer* peer : {&first, &second}) ASSERT_TRUE(Login04(*peer, "127.0.0.3"));
  // A search from the first peer makes the servent send a hit with its GUID.
  first.Send(QueryBytes(NewGuid(), 3, "song"));
  ASSERT_TRUE(PumpUntil([&] { return servent->QueryHitsSent == 1; }));
  std::vector<std::tuple<String, int, String, DWORD>> pushes;
  servent->OnPush = [&](TObject*, const String&, const GUID&, const String& ip, int port,
                        const String& name, DWORD index, const GUID& id) {
    EXPECT_TRUE(IsEqualGUID(id, servent->ServentGUID));
    pushes.push_back({ip, port, name, index});
  };
  TPushFields fields;
  fields.ServentID = servent->ServentGUID;
  fields.FileIndex = 0;
  fields.Address = winsock::inet_addr("127.0.0.7");
  fields.Port = 6999;
  std::string push = Bytes(BuildPush(NewGuid(), 3, fields));
  first.Send(push);
  second.Send(push);
  ASSERT_TRUE(PumpUntil([&] { return servent->PushesReceived == 2; }));
  EXPECT_EQ(pushes, (std::vector<std::tuple<String, int, String, DWORD>>{{"127.0.0.7", 6999, shared, 0}}));
  EXPECT_EQ(servent->PushesDropped, 1u);
}

// A push names any address to dial: only one for a file this servent shares
// reaches the window; the others are counted as refused.
TEST_F(RoutingScenarioTest, PushForAFileNotSharedIsRefusedAndCounted) {
  TGnutella* servent = MakeServent("127.0.0.3");
  Share(servent, "song.mp3", 100);
  String removed = Share(servent, "gone.mp3", 100);
  servent->RemoveShare(removed);
  RawPeer peer;
  ASSERT_TRUE(Login04(peer, "127.0.0.3"));
  peer.Send(QueryBytes(NewGuid(), 3, "song"));
  ASSERT_TRUE(PumpUntil([&] { return servent->QueryHitsSent == 1; }));
  std::vector<DWORD> raised;
  servent->OnPush = [&](TObject*, const String&, const GUID&, const String&, int, const String&, DWORD index,
                        const GUID&) { raised.push_back(index); };
  // Index 1 was shared and removed; 7 never was; 0 is shared.
  for (DWORD index : {1u, 7u, 0u}) {
    TPushFields fields;
    fields.ServentID = servent->ServentGUID;
    fields.FileIndex = index;
    fields.Address = winsock::inet_addr("127.0.0.7");
    fields.Port = 6999;
    peer.Send(Bytes(BuildPush(NewGuid(), 3, fields)));
  }
  ASSERT_TRUE(PumpUntil([&] { return servent->PushesReceived == 3; }));
  EXPECT_EQ(raised, std::vector<DWORD>{0});
  EXPECT_EQ(servent->PushesRefused, 2u);
  EXPECT_EQ(servent->PushesDropped, 2u);
}

TEST_F(RoutingScenarioTest, QueryHitPayloadNeverPassesTheLimit) {
  TGnutella* servent = MakeServent("127.0.0.3");
  // 300 files with long names: more than one hit may hold.
  for (int i = 0; i < 300; ++i) {
    Share(servent, "match " + std::to_string(i) + std::string(240, 'n') + ".mp3", 1);
  }
  RawPeer peer;
  ASSERT_TRUE(Login04(peer, "127.0.0.3"));
  peer.Send(QueryBytes(NewGuid(), 3, "MATCH"));
  ASSERT_TRUE(peer.ReadAtLeast(23));
  TGnutellaHeader header = HeaderOf(peer.received);
  EXPECT_EQ(header.PayloadType, gdQueryHit);
  EXPECT_LE(header.PayloadLength, kMaxPayloadLength);
  ASSERT_TRUE(peer.ReadAtLeast(23 + header.PayloadLength));
  TQueryHitFields hit;
  ASSERT_TRUE(ReadQueryHit(reinterpret_cast<const BYTE*>(peer.received.data()) + 23,
                           header.PayloadLength, &hit));
  EXPECT_GT(hit.Results.size(), 200u);
  EXPECT_LT(hit.Results.size(), 255u);
}

}  // namespace
}  // namespace velko_test
