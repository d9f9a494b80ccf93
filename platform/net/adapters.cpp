#include "platform/net/adapters.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/core/modules.h"

namespace {

std::mutex g_source_mutex;
std::function<std::vector<platform::AdapterDescription>()> g_source;

std::string Dotted(const sockaddr* address) {
  if (address == nullptr || address->sa_family != AF_INET) return "0.0.0.0";
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
  return text;
}

bool IsWireless(const std::string& name) {
  return ::access(("/sys/class/net/" + name + "/wireless").c_str(), F_OK) == 0;
}

UINT AdapterType(unsigned short hardware_type, const std::string& name) {
  switch (hardware_type) {
    case ARPHRD_ETHER:
      return IsWireless(name) ? IF_TYPE_IEEE80211 : MIB_IF_TYPE_ETHERNET;
    case ARPHRD_PPP:
      return MIB_IF_TYPE_PPP;
    case ARPHRD_SLIP:
    case ARPHRD_CSLIP:
      return MIB_IF_TYPE_SLIP;
    case ARPHRD_IEEE802_TR:
      return MIB_IF_TYPE_TOKENRING;
    case ARPHRD_FDDI:
      return MIB_IF_TYPE_FDDI;
    case ARPHRD_IEEE80211:
    case ARPHRD_IEEE80211_PRISM:
    case ARPHRD_IEEE80211_RADIOTAP:
      return IF_TYPE_IEEE80211;
    case ARPHRD_LOOPBACK:
      return MIB_IF_TYPE_LOOPBACK;
    default:
      return MIB_IF_TYPE_OTHER;
  }
}

std::vector<platform::AdapterDescription> CurrentAdapters() {
  std::function<std::vector<platform::AdapterDescription>()> source;
  {
    std::lock_guard<std::mutex> lock(g_source_mutex);
    source = g_source;
  }
  return source ? source() : platform::SystemAdapters();
}

void CopyText(char* to, std::size_t capacity, const std::string& text) {
  std::size_t n = std::min(capacity - 1, text.size());
  std::memcpy(to, text.data(), n);
  to[n] = '\0';
}

void FillAddress(IP_ADDR_STRING* to, const platform::AdapterAddress& from) {
  std::memset(to, 0, sizeof *to);
  CopyText(to->IpAddress.String, sizeof to->IpAddress.String, from.address);
  CopyText(to->IpMask.String, sizeof to->IpMask.String, from.mask);
}

struct RegisterIpHelper {
  RegisterIpHelper() {
    platform::RegisterBuiltinModule(
        "IPHLPAPI.DLL", {{"GetAdaptersInfo", reinterpret_cast<FARPROC>(&GetAdaptersInfo)}});
  }
} g_register_ip_helper;

}  // namespace

DWORD GetAdaptersInfo(PIP_ADAPTER_INFO adapters, PULONG size) {
  if (size == nullptr) return ERROR_INVALID_PARAMETER;
  std::vector<platform::AdapterDescription> list = CurrentAdapters();
  if (list.empty()) return ERROR_NO_DATA;
  std::size_t needed = 0;
  for (const auto& adapter : list) {
    std::size_t extra = adapter.addresses.size() > 1 ? adapter.addresses.size() - 1 : 0;
    needed += sizeof(IP_ADAPTER_INFO) + extra * sizeof(IP_ADDR_STRING);
  }
  if (adapters == nullptr || *size < needed) {
    *size = static_cast<ULONG>(needed);
    return ERROR_BUFFER_OVERFLOW;
  }
  // Adapter records first, then the further addresses, all in the buffer.
  auto* extra_addresses = reinterpret_cast<IP_ADDR_STRING*>(adapters + list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    const auto& from = list[i];
    IP_ADAPTER_INFO* to = adapters + i;
    std::memset(to, 0, sizeof *to);
    to->Next = i + 1 < list.size() ? adapters + i + 1 : nullptr;
    to->ComboIndex = from.index;
    CopyText(to->AdapterName, sizeof to->AdapterName, from.name);
    CopyText(to->Description, sizeof to->Description, from.description);
    to->AddressLength = static_cast<UINT>(std::min<std::size_t>(from.hardware_address.size(), 8));
    if (to->AddressLength > 0)
      std::memcpy(to->Address, from.hardware_address.data(), to->AddressLength);
    to->Index = from.index;
    to->Type = from.type;
    FillAddress(&to->IpAddressList, from.addresses.empty()
                                        ? platform::AdapterAddress{"0.0.0.0", "0.0.0.0"}
                                        : from.addresses[0]);
    IP_ADDR_STRING* previous = &to->IpAddressList;
    for (std::size_t a = 1; a < from.addresses.size(); ++a) {
      FillAddress(extra_addresses, from.addresses[a]);
      previous->Next = extra_addresses;
      previous = extra_addresses++;
    }
    FillAddress(&to->GatewayList, {"0.0.0.0", "0.0.0.0"});
    FillAddress(&to->DhcpServer, {"", ""});
    FillAddress(&to->PrimaryWinsServer, {"0.0.0.0", "0.0.0.0"});
    FillAddress(&to->SecondaryWinsServer, {"0.0.0.0", "0.0.0.0"});
  }
  return ERROR_SUCCESS;
}

namespace platform {

std::vector<AdapterDescription> SystemAdapters() {
  std::map<unsigned, AdapterDescription> by_index;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return {};
  for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if ((entry->ifa_flags & IFF_UP) == 0 || (entry->ifa_flags & IFF_LOOPBACK) != 0) continue;
    unsigned index = ::if_nametoindex(entry->ifa_name);
    if (index == 0) continue;
    AdapterDescription& adapter = by_index[index];
    adapter.name = entry->ifa_name;
    adapter.description = entry->ifa_name;
    adapter.index = index;
    if (entry->ifa_addr == nullptr) continue;
    if (entry->ifa_addr->sa_family == AF_PACKET) {
      const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
      adapter.type = AdapterType(link->sll_hatype, adapter.name);
      adapter.hardware_address.assign(link->sll_addr,
                                      link->sll_addr + std::min<int>(link->sll_halen, 8));
    } else if (entry->ifa_addr->sa_family == AF_INET) {
      adapter.addresses.push_back({Dotted(entry->ifa_addr), Dotted(entry->ifa_netmask)});
    }
  }
  ::freeifaddrs(list);
  std::vector<AdapterDescription> adapters;
  for (auto& [index, adapter] : by_index) {
    if (adapter.type != MIB_IF_TYPE_LOOPBACK) adapters.push_back(std::move(adapter));
  }
  return adapters;
}

void SetAdapterSource(std::function<std::vector<AdapterDescription>()> source) {
  std::lock_guard<std::mutex> lock(g_source_mutex);
  g_source = std::move(source);
}

}  // namespace platform
