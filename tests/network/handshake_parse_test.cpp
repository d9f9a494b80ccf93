// The handshake readers on their own: every step taken from bytes that
// arrive whole, split at every byte, or together with what follows them.
#include <gtest/gtest.h>

#include <string>

#include "network/GnutellaHandshake.h"

namespace {

const std::string kWord = "GNUTELLA";

TEST(ClientReply04, OkLineIsAcceptedAndWhatFollowsIsKept) {
  std::string reply = "GNUTELLA OK\n\n";
  for (std::size_t cut = 0; cut < reply.size(); ++cut) {
    EXPECT_EQ(ReadClientReply04(reply.substr(0, cut), kWord).Status, hsWait) << cut;
  }
  auto done = ReadClientReply04(reply + "\x01\x02", kWord);
  EXPECT_EQ(done.Status, hsDone);
  EXPECT_TRUE(done.Accepted);
  EXPECT_EQ(done.Consumed, 13u);
}

TEST(ClientReply04, AnythingElseIsRefusedAsSoonAsItDiffers) {
  EXPECT_EQ(ReadClientReply04("GNUTELLA/0.6 503 Busy\r\n\r\n", kWord).Status, hsRefused);
  EXPECT_EQ(ReadClientReply04("HTTP", kWord).Status, hsRefused);
  EXPECT_EQ(ReadClientReply04("GNUTELLA OK\r\n", kWord).Status, hsRefused);
}

TEST(ClientReply06, StatusAndHeadersAtEveryCut) {
  std::string reply =
      "GNUTELLA/0.6 200 OK\r\nUser-Agent: Peer 2.1\r\nX-Ultrapeer: true\r\n"
      "X-Try: 127.0.0.2:6346, 127.0.0.3:6347\r\nX-Leaf-Max: 8\r\n\r\n";
  for (std::size_t cut = 0; cut < reply.size(); ++cut) {
    EXPECT_EQ(ReadClientReply06(reply.substr(0, cut), kWord).Status, hsWait) << cut;
  }
  auto done = ReadClientReply06(reply + "DESCRIPTORS", kWord);
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

TEST(ClientReply06, StatusTextIgnoresCase) {
  auto done = ReadClientReply06("GNUTELLA/0.6 200 ok\r\n\r\n", kWord);
  EXPECT_TRUE(done.Accepted);
  done = ReadClientReply06("gnutella/0.6 200 Ok\r\n\r\n", kWord);
  EXPECT_TRUE(done.Accepted);
}

TEST(ClientReply06, BusyIsARefusalWithItsText) {
  auto done = ReadClientReply06(
      "GNUTELLA/0.6 503 Busy\r\nX-Try: 127.0.0.4:6346,127.0.0.5:x\r\n\r\n", kWord);
  ASSERT_EQ(done.Status, hsDone);
  EXPECT_FALSE(done.Accepted);
  EXPECT_EQ(done.Refusal, "503 Busy");
  // A refused peer's X-Try hosts are still learned; the item whose port is
  // not a number is skipped.
  ASSERT_EQ(done.Headers.TryHosts.size(), 1u);
  EXPECT_EQ(done.Headers.TryHosts[0].Address, "127.0.0.4");
}

TEST(ClientReply06, UltrapeerNeededLeavesUltrapeerAlone) {
  auto done = ReadClientReply06("GNUTELLA/0.6 200 OK\r\nX-Ultrapeer-Needed: true\r\n\r\n", kWord);
  EXPECT_EQ(done.Headers.UltrapeerNeeded.value_or(false), true);
  EXPECT_FALSE(done.Headers.Ultrapeer.has_value());
}

TEST(ClientReply06, InfoTextHasTheValuesAsSent) {
  auto done = ReadClientReply06(
      "GNUTELLA/0.6 200 OK\r\nX-Query-Routing: 0.2\r\nGGEP: 0.5\r\nListen-IP: 127.0.0.9:6346\r\n"
      "Remote-IP: 127.0.0.1\r\nUptime: 1D 2H 3M\r\n\r\n",
      kWord);
  EXPECT_EQ(done.Info,
            "X-Query-Routing=0.2\r\nGGEP=0.5\r\nListen-IP=127.0.0.9:6346\r\nX-Ultrapeer-Needed=\r\n"
            "X-Ultrapeer=\r\nRemoteIP=127.0.0.1\r\nX-Live-Since=\r\nPong-Caching=\r\n"
            "Uptime=1D 2H 3M\r\nX-Leaf-Max=\r\n\r\n");
  EXPECT_EQ(done.Headers.QueryRouting.value_or(gqrNo), gqrHigher);
  EXPECT_EQ(done.Headers.GGEP.value_or(gGGEPNo), gGGEP0_5);
}

TEST(ClientReply06, NonNumericLeafMaxIsIgnored) {
  auto done = ReadClientReply06("GNUTELLA/0.6 200 OK\r\nX-Leaf-Max: many\r\n\r\n", kWord);
  EXPECT_FALSE(done.Headers.LeafMax.has_value());
}

TEST(ClientReply06, EndlessBlockIsRefused) {
  std::string endless = "GNUTELLA/0.6 200 OK\r\n" + std::string(kMaxHandshakeBlock, 'x');
  EXPECT_EQ(ReadClientReply06(endless, kWord).Status, hsRefused);
}

TEST(ServerStep, Connect04AtEveryCut) {
  std::string opening = "GNUTELLA CONNECT/0.4\n\n";
  for (std::size_t cut = 0; cut < opening.size(); ++cut) {
    EXPECT_EQ(ReadServerStep(opening.substr(0, cut), true, kWord).Status, hsWait) << cut;
  }
  auto step = ReadServerStep(opening + "\x01", true, kWord);
  EXPECT_EQ(step.Status, hsDone);
  EXPECT_EQ(step.Step, ssConnect04);
  EXPECT_EQ(step.Consumed, 22u);
}

TEST(ServerStep, Connect06AtEveryCutWithBothSpellings) {
  std::string opening =
      "GNUTELLA CONNECT/0.6\r\nUser-Agent: Peer/1.0\r\nX-Query-Routing: 0.1\r\n"
      "FPAuthChallenge: ABC\r\nHops-Flow: 1.1\r\nListen-IP: 127.0.0.7:6350\r\n"
      "X-Try: 127.0.0.2:1, 127.0.0.3:2\r\nX-Leaf-Max: 12abc\r\n\r\n";
  for (std::size_t cut = 0; cut < opening.size(); ++cut) {
    EXPECT_EQ(ReadServerStep(opening.substr(0, cut), true, kWord).Status, hsWait) << cut;
  }
  auto step = ReadServerStep(opening, true, kWord);
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

  auto other_spelling = ReadServerStep(
      "GNUTELLA CONNECT/0.6\r\nX-QueryRouting: 0.2\r\nFP-Auth-Challenge: q\r\n\r\n", true, kWord);
  EXPECT_EQ(other_spelling.Headers.QueryRouting.value_or(gqrNo), gqrHigher);
  EXPECT_EQ(other_spelling.Headers.FPAuthChallenge.value_or(""), "q");
}

TEST(ServerStep, Connect06XTryItemWithABadPortIsSkipped) {
  auto step = ReadServerStep(
      "GNUTELLA CONNECT/0.6\r\nX-Try: 127.0.0.9:x, 127.0.0.8:6346\r\nX-Try-Ultrapeers: :1,a\r\n\r\n",
      true, kWord);
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
    auto reply = ReadClientReply06("GNUTELLA/0.6 200 OK\r\n" + headers, kWord);
    EXPECT_EQ(reply.Headers.Ultrapeer.value_or(!c.expected), c.expected);
    EXPECT_EQ(reply.Headers.UltrapeerNeeded.value_or(!c.expected), c.expected);
    auto step = ReadServerStep("GNUTELLA CONNECT/0.6\r\n" + headers, true, kWord);
    EXPECT_EQ(step.Headers.Ultrapeer.value_or(!c.expected), c.expected);
    EXPECT_EQ(step.Headers.UltrapeerNeeded.value_or(!c.expected), c.expected);
  }
}

TEST(ServerStep, FinalOkOnlyAfterTheFirstStep) {
  std::string final_ok = "GNUTELLA/0.6 200 OK\r\n\r\n";
  for (std::size_t cut = 0; cut < final_ok.size(); ++cut) {
    EXPECT_EQ(ReadServerStep(final_ok.substr(0, cut), false, kWord).Status, hsWait) << cut;
  }
  auto step = ReadServerStep(final_ok + "\x05", false, kWord);
  EXPECT_EQ(step.Step, ssFinalOk);
  EXPECT_EQ(step.Consumed, final_ok.size());
  EXPECT_EQ(ReadServerStep(final_ok, true, kWord).Status, hsRefused);
  auto refused = ReadServerStep("GNUTELLA/0.6 503 Busy\r\n\r\n", false, kWord);
  EXPECT_EQ(refused.Status, hsRefused);
  EXPECT_EQ(refused.Step, ssFinalRefused);
  EXPECT_EQ(refused.Refusal, "503 Busy");
}

TEST(ServerStep, UploadRequestAtEveryCut) {
  std::string request =
      "GET /get/12/my song.mp3 HTTP/1.0\r\nConnection: Keep-Alive\r\nRange: bytes=100-\r\n"
      "User-Agent: Peer 3\r\n\r\n";
  for (std::size_t cut = 0; cut < request.size(); ++cut) {
    EXPECT_EQ(ReadServerStep(request.substr(0, cut), true, kWord).Status, hsWait) << cut;
  }
  auto step = ReadServerStep(request, true, kWord);
  ASSERT_EQ(step.Status, hsDone);
  EXPECT_EQ(step.Step, ssUpload);
  EXPECT_EQ(step.Upload.FileIndex, 12);
  EXPECT_EQ(step.Upload.FileName, "my song.mp3");
  EXPECT_EQ(step.Upload.StartOffset, 100);
  EXPECT_EQ(step.Upload.StopOffset, -1);
  EXPECT_EQ(step.Upload.UserAgent, "Peer 3");
}

TEST(ServerStep, UploadRangeWithEndAndWithout) {
  auto ranged = ReadServerStep("GET /get/1/a HTTP/1.0\r\nRange: bytes=0-99\r\n\r\n", true, kWord);
  EXPECT_EQ(ranged.Upload.StartOffset, 0);
  EXPECT_EQ(ranged.Upload.StopOffset, 99);
  auto plain = ReadServerStep("GET /get/7/b%20c HTTP/1.0\r\n\r\n", true, kWord);
  EXPECT_EQ(plain.Upload.FileName, "b%20c");  // names are not unescaped
  EXPECT_EQ(plain.Upload.StartOffset, 0);
  EXPECT_EQ(plain.Upload.StopOffset, -1);
}

TEST(ServerStep, UploadNumbersThatDoNotParseAreBadNumbers) {
  for (const char* request :
       {"GET /get/x/a HTTP/1.0\r\n\r\n", "GET /get/1/a HTTP/1.0\r\nRange: bytes=a-\r\n\r\n",
        "GET /get/1/a HTTP/1.0\r\nRange: bytes=-500\r\n\r\n",
        "GET /get/1/a HTTP/1.0\r\nRange: bytes=1-z\r\n\r\n",
        "GET /get/99999999999/a HTTP/1.0\r\n\r\n"}) {
    auto step = ReadServerStep(request, true, kWord);
    EXPECT_EQ(step.Status, hsRefused) << request;
    EXPECT_EQ(step.Step, ssBadNumber) << request;
  }
}

TEST(ServerStep, GivLineAtEveryCut) {
  std::string giv = "GIV 3:0123456789ABCDEF0123456789ABCDEF/some file.mp3\n\n";
  for (std::size_t cut = 0; cut < giv.size() - 1; ++cut) {
    EXPECT_EQ(ReadServerStep(giv.substr(0, cut), true, kWord).Status, hsWait) << cut;
  }
  auto step = ReadServerStep(giv, true, kWord);
  ASSERT_EQ(step.Status, hsDone);
  EXPECT_EQ(step.Step, ssGiv);
  EXPECT_EQ(step.Consumed, giv.size());
  EXPECT_EQ(step.Giv.FileIndex, 3);
  EXPECT_EQ(step.Giv.ServentID, "0123456789ABCDEF0123456789ABCDEF");
  EXPECT_EQ(step.Giv.FileName, "some file.mp3");
  EXPECT_EQ(ReadServerStep("GIV x:id/name\n", true, kWord).Step, ssBadNumber);
}

TEST(ServerStep, UnknownOpeningIsRefusedAsSoonAsItDiffers) {
  for (const char* opening : {"HELLO", "GNUTELLA CONNECT/0.5\r\n\r\n", "GET / HTTP/1.0\r\n\r\n",
                              "\x01\x02\x03", "GNUTELLA/0.6 200 OK\r\n\r\n"}) {
    auto step = ReadServerStep(opening, true, kWord);
    EXPECT_EQ(step.Status, hsRefused) << opening;
    EXPECT_EQ(step.Step, ssUnknown) << opening;
  }
}

TEST(ServerStep, EndlessHeaderBlockIsRefused) {
  std::string endless = "GNUTELLA CONNECT/0.6\r\n" + std::string(kMaxHandshakeBlock, 'h');
  EXPECT_EQ(ReadServerStep(endless, true, kWord).Status, hsRefused);
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
