// One registry hive in memory, and its text form.
//
// The text form is meant to be read and, with care, edited by hand:
//
//   ; Velko registry hive
//   [Software\Calvane Technology\Velko]
//   "SwapSkin"=sz:"zig.jpg"
//   @=sz:"the key's default value"
//   "Count"=dword:0000002a
//   "Picture"=hex:01,02,ff
//   "Path"=expand:"%HOME%\\music"
//   "Names"=multi:"one","two"
//   "Odd"=hex(7):61,00
//
// Each key has a header line with its path from the hive's root (the root
// itself is "[]"); every key is listed, also those without values. Inside
// key paths "%", "]" and control characters are written as %XX. Value names
// and strings are quoted with the escapes \\ \" \n \r \t and \xHH (other
// control characters); other bytes are written as they are. Strings whose
// data is not exactly one terminated string (or, for multi, a list of
// non-empty strings ending in two zeros), DWORDs that are not 4 bytes and
// every other type are written as hex(type) with the type in hexadecimal.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/types.h"

namespace platform::reg {

// Key and value names are compared without regard to ASCII letter case.
std::string Fold(const std::string& name);

struct Value {
  std::string name;  // empty for the default value
  DWORD type = 0;
  std::vector<BYTE> data;
  bool operator==(const Value& other) const = default;
};

struct Key {
  std::string name;                                     // as first written
  std::map<std::string, std::unique_ptr<Key>> subkeys;  // by folded name, so sorted
  std::vector<Value> values;                            // in the order written

  Key* FindSubkey(const std::string& name) const;
  Value* FindValue(const std::string& name);
  const Value* FindValue(const std::string& name) const;
  // The sub-key at `path` (folded or not), or null.
  Key* Find(const std::vector<std::string>& path);
  std::unique_ptr<Key> Clone() const;
};

std::string SerializeHive(const Key& root);
// Reads a hive's text. Lines that cannot be read are skipped and counted in
// `bad_lines`.
std::unique_ptr<Key> ParseHive(const std::string& text, std::size_t* bad_lines);

// A change under a key: the kinds are REG_NOTIFY_CHANGE_NAME (sub-keys
// added or removed) and REG_NOTIFY_CHANGE_LAST_SET (values set or deleted).
// `removed` marks the removal of the key at `path` itself.
struct Change {
  std::vector<std::string> path;  // folded
  DWORD kind = 0;
  bool removed = false;
};

// The changes that lead from `before` to `after`.
void DiffTrees(const Key& before, const Key& after, std::vector<Change>* changes);

}  // namespace platform::reg
