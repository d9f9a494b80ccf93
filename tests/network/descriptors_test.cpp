// Descriptor bytes: the header layout, cutting a stream into descriptors,
// and reading payload fields without leaving the payload.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "network/GnutellaDescriptors.h"

namespace {

GUID Guid(BYTE fill) {
  GUID guid;
  std::memset(static_cast<void*>(&guid), fill, sizeof guid);
  return guid;
}

std::vector<BYTE> Header(BYTE type, DWORD length, BYTE ttl = 7, BYTE hops = 0) {
  TGnutellaHeader header;
  header.DescriptorID = Guid(0xAB);
  header.PayloadType = type;
  header.TTL = ttl;
  header.Hops = hops;
  header.PayloadLength = length;
  std::vector<BYTE> bytes(23);
  header.Write(bytes.data());
  return bytes;
}

TEST(Descriptors, HeaderIsTwentyThreeLittleEndianBytes) {
  std::vector<BYTE> bytes = Header(gdQuery, 0x01020304, 5, 2);
  ASSERT_EQ(bytes.size(), 23u);
  EXPECT_EQ(bytes[0], 0xAB);
  EXPECT_EQ(bytes[15], 0xAB);
  EXPECT_EQ(bytes[16], 0x80);
  EXPECT_EQ(bytes[17], 5);
  EXPECT_EQ(bytes[18], 2);
  EXPECT_EQ(bytes[19], 0x04);
  EXPECT_EQ(bytes[22], 0x01);
  TGnutellaHeader back = TGnutellaHeader::Read(bytes.data());
  EXPECT_EQ(back.PayloadLength, 0x01020304u);
  EXPECT_EQ(back.PayloadType, gdQuery);
  // A forwarded copy lowers the TTL and raises the hops.
  std::vector<BYTE> query = BuildQuery(Guid(6), 5, 0, "x");
  TGnutellaHeader header = TGnutellaHeader::Read(query.data());
  header.Hops = 1;
  std::vector<BYTE> passed = ForwardedCopy(header, query.data() + 23, header.PayloadLength);
  TGnutellaHeader after = TGnutellaHeader::Read(passed.data());
  EXPECT_EQ(after.TTL, 4);
  EXPECT_EQ(after.Hops, 2);
  EXPECT_EQ(std::memcmp(passed.data() + 23, query.data() + 23, header.PayloadLength), 0);
  EXPECT_TRUE(IsEqualGUID(after.DescriptorID, header.DescriptorID));
}

TEST(Descriptors, FrameNeedsTheWholeHeaderAndPayload) {
  std::vector<BYTE> ping = Header(gdPing, 0);
  EXPECT_EQ(ReadFrame(ping.data(), 22).Status, TFrameStatus::fsNeedMore);
  TFrame frame = ReadFrame(ping.data(), 23);
  EXPECT_EQ(frame.Status, TFrameStatus::fsComplete);
  EXPECT_EQ(frame.Size, 23u);
  std::vector<BYTE> query = Header(gdQuery, 5);
  query.insert(query.end(), {0, 0, 'a', 'b', 0});
  EXPECT_EQ(ReadFrame(query.data(), 27).Status, TFrameStatus::fsNeedMore);
  frame = ReadFrame(query.data(), query.size());
  EXPECT_EQ(frame.Status, TFrameStatus::fsComplete);
  EXPECT_EQ(frame.Payload, query.data() + 23);
  EXPECT_EQ(frame.Size, 28u);
  // The longest payload is 65,536 bytes.
  std::vector<BYTE> at_limit = Header(0x02, 65536);
  EXPECT_EQ(ReadFrame(at_limit.data(), at_limit.size()).Status, TFrameStatus::fsNeedMore);
  std::vector<BYTE> over = Header(gdQuery, 65537);
  EXPECT_EQ(ReadFrame(over.data(), over.size()).Status, TFrameStatus::fsTooLong);
  std::vector<BYTE> huge = Header(gdQuery, 0xFFFFFFFF);
  EXPECT_EQ(ReadFrame(huge.data(), huge.size()).Status, TFrameStatus::fsTooLong);
}

TEST(Descriptors, PongAndPushFields) {
  TPongFields pong;
  pong.Port = 6346;
  pong.Address = 0x0100007F;  // 127.0.0.1 in network order on this machine
  pong.FileCount = 12;
  pong.SharedKilobytes = 3000;
  std::vector<BYTE> bytes = BuildPong(Guid(1), 7, pong);
  ASSERT_EQ(bytes.size(), 37u);
  EXPECT_EQ(bytes[23], 0xCA);  // 6346 little-endian
  EXPECT_EQ(bytes[24], 0x18);
  EXPECT_EQ(bytes[25], 127);
  EXPECT_EQ(bytes[28], 1);
  TPongFields back;
  ASSERT_TRUE(ReadPong(bytes.data() + 23, 14, &back));
  EXPECT_EQ(back.Port, 6346);
  EXPECT_EQ(back.FileCount, 12u);
  EXPECT_EQ(back.SharedKilobytes, 3000u);
  EXPECT_FALSE(ReadPong(bytes.data() + 23, 13, &back));
  TPushFields push;
  push.ServentID = Guid(0x77);
  push.FileIndex = 42;
  push.Address = 0x0200007F;
  push.Port = 6347;
  bytes = BuildPush(Guid(5), 7, push);
  ASSERT_EQ(bytes.size(), 23u + 26u);
  TPushFields push_back;
  ASSERT_TRUE(ReadPush(bytes.data() + 23, 26, &push_back));
  EXPECT_EQ(push_back.FileIndex, 42u);
  EXPECT_EQ(push_back.Port, 6347);
  EXPECT_EQ(push_back.Address, 0x0200007Fu);
  EXPECT_TRUE(IsEqualGUID(push_back.ServentID, push.ServentID));
  EXPECT_FALSE(ReadPush(bytes.data() + 23, 25, &push_back));
}

TEST(Descriptors, QueryTextStaysInsideThePayload) {
  std::vector<BYTE> bytes = BuildQuery(Guid(2), 7, 56, "beat it");
  TGnutellaHeader header = TGnutellaHeader::Read(bytes.data());
  EXPECT_EQ(header.PayloadLength, 10u);  // text + 3
  TQueryFields query;
  ASSERT_TRUE(ReadQuery(bytes.data() + 23, header.PayloadLength, &query));
  EXPECT_EQ(query.MinSpeed, 56);
  EXPECT_EQ(query.SearchText, "beat it");
  // Without its NUL the text would run past the payload: refused.
  EXPECT_FALSE(ReadQuery(bytes.data() + 23, header.PayloadLength - 1, &query));
  EXPECT_FALSE(ReadQuery(bytes.data() + 23, 2, &query));
}

TEST(Descriptors, QueryHitRoundTrip) {
  std::vector<BYTE> block;
  AppendQueryHitResult(block, 3, 1000, "song one.mp3", "");
  AppendQueryHitResult(block, 9, 2048, "song two.ogg", "extra");
  GUID servent = Guid(0x5A);
  std::vector<BYTE> bytes = BuildQueryHit(Guid(3), 7, 2, 9999, 0x0100007F, 10000, block, servent);
  TGnutellaHeader header = TGnutellaHeader::Read(bytes.data());
  EXPECT_EQ(header.PayloadLength, 11 + block.size() + 16);
  TQueryHitFields hit;
  ASSERT_TRUE(ReadQueryHit(bytes.data() + 23, header.PayloadLength, &hit));
  EXPECT_EQ(hit.Port, 9999);
  EXPECT_EQ(hit.Speed, 10000u);
  EXPECT_TRUE(IsEqualGUID(hit.ServentID, servent));
  ASSERT_EQ(hit.Results.size(), 2u);
  EXPECT_EQ(hit.Results[0].FileIndex, 3u);
  EXPECT_EQ(hit.Results[0].FileName, "song one.mp3");
  EXPECT_EQ(hit.Results[1].FileSize, 2048u);
  EXPECT_EQ(hit.Results[1].Extra, "extra");
  // A hit may carry bytes after its results (a vendor block).
  block.clear();
  AppendQueryHitResult(block, 1, 10, "a", "");
  block.insert(block.end(), {'V', 'E', 'N', 'D', 2, 0x1c, 0x19});  // a vendor block
  bytes = BuildQueryHit(Guid(3), 7, 1, 1, 0, 0, block, Guid(4));
  ASSERT_TRUE(ReadQueryHit(bytes.data() + 23, bytes.size() - 23, &hit));
  ASSERT_EQ(hit.Results.size(), 1u);
  EXPECT_EQ(hit.Results[0].FileName, "a");
}

TEST(Descriptors, QueryHitWithFewerResultsThanItsCountIsRefused) {
  std::vector<BYTE> block;
  AppendQueryHitResult(block, 1, 10, "a", "");
  std::vector<BYTE> bytes = BuildQueryHit(Guid(3), 7, 3, 1, 0, 0, block, Guid(4));
  TQueryHitFields hit;
  EXPECT_FALSE(ReadQueryHit(bytes.data() + 23, bytes.size() - 23, &hit));
  // A name whose NUL would lie in the servent GUID is not read into it.
  std::vector<BYTE> unterminated(11 + 8 + 3);
  unterminated[0] = 1;
  std::memcpy(unterminated.data() + 19, "abc", 3);
  std::vector<BYTE> guid(16, 0);
  unterminated.insert(unterminated.end(), guid.begin(), guid.end());
  EXPECT_FALSE(ReadQueryHit(unterminated.data(), unterminated.size(), &hit));
  EXPECT_FALSE(ReadQueryHit(bytes.data() + 23, 26, &hit));
}

TEST(Descriptors, ADescriptorIsNeverBuiltFromALengthWithoutItsBytes) {
  TGnutellaHeader header;
  header.PayloadType = gdPing;
  header.TTL = 4;
  header.PayloadLength = 7;  // as received, but the bytes are not given
  std::vector<BYTE> built = BuildDescriptor(header, nullptr, 7);
  ASSERT_EQ(built.size(), 23u);
  EXPECT_EQ(TGnutellaHeader::Read(built.data()).PayloadLength, 0u);
  EXPECT_EQ(ForwardedCopy(header, nullptr, 7).size(), 23u);
}

}  // namespace
