// The routing table's decisions for received descriptors and its records of
// sent ones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// A descriptor this servent sends ('S') or receives ('R'): its GUID by
// number, its key ("@n" is the text of servent GUID n, "@0" this
// servent's own) and its link ('A', 'B', 'C', or 'O' for this servent);
// for a received one the action it takes and the link a forward or a
// back-route names.
struct Step {
  char op;
  BYTE type;
  int id;
  const char* key;
  char link;
  BYTE action = graDrop;
  char target = 0;
};

TEST_F(RoutingTest, Scenarios) {
  const BYTE fwd = graForward, back = graBackRoute, local = graLocal, drop = graDrop;
  const struct {
    const char* what;
    std::vector<Step> steps;
    TGnutellaRouteList TGnutellaMessages::*stays_empty = nullptr;
  } scenarios[] = {
      {"a new ping is forwarded, its repeat dropped",
       {{'R', gdPing, 1, "", 'A', fwd, 'A'}, {'R', gdPing, 1, "", 'B', drop}}},
      {"an own ping coming back is dropped", {{'S', gdPing, 1, "", 'A'}, {'R', gdPing, 1, "", 'B', drop}}},
      {"a pong to an own ping is local once per address",
       {{'S', gdPing, 1, "", 'A'},
        {'R', gdPong, 1, "10.0.0.1", 'A', local},
        {'R', gdPong, 1, "10.0.0.1", 'B', drop},
        {'R', gdPong, 1, "10.0.0.2", 'B', local}}},
      {"a pong goes back to the link its ping came from, once",
       {{'R', gdPing, 1, "", 'A', fwd, 'A'},
        {'R', gdPong, 1, "10.0.0.7", 'B', back, 'A'},
        {'R', gdPong, 1, "10.0.0.7", 'C', drop}}},
      {"a pong whose ping never passed is dropped", {{'R', gdPong, 1, "10.0.0.7", 'B', drop}}, &TGnutellaMessages::PongKeys},
      {"an own pong coming back is dropped, another servent's goes back",
       {{'R', gdPing, 1, "", 'A', fwd, 'A'},
        {'S', gdPong, 1, "192.0.2.1", 'A'},
        {'R', gdPong, 1, "192.0.2.1", 'B', drop},
        {'R', gdPong, 1, "192.0.2.2", 'B', back, 'A'}}},
      {"a query is forwarded once; a neighbour's repeat under a new GUID is dropped, another's is its own",
       {{'R', gdQuery, 1, "beat", 'A', fwd, 'A'},
        {'R', gdQuery, 1, "beat", 'B', drop},
        {'R', gdQuery, 2, "beat", 'A', drop},
        {'R', gdQuery, 3, "beat", 'B', fwd, 'B'}}},
      {"a hit goes back to the link its query came from, once per servent",
       {{'R', gdQuery, 1, "beat", 'A', fwd, 'A'},
        {'R', gdQueryHit, 1, "@1", 'B', back, 'A'},
        {'R', gdQueryHit, 1, "@1", 'C', drop},
        {'R', gdQueryHit, 1, "@2", 'C', back, 'A'}}},
      {"a hit for an unknown query is dropped", {{'R', gdQueryHit, 1, "@1", 'B', drop}}, &TGnutellaMessages::HitKeys},
      {"a hit for an own query is local once per servent",
       {{'S', gdQuery, 1, "beat", 'O'},
        {'R', gdQueryHit, 1, "@1", 'A', local},
        {'R', gdQueryHit, 1, "@1", 'B', drop},
        {'R', gdQueryHit, 1, "@2", 'B', local}}},
      {"an own hit coming back is dropped",
       {{'R', gdQuery, 1, "beat", 'A', fwd, 'A'}, {'S', gdQueryHit, 1, "@0", 'A'}, {'R', gdQueryHit, 1, "@2", 'B', drop}}},
      {"a push goes to the link that delivered its servent's hit, once",
       {{'R', gdQuery, 1, "beat", 'A', fwd, 'A'},
        {'R', gdQueryHit, 1, "@1", 'B', back, 'A'},
        {'R', gdPush, 2, "@1", 'A', back, 'B'},
        {'R', gdPush, 2, "@1", 'C', drop}}},
      {"a push for an unknown servent is dropped", {{'R', gdPush, 1, "@1", 'A', drop}}},
      {"a push for an own file is local once over any path",
       {{'R', gdQuery, 1, "beat", 'A', fwd, 'A'},
        {'S', gdQueryHit, 1, "@0", 'A'},
        {'R', gdPush, 2, "@0", 'A', local},
        {'R', gdPush, 2, "@0", 'B', drop},
        {'R', gdPush, 3, "@0", 'B', local}}},
  };
  for (const auto& scenario : scenarios) {
    table = TGnutellaMessages();
    std::vector<GUID> ids(4), servents{servent, NewGuid(), NewGuid()};
    for (GUID& id : ids) id = NewGuid();
    auto link = [&](char name) {
      return name == 'A' ? link_a : name == 'B' ? link_b : name == 'C' ? link_c : servent;
    };
    for (std::size_t i = 0; i < scenario.steps.size(); ++i) {
      const Step& s = scenario.steps[i];
      SCOPED_TRACE(std::string(scenario.what) + ", step " + std::to_string(i + 1));
      const std::string key = s.key[0] == '@' ? Text(servents[static_cast<std::size_t>(s.key[1] - '0')]) : s.key;
      if (s.op == 'S') {
        Send(s.type, ids[static_cast<std::size_t>(s.id)], key, link(s.link));
        continue;
      }
      const TGnutellaRouteResult r = Receive(s.type, ids[static_cast<std::size_t>(s.id)], key, link(s.link));
      EXPECT_EQ(r.Action, s.action);
      EXPECT_EQ(r.Accept, s.action == graDrop ? 0 : 1);
      EXPECT_TRUE(!s.target || IsEqualGUID(r.Target, link(s.target)));
    }
    EXPECT_TRUE(!scenario.stays_empty || (table.*scenario.stays_empty).Count() == 0) << scenario.what;
  }
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

TEST_F(RoutingTest, DescriptorsAreRecordedInTheirLists) {
  GUID ping = NewGuid(), own_ping = NewGuid(), query = NewGuid(), own_query = NewGuid();
  GUID pong = NewGuid(), hit = NewGuid(), push = NewGuid();
  Receive(gdPing, ping, "", link_a);
  Send(gdPing, own_ping, "", link_a);
  Receive(gdPong, own_ping, "10.0.0.1", link_a);
  Receive(gdPong, own_ping, "10.0.0.2", link_b);
  Receive(gdQuery, query, "beat", link_a);
  Receive(gdQuery, NewGuid(), "beat", link_b);
  Send(gdQuery, own_query, "beat", servent);
  Send(gdPong, pong, "192.0.2.9", link_b);
  Send(gdQueryHit, hit, Text(servent), link_c);
  Send(gdPush, push, "", link_a);
  EXPECT_EQ(table.PingRoutes.Text(0), Text(ping) + "=" + Text(link_a));
  EXPECT_EQ(table.OwnPings.Text(0), Text(own_ping) + "=" + Text(link_a));
  ASSERT_EQ(table.PongKeys.Count(), 2u);
  EXPECT_EQ(table.PongKeys.At(1).Paired, Text(link_b));  // PongLinks in step
  ASSERT_EQ(table.QueryKeys.Count(), 2u);
  EXPECT_EQ(table.QueryKeys.Text(0), Text(query) + "=beat");
  EXPECT_EQ(table.QueryKeys.At(0).Paired, Text(link_a));
  EXPECT_EQ(table.OwnQueries.Text(0), Text(own_query) + "=" + Text(servent));
  EXPECT_EQ(table.OwnQueries.At(0).Paired, "beat");
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
