// Descriptors with more payload than the servent reads (extensions of
// newer servents) pass through it byte for byte, and are answered as usual.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "tests/network/network_fixture.h"

namespace velko_test {
namespace {

using namespace std::chrono_literals;

// A descriptor with `payload` after a header of the given type.
std::string Descriptor(const GUID& id, BYTE type, BYTE ttl, BYTE hops, const std::string& payload) {
  TGnutellaHeader header;
  header.DescriptorID = id;
  header.PayloadType = type;
  header.TTL = ttl;
  header.Hops = hops;
  return Bytes(BuildDescriptor(header, reinterpret_cast<const BYTE*>(payload.data()), payload.size()));
}

// The whole descriptor with that GUID and type in a received stream.
std::optional<std::string> Find(const std::string& stream, const GUID& id, BYTE type) {
  for (const std::string& d : SplitDescriptors(stream)) {
    if (HeaderOf(d).PayloadType == type && IsEqualGUID(HeaderOf(d).DescriptorID, id)) return d;
  }
  return std::nullopt;
}

class PayloadPassThroughTest : public ServentTest {
 protected:
  // B with a real servent C behind it and two plain peers, P and Q.
  void SetUp() override {
    ServentTest::SetUp();
    b_ = MakeServent("127.0.0.3");
    c_ = MakeServent("127.0.0.4");
    ASSERT_TRUE(Link(b_, c_, "127.0.0.4"));
    for (RawPeer* peer : {&p_, &q_}) ASSERT_TRUE(Login04(*peer, "127.0.0.3"));
    ASSERT_TRUE(PumpUntil([&] { return b_->GetLoggedInCount() == 3; }));
  }
  // Waits until `peer` got the descriptor `sent` passed on by B: TTL - 1,
  // hops + 1, every other byte as sent.
  void ExpectPassedOn(RawPeer& peer, const std::string& sent) {
    const TGnutellaHeader header = HeaderOf(sent);
    ASSERT_TRUE(peer.ReadUntil([&](const std::string& r) {
      return Find(r, header.DescriptorID, header.PayloadType).has_value();
    }));
    std::string expected = sent;
    expected[17] = static_cast<char>(header.TTL - 1);
    expected[18] = static_cast<char>(header.Hops + 1);
    EXPECT_EQ(*Find(peer.received, header.DescriptorID, header.PayloadType), expected);
  }

  TGnutella* b_ = nullptr;
  TGnutella* c_ = nullptr;
  RawPeer p_;
  RawPeer q_;
};

TEST_F(PayloadPassThroughTest, PingWithExtensionsIsForwardedAsItCameAndAnswered) {
  const GUID id = NewGuid();
  const std::string ping = Descriptor(id, gdPing, 4, 0, std::string("\xC3\x82SCP\x01\x00", 7));
  p_.Send(ping);
  ExpectPassedOn(q_, ping);
  ASSERT_TRUE(PumpUntil([&] { return c_->PingsReceived == 1; }));
  // B's own pong and C's, routed back through B.
  ASSERT_TRUE(p_.ReadUntil([&](const std::string&) { return b_->PongsRouted == 1; }));
  ASSERT_TRUE(p_.ReadAtLeast(2 * 37));
  const std::optional<std::string> pong = Find(p_.received, id, gdPong);
  ASSERT_TRUE(pong.has_value());
  EXPECT_EQ(pong->size(), 37u);
  EXPECT_EQ(b_->PingsForwarded, 1u);
  EXPECT_EQ(b_->PongsSent, 1u);
}

TEST_F(PayloadPassThroughTest, QueryHitAndPushLongerThanTheirFieldsPassThrough) {
  // A query with extension bytes after its text's NUL.
  const GUID query_id = NewGuid();
  const std::string query =
      Descriptor(query_id, gdQuery, 5, 1, std::string("\x00\x00song\x00urn:sha1:\x1C\xC3\x82\x01", 20));
  p_.Send(query);
  ExpectPassedOn(q_, query);

  // Q answers with a hit that carries a vendor block; it goes back to P.
  const GUID q_servent = NewGuid();
  std::vector<BYTE> results;
  AppendQueryHitResult(results, 3, 1000, "song.mp3", "");
  const std::string vendor = "VLKO\x02\x00\x00";
  std::string hit_payload(11, '\0');
  hit_payload[0] = 1;
  hit_payload += std::string(results.begin(), results.end()) + vendor;
  hit_payload.append(reinterpret_cast<const char*>(&q_servent), 16);
  const std::string hit = Descriptor(query_id, gdQueryHit, 5, 0, hit_payload);
  q_.Send(hit);
  ExpectPassedOn(p_, hit);

  // P pushes for Q's file with eight bytes more than a push holds.
  std::string push_payload(reinterpret_cast<const char*>(&q_servent), 16);
  push_payload += std::string("\x03\x00\x00\x00\x7F\x00\x00\x07\x57\x1B", 10) + "GGEPdata";
  const std::string push = Descriptor(NewGuid(), gdPush, 5, 0, push_payload);
  p_.Send(push);
  ExpectPassedOn(q_, push);
  EXPECT_EQ(b_->QueriesForwarded, 1u);
  EXPECT_EQ(b_->QueryHitsRouted, 1u);
  EXPECT_EQ(b_->PushesRouted, 1u);
}

}  // namespace
}  // namespace velko_test
