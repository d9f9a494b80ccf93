// The handshake readers on their own: every step taken from bytes that
// arrive whole, split at every byte, or together with what follows them.
#include <gtest/gtest.h>

#include <string>

#include "network/GnutellaHandshake.h"

namespace {

const std::string kWord = "GNUTELLA";

TClientHandshakeReply Reply04(const std::string& text) { return ReadClientReply04(text, kWord); }
TClientHandshakeReply Reply06(const std::string& text) { return ReadClientReply06(text, kWord); }
// A step of an incoming link: the first one, or one after it.
TServerHandshakeStep First(const std::string& text) { return ReadServerStep(text, true, kWord); }
TServerHandshakeStep Later(const std::string& text) { return ReadServerStep(text, false, kWord); }

// Every beginning of `text` shorter than `whole` bytes makes `read` wait.
template <class Reader>
void ExpectWaitsForTheWhole(Reader read, const std::string& text, std::size_t whole) {
  for (std::size_t cut = 0; cut < whole; ++cut) EXPECT_EQ(read(text.substr(0, cut)).Status, hsWait) << cut;
}

TEST(ClientReply04, OkLineIsAcceptedWithWhatFollowsAnythingElseRefused) {
  std::string reply = "GNUTELLA OK\n\n";
  ExpectWaitsForTheWhole(Reply04, reply, reply.size());
  auto done = Reply04(reply + "\x01\x02");
  EXPECT_EQ(done.Status, hsDone);
  EXPECT_TRUE(done.Accepted);
  EXPECT_EQ(done.Consumed, 13u);
  // Anything else is refused as soon as it differs.
  EXPECT_EQ(Reply04("GNUTELLA/0.6 503 Busy\r\n\r\n").Status, hsRefused);
  EXPECT_EQ(Reply04("HTTP").Status, hsRefused);
  EXPECT_EQ(Reply04("GNUTELLA OK\r\n").Status, hsRefused);
}

TEST(ClientReply06, StatusAndHeadersAtEveryCut) {
  std::string reply =
      "GNUTELLA/0.6 200 OK\r\nUser-Agent: Peer 2.1\r\nX-Ultrapeer: true\r\n"
      "X-Try: 127.0.0.2:6346, 127.0.0.3:6347\r\nX-Leaf-Max: 8\r\n\r\n";
  ExpectWaitsForTheWhole(Reply06, reply, reply.size());
  auto done = Reply06(reply + "DESCRIPTORS");
  ASSERT_EQ(done.Status, hsDone);
  EXPECT_EQ(done.Consumed, reply.size());
  EXPECT_TRUE(done.Accepted);
  EXPECT_EQ(done.Headers.UserAgent.value_or(""), "Peer 2.1");
  EXPECT_EQ(done.Headers.Ultrapeer.value_or(false), true);
  EXPECT_EQ(done.Headers.LeafMax.value_or(0), 8);
  ASSERT_EQ(done.Headers.TryHosts.size(), 2u);
  EXPECT_EQ(done.Headers.TryHosts[1].Address, "127.0.0.3");
  EXPECT_EQ(done.Headers.TryHosts[1].Port, 6347);
}

TEST(ClientReply06, StatusIgnoresCaseAndOddHeadersAreLeftOut) {
  auto done = Reply06("gnutella/0.6 200 ok\r\nX-Ultrapeer-Needed: true\r\nX-Leaf-Max: many\r\n\r\n");
  EXPECT_TRUE(done.Accepted);
  EXPECT_EQ(done.Headers.UltrapeerNeeded.value_or(false), true);
  EXPECT_FALSE(done.Headers.Ultrapeer.has_value());  // not set by Ultrapeer-Needed
  EXPECT_FALSE(done.Headers.LeafMax.has_value());
}

TEST(ClientReply06, BusyIsARefusalWithItsText) {
  auto done = Reply06(
      "GNUTELLA/0.6 503 Busy\r\nX-Try: 127.0.0.4:6346,127.0.0.5:x\r\n\r\n");
  ASSERT_EQ(done.Status, hsDone);
  EXPECT_FALSE(done.Accepted);
  EXPECT_EQ(done.Refusal, "503 Busy");
  // A refused peer's X-Try hosts are still learned; the item whose port is
  // not a number is skipped.
  ASSERT_EQ(done.Headers.TryHosts.size(), 1u);
  EXPECT_EQ(done.Headers.TryHosts[0].Address, "127.0.0.4");
}

TEST(ClientReply06, InfoTextHasTheValuesAsSent) {
  auto done = Reply06(
      "GNUTELLA/0.6 200 OK\r\nX-Query-Routing: 0.2\r\nGGEP: 0.5\r\nListen-IP: 127.0.0.9:6346\r\n"
      "Remote-IP: 127.0.0.1\r\nUptime: 1D 2H 3M\r\n\r\n");
  EXPECT_EQ(done.Info,
            "X-Query-Routing=0.2\r\nGGEP=0.5\r\nListen-IP=127.0.0.9:6346\r\nX-Ultrapeer-Needed=\r\n"
            "X-Ultrapeer=\r\nRemoteIP=127.0.0.1\r\nX-Live-Since=\r\nPong-Caching=\r\n"
            "Uptime=1D 2H 3M\r\nX-Leaf-Max=\r\n\r\n");
  EXPECT_EQ(done.Headers.QueryRouting.value_or(gqrNo), gqrHigher);
  EXPECT_EQ(done.Headers.GGEP.value_or(gGGEPNo), gGGEP0_5);
}

TEST(Handshake, EndlessBlocksAreRefused) {
  EXPECT_EQ(Reply06("GNUTELLA/0.6 200 OK\r\n" + std::string(kMaxHandshakeBlock, 'x')).Status, hsRefused);
  EXPECT_EQ(First("GNUTELLA CONNECT/0.6\r\n" + std::string(kMaxHandshakeBlock, 'h')).Status, hsRefused);
}

TEST(ServerStep, Connect04AtEveryCutAndUnknownOpeningsRefused) {
  std::string opening = "GNUTELLA CONNECT/0.4\n\n";
  ExpectWaitsForTheWhole(First, opening, opening.size());
  auto step = First(opening + "\x01");
  EXPECT_EQ(step.Status, hsDone);
  EXPECT_EQ(step.Step, ssConnect04);
  EXPECT_EQ(step.Consumed, 22u);
  // An unknown opening is refused as soon as it differs.
  for (const char* opening : {"HELLO", "GNUTELLA CONNECT/0.5\r\n\r\n", "GET / HTTP/1.0\r\n\r\n",
                              "\x01\x02\x03", "GNUTELLA/0.6 200 OK\r\n\r\n"}) {
    auto step = First(opening);
    EXPECT_EQ(step.Status, hsRefused) << opening;
    EXPECT_EQ(step.Step, ssUnknown) << opening;
  }
}

TEST(ServerStep, Connect06AtEveryCutWithBothSpellings) {
  std::string opening =
      "GNUTELLA CONNECT/0.6\r\nUser-Agent: Peer/1.0\r\nX-Query-Routing: 0.1\r\n"
      "FPAuthChallenge: ABC\r\nHops-Flow: 1.1\r\nListen-IP: 127.0.0.7:6350\r\n"
      "X-Try: 127.0.0.2:1, 127.0.0.3:2\r\nX-Leaf-Max: 12abc\r\n\r\n";
  ExpectWaitsForTheWhole(First, opening, opening.size());
  auto step = First(opening);
  ASSERT_EQ(step.Status, hsDone);
  EXPECT_EQ(step.Step, ssConnect06);
  EXPECT_EQ(step.Consumed, opening.size());
  EXPECT_EQ(step.Headers.UserAgent.value_or(""), "peer/1.0");  // values are lower-cased
  EXPECT_EQ(step.Headers.QueryRouting.value_or(gqrNo), gqr0_1);
  EXPECT_EQ(step.Headers.FPAuthChallenge.value_or(""), "abc");
  EXPECT_EQ(step.Headers.HopsFlow.value_or(0), 3);
  EXPECT_EQ(step.Headers.ListenIP.value_or(""), "127.0.0.7:6350");
  ASSERT_EQ(step.Headers.TryHosts.size(), 2u);
  EXPECT_EQ(step.Headers.TryHosts[1].Address, "127.0.0.3");  // blank after the comma trimmed
  EXPECT_EQ(step.Headers.LeafMax.value_or(0), 12);

  auto other_spelling = First(
      "GNUTELLA CONNECT/0.6\r\nX-QueryRouting: 0.2\r\nFP-Auth-Challenge: q\r\n\r\n");
  EXPECT_EQ(other_spelling.Headers.QueryRouting.value_or(gqrNo), gqrHigher);
  EXPECT_EQ(other_spelling.Headers.FPAuthChallenge.value_or(""), "q");
}

TEST(ServerStep, Connect06XTryItemWithABadPortIsSkipped) {
  auto step =
      First("GNUTELLA CONNECT/0.6\r\nX-Try: 127.0.0.9:x, 127.0.0.8:6346\r\nX-Try-Ultrapeers: :1,a\r\n\r\n");
  EXPECT_EQ(step.Status, hsDone);
  EXPECT_EQ(step.Step, ssConnect06);
  ASSERT_EQ(step.Headers.TryHosts.size(), 1u);
  EXPECT_EQ(step.Headers.TryHosts[0].Address, "127.0.0.8");
  EXPECT_EQ(step.Headers.TryHosts[0].Port, 6346);
}

// Servents write "True" as the protocol's own examples do; either side
// reads any case.
TEST(Handshake, UltrapeerValuesIgnoreCase) {
  struct Case {
    const char* value;
    bool expected;
  };
  for (const Case& c : {Case{"True", true}, Case{"TRUE", true}, Case{"true", true},
                        Case{"False", false}, Case{"yes", false}}) {
    SCOPED_TRACE(c.value);
    const std::string headers = std::string("X-Ultrapeer: ") + c.value + "\r\nX-Ultrapeer-Needed: " +
                                c.value + "\r\n\r\n";
    auto reply = Reply06("GNUTELLA/0.6 200 OK\r\n" + headers);
    EXPECT_EQ(reply.Headers.Ultrapeer.value_or(!c.expected), c.expected);
    EXPECT_EQ(reply.Headers.UltrapeerNeeded.value_or(!c.expected), c.expected);
    auto step = First("GNUTELLA CONNECT/0.6\r\n" + headers);
    EXPECT_EQ(step.Headers.Ultrapeer.value_or(!c.expected), c.expected);
    EXPECT_EQ(step.Headers.UltrapeerNeeded.value_or(!c.expected), c.expected);
  }
}

TEST(ServerStep, FinalOkOnlyAfterTheFirstStep) {
  std::string final_ok = "GNUTELLA/0.6 200 OK\r\n\r\n";
  ExpectWaitsForTheWhole(Later, final_ok, final_ok.size());
  auto step = Later(final_ok + "\x05");
  EXPECT_EQ(step.Step, ssFinalOk);
  EXPECT_EQ(step.Consumed, final_ok.size());
  EXPECT_EQ(First(final_ok).Status, hsRefused);
  auto refused = Later("GNUTELLA/0.6 503 Busy\r\n\r\n");
  EXPECT_EQ(refused.Status, hsRefused);
  EXPECT_EQ(refused.Step, ssFinalRefused);
  EXPECT_EQ(refused.Refusal, "503 Busy");
}

TEST(ServerStep, UploadRequestAtEveryCutItsRangesAndBadNumbers) {
  std::string request =
      "GET /get/12/my song.mp3 HTTP/1.0\r\nConnection: Keep-Alive\r\nRange: bytes=100-\r\n"
      "User-Agent: Peer 3\r\n\r\n";
  ExpectWaitsForTheWhole(First, request, request.size());
  auto step = First(request);
  ASSERT_EQ(step.Status, hsDone);
  EXPECT_EQ(step.Step, ssUpload);
  EXPECT_EQ(step.Upload.FileIndex, 12);
  EXPECT_EQ(step.Upload.FileName, "my song.mp3");
  EXPECT_EQ(step.Upload.StartOffset, 100);
  EXPECT_EQ(step.Upload.StopOffset, -1);
  EXPECT_EQ(step.Upload.UserAgent, "Peer 3");
  // A range with an end, and none; names are not unescaped.
  auto ranged = First("GET /get/1/a HTTP/1.0\r\nRange: bytes=0-99\r\n\r\n");
  EXPECT_EQ(ranged.Upload.StartOffset, 0);
  EXPECT_EQ(ranged.Upload.StopOffset, 99);
  auto plain = First("GET /get/7/b%20c HTTP/1.0\r\n\r\n");
  EXPECT_EQ(plain.Upload.FileName, "b%20c");  // names are not unescaped
  EXPECT_EQ(plain.Upload.StartOffset, 0);
  EXPECT_EQ(plain.Upload.StopOffset, -1);
  for (const char* request :
       {"GET /get/x/a HTTP/1.0\r\n\r\n", "GET /get/1/a HTTP/1.0\r\nRange: bytes=a-\r\n\r\n",
        "GET /get/1/a HTTP/1.0\r\nRange: bytes=-500\r\n\r\n",
        "GET /get/1/a HTTP/1.0\r\nRange: bytes=1-z\r\n\r\n",
        "GET /get/99999999999/a HTTP/1.0\r\n\r\n"}) {
    auto step = First(request);
    EXPECT_EQ(step.Status, hsRefused) << request;
    EXPECT_EQ(step.Step, ssBadNumber) << request;
  }
}

TEST(ServerStep, GivLineAtEveryCut) {
  std::string giv = "GIV 3:0123456789ABCDEF0123456789ABCDEF/some file.mp3\n\n";
  ExpectWaitsForTheWhole(First, giv, giv.size() - 1);
  auto step = First(giv);
  ASSERT_EQ(step.Status, hsDone);
  EXPECT_EQ(step.Step, ssGiv);
  EXPECT_EQ(step.Consumed, giv.size());
  EXPECT_EQ(step.Giv.FileIndex, 3);
  EXPECT_EQ(step.Giv.ServentID, "0123456789ABCDEF0123456789ABCDEF");
  EXPECT_EQ(step.Giv.FileName, "some file.mp3");
  EXPECT_EQ(First("GIV x:id/name\n").Step, ssBadNumber);
}

TEST(Numbers, DecimalParsing) {
  EXPECT_EQ(ParseDecimal("0").value(), 0);
  EXPECT_EQ(ParseDecimal("-12").value(), -12);
  EXPECT_EQ(ParseDecimal("2147483647").value(), 2147483647);
  EXPECT_EQ(ParseDecimal("-2147483648").value(), -2147483647 - 1);
  EXPECT_FALSE(ParseDecimal("2147483648").has_value());
  EXPECT_FALSE(ParseDecimal("").has_value());
  EXPECT_FALSE(ParseDecimal("-").has_value());
  EXPECT_FALSE(ParseDecimal("1 ").has_value());
  EXPECT_FALSE(ParseDecimal("0x10").has_value());
}

}  // namespace
