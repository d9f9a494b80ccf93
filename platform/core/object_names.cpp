#include "platform/core/object_names.h"

#include <map>

namespace platform::detail {

namespace {

std::map<std::string, std::weak_ptr<KernelObject>>& Table() {
  static auto* table = new std::map<std::string, std::weak_ptr<KernelObject>>;
  return *table;
}

}  // namespace

std::recursive_mutex& ObjectNamesMutex() {
  static auto* mutex = new std::recursive_mutex;  // never destroyed: used during exit
  return *mutex;
}

std::shared_ptr<KernelObject> FindNamedObject(const std::string& name) {
  auto it = Table().find(name);
  return it == Table().end() ? nullptr : it->second.lock();
}

void AddNamedObject(const std::string& name, const std::shared_ptr<KernelObject>& object) {
  Table()[name] = object;
}

void ForgetNamedObject(const std::string& name) {
  std::lock_guard<std::recursive_mutex> lock(ObjectNamesMutex());
  auto it = Table().find(name);
  if (it != Table().end() && it->second.expired()) Table().erase(it);
}

std::optional<std::string> ObjectName(LPCSTR name) {
  if (name == nullptr || *name == '\0') return std::nullopt;
  std::string text(name);
  for (const char* prefix : {"Local\\", "Global\\"}) {
    const std::string p(prefix);
    if (text.compare(0, p.size(), p) == 0) return text.substr(p.size());
  }
  return text;
}

}  // namespace platform::detail
