#include "skins/SkinIniFiles.h"

#include "classlib/AtomicFile.h"
#include "classlib/Exceptions.h"
#include "classlib/FileRoutines.h"
#include "classlib/FormatRoutines.h"
#include "classlib/StringRoutines.h"

namespace {

bool IsTrimmed(unsigned char c) { return c <= ' '; }

String TrimLine(const String& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsTrimmed(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && IsTrimmed(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

String KeyOf(const String& entry) {
  size_t eq = entry.find('=');
  return eq == String::npos ? entry : entry.substr(0, eq);
}

}  // namespace

bool TscCustomIniFile::SectionExists(const String& Section) {
  TStringList keys;
  ReadSection(Section, &keys);
  return keys.Count() > 0;
}

TscIniSections::Section* TscIniSections::Find(const String& Name) {
  auto it = index_.find(UpperCase(Name));
  return it == index_.end() ? nullptr : &sections_[it->second];
}

TscIniSections::Section& TscIniSections::AddSection(const String& Name) {
  sections_.push_back({Name, {}});
  index_.emplace(UpperCase(Name), sections_.size() - 1);
  return sections_.back();
}

void TscIniSections::Reindex() {
  index_.clear();
  for (size_t i = 0; i < sections_.size(); ++i) index_.emplace(UpperCase(sections_[i].Name), i);
}

void TscIniSections::Clear() {
  sections_.clear();
  index_.clear();
}

int TscIniSections::FindKey(const Section& S, const String& Key) {
  for (size_t i = 0; i < S.Entries.size(); ++i)
    if (SameText(KeyOf(S.Entries[i]), Key)) return static_cast<int>(i);
  return -1;
}

String TscIniSections::ReadString(const String& Section, const String& Key,
                                  const String& Default) {
  auto* s = Find(Section);
  if (!s) return Default;
  int i = FindKey(*s, Key);
  if (i < 0) return Default;
  const String& e = s->Entries[i];
  size_t eq = e.find('=');
  return eq == String::npos ? String() : e.substr(eq + 1);
}

void TscIniSections::WriteString(const String& Section, const String& Key, const String& Value) {
  if (Value.empty()) return;
  auto* s = Find(Section);
  if (!s) s = &AddSection(Section);
  String entry = Key + "=" + Value;
  int i = FindKey(*s, Key);
  if (i >= 0)
    s->Entries[i] = entry;
  else
    s->Entries.push_back(entry);
}

void TscIniSections::ReadSection(const String& Section, TStrings* Strings) {
  Strings->BeginUpdate();
  Strings->Clear();
  if (auto* s = Find(Section))
    for (auto& e : s->Entries) Strings->Add(LowerCase(KeyOf(e)));
  Strings->EndUpdate();
}

void TscIniSections::ReadSections(TStrings* Strings) {
  Strings->Clear();
  for (auto& s : sections_) Strings->Add(s.Name);
}

void TscIniSections::ReadSectionValues(const String& Section, TStrings* Strings) {
  Strings->Clear();
  if (auto* s = Find(Section))
    for (auto& e : s->Entries) Strings->Add(e);
}

void TscIniSections::EraseSection(const String& Section) {
  auto it = index_.find(UpperCase(Section));
  if (it == index_.end()) return;
  sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(it->second));
  Reindex();
}

void TscIniSections::DeleteKey(const String& Section, const String& Key) {
  if (auto* s = Find(Section)) {
    int i = FindKey(*s, Key);
    if (i >= 0) s->Entries.erase(s->Entries.begin() + i);
  }
}

void TscIniSections::SetText(const String& Text) {
  Clear();
  Section* current = nullptr;
  size_t pos = 0;
  while (pos <= Text.size()) {
    size_t end = Text.find('\n', pos);
    if (end == String::npos) end = Text.size();
    String line = TrimLine(Text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      String name = LowerCase(line.substr(1, line.size() - 2));
      current = Find(name);
      if (!current) current = &AddSection(name);
      continue;
    }
    if (current) current->Entries.push_back(line);
  }
}

String TscIniSections::GetText() const {
  String out;
  for (auto& s : sections_) {
    out += "[" + s.Name + "]\r\n";
    for (auto& e : s.Entries) out += e + "\r\n";
    out += "\r\n";
  }
  return out;
}

TscMemIniFile::TscMemIniFile(const String& AFileName) : TscIniSections(AFileName) {
  LoadValues();
}

void TscMemIniFile::LoadValues() {
  if (!FileName.empty() && FileExists(FileName)) {
    TStringList lines;
    lines.LoadFromFile(FileName);
    String text;
    for (int i = 0; i < lines.Count(); ++i) text += lines[i] + "\n";
    SetText(text);
  } else {
    Clear();
  }
}

void TscMemIniFile::UpdateFile() { WriteSkinFile(FileName, GetText()); }

void WriteSkinFile(const String& FileName, const String& Contents) {
  if (!classlib::WriteFileAtomically(FileName, Contents))
    throw EFCreateError(Format(SysConst::SFCreateError, FileName));
}

void WriteSkinFile(const String& FileName, TMemoryStream& Contents) {
  WriteSkinFile(FileName, String(static_cast<const char*>(Contents.Memory()),
                                 static_cast<size_t>(Contents.Size())));
}

void TscStringsIniFile::LoadFromStream(TStream* Stream) { SetText(ReadStreamString(Stream)); }

void TscStringsIniFile::SaveToStream(TStream* Stream) { WriteStreamString(Stream, GetText()); }

int32_t ReadStreamInt32(TStream* Stream) {
  uint8_t b[4];
  Stream->ReadBuffer(b, 4);
  return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                              static_cast<uint32_t>(b[2]) << 16 |
                              static_cast<uint32_t>(b[3]) << 24);
}

void WriteStreamInt32(TStream* Stream, int32_t Value) {
  uint32_t v = static_cast<uint32_t>(Value);
  uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                  static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
  Stream->WriteBuffer(b, 4);
}

String ReadStreamString(TStream* Stream) {
  int32_t n = ReadStreamInt32(Stream);
  if (n < 0 || n > Stream->Size() - Stream->Position()) throw EReadError("Stream read error");
  String s(static_cast<size_t>(n), '\0');
  if (n > 0) Stream->ReadBuffer(s.data(), n);
  return s;
}

void WriteStreamString(TStream* Stream, const String& Value) {
  WriteStreamInt32(Stream, static_cast<int32_t>(Value.size()));
  if (!Value.empty()) Stream->WriteBuffer(Value.data(), static_cast<int>(Value.size()));
}
