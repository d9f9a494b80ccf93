// The adapters call, reached as the program reaches it: through
// LoadLibrary("IPHLPAPI.DLL") and GetProcAddress.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/modules.h"
#include "platform/net/adapters.h"

namespace {

using GetAdaptersInfoFunction = DWORD (*)(PIP_ADAPTER_INFO, PULONG);

class AdaptersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = LoadLibrary("IPHLPAPI.DLL");
    ASSERT_NE(library_, nullptr);
    get_ = reinterpret_cast<GetAdaptersInfoFunction>(GetProcAddress(library_, "GetAdaptersInfo"));
    ASSERT_NE(get_, nullptr);
  }
  void TearDown() override {
    platform::SetAdapterSource(nullptr);
    if (library_ != nullptr) FreeLibrary(library_);
  }
  HMODULE library_ = nullptr;
  GetAdaptersInfoFunction get_ = nullptr;
};

std::vector<platform::AdapterDescription> ThreeAdapters() {
  platform::AdapterDescription lan;
  lan.name = "eth0";
  lan.type = MIB_IF_TYPE_ETHERNET;
  lan.index = 2;
  lan.hardware_address = {0, 1, 2, 3, 4, 5};
  lan.addresses = {{"10.0.0.5", "255.0.0.0"}, {"10.0.0.6", "255.0.0.0"}};
  platform::AdapterDescription dialup;
  dialup.name = "ppp0";
  dialup.type = MIB_IF_TYPE_PPP;
  dialup.index = 3;
  dialup.addresses = {{"62.1.2.3", "255.255.255.255"}};
  platform::AdapterDescription bare;
  bare.name = "tun0";
  bare.index = 4;
  return {lan, dialup, bare};
}

TEST_F(AdaptersTest, ListsAdaptersWithTheirAddressesInsideTheBuffer) {
  platform::SetAdapterSource(ThreeAdapters);
  std::vector<unsigned char> buffer(8192);
  ULONG size = static_cast<ULONG>(buffer.size());
  auto* first = reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data());
  ASSERT_EQ(get_(first, &size), ERROR_SUCCESS);
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(first->AdapterName, "eth0");
  EXPECT_EQ(first->Type, MIB_IF_TYPE_ETHERNET);
  EXPECT_EQ(first->AddressLength, 6u);
  EXPECT_STREQ(first->IpAddressList.IpAddress.String, "10.0.0.5");
  EXPECT_STREQ(first->IpAddressList.IpMask.String, "255.0.0.0");
  ASSERT_NE(first->IpAddressList.Next, nullptr);
  EXPECT_STREQ(first->IpAddressList.Next->IpAddress.String, "10.0.0.6");
  auto* begin = buffer.data();
  auto* end = buffer.data() + buffer.size();
  auto* next_address = reinterpret_cast<unsigned char*>(first->IpAddressList.Next);
  EXPECT_TRUE(next_address >= begin && next_address < end);
  PIP_ADAPTER_INFO second = first->Next;
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Type, MIB_IF_TYPE_PPP);
  EXPECT_STREQ(second->IpAddressList.IpAddress.String, "62.1.2.3");
  PIP_ADAPTER_INFO third = second->Next;
  ASSERT_NE(third, nullptr);
  EXPECT_STREQ(third->IpAddressList.IpAddress.String, "0.0.0.0");
  EXPECT_EQ(third->Next, nullptr);
}

TEST_F(AdaptersTest, SmallBufferGetsTheSizeNeeded) {
  platform::SetAdapterSource(ThreeAdapters);
  ULONG size = 100;
  std::vector<unsigned char> small(100);
  EXPECT_EQ(get_(reinterpret_cast<PIP_ADAPTER_INFO>(small.data()), &size), ERROR_BUFFER_OVERFLOW);
  EXPECT_EQ(size, 3 * sizeof(IP_ADAPTER_INFO) + sizeof(IP_ADDR_STRING));
  std::vector<unsigned char> exact(size);
  EXPECT_EQ(get_(reinterpret_cast<PIP_ADAPTER_INFO>(exact.data()), &size), ERROR_SUCCESS);
  EXPECT_EQ(get_(nullptr, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(AdaptersTest, NoAdaptersIsNoData) {
  platform::SetAdapterSource([] { return std::vector<platform::AdapterDescription>{}; });
  ULONG size = 0;
  EXPECT_EQ(get_(nullptr, &size), ERROR_NO_DATA);
}

TEST_F(AdaptersTest, TheMachinesOwnListLeavesLoopbackOut) {
  for (const auto& adapter : platform::SystemAdapters()) {
    EXPECT_NE(adapter.type, MIB_IF_TYPE_LOOPBACK) << adapter.name;
    EXPECT_NE(adapter.name, "lo");
    for (const auto& address : adapter.addresses) {
      EXPECT_NE(address.address.rfind("127.", 0), 0u) << address.address;
    }
  }
}

}  // namespace
