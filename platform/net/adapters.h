// The network adapters call of the IP helper library. The platform provides
// the library inside the process: LoadLibrary("IPHLPAPI.DLL") finds it and
// GetProcAddress(.., "GetAdaptersInfo") gives the function below.
//
// The adapters are the machine's network interfaces that are up, except
// loopback ones, in interface order, each with its IPv4 addresses (or
// 0.0.0.0 when it has none). Types: 6 Ethernet, 23 PPP, 28 SLIP, 71
// wireless, 1 anything else.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/types.h"

constexpr int MAX_ADAPTER_NAME_LENGTH = 256;
constexpr int MAX_ADAPTER_DESCRIPTION_LENGTH = 128;
constexpr int MAX_ADAPTER_ADDRESS_LENGTH = 8;

constexpr UINT MIB_IF_TYPE_OTHER = 1;
constexpr UINT MIB_IF_TYPE_ETHERNET = 6;
constexpr UINT MIB_IF_TYPE_TOKENRING = 9;
constexpr UINT MIB_IF_TYPE_FDDI = 15;
constexpr UINT MIB_IF_TYPE_PPP = 23;
constexpr UINT MIB_IF_TYPE_LOOPBACK = 24;
constexpr UINT MIB_IF_TYPE_SLIP = 28;
constexpr UINT IF_TYPE_IEEE80211 = 71;

struct IP_ADDRESS_STRING {
  char String[16];
};
using IP_MASK_STRING = IP_ADDRESS_STRING;

struct IP_ADDR_STRING {
  IP_ADDR_STRING* Next;
  IP_ADDRESS_STRING IpAddress;
  IP_MASK_STRING IpMask;
  DWORD Context;
};

struct IP_ADAPTER_INFO {
  IP_ADAPTER_INFO* Next;
  DWORD ComboIndex;
  char AdapterName[MAX_ADAPTER_NAME_LENGTH + 4];
  char Description[MAX_ADAPTER_DESCRIPTION_LENGTH + 4];
  UINT AddressLength;
  BYTE Address[MAX_ADAPTER_ADDRESS_LENGTH];
  DWORD Index;
  UINT Type;
  UINT DhcpEnabled;
  IP_ADDR_STRING* CurrentIpAddress;
  IP_ADDR_STRING IpAddressList;
  IP_ADDR_STRING GatewayList;
  IP_ADDR_STRING DhcpServer;
  BOOL HaveWins;
  IP_ADDR_STRING PrimaryWinsServer;
  IP_ADDR_STRING SecondaryWinsServer;
  std::time_t LeaseObtained;
  std::time_t LeaseExpires;
};
using PIP_ADAPTER_INFO = IP_ADAPTER_INFO*;
using PULONG = ULONG*;

// Fills the caller's buffer with the adapter list (linked through Next, all
// inside the buffer). ERROR_BUFFER_OVERFLOW with the size needed in *size
// when the buffer is too small; ERROR_NO_DATA when there is no adapter;
// ERROR_INVALID_PARAMETER when `size` is null.
DWORD GetAdaptersInfo(PIP_ADAPTER_INFO adapters, PULONG size);

namespace platform {

struct AdapterAddress {
  std::string address;  // dotted
  std::string mask;     // dotted
};

struct AdapterDescription {
  std::string name;
  std::string description;
  DWORD index = 0;
  UINT type = MIB_IF_TYPE_OTHER;
  std::vector<BYTE> hardware_address;
  std::vector<AdapterAddress> addresses;
};

// The machine's adapters as GetAdaptersInfo reports them.
std::vector<AdapterDescription> SystemAdapters();
// Makes GetAdaptersInfo report what `source` gives (tests); an empty
// function goes back to the machine's own adapters.
void SetAdapterSource(std::function<std::vector<AdapterDescription>()> source);

}  // namespace platform
