#include "platform/user/builtin_classes.h"

#include <cctype>
#include <map>
#include <mutex>
#include <string>

namespace {

struct Entry {
  platform::BuiltinClassRegistrar registrar = nullptr;
  std::once_flag registered;
};

struct Registry {
  std::mutex mutex;
  std::map<std::string, Entry> entries;  // by lower-case name
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // used by static initialisers
  return *registry;
}

std::string Lower(const char* name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

}  // namespace

namespace platform {

void AddBuiltinClass(const char* class_name, BuiltinClassRegistrar registrar) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.entries[Lower(class_name)].registrar = registrar;
}

void EnsureBuiltinClass(LPCSTR class_name) {
  // Atoms (MAKEINTATOM) are below 0x10000 and name registered classes only.
  if (reinterpret_cast<UINT_PTR>(class_name) < 0x10000) return;
  Entry* entry = nullptr;
  {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto it = registry.entries.find(Lower(class_name));
    if (it == registry.entries.end() || it->second.registrar == nullptr) return;
    entry = &it->second;  // map nodes never move
  }
  std::call_once(entry->registered, entry->registrar);
}

}  // namespace platform
