#include "classlib/Object.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

String ClassNameOf(const std::type_info& type) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
  String name = (status == 0 && demangled) ? String(demangled.get()) : String(type.name());
  // Classes inside a namespace report only their own name.
  const auto colon = name.rfind("::");
  if (colon != String::npos) name.erase(0, colon + 2);
  return name;
}
