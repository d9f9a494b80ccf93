// A logged-in link fed descriptors byte by byte and in odd slices, and a
// link sending more than the socket takes at once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/Exceptions.h"
#include "classlib/MessageHandling.h"
#include "tests/network/network_fixture.h"

namespace velko_test {
namespace {

using namespace std::chrono_literals;

// A plain peer logged in to a servent with protocol 0.4; the test watches
// the servent's link directly.
class LinkFramingTest : public ServentTest {
 protected:
  void SetUp() override {
    ServentTest::SetUp();
    servent_ = MakeServent("127.0.0.2");
    servent_->AutoPong = false;
    ASSERT_TRUE(Login04(peer_, "127.0.0.2"));
    ASSERT_EQ(servent_->Clients.size(), 1u);
    link_ = servent_->Clients[0].get();
    link_->OnUnknown = [this](TGnutellaClient*, const TGnutellaHeader& header, const BYTE*) {
      unknown_.push_back(header);
    };
    link_->OnQuery = [this](TGnutellaClient*, const TGnutellaHeader&, const BYTE*,
                            const String& text) { queries_.push_back(text); };
  }
  // Sends and waits until the link has read it all.
  void Feed(const std::string& bytes) {
    double before = link_->BytesReceived;
    peer_.Send(bytes);
    ASSERT_TRUE(PumpUntil([&] { return link_->BytesReceived >= before + bytes.size(); }));
  }
  std::string Descriptor(BYTE type, const std::string& payload) {
    TGnutellaHeader header;
    header.DescriptorID = NewGuid();
    header.PayloadType = type;
    header.TTL = 1;
    return Bytes(
        BuildDescriptor(header, reinterpret_cast<const BYTE*>(payload.data()), payload.size()));
  }

  TGnutella* servent_ = nullptr;
  TGnutellaClient* link_ = nullptr;
  RawPeer peer_;
  std::vector<TGnutellaHeader> unknown_;
  std::vector<String> queries_;
};

// Queries and pings fed byte by byte, in odd slices, and all in one read:
// each query keeps its own text.
TEST_F(LinkFramingTest, StreamsCutAnywhere) {
  std::string stream;
  for (int i = 0; i < 20; ++i) stream += PingBytes(NewGuid(), 1) + QueryBytes(NewGuid(), 1, "query " + std::to_string(i));
  std::vector<String> expected;
  for (int i = 0; i < 20; ++i) expected.push_back("query " + std::to_string(i));
  for (int pass = 0; pass < 3; ++pass) {
    queries_.clear();
    const DWORD pings = servent_->PingsReceived;
    for (std::size_t at = 0, slice = 1; at < stream.size(); at += slice) {
      slice = pass == 0 ? 1 : pass == 1 ? slice % 37 + 5 : stream.size();
      Feed(stream.substr(at, slice));
      if (pass == 0 && at < 23) {
        EXPECT_EQ(servent_->PingsReceived, pings + (at < 22 ? 0 : 1)) << at;  // 23 bytes make the ping
      }
    }
    EXPECT_EQ(queries_, expected) << "pass " << pass;
    EXPECT_EQ(servent_->PingsReceived, pings + 20) << "pass " << pass;
  }
}

TEST_F(LinkFramingTest, UnknownTypeIsReportedAndSkippedByItsLength) {
  Feed(Descriptor(0x02, "some payload") + QueryBytes(NewGuid(), 1, "after"));
  ASSERT_EQ(unknown_.size(), 1u);
  EXPECT_EQ(unknown_[0].PayloadType, 0x02);
  EXPECT_EQ(unknown_[0].PayloadLength, 12u);
  ASSERT_EQ(queries_.size(), 1u);
  EXPECT_EQ(queries_[0], "after");
  // The longest payload is accepted.
  std::string big = Descriptor(0x31, std::string(65536, 'z'));
  Feed(big.substr(0, 30000));
  EXPECT_EQ(unknown_.size(), 1u);
  Feed(big.substr(30000) + PingBytes(NewGuid(), 1));
  ASSERT_EQ(unknown_.size(), 2u);
  EXPECT_EQ(unknown_[1].PayloadLength, 65536u);
  EXPECT_EQ(servent_->PingsReceived, 1u);
  EXPECT_TRUE(link_->GetConnected());
}

TEST_F(LinkFramingTest, PayloadAboveTheLimitEndsTheLink) {
  RecordErrors(servent_);
  std::string header = QueryBytes(NewGuid(), 1, "").substr(0, 23);
  header[19] = 1;  // payload length 65537
  header[21] = 1;
  peer_.Send(header);
  ASSERT_TRUE(peer_.WaitClosed());
  EXPECT_EQ(errors_, std::vector<std::string>{"1 10040 Receive Socket Error"});
  ASSERT_TRUE(PumpUntil([&] { return servent_->Clients.empty(); }));
}

TEST_F(LinkFramingTest, ShortPayloadsAreDroppedAndCounted) {
  std::string pong13 = Descriptor(gdPong, std::string(13, '\1'));
  std::string query_without_nul = Descriptor(gdQuery, std::string("\0\0abc", 5));
  std::string push25 = Descriptor(gdPush, std::string(25, '\2'));
  std::string hit_too_short = Descriptor(gdQueryHit, std::string(26, '\0'));
  Feed(pong13 + query_without_nul + push25 + hit_too_short + QueryBytes(NewGuid(), 1, "fine"));
  EXPECT_EQ(servent_->PongsReceived, 1u);
  EXPECT_EQ(servent_->PongsDropped, 1u);
  EXPECT_EQ(servent_->QueriesReceived, 1u);  // the one without its NUL; "fine" went to the test
  EXPECT_EQ(servent_->QueriesDropped, 1u);
  EXPECT_EQ(servent_->PushesReceived, 1u);
  EXPECT_EQ(servent_->PushesDropped, 1u);
  EXPECT_EQ(servent_->QueryHitsReceived, 1u);
  EXPECT_EQ(servent_->QueryHitsDropped, 1u);
  ASSERT_EQ(queries_.size(), 1u);
  EXPECT_EQ(queries_[0], "fine");
  EXPECT_TRUE(link_->GetConnected());
}

TEST_F(LinkFramingTest, FilterRejectsADescriptorAndTheNextIsStillDispatched) {
  link_->OnFilter = [](TGnutellaClient*, const TGnutellaHeader&, const String& text, bool& accept) {
    accept = text != "secret";
  };
  Feed(QueryBytes(NewGuid(), 1, "secret") + QueryBytes(NewGuid(), 1, "public"));
  ASSERT_EQ(queries_.size(), 1u);
  EXPECT_EQ(queries_[0], "public");
}

TEST_F(LinkFramingTest, EmptySearchIsCountedAndNothingElse) {
  bool raised = false;
  servent_->OnQuery = [&](TObject*, const String&, const GUID&, int, const String&) {
    raised = true;
  };
  RawPeer other;
  ASSERT_TRUE(Login04(other, "127.0.0.2"));
  other.Send(QueryBytes(NewGuid(), 3, ""));
  ASSERT_TRUE(PumpUntil([&] { return servent_->QueriesReceived == 1; }));
  PumpFor(30ms);
  EXPECT_FALSE(raised);
  EXPECT_EQ(servent_->QueriesForwarded, 0u);
  EXPECT_EQ(servent_->QueriesDropped, 0u);
  peer_.Drain();
  EXPECT_TRUE(peer_.received.empty());  // not passed on to the other link
}

TEST_F(LinkFramingTest, LargeDescriptorGoesOutInPiecesAndInOrder) {
  servent_->Clients[0]->SendBuffer.Clear();
  TGnutellaHeader header;
  header.DescriptorID = NewGuid();
  header.PayloadType = 0x31;
  std::string payload(20000 - 23, '\0');
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i * 13);
  std::vector<BYTE> big =
      BuildDescriptor(header, reinterpret_cast<const BYTE*>(payload.data()), payload.size());
  link_->SendDescriptor(big.data(), big.size());
  // One piece of 8192 bytes went at once; the rest waits for write events.
  EXPECT_EQ(link_->SendBuffer.Position(), 8192u);
  EXPECT_EQ(link_->SendBuffer.UnreadSize(), 20000u - 8192u);
  // A descriptor queued meanwhile goes out after it.
  std::string ping = PingBytes(NewGuid(), 1);
  link_->SendDescriptor(reinterpret_cast<const BYTE*>(ping.data()), ping.size());
  ASSERT_TRUE(peer_.ReadAtLeast(20000 + 23));
  EXPECT_EQ(peer_.received, Bytes(big) + ping);
  EXPECT_EQ(link_->SendBuffer.UnreadSize(), 0u);
  EXPECT_EQ(link_->BytesSent, 20023.0);
}

TEST_F(LinkFramingTest, PeerThatStopsReadingLosesNothing) {
  // Many descriptors while the peer reads nothing: the socket fills, the
  // link waits, and everything arrives in order once the peer reads.
  std::string expected;
  for (int i = 0; i < 8000; ++i) {
    std::string query =
        QueryBytes(NewGuid(), 1, "descriptor number " + std::to_string(i) + std::string(1000, 'p'));
    link_->SendDescriptor(reinterpret_cast<const BYTE*>(query.data()), query.size());
    expected += query;
  }
  EXPECT_GT(link_->SendBuffer.UnreadSize(), 0u);  // the socket could not take it all
  ASSERT_TRUE(peer_.ReadAtLeast(expected.size()));
  EXPECT_TRUE(peer_.received == expected);
}

TEST_F(LinkFramingTest, SendingBeforeLoginDropsTheDescriptor) {
  RawPeer other;
  ASSERT_TRUE(other.Connect("127.0.0.2", port_));
  ASSERT_TRUE(PumpUntil([&] { return servent_->Clients.size() == 2; }));
  TGnutellaClient* waiting = servent_->Clients[1].get();
  GUID untouched = NewGuid();
  GUID copy = untouched;
  std::string ping = PingBytes(NewGuid(), 1);
  waiting->SendDescriptor(reinterpret_cast<const BYTE*>(ping.data()), ping.size(), &copy);
  EXPECT_TRUE(IsEqualGUID(copy, untouched));
  EXPECT_EQ(waiting->BytesSent, 0.0);
  PumpFor(30ms);
  other.Drain();
  EXPECT_TRUE(other.received.empty());
}

// What one read brings is dispatched first and passed on after, together.
class HeldSendingTest : public ServentTest {
 protected:
  void SetUp() override {
    ServentTest::SetUp();
    servent_ = MakeServent("127.0.0.2");
    servent_->AutoPong = false;
    for (RawPeer* peer : {&from_, &to_}) ASSERT_TRUE(Login04(*peer, "127.0.0.2"));
  }
  TGnutella* servent_ = nullptr;
  RawPeer from_, to_;
};

TEST_F(HeldSendingTest, ManyDescriptorsOfOneReadArriveInOrder) {
  std::string burst, expected;
  for (int i = 0; i < 500; ++i) {
    GUID id = NewGuid();
    burst += QueryBytes(id, 2, "burst " + std::to_string(i));
    std::string copy = QueryBytes(id, 1, "burst " + std::to_string(i));
    copy[18] = 1;  // the forwarded copies differ only in TTL and hops
    expected += copy;
  }
  from_.Send(burst);
  ASSERT_TRUE(to_.ReadAtLeast(expected.size()));
  EXPECT_TRUE(to_.received == expected);
  EXPECT_EQ(servent_->QueriesForwarded, 500u);
}

TEST_F(HeldSendingTest, AFailingHandlerDoesNotHoldLaterSendsBack) {
  std::vector<String> caught;
  auto saved = ApplicationHandleException;
  ApplicationHandleException = [&](TObject*) {
    try {
      throw;
    } catch (const Exception& e) {
      caught.push_back(e.Message);
    }
  };
  servent_->OnQuery = [](TObject*, const String&, const GUID&, int, const String& text) {
    if (text == "fail") throw Exception("handler failed");
  };
  from_.Send(QueryBytes(NewGuid(), 2, "fail"));
  ASSERT_TRUE(PumpUntil([&] { return !caught.empty(); }));
  from_.Send(QueryBytes(NewGuid(), 2, "after"));
  ASSERT_TRUE(to_.ReadContaining("after"));
  ApplicationHandleException = saved;
  EXPECT_EQ(caught[0], "handler failed");
}

}  // namespace
}  // namespace velko_test
