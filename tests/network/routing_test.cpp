// The routing table's decisions for received descriptors and its records of
// sent ones.
#include <gtest/gtest.h>

#include <string>

#include "network/GnutellaDescriptors.h"
#include "network/GnutellaMessages.h"

namespace {

GUID NewGuid() {
  GUID guid;
  CoCreateGuid(&guid);
  return guid;
}

std::string Text(const GUID& guid) {
  return platform::GuidToText(guid);
}

bool Same(const GUID& a, const GUID& b) {
  return IsEqualGUID(a, b);
}

class RoutingTest : public ::testing::Test {
 protected:
  TGnutellaRouteResult Receive(BYTE type, const GUID& id, const std::string& key,
                               const GUID& link) {
    TGnutellaRouteResult result;
    result.Accept = 99;  // to see that it is filled
    result.Action = 99;
    table.Route(type, id, result, grdReceived, key, link);
    return result;
  }
  void Send(BYTE type, const GUID& id, const std::string& key, const GUID& link) {
    TGnutellaRouteResult untouched;
    untouched.Accept = 77;
    untouched.Action = 77;
    table.Route(type, id, untouched, grdSent, key, link);
    EXPECT_EQ(untouched.Accept, 77);
    EXPECT_EQ(untouched.Action, 77);
  }

  TGnutellaMessages table;
  GUID link_a = NewGuid();
  GUID link_b = NewGuid();
  GUID link_c = NewGuid();
  GUID servent = NewGuid();
};

TEST_F(RoutingTest, NewPingIsForwardedAndItsRepeatDropped) {
  GUID ping = NewGuid();
  auto first = Receive(gdPing, ping, "", link_a);
  EXPECT_EQ(first.Accept, 1);
  EXPECT_EQ(first.Action, graForward);
  EXPECT_TRUE(Same(first.Target, link_a));
  auto again = Receive(gdPing, ping, "", link_b);
  EXPECT_EQ(again.Accept, 0);
  EXPECT_EQ(again.Action, graDrop);
  ASSERT_EQ(table.PingRoutes.Count(), 1u);
  EXPECT_EQ(table.PingRoutes.Text(0), Text(ping) + "=" + Text(link_a));
}

TEST_F(RoutingTest, OwnPingComingBackIsDropped) {
  GUID ping = NewGuid();
  Send(gdPing, ping, "", link_a);
  EXPECT_EQ(Receive(gdPing, ping, "", link_b).Action, graDrop);
}

TEST_F(RoutingTest, TheHundredAndFirstPingPushesTheOldestOut) {
  GUID oldest = NewGuid();
  Receive(gdPing, oldest, "", link_a);
  GUID newest;
  for (int i = 0; i < 99; ++i) {
    newest = NewGuid();
    Receive(gdPing, newest, "", link_a);
  }
  EXPECT_EQ(table.PingRoutes.Count(), 100u);
  EXPECT_EQ(table.PingRoutes.IndexOfName(oldest), 0);
  Receive(gdPing, NewGuid(), "", link_a);  // the 101st pushes the oldest out
  EXPECT_EQ(table.PingRoutes.Count(), 100u);
  EXPECT_EQ(table.PingRoutes.IndexOfName(oldest), -1);
  auto repeat = Receive(gdPing, oldest, "", link_b);
  EXPECT_EQ(repeat.Action, graForward);
  EXPECT_EQ(Receive(gdPing, newest, "", link_b).Action, graDrop);
}

TEST_F(RoutingTest, MaxLinesBoundsEveryList) {
  table.MaxLines = 5;
  for (int i = 0; i < 50; ++i) {
    Receive(gdPing, NewGuid(), "", link_a);
    Receive(gdQuery, NewGuid(), "text " + std::to_string(i), link_a);
    Send(gdPing, NewGuid(), "", link_a);
    Send(gdQueryHit, NewGuid(), Text(servent), link_a);
  }
  EXPECT_EQ(table.PingRoutes.Count(), 5u);
  EXPECT_EQ(table.QueryKeys.Count(), 5u);
  EXPECT_EQ(table.OwnPings.Count(), 5u);
  EXPECT_EQ(table.OwnHits.Count(), 5u);
}

TEST_F(RoutingTest, PongToOwnPingIsDeliveredOnceAndPerAddress) {
  GUID ping = NewGuid();
  Send(gdPing, ping, "", link_a);
  auto first = Receive(gdPong, ping, "10.0.0.1", link_a);
  EXPECT_EQ(first.Accept, 1);
  EXPECT_EQ(first.Action, graLocal);
  EXPECT_EQ(Receive(gdPong, ping, "10.0.0.1", link_b).Action, graDrop);
  EXPECT_EQ(Receive(gdPong, ping, "10.0.0.2", link_b).Action, graLocal);
  ASSERT_EQ(table.PongKeys.Count(), 2u);
  EXPECT_EQ(table.PongKeys.At(1).Paired, Text(link_b));  // PongLinks in step
}

TEST_F(RoutingTest, PongIsSentBackToTheLinkItsPingCameFrom) {
  GUID ping = NewGuid();
  Receive(gdPing, ping, "", link_a);
  auto pong = Receive(gdPong, ping, "10.0.0.7", link_b);
  EXPECT_EQ(pong.Accept, 1);
  EXPECT_EQ(pong.Action, graBackRoute);
  EXPECT_TRUE(Same(pong.Target, link_a));
  EXPECT_EQ(Receive(gdPong, ping, "10.0.0.7", link_c).Action, graDrop);
}

TEST_F(RoutingTest, PongWhosePingNeverPassedIsDropped) {
  auto pong = Receive(gdPong, NewGuid(), "10.0.0.7", link_b);
  EXPECT_EQ(pong.Accept, 0);
  EXPECT_EQ(pong.Action, graDrop);
  EXPECT_EQ(table.PongKeys.Count(), 0u);
}

TEST_F(RoutingTest, OwnPongComingBackIsDropped) {
  GUID ping = NewGuid();
  Receive(gdPing, ping, "", link_a);
  Send(gdPong, ping, "192.0.2.1", link_a);
  EXPECT_EQ(Receive(gdPong, ping, "192.0.2.1", link_b).Action, graDrop);
  // Another servent's pong to the same ping still goes back.
  EXPECT_EQ(Receive(gdPong, ping, "192.0.2.2", link_b).Action, graBackRoute);
}

TEST_F(RoutingTest, QueryIsForwardedOnceAndRepeatsAreDropped) {
  GUID query = NewGuid();
  auto first = Receive(gdQuery, query, "beat", link_a);
  EXPECT_EQ(first.Accept, 1);
  EXPECT_EQ(first.Action, graForward);
  EXPECT_EQ(Receive(gdQuery, query, "beat", link_b).Action, graDrop);
  // The same neighbour repeats its search under a new GUID: dropped.
  EXPECT_EQ(Receive(gdQuery, NewGuid(), "beat", link_a).Action, graDrop);
  // The same text from another neighbour is a search of its own.
  EXPECT_EQ(Receive(gdQuery, NewGuid(), "beat", link_b).Action, graForward);
  ASSERT_EQ(table.QueryKeys.Count(), 2u);
  EXPECT_EQ(table.QueryKeys.Text(0), Text(query) + "=beat");
  EXPECT_EQ(table.QueryKeys.At(0).Paired, Text(link_a));
}

TEST_F(RoutingTest, QueryHitGoesBackToTheLinkTheQueryCameFrom) {
  GUID query = NewGuid();
  Receive(gdQuery, query, "beat", link_a);
  GUID other_servent = NewGuid();
  auto hit = Receive(gdQueryHit, query, Text(other_servent), link_b);
  EXPECT_EQ(hit.Accept, 1);
  EXPECT_EQ(hit.Action, graBackRoute);
  EXPECT_TRUE(Same(hit.Target, link_a));
  // The same servent answering again is dropped.
  EXPECT_EQ(Receive(gdQueryHit, query, Text(other_servent), link_c).Action, graDrop);
  // Another servent's answer still goes back.
  EXPECT_EQ(Receive(gdQueryHit, query, Text(NewGuid()), link_c).Action, graBackRoute);
}

TEST_F(RoutingTest, QueryHitForAnUnknownQueryIsDropped) {
  EXPECT_EQ(Receive(gdQueryHit, NewGuid(), Text(NewGuid()), link_b).Action, graDrop);
  EXPECT_EQ(table.HitKeys.Count(), 0u);
}

TEST_F(RoutingTest, QueryHitForOwnQueryIsLocalOncePerServent) {
  GUID query = NewGuid();
  Send(gdQuery, query, "beat", servent);
  ASSERT_EQ(table.OwnQueries.Count(), 1u);
  EXPECT_EQ(table.OwnQueries.Text(0), Text(query) + "=" + Text(servent));
  EXPECT_EQ(table.OwnQueries.At(0).Paired, "beat");
  GUID answering = NewGuid();
  auto hit = Receive(gdQueryHit, query, Text(answering), link_a);
  EXPECT_EQ(hit.Accept, 1);
  EXPECT_EQ(hit.Action, graLocal);
  EXPECT_EQ(Receive(gdQueryHit, query, Text(answering), link_b).Action, graDrop);
  EXPECT_EQ(Receive(gdQueryHit, query, Text(NewGuid()), link_b).Action, graLocal);
}

TEST_F(RoutingTest, OwnQueryHitComingBackIsDropped) {
  GUID query = NewGuid();
  Receive(gdQuery, query, "beat", link_a);
  Send(gdQueryHit, query, Text(servent), link_a);
  EXPECT_EQ(Receive(gdQueryHit, query, Text(NewGuid()), link_b).Action, graDrop);
}

TEST_F(RoutingTest, PushGoesToTheLinkThatDeliveredTheServentsHit) {
  GUID query = NewGuid();
  Receive(gdQuery, query, "beat", link_a);
  GUID holder = NewGuid();
  Receive(gdQueryHit, query, Text(holder), link_b);
  GUID push = NewGuid();
  auto routed = Receive(gdPush, push, Text(holder), link_a);
  EXPECT_EQ(routed.Accept, 1);
  EXPECT_EQ(routed.Action, graBackRoute);
  EXPECT_TRUE(Same(routed.Target, link_b));
  EXPECT_EQ(Receive(gdPush, push, Text(holder), link_c).Action, graDrop);
}

TEST_F(RoutingTest, PushForAnUnknownServentIsDropped) {
  EXPECT_EQ(Receive(gdPush, NewGuid(), Text(NewGuid()), link_a).Action, graDrop);
}

TEST_F(RoutingTest, PushForOwnFileIsLocalOnceOverAnyPath) {
  GUID query = NewGuid();
  Receive(gdQuery, query, "beat", link_a);
  Send(gdQueryHit, query, Text(servent), link_a);
  GUID push = NewGuid();
  auto local = Receive(gdPush, push, Text(servent), link_a);
  EXPECT_EQ(local.Accept, 1);
  EXPECT_EQ(local.Action, graLocal);
  // The same push over a second path starts no second upload.
  EXPECT_EQ(Receive(gdPush, push, Text(servent), link_b).Action, graDrop);
  // A new push for the servent is local again.
  EXPECT_EQ(Receive(gdPush, NewGuid(), Text(servent), link_b).Action, graLocal);
}

TEST_F(RoutingTest, SentDescriptorsAreRecordedInTheirLists) {
  GUID ping = NewGuid(), pong = NewGuid(), hit = NewGuid(), push = NewGuid();
  Send(gdPing, ping, "", link_a);
  Send(gdPong, pong, "192.0.2.9", link_b);
  Send(gdQueryHit, hit, Text(servent), link_c);
  Send(gdPush, push, "", link_a);
  EXPECT_EQ(table.OwnPings.Text(0), Text(ping) + "=" + Text(link_a));
  EXPECT_EQ(table.OwnPongs.Text(0), Text(pong) + "=192.0.2.9");
  EXPECT_EQ(table.OwnPongs.At(0).Paired, Text(link_b));
  EXPECT_EQ(table.OwnHits.Text(0), Text(hit) + "=" + Text(link_c));
  EXPECT_EQ(table.OwnHits.At(0).Paired, Text(servent));
  EXPECT_EQ(table.PushKeys.Text(0), Text(push) + "=" + Text(link_a));
  EXPECT_EQ(table.OwnPushes.Count(), 0u);
}

TEST_F(RoutingTest, OtherTypesAreIgnored) {
  auto result = Receive(0x02, NewGuid(), "", link_a);
  EXPECT_EQ(result.Accept, 99);
  EXPECT_EQ(result.Action, 99);
  Send(0x31, NewGuid(), "", link_a);
  EXPECT_EQ(table.PingRoutes.Count() + table.OwnPings.Count() + table.PushKeys.Count(), 0u);
}

}  // namespace
