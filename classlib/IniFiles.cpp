#include "classlib/IniFiles.h"

#include <mutex>
#include <optional>
#include <vector>

#include "classlib/AtomicFile.h"
#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "classlib/StringRoutines.h"
#include "classlib/Strings.h"
#include "platform/fs/files.h"

// --- TCustomIniFile ---

int TCustomIniFile::ReadInteger(const String& Section, const String& Ident, int Default) {
  String text = ReadString(Section, Ident, String());
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text = "$" + text.substr(2);
  return StrToIntDef(text, Default);
}

void TCustomIniFile::WriteInteger(const String& Section, const String& Ident, int Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const String& Section, const String& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const String& Section, const String& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const String& Section, const String& Ident, double Default) {
  const String text = ReadString(Section, Ident, String());
  double value = Default;
  if (!text.empty() && TryStrToFloat(text, value)) return value;
  return Default;
}

void TCustomIniFile::WriteFloat(const String& Section, const String& Ident, double Value) {
  WriteString(Section, Ident, FloatToStr(Value));
}

TDateTime TCustomIniFile::ReadDateTime(const String& Section, const String& Ident, TDateTime Default) {
  const String text = ReadString(Section, Ident, String());
  TDateTime value = Default;
  if (!text.empty() && TryStrToDateTime(text, value)) return value;
  return Default;
}

void TCustomIniFile::WriteDateTime(const String& Section, const String& Ident, TDateTime Value) {
  WriteString(Section, Ident, DateTimeToStr(Value));
}

void TCustomIniFile::ReadSectionValues(const String& Section, TStrings* Strings) {
  TStringList keys;
  ReadSection(Section, &keys);
  Strings->BeginUpdate();
  try {
    Strings->Clear();
    for (int i = 0; i < keys.Count(); ++i) {
      Strings->Add(keys[i] + "=" + ReadString(Section, keys[i], String()));
    }
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

bool TCustomIniFile::SectionExists(const String& Section) {
  TStringList keys;
  ReadSection(Section, &keys);
  return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const String& Section, const String& Ident) {
  TStringList keys;
  ReadSection(Section, &keys);
  return keys.IndexOf(Ident) >= 0;
}

// --- The profile file ---

namespace {

// One file read into lines, with the profile rules for finding sections
// and keys.
class Profile {
 public:
  static Profile Load(const String& file_name) {
    Profile p;
    String text;
    if (!classlib::ReadWholeFile(file_name, text)) return p;
    std::size_t i = 0;
    while (i < text.size()) {
      std::size_t end = text.find_first_of("\r\n", i);
      if (end == String::npos) end = text.size();
      p.lines_.push_back(text.substr(i, end - i));
      if (end < text.size() && text[end] == '\r') ++end;
      if (end < text.size() && text[end] == '\n') ++end;
      i = end;
    }
    return p;
  }

  String Text() const {
    String out;
    for (const String& line : lines_) {
      out += line;
      out += "\r\n";
    }
    return out;
  }

  // The name of a section line, or nothing.
  static std::optional<String> SectionName(const String& line) {
    const String t = Trim(line);
    if (t.empty() || t[0] != '[') return std::nullopt;
    const auto close = t.find(']');
    return Trim(t.substr(1, close == String::npos ? String::npos : close - 1));
  }

  // The key of a key line (key=value, not a comment), or nothing.
  static std::optional<String> KeyName(const String& line) {
    const String t = TrimLeft(line);
    if (t.empty() || t[0] == ';' || t[0] == '[') return std::nullopt;
    const auto eq = t.find('=');
    if (eq == String::npos) return std::nullopt;
    return Trim(t.substr(0, eq));
  }

  static String KeyValue(const String& line) {
    String v = Trim(line.substr(line.find('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
      v = v.substr(1, v.size() - 2);
    }
    return v;
  }

  // Index of the first line of the first section with that name, or -1.
  int FindSection(const String& section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      const auto name = SectionName(lines_[i]);
      if (name && AnsiSameText(*name, Trim(section))) return static_cast<int>(i);
    }
    return -1;
  }

  // One past the last line of the section starting at `start`.
  int SectionEnd(int start) const {
    std::size_t i = static_cast<std::size_t>(start) + 1;
    while (i < lines_.size() && !SectionName(lines_[i])) ++i;
    return static_cast<int>(i);
  }

  // Index of the key's line inside the section, or -1.
  int FindKey(int section_start, const String& key) const {
    const int end = SectionEnd(section_start);
    for (int i = section_start + 1; i < end; ++i) {
      const auto name = KeyName(lines_[static_cast<std::size_t>(i)]);
      if (name && AnsiSameText(*name, Trim(key))) return i;
    }
    return -1;
  }

  std::vector<String> Keys(const String& section) const {
    std::vector<String> keys;
    const int start = FindSection(section);
    if (start < 0) return keys;
    const int end = SectionEnd(start);
    for (int i = start + 1; i < end; ++i) {
      if (const auto name = KeyName(lines_[static_cast<std::size_t>(i)])) {
        bool seen = false;
        for (const String& k : keys) seen = seen || AnsiSameText(k, *name);
        if (!seen) keys.push_back(*name);
      }
    }
    return keys;
  }

  std::vector<String> Sections() const {
    std::vector<String> names;
    for (const String& line : lines_) {
      if (const auto name = SectionName(line)) {
        bool seen = false;
        for (const String& n : names) seen = seen || AnsiSameText(n, *name);
        if (!seen) names.push_back(*name);
      }
    }
    return names;
  }

  std::optional<String> Value(const String& section, const String& key) const {
    const int start = FindSection(section);
    if (start < 0) return std::nullopt;
    const int line = FindKey(start, key);
    if (line < 0) return std::nullopt;
    return KeyValue(lines_[static_cast<std::size_t>(line)]);
  }

  void SetValue(const String& section, const String& key, const String& value) {
    const String name = Trim(key);
    int start = FindSection(section);
    if (start < 0) {
      lines_.push_back("[" + Trim(section) + "]");
      lines_.push_back(name + "=" + value);
      return;
    }
    const int line = FindKey(start, key);
    if (line >= 0) {
      // The key keeps its own spelling and place.
      const auto existing = KeyName(lines_[static_cast<std::size_t>(line)]);
      lines_[static_cast<std::size_t>(line)] = *existing + "=" + value;
      return;
    }
    // After the section's last non-blank line.
    int at = SectionEnd(start);
    while (at - 1 > start && Trim(lines_[static_cast<std::size_t>(at - 1)]).empty()) --at;
    lines_.insert(lines_.begin() + at, name + "=" + value);
  }

  bool DeleteKey(const String& section, const String& key) {
    const int start = FindSection(section);
    if (start < 0) return false;
    const int line = FindKey(start, key);
    if (line < 0) return false;
    lines_.erase(lines_.begin() + line);
    return true;
  }

  bool EraseSection(const String& section) {
    const int start = FindSection(section);
    if (start < 0) return false;
    lines_.erase(lines_.begin() + start, lines_.begin() + SectionEnd(start));
    return true;
  }

 private:
  std::vector<String> lines_;
};

// One read-modify-write at a time in this process.
std::mutex& WriteLock() {
  static std::mutex m;
  return m;
}

// A bare name lies in the Windows folder, as the profile functions have it.
String ProfilePath(const String& file_name) {
  if (file_name.find_first_of("\\:/") != String::npos) return file_name;
  char folder[MAX_PATH + 1] = {};
  const UINT n = GetWindowsDirectory(folder, sizeof folder);
  if (n == 0 || n >= sizeof folder) return file_name;
  String path(folder, n);
  if (path.back() != '\\') path += '\\';
  return path + file_name;
}

}  // namespace

TIniFile::TIniFile(const String& FileName) : TCustomIniFile(ProfilePath(FileName)) {}

String TIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
  const auto value = Profile::Load(FileName()).Value(Section, Ident);
  // As the profile functions do, a default loses its trailing blanks.
  return value ? *value : TrimRight(Default);
}

void TIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
  std::lock_guard<std::mutex> lock(WriteLock());
  Profile profile = Profile::Load(FileName());
  profile.SetValue(Section, Ident, Value);
  if (!classlib::WriteFileAtomically(FileName(), profile.Text())) {
    throw EIniFileException(Format(SysConst::SIniFileWriteError, FileName()));
  }
}

void TIniFile::ReadSection(const String& Section, TStrings* Strings) {
  const std::vector<String> keys = Profile::Load(FileName()).Keys(Section);
  Strings->BeginUpdate();
  try {
    Strings->Clear();
    for (const String& k : keys) Strings->Add(k);
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

void TIniFile::ReadSections(TStrings* Strings) {
  const std::vector<String> names = Profile::Load(FileName()).Sections();
  Strings->BeginUpdate();
  try {
    Strings->Clear();
    for (const String& n : names) Strings->Add(n);
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

void TIniFile::ReadSectionValues(const String& Section, TStrings* Strings) {
  const Profile profile = Profile::Load(FileName());
  const std::vector<String> keys = profile.Keys(Section);
  Strings->BeginUpdate();
  try {
    Strings->Clear();
    for (const String& k : keys) Strings->Add(k + "=" + profile.Value(Section, k).value_or(String()));
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

void TIniFile::EraseSection(const String& Section) {
  std::lock_guard<std::mutex> lock(WriteLock());
  Profile profile = Profile::Load(FileName());
  if (!profile.EraseSection(Section)) return;
  if (!classlib::WriteFileAtomically(FileName(), profile.Text())) {
    throw EIniFileException(Format(SysConst::SIniFileWriteError, FileName()));
  }
}

void TIniFile::DeleteKey(const String& Section, const String& Ident) {
  std::lock_guard<std::mutex> lock(WriteLock());
  Profile profile = Profile::Load(FileName());
  if (!profile.DeleteKey(Section, Ident)) return;
  // As with the profile functions, a failure to delete is not reported.
  classlib::WriteFileAtomically(FileName(), profile.Text());
}

// --- The profile held in memory ---

struct TMemIniFile::Lines {
  Profile profile;
};

TMemIniFile::TMemIniFile(const String& FileName)
    : TCustomIniFile(FileName), lines_(std::make_unique<Lines>(Lines{Profile::Load(FileName)})) {}

TMemIniFile::~TMemIniFile() = default;

String TMemIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
  const auto value = lines_->profile.Value(Section, Ident);
  return value ? *value : TrimRight(Default);
}

void TMemIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
  lines_->profile.SetValue(Section, Ident, Value);
}

void TMemIniFile::ReadSection(const String& Section, TStrings* Strings) {
  Strings->Clear();
  for (const String& k : lines_->profile.Keys(Section)) Strings->Add(k);
}

void TMemIniFile::ReadSections(TStrings* Strings) {
  Strings->Clear();
  for (const String& n : lines_->profile.Sections()) Strings->Add(n);
}

void TMemIniFile::EraseSection(const String& Section) {
  lines_->profile.EraseSection(Section);
}

void TMemIniFile::DeleteKey(const String& Section, const String& Ident) {
  lines_->profile.DeleteKey(Section, Ident);
}

void TMemIniFile::UpdateFile() {
  if (!classlib::WriteFileAtomically(FileName(), lines_->profile.Text())) {
    throw EIniFileException(Format(SysConst::SIniFileWriteError, FileName()));
  }
}
