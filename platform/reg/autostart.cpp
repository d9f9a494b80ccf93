#include "platform/reg/autostart.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/core/errors.h"
#include "platform/fs/drives.h"
#include "platform/reg/registry.h"
#include "platform/sys/process.h"

namespace platform {

namespace fsys = std::filesystem;

namespace {

std::mutex g_mutex;
std::string g_folder;

const std::vector<std::string>& RunPath() {
  static const std::vector<std::string> path = {"software", "microsoft", "windows",
                                                "currentversion", "run"};
  return path;
}

std::string Prefix(reg::HiveId hive) {
  return hive == reg::kLocalMachine ? "velko-machine-" : "velko-user-";
}

// Value names become file names: letters, digits, '.', '_' and '-' stay,
// everything else is %XX, so every name has its own file.
std::string EncodeName(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    if (std::isalnum(c) || c == '.' || c == '_' || c == '-') {
      out += static_cast<char>(c);
    } else {
      char buffer[4];
      std::snprintf(buffer, sizeof buffer, "%%%02X", c);
      out += buffer;
    }
  }
  return out;
}

std::string DecodeName(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A desktop entry's string: backslash, new line, tab and return escaped.
std::string EscapeEntry(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string UnescapeEntry(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    out += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c == 's' ? ' ' : c;
  }
  return out;
}

// One Exec argument, quoted as the desktop entry format asks.
std::string ExecArgument(const std::string& argument) {
  std::string out = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  return out + "\"";
}

// The Exec line for a value's text: the program (a platform path, turned
// into its Linux path) and any arguments, each quoted. A text that names
// an existing file as a whole is that program, blanks and all.
std::string ExecLine(const std::string& text) {
  if (std::optional<std::string> whole = NativePath(text); whole && fsys::is_regular_file(*whole)) {
    return ExecArgument(*whole);
  }
  std::vector<std::string> arguments = SplitCommandLine(text);
  if (arguments.empty()) return {};
  std::string program = arguments[0];
  if (program.find_first_of("\\/:") != std::string::npos) {
    if (std::optional<std::string> native = NativePath(program)) program = *native;
  }
  std::string line = ExecArgument(program);
  for (std::size_t i = 1; i < arguments.size(); ++i) line += " " + ExecArgument(arguments[i]);
  return line;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

std::string Hex(const std::vector<BYTE>& data) {
  std::string out;
  char buffer[3];
  for (BYTE b : data) {
    std::snprintf(buffer, sizeof buffer, "%02x", b);
    out += buffer;
  }
  return out;
}

std::optional<reg::Value> ReadEntry(const fsys::path& file, const std::string& name) {
  std::ifstream in(file);
  if (!in) return std::nullopt;
  reg::Value value;
  value.name = name;
  value.type = REG_SZ;
  bool found = false;
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const std::string text = line.substr(eq + 1);
    if (key == "X-Velko-Registry-Type") {
      value.type = static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 10));
    } else if (key == "X-Velko-Registry-Text") {
      const std::string unescaped = UnescapeEntry(text);
      value.data.assign(unescaped.begin(), unescaped.end());
      value.data.push_back(0);
      found = true;
    } else if (key == "X-Velko-Registry-Data") {
      value.data.clear();
      for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        value.data.push_back(static_cast<BYTE>(std::strtoul(text.substr(i, 2).c_str(), nullptr, 16)));
      }
      found = true;
    }
  }
  if (!found) return std::nullopt;
  return value;
}

// The entry files of a root whose names fold to `name`'s.
std::vector<fsys::path> FilesNamed(reg::HiveId hive, const std::string& name) {
  std::vector<fsys::path> files;
  const std::string prefix = Prefix(hive);
  const std::string folded = reg::Fold(name);
  std::error_code error;
  for (fsys::directory_iterator it(AutostartFolder(), error), end; !error && it != end;
       it.increment(error)) {
    const std::string file = it->path().filename().string();
    if (file.rfind(prefix, 0) != 0 || it->path().extension() != ".desktop") continue;
    const std::string stem = file.substr(prefix.size(), file.size() - prefix.size() - 8);
    if (reg::Fold(DecodeName(stem)) == folded) files.push_back(it->path());
  }
  return files;
}

}  // namespace

void SetAutostartFolder(const std::string& native_folder) {
  std::lock_guard lock(g_mutex);
  g_folder = native_folder;
}

std::string AutostartFolder() {
  {
    std::lock_guard lock(g_mutex);
    if (!g_folder.empty()) return g_folder;
  }
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return std::string(config) + "/autostart";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.config/autostart";
}

namespace reg {

bool IsAutostartKey(HiveId hive, const std::vector<std::string>& path) {
  return (hive == kLocalMachine || hive == kCurrentUser) && path == RunPath();
}

std::vector<Value> AutostartValues(HiveId hive) {
  std::vector<Value> values;
  const std::string prefix = Prefix(hive);
  std::error_code error;
  for (fsys::directory_iterator it(AutostartFolder(), error), end; !error && it != end;
       it.increment(error)) {
    const std::string file = it->path().filename().string();
    if (file.rfind(prefix, 0) != 0 || it->path().extension() != ".desktop") continue;
    const std::string name = DecodeName(file.substr(prefix.size(), file.size() - prefix.size() - 8));
    if (std::optional<Value> value = ReadEntry(it->path(), name)) values.push_back(std::move(*value));
  }
  std::sort(values.begin(), values.end(),
            [](const Value& a, const Value& b) { return Fold(a.name) < Fold(b.name); });
  return values;
}

LONG WriteAutostartValue(HiveId hive, const Value& value) {
  std::error_code error;
  fsys::create_directories(AutostartFolder(), error);
  if (error) return static_cast<LONG>(ErrorFromErrno(error.value()));
  std::ostringstream entry;
  entry << "[Desktop Entry]\nType=Application\nName=" << EscapeEntry(value.name.empty() ? "Velko" : value.name)
        << "\n";
  if (IsStringType(value.type)) {
    std::string text(value.data.begin(), value.data.end());
    text.resize(std::min(text.size(), text.find('\0')));
    entry << "Exec=" << EscapeEntry(ExecLine(text)) << "\n";
    entry << "X-Velko-Registry-Type=" << value.type << "\n";
    entry << "X-Velko-Registry-Text=" << EscapeEntry(text) << "\n";
  } else {
    entry << "Hidden=true\nX-Velko-Registry-Type=" << value.type << "\n";
    entry << "X-Velko-Registry-Data=" << Hex(value.data) << "\n";
  }
  for (const fsys::path& old : FilesNamed(hive, value.name)) fsys::remove(old, error);
  const fsys::path target =
      fsys::path(AutostartFolder()) / (Prefix(hive) + EncodeName(value.name) + ".desktop");
  const fsys::path temporary = target.string() + ".tmp";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << entry.str();
    if (!out.flush()) return static_cast<LONG>(ERROR_CANTWRITE);
  }
  fsys::rename(temporary, target, error);
  if (error) {
    fsys::remove(temporary, error);
    return static_cast<LONG>(ERROR_CANTWRITE);
  }
  return ERROR_SUCCESS;
}

LONG DeleteAutostartValue(HiveId hive, const std::string& name) {
  const std::vector<fsys::path> files = FilesNamed(hive, name);
  if (files.empty()) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
  for (const fsys::path& file : files) {
    std::error_code error;
    if (!fsys::remove(file, error) || error) return static_cast<LONG>(ERROR_ACCESS_DENIED);
  }
  return ERROR_SUCCESS;
}

}  // namespace reg
}  // namespace platform
