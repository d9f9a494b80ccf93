#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "platform/net/guids.h"

namespace {

TEST(Guids, TextFormIsBracedUpperCaseHex) {
  GUID guid;
  guid.Data1 = 0x6B29FC40;
  guid.Data2 = 0xCA47;
  guid.Data3 = 0x1067;
  const BYTE tail[8] = {0xB3, 0x1D, 0x00, 0xDD, 0x01, 0x06, 0x62, 0xDA};
  std::memcpy(guid.Data4, tail, 8);
  LPOLESTR text = nullptr;
  ASSERT_EQ(StringFromCLSID(guid, &text), S_OK);
  EXPECT_STREQ(text, "{6B29FC40-CA47-1067-B31D-00DD010662DA}");
  CoTaskMemFree(text);
  EXPECT_EQ(platform::GuidToText(guid), "{6B29FC40-CA47-1067-B31D-00DD010662DA}");
  // StringFromGUID2 needs room for the whole text.
  char buffer[39];
  EXPECT_EQ(StringFromGUID2(guid, buffer, 38), 0);
  EXPECT_EQ(StringFromGUID2(guid, buffer, 39), 39);
  EXPECT_STREQ(buffer, "{6B29FC40-CA47-1067-B31D-00DD010662DA}");
}

TEST(Guids, BytesInMemoryAreLittleEndianFieldsThenTail) {
  GUID guid;
  ASSERT_TRUE(platform::GuidFromText("{00112233-4455-6677-8899-AABBCCDDEEFF}", &guid));
  unsigned char bytes[16];
  std::memcpy(bytes, &guid, 16);
  const unsigned char expected[16] = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                                      0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
  EXPECT_EQ(std::memcmp(bytes, expected, 16), 0);
}

TEST(Guids, TextRoundTripsAndLowerCaseIsRead) {
  GUID made;
  ASSERT_EQ(CoCreateGuid(&made), S_OK);
  LPOLESTR text = nullptr;
  ASSERT_EQ(StringFromCLSID(made, &text), S_OK);
  GUID back;
  ASSERT_EQ(CLSIDFromString(text, &back), S_OK);
  EXPECT_TRUE(IsEqualGUID(made, back));
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  GUID from_lower;
  ASSERT_EQ(CLSIDFromString(lower.c_str(), &from_lower), S_OK);
  EXPECT_TRUE(IsEqualGUID(made, from_lower));
  CoTaskMemFree(text);
}

TEST(Guids, MalformedTextIsRefused) {
  GUID guid;
  for (const char* bad :
       {"", "{}", "6B29FC40-CA47-1067-B31D-00DD010662DA", "{6B29FC40-CA47-1067-B31D-00DD010662D}",
        "{6B29FC40-CA47-1067-B31D-00DD010662DAX}", "{6B29FC40_CA47-1067-B31D-00DD010662DA}",
        "{6B29FC4G-CA47-1067-B31D-00DD010662DA}"}) {
    EXPECT_EQ(CLSIDFromString(bad, &guid), CO_E_CLASSSTRING) << bad;
  }
  EXPECT_EQ(CLSIDFromString(nullptr, &guid), E_INVALIDARG);
}

TEST(Guids, CreatedGuidsAreVersionFourAndDistinct) {
  std::set<std::string> seen;
  for (int i = 0; i < 1000; ++i) {
    GUID guid;
    ASSERT_EQ(CoCreateGuid(&guid), S_OK);
    EXPECT_EQ(guid.Data3 >> 12, 4);
    EXPECT_EQ(guid.Data4[0] & 0xC0, 0x80);
    seen.insert(platform::GuidToText(guid));
  }
  EXPECT_EQ(seen.size(), 1000u);
}

}  // namespace
