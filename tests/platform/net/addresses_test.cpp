// Byte order, dotted addresses, host look-ups and the error texts of the
// Winsock layer.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/core/errors.h"
#include "platform/net/guids.h"
#include "platform/net/winsock.h"

namespace {

using namespace winsock;

// The bytes of a value as they lie in memory.
template <class T>
std::vector<unsigned char> BytesOf(T value) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
  return std::vector<unsigned char>(bytes, bytes + sizeof value);
}

TEST(ByteOrder, NetworkOrderIsBigEndianAndDottedQuadsAreInIt) {
  EXPECT_EQ(BytesOf(htons(6346)), (std::vector<unsigned char>{0x18, 0xCA}));
  EXPECT_EQ(ntohs(htons(6346)), 6346);
  EXPECT_EQ(BytesOf(htonl(0x01020304)), (std::vector<unsigned char>{1, 2, 3, 4}));
  EXPECT_EQ(ntohl(htonl(0x01020304)), 0x01020304u);
  EXPECT_EQ(BytesOf(inet_addr("127.0.0.1")), (std::vector<unsigned char>{127, 0, 0, 1}));
}

TEST(InetAddr, ShortFormsAndBases) {
  EXPECT_EQ(inet_addr("127.1"), inet_addr("127.0.0.1"));
  EXPECT_EQ(inet_addr("10.1.258"), inet_addr("10.1.1.2"));
  EXPECT_EQ(inet_addr("0x7f.0.0.01"), inet_addr("127.0.0.1"));
  EXPECT_EQ(inet_addr("2130706433"), inet_addr("127.0.0.1"));
  // Blanks end the address; what follows them is ignored.
  EXPECT_EQ(inet_addr("127.0.0.2 x"), inet_addr("127.0.0.2"));
}

TEST(InetAddr, RefusesWhatIsNotAnAddress) {
  EXPECT_EQ(inet_addr("256.0.0.1"), INADDR_NONE);
  EXPECT_EQ(inet_addr("1.2.3.4.5"), INADDR_NONE);
  EXPECT_EQ(inet_addr("host.example"), INADDR_NONE);
  EXPECT_EQ(inet_addr(""), INADDR_NONE);
  EXPECT_EQ(inet_addr("1..2.3"), INADDR_NONE);
  EXPECT_EQ(inet_addr(" 1.2.3.4"), INADDR_NONE);
  EXPECT_EQ(inet_addr("08.1.1.1"), INADDR_NONE);  // 8 is no octal digit
  EXPECT_EQ(inet_addr(nullptr), INADDR_NONE);
  // The broadcast address is a valid text with the same value.
  EXPECT_EQ(inet_addr("255.255.255.255"), INADDR_NONE);
}

TEST(InetNtoa, WritesDottedText) {
  in_addr address;
  address.s_addr = inet_addr("192.168.10.254");
  EXPECT_STREQ(inet_ntoa(address), "192.168.10.254");
  address.s_addr = 0;
  EXPECT_STREQ(inet_ntoa(address), "0.0.0.0");
}

TEST(HostNames, OwnNameFitsOrReportsFault) {
  char name[256] = {};
  ASSERT_EQ(gethostname(name, sizeof name), 0);
  EXPECT_GT(std::string(name).size(), 0u);
  char tiny[1];
  EXPECT_EQ(gethostname(tiny, 1), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), static_cast<int>(WSAEFAULT));
}

TEST(HostNames, OwnNameIsAnsweredFromTheInterfaces) {
  char name[256] = {};
  ASSERT_EQ(gethostname(name, sizeof name), 0);
  hostent* entry = gethostbyname(name);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->h_addrtype, AF_INET);
  EXPECT_EQ(entry->h_length, 4);
  ASSERT_NE(entry->h_addr_list[0], nullptr);
  std::set<std::string> seen;
  for (char** a = entry->h_addr_list; *a != nullptr; ++a) {
    in_addr address;
    std::memcpy(&address.s_addr, *a, 4);
    seen.insert(inet_ntoa(address));
  }
  // Loopback is listed only when the machine has nothing else.
  if (seen.size() > 1) {
    EXPECT_EQ(seen.count("127.0.0.1"), 0u);
  }
}

TEST(HostNames, LocalhostAndDottedText) {
  hostent* entry = gethostbyname("localhost");
  ASSERT_NE(entry, nullptr);
  in_addr address;
  std::memcpy(&address.s_addr, entry->h_addr_list[0], 4);
  EXPECT_STREQ(inet_ntoa(address), "127.0.0.1");
  EXPECT_EQ(entry->h_addr_list[1], nullptr);
  entry = gethostbyname("127.0.0.9");
  ASSERT_NE(entry, nullptr);
  std::memcpy(&address.s_addr, entry->h_addr_list[0], 4);
  EXPECT_STREQ(inet_ntoa(address), "127.0.0.9");
}

TEST(StartUp, VersionsAndCounting) {
  WSADATA data;
  EXPECT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
  EXPECT_EQ(data.wVersion, MAKEWORD(1, 1));
  EXPECT_EQ(WSAStartup(MAKEWORD(3, 0), &data), 0);
  EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));
  EXPECT_EQ(WSAStartup(MAKEWORD(1, 0), &data), static_cast<int>(WSAVERNOTSUPPORTED));
  EXPECT_EQ(WSACleanup(), 0);
  EXPECT_EQ(WSACleanup(), 0);
  EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), static_cast<int>(WSANOTINITIALISED));
}

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
