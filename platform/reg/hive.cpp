#include "platform/reg/hive.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>

#include "platform/reg/registry.h"

namespace platform::reg {

namespace {

const char kHeader[] = "; Velko registry hive\n";

const char kHexDigits[] = "0123456789abcdef";
const char kUpperHexDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// ---- writing ----

std::string EscapeKeyName(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    if (c == '%' || c == ']' || c < 0x20 || c == 0x7f) {
      out += '%';
      out += kUpperHexDigits[c >> 4];
      out += kUpperHexDigits[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7f) {
          out += "\\x";
          out += kHexDigits[c >> 4];
          out += kHexDigits[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string Hex(const std::vector<BYTE>& data) {
  std::string out;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (i > 0) out += ',';
    out += kHexDigits[data[i] >> 4];
    out += kHexDigits[data[i] & 15];
  }
  return out;
}

// The text of a single terminated string, or nothing.
std::optional<std::string> SingleString(const std::vector<BYTE>& data) {
  if (data.empty() || data.back() != 0) return std::nullopt;
  if (std::find(data.begin(), data.end() - 1, 0) != data.end() - 1) return std::nullopt;
  return std::string(data.begin(), data.end() - 1);
}

// The strings of a multi-string list of non-empty strings, or nothing.
std::optional<std::vector<std::string>> StringList(const std::vector<BYTE>& data) {
  if (data.size() < 3 || data[data.size() - 1] != 0 || data[data.size() - 2] != 0) {
    return std::nullopt;
  }
  std::vector<std::string> strings;
  std::string current;
  for (std::size_t i = 0; i + 1 < data.size(); ++i) {
    if (data[i] != 0) {
      current += static_cast<char>(data[i]);
    } else {
      if (current.empty()) return std::nullopt;
      strings.push_back(current);
      current.clear();
    }
  }
  return strings;
}

std::string ValueText(const Value& value) {
  if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
    if (auto text = SingleString(value.data)) {
      return (value.type == REG_SZ ? "sz:" : "expand:") + Quote(*text);
    }
  } else if (value.type == REG_MULTI_SZ) {
    if (auto strings = StringList(value.data)) {
      std::string out = "multi:";
      for (std::size_t i = 0; i < strings->size(); ++i) {
        if (i > 0) out += ',';
        out += Quote((*strings)[i]);
      }
      return out;
    }
  } else if (value.type == REG_DWORD && value.data.size() == 4) {
    DWORD number = static_cast<DWORD>(value.data[0]) | static_cast<DWORD>(value.data[1]) << 8 |
                   static_cast<DWORD>(value.data[2]) << 16 |
                   static_cast<DWORD>(value.data[3]) << 24;
    char text[20];
    std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(number));
    return text;
  } else if (value.type == REG_BINARY) {
    return "hex:" + Hex(value.data);
  }
  char prefix[24];
  std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
  return prefix + Hex(value.data);
}

void WriteKey(const Key& key, const std::string& path, bool is_root, std::string& out) {
  if (!is_root || !key.values.empty()) {
    out += '[' + path + "]\n";
    for (const Value& value : key.values) {
      out += (value.name.empty() ? std::string("@") : Quote(value.name)) + '=' + ValueText(value) +
             '\n';
    }
  }
  for (const auto& [folded, sub] : key.subkeys) {
    const std::string sub_path =
        is_root ? EscapeKeyName(sub->name) : path + '\\' + EscapeKeyName(sub->name);
    WriteKey(*sub, sub_path, false, out);
  }
}

// ---- reading ----

// A cursor over one line.
class LineReader {
 public:
  explicit LineReader(const std::string& line) : line_(line) {}

  bool AtEnd() const { return pos_ >= line_.size(); }
  bool Take(char c) {
    if (pos_ < line_.size() && line_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool TakeWord(const char* word) {
    const std::size_t n = std::strlen(word);
    if (line_.compare(pos_, n, word) != 0) return false;
    pos_ += n;
    return true;
  }

  std::optional<std::string> Quoted() {
    if (!Take('"')) return std::nullopt;
    std::string out;
    while (pos_ < line_.size()) {
      char c = line_[pos_++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= line_.size()) return std::nullopt;
      char e = line_[pos_++];
      switch (e) {
        case '\\':
          out += '\\';
          break;
        case '"':
          out += '"';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'x': {
          if (pos_ + 2 > line_.size()) return std::nullopt;
          int hi = HexValue(line_[pos_]), lo = HexValue(line_[pos_ + 1]);
          if (hi < 0 || lo < 0) return std::nullopt;
          out += static_cast<char>(hi * 16 + lo);
          pos_ += 2;
          break;
        }
        default:
          return std::nullopt;
      }
    }
    return std::nullopt;
  }

  std::optional<std::vector<BYTE>> HexBytes() {
    std::vector<BYTE> bytes;
    if (AtEnd()) return bytes;
    for (;;) {
      if (pos_ + 2 > line_.size()) return std::nullopt;
      int hi = HexValue(line_[pos_]), lo = HexValue(line_[pos_ + 1]);
      if (hi < 0 || lo < 0) return std::nullopt;
      bytes.push_back(static_cast<BYTE>(hi * 16 + lo));
      pos_ += 2;
      if (AtEnd()) return bytes;
      if (!Take(',')) return std::nullopt;
    }
  }

  std::optional<DWORD> HexNumber(std::size_t max_digits) {
    DWORD number = 0;
    std::size_t digits = 0;
    while (pos_ < line_.size() && HexValue(line_[pos_]) >= 0 && digits < max_digits) {
      number = number * 16 + static_cast<DWORD>(HexValue(line_[pos_++]));
      ++digits;
    }
    if (digits == 0) return std::nullopt;
    return number;
  }

 private:
  const std::string& line_;
  std::size_t pos_ = 0;
};

std::optional<std::vector<std::string>> ParseKeyPath(const std::string& line) {
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
  const std::string inner = line.substr(1, line.size() - 2);
  std::vector<std::string> path;
  if (inner.empty()) return path;
  std::string current;
  for (std::size_t i = 0; i < inner.size(); ++i) {
    char c = inner[i];
    if (c == '\\') {
      if (current.empty()) return std::nullopt;
      path.push_back(current);
      current.clear();
    } else if (c == '%') {
      if (i + 2 >= inner.size()) return std::nullopt;
      int hi = HexValue(inner[i + 1]);
      int lo = HexValue(inner[i + 2]);
      if (hi < 0 || lo < 0) return std::nullopt;
      current += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else {
      current += c;
    }
  }
  if (current.empty()) return std::nullopt;
  path.push_back(current);
  return path;
}

std::vector<BYTE> StringData(const std::string& text) {
  std::vector<BYTE> data(text.begin(), text.end());
  data.push_back(0);
  return data;
}

std::optional<Value> ParseValue(const std::string& line) {
  LineReader reader(line);
  Value value;
  if (!reader.Take('@')) {
    auto name = reader.Quoted();
    if (!name || name->empty()) return std::nullopt;
    value.name = *name;
  }
  if (!reader.Take('=')) return std::nullopt;
  const bool is_sz = reader.TakeWord("sz:");
  if (is_sz || reader.TakeWord("expand:")) {
    value.type = is_sz ? REG_SZ : REG_EXPAND_SZ;
    auto text = reader.Quoted();
    if (!text || !reader.AtEnd()) return std::nullopt;
    value.data = StringData(*text);
  } else if (reader.TakeWord("multi:")) {
    value.type = REG_MULTI_SZ;
    do {
      auto text = reader.Quoted();
      if (!text) return std::nullopt;
      auto bytes = StringData(*text);
      value.data.insert(value.data.end(), bytes.begin(), bytes.end());
    } while (reader.Take(','));
    if (!reader.AtEnd()) return std::nullopt;
    value.data.push_back(0);
  } else if (reader.TakeWord("dword:")) {
    value.type = REG_DWORD;
    auto number = reader.HexNumber(8);
    if (!number || !reader.AtEnd()) return std::nullopt;
    for (int shift = 0; shift < 32; shift += 8) {
      value.data.push_back(static_cast<BYTE>(*number >> shift));
    }
  } else if (reader.TakeWord("hex:")) {
    value.type = REG_BINARY;
    auto bytes = reader.HexBytes();
    if (!bytes) return std::nullopt;
    value.data = *bytes;
  } else if (reader.TakeWord("hex(")) {
    auto type = reader.HexNumber(8);
    if (!type || !reader.Take(')') || !reader.Take(':')) return std::nullopt;
    value.type = *type;
    auto bytes = reader.HexBytes();
    if (!bytes) return std::nullopt;
    value.data = *bytes;
  } else {
    return std::nullopt;
  }
  return value;
}

Key* AddPath(Key& root, const std::vector<std::string>& path) {
  Key* key = &root;
  for (const std::string& name : path) {
    auto& slot = key->subkeys[Fold(name)];
    if (!slot) {
      slot = std::make_unique<Key>();
      slot->name = name;
    }
    key = slot.get();
  }
  return key;
}

// ---- differences ----

bool SameValues(const Key& a, const Key& b) {
  if (a.values.size() != b.values.size()) return false;
  for (const Value& value : a.values) {
    const Value* other = b.FindValue(value.name);
    if (other == nullptr || other->type != value.type || other->data != value.data) return false;
  }
  return true;
}

void Diff(const Key& before, const Key& after, std::vector<std::string>& path,
          std::vector<Change>* changes) {
  if (!SameValues(before, after)) changes->push_back({path, REG_NOTIFY_CHANGE_LAST_SET, false});
  bool names_changed = false;
  for (const auto& [folded, sub] : before.subkeys) {
    path.push_back(folded);
    auto it = after.subkeys.find(folded);
    if (it == after.subkeys.end()) {
      names_changed = true;
      changes->push_back({path, REG_NOTIFY_CHANGE_NAME, true});
    } else {
      Diff(*sub, *it->second, path, changes);
    }
    path.pop_back();
  }
  for (const auto& [folded, sub] : after.subkeys) {
    if (before.subkeys.count(folded) == 0) names_changed = true;
  }
  if (names_changed) changes->push_back({path, REG_NOTIFY_CHANGE_NAME, false});
}

}  // namespace

std::string Fold(const std::string& name) {
  std::string out = name;
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

Key* Key::FindSubkey(const std::string& name) const {
  auto it = subkeys.find(Fold(name));
  return it == subkeys.end() ? nullptr : it->second.get();
}

Value* Key::FindValue(const std::string& name) {
  const std::string folded = Fold(name);
  for (Value& value : values) {
    if (Fold(value.name) == folded) return &value;
  }
  return nullptr;
}

const Value* Key::FindValue(const std::string& name) const {
  return const_cast<Key*>(this)->FindValue(name);
}

Key* Key::Find(const std::vector<std::string>& path) {
  Key* key = this;
  for (const std::string& name : path) {
    key = key->FindSubkey(name);
    if (key == nullptr) return nullptr;
  }
  return key;
}

std::unique_ptr<Key> Key::Clone() const {
  auto copy = std::make_unique<Key>();
  copy->name = name;
  copy->values = values;
  for (const auto& [folded, sub] : subkeys) copy->subkeys.emplace(folded, sub->Clone());
  return copy;
}

std::string SerializeHive(const Key& root) {
  std::string out = kHeader;
  WriteKey(root, std::string(), true, out);
  return out;
}

std::unique_ptr<Key> ParseHive(const std::string& text, std::size_t* bad_lines) {
  auto root = std::make_unique<Key>();
  *bad_lines = 0;
  Key* current = nullptr;  // values before the first key header belong nowhere
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      auto path = ParseKeyPath(line);
      if (path) {
        current = AddPath(*root, *path);
      } else {
        current = nullptr;
        ++*bad_lines;
      }
      continue;
    }
    auto value = current != nullptr ? ParseValue(line) : std::nullopt;
    if (!value) {
      ++*bad_lines;
      continue;
    }
    if (Value* existing = current->FindValue(value->name)) {
      *existing = std::move(*value);
    } else {
      current->values.push_back(std::move(*value));
    }
  }
  return root;
}

void DiffTrees(const Key& before, const Key& after, std::vector<Change>* changes) {
  std::vector<std::string> path;
  Diff(before, after, path, changes);
}

}  // namespace platform::reg
