#include "platform/net/loopback_guard.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <map>
#include <mutex>

namespace platform::net {

namespace {

std::atomic<bool> loopback_only{false};

std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}

std::map<std::string, std::uint32_t>& Table() {
  static std::map<std::string, std::uint32_t> table;
  return table;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

void SetLoopbackOnly(bool on) {
  loopback_only.store(on);
}

bool LoopbackOnly() {
  return loopback_only.load();
}

bool IsLoopbackAddress(std::uint32_t network_order) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&network_order);
  return bytes[0] == 127;
}

void SetTestHost(const std::string& name, std::uint32_t network_order) {
  std::lock_guard<std::mutex> hold(TableLock());
  Table()[Lower(name)] = network_order;
}

void ClearTestHosts() {
  std::lock_guard<std::mutex> hold(TableLock());
  Table().clear();
}

std::optional<std::uint32_t> TestHostAddress(const std::string& name) {
  std::lock_guard<std::mutex> hold(TableLock());
  auto it = Table().find(Lower(name));
  if (it == Table().end()) return std::nullopt;
  return it->second;
}

}  // namespace platform::net
