// The pure readers and writers of the transfers: hostile names for the
// download target, the push request, escaping, and the line builders.
#include <gtest/gtest.h>

#include "network_ui/GnutellaTransfer.h"
#include "network_ui/TransferText.h"

namespace {

TEST(DownloadTarget, KeepsOnlyTheLastNamePartInsideTheFolder) {
  const std::string folder = "C:\\Downloads\\";
  struct Case {
    std::string name;
    std::string target;  // "" when refused
  } cases[] = {
      {"song.mp3", "C:\\Downloads\\song.mp3"},
      {"../x", "C:\\Downloads\\x"},
      {"..\\x", "C:\\Downloads\\x"},
      {"C:\\x", "C:\\Downloads\\x"},
      {"/etc/x", "C:\\Downloads\\x"},
      {"a/b\\c.mp3", "C:\\Downloads\\c.mp3"},
      {"C:x", "C:\\Downloads\\x"},
      {"", ""},
      {".", ""},
      {"..", ""},
      {"dir/..", ""},
      {"dir/", ""},
      {std::string("a\0b.mp3", 7), ""},
      {"a\r\nb.mp3", ""},
      {"tab\there", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DownloadTarget(folder, c.name), c.target) << c.name;
  }
  EXPECT_EQ(DownloadTarget("C:\\Downloads", "x.mp3"), "C:\\Downloads\\x.mp3");
  EXPECT_EQ(DownloadTarget("", "x.mp3"), "");
}

TEST(PushRequest, ReadsIndexNameRangeAndAgent) {
  TPushRequest r = ReadPushRequest("GET /get/12/a b.mp3 HTTP/1.0\r\nRange: bytes=5-9\r\nUser-Agent: X/1\r\n\r\nrest");
  ASSERT_EQ(r.Status, trDone);
  EXPECT_TRUE(r.IsGet);
  EXPECT_EQ(r.Consumed, 67u);
  EXPECT_EQ(r.FileIndex, 12);
  EXPECT_EQ(r.FileName, "a b.mp3");
  EXPECT_EQ(r.StartOffset, 5);
  EXPECT_EQ(r.StopOffset, 9);
  EXPECT_EQ(r.ContentRange, "bytes=5-9");
  EXPECT_EQ(r.UserAgent, "X/1");
  EXPECT_EQ(ReadPushRequest("GET /get/1/a HTTP/1.0\r\n").Status, trWait);
  EXPECT_EQ(ReadPushRequest("GET /g").Status, trWait);
  EXPECT_EQ(ReadPushRequest(std::string(kMaxTransferHeader + 1, 'G').insert(0, "GET /get/")).Status, trRefused);
  TPushRequest bad = ReadPushRequest("GET /get/x/a HTTP/1.0\r\n\r\n");
  EXPECT_EQ(bad.Status, trDone);
  EXPECT_FALSE(bad.IsGet);
  TPushRequest other = ReadPushRequest("HEAD / HTTP/1.0\r\n\r\n");
  EXPECT_EQ(other.Status, trDone);
  EXPECT_FALSE(other.IsGet);
  EXPECT_FALSE(ReadPushRequest("GET /get/1/a HTTP/1.0\r\nRange: bytes=-5\r\n\r\n").IsGet);
}

TEST(PushRequest, NamesMatchAsSentOrDecoded) {
  EXPECT_TRUE(PushNameMatches("My Song.mp3", "My Song.mp3"));
  EXPECT_TRUE(PushNameMatches("My%20Song.mp3", "My Song.mp3"));
  EXPECT_FALSE(PushNameMatches("my song.mp3", "My Song.mp3"));
  EXPECT_EQ(DecodePercent("100%25%2"), "100%%2");
}

TEST(ReplyHeader, ReadsStatusAndFields) {
  TReplyHeader r = ReadReplyHeader(
      "HTTP/1.1 206 Partial Content\r\ncontent-range: bytes 5-9/20\r\nContent-Length: 5\r\nServer: S\r\n"
      "Content-Type: audio/mpeg\r\nX-Gnutella-Content-URN: urn:sha1:X\r\n\r\nbody");
  ASSERT_EQ(r.Status, trDone);
  EXPECT_TRUE(r.Accepted);
  EXPECT_EQ(r.Code, 206);
  EXPECT_EQ(*r.RangeFirst, 5);
  EXPECT_EQ(*r.RangeLast, 9);
  EXPECT_EQ(*r.RangeTotal, 20);
  EXPECT_EQ(r.Server, "S");
  EXPECT_EQ(r.ContentType, "audio/mpeg");
  EXPECT_EQ(r.XGnutellaContentURN, "urn:sha1:X");
  EXPECT_EQ(ReplyRangeEnd(r, 5, true), 10);
  EXPECT_FALSE(ReplyRangeEnd(r, 4, true));
  EXPECT_EQ(ReadReplyHeader("HTT").Status, trWait);
  EXPECT_EQ(ReadReplyHeader("HTTP/1.0 200 OK\r\n").Status, trWait);
  EXPECT_EQ(ReadReplyHeader("XTTP").Code, 503);
  TReplyHeader big = ReadReplyHeader("HTTP/1.0 200 OK\r\n" + std::string(kMaxTransferHeader, 'a'));
  EXPECT_EQ(big.Status, trRefused);
  TReplyHeader reversed = ReadReplyHeader("HTTP/1.0 206 x\r\nContent-Range: bytes 9-5/20\r\n\r\n");
  EXPECT_EQ(reversed.Status, trRefused);
}

TEST(TransferLines, AreBuiltAsThePeersExpect) {
  EXPECT_EQ(DownloadRequest(3, "a b", 10, 20, "UA"),
            "GET /get/3/a%20b HTTP/1.0\r\nConnection: Keep-Alive\r\nRange: bytes=10-20\r\nUser-Agent: UA\r\n\r\n");
  EXPECT_EQ(PopRequest(3, "a b\r", 0, "UA"),
            "GET /get/3/a b%0D HTTP/1.0\r\nConnection: Keep-Alive\r\nRange: bytes=0-\r\nUser-Agent: UA\r\n\r\n");
  EXPECT_EQ(ReplaceText("a  b", " ", "%20"), "a%20%20b");
  EXPECT_EQ(ReplaceText("", " ", "%20"), "");
  EXPECT_EQ(ReplaceText("aaa", "a", "aa"), "aaaaaa");
  const std::string reset = TransferSocketErrorText(eeReceive, 10054);
  EXPECT_EQ(reset.substr(reset.size() - 18), "(10054 on receive)");
}

}  // namespace
