#include "classlib/Registry.h"

#include <cstring>
#include <vector>

#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "classlib/StringRoutines.h"
#include "classlib/Strings.h"
#include "platform/core/errors.h"

namespace {

bool IsRelative(const String& key) { return key.empty() || key[0] != '\\'; }

TRegDataType DataTypeOf(DWORD type) {
  switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
  }
}

[[noreturn]] void ReadError(const String& name) {
  throw ERegistryException(Format(SysConst::SInvalidRegType, name));
}

}  // namespace

// --- TRegistry ---

TRegistry::TRegistry(DWORD AAccess) : Access(AAccess) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY Value) {
  if (root_key_ == Value) return;
  CloseKey();
  root_key_ = Value;
}

HKEY TRegistry::GetBaseKey(bool Relative) const {
  return current_key_ == nullptr || !Relative ? root_key_ : current_key_;
}

void TRegistry::ChangeKey(HKEY Value, const String& Path) {
  CloseKey();
  current_key_ = Value;
  current_path_ = Path;
}

bool TRegistry::OpenKey(const String& Key, bool CanCreate) {
  String s = Key;
  const bool relative = IsRelative(s);
  if (!relative) s.erase(0, 1);
  HKEY key = nullptr;
  LONG result;
  if (!CanCreate || s.empty()) {
    result = RegOpenKeyEx(GetBaseKey(relative), s.c_str(), 0, Access, &key);
  } else {
    DWORD disposition = 0;
    result = RegCreateKeyEx(GetBaseKey(relative), s.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access, nullptr,
                            &key, &disposition);
  }
  if (result != ERROR_SUCCESS) return false;
  if (current_key_ != nullptr && relative) s = current_path_ + "\\" + s;
  ChangeKey(key, s);
  return true;
}

bool TRegistry::OpenKeyReadOnly(const String& Key) {
  const DWORD saved = Access;
  Access = KEY_READ;
  const bool ok = OpenKey(Key, false);
  Access = saved;
  return ok;
}

void TRegistry::CloseKey() {
  if (current_key_ == nullptr) return;
  if (!LazyWrite) RegFlushKey(current_key_);
  RegCloseKey(current_key_);
  current_key_ = nullptr;
  current_path_.clear();
}

HKEY TRegistry::GetKey(const String& Key) {
  String s = Key;
  const bool relative = IsRelative(s);
  if (!relative) s.erase(0, 1);
  HKEY key = nullptr;
  if (RegOpenKeyEx(GetBaseKey(relative), s.c_str(), 0, Access, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

bool TRegistry::CreateKey(const String& Key) {
  String s = Key;
  const bool relative = IsRelative(s);
  if (!relative) s.erase(0, 1);
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyEx(GetBaseKey(relative), s.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access, nullptr, &key,
                     &disposition) != ERROR_SUCCESS) {
    throw ERegistryException(Format(SysConst::SRegCreateFailed, Key));
  }
  RegCloseKey(key);
  return true;
}

bool TRegistry::DeleteKey(const String& Key) {
  String s = Key;
  const bool relative = IsRelative(s);
  if (!relative) s.erase(0, 1);
  const HKEY base = GetBaseKey(relative);
  // Everything below the key goes first.
  HKEY key = nullptr;
  if (RegOpenKeyEx(base, s.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    std::vector<String> children;
    char name[256];
    for (DWORD i = 0;; ++i) {
      DWORD length = sizeof name;
      if (RegEnumKeyEx(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      children.emplace_back(name, length);
    }
    const HKEY saved_key = current_key_;
    const String saved_path = current_path_;
    current_key_ = key;
    for (const String& child : children) DeleteKey(child);
    current_key_ = saved_key;
    current_path_ = saved_path;
    RegCloseKey(key);
  }
  return RegDeleteKey(base, s.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const String& Key) {
  const DWORD saved = Access;
  Access = KEY_READ;
  HKEY key = GetKey(Key);
  Access = saved;
  if (key == nullptr) return false;
  RegCloseKey(key);
  return true;
}

bool TRegistry::HasSubKeys() {
  DWORD sub_keys = 0;
  if (RegQueryInfoKey(ActiveKey(), nullptr, nullptr, nullptr, &sub_keys, nullptr, nullptr, nullptr, nullptr, nullptr,
                      nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return sub_keys > 0;
}

void TRegistry::GetKeyNames(TStrings* Strings) {
  Strings->BeginUpdate();
  try {
    Strings->Clear();
    char name[256];
    for (DWORD i = 0;; ++i) {
      DWORD length = sizeof name;
      if (RegEnumKeyEx(ActiveKey(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      Strings->Add(String(name, length));
    }
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

void TRegistry::GetValueNames(TStrings* Strings) {
  Strings->BeginUpdate();
  try {
    Strings->Clear();
    std::vector<char> name(16384);
    for (DWORD i = 0;; ++i) {
      DWORD length = static_cast<DWORD>(name.size());
      if (RegEnumValue(ActiveKey(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        break;
      }
      Strings->Add(String(name.data(), length));
    }
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

bool TRegistry::GetDataInfo(const String& ValueName, TRegDataInfo& Value) {
  DWORD type = 0, size = 0;
  Value = TRegDataInfo{};
  if (RegQueryValueEx(ActiveKey(), ValueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return false;
  }
  Value.RegData = DataTypeOf(type);
  Value.DataSize = static_cast<int>(size);
  return true;
}

bool TRegistry::ValueExists(const String& Name) {
  TRegDataInfo info;
  return GetDataInfo(Name, info);
}

int TRegistry::GetDataSize(const String& ValueName) {
  TRegDataInfo info;
  return GetDataInfo(ValueName, info) ? info.DataSize : -1;
}

TRegDataType TRegistry::GetDataType(const String& ValueName) {
  TRegDataInfo info;
  return GetDataInfo(ValueName, info) ? info.RegData : rdUnknown;
}

bool TRegistry::DeleteValue(const String& Name) {
  return RegDeleteValue(ActiveKey(), Name.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::GetData(const String& Name, void* Buffer, DWORD BufSize, TRegDataType& RegData, DWORD& Size) {
  DWORD type = 0;
  Size = BufSize;
  if (RegQueryValueEx(ActiveKey(), Name.c_str(), nullptr, &type, static_cast<LPBYTE>(Buffer), &Size) !=
      ERROR_SUCCESS) {
    throw ERegistryException(Format(SysConst::SRegGetDataFailed, Name));
  }
  RegData = DataTypeOf(type);
  return true;
}

void TRegistry::PutData(const String& Name, const void* Buffer, DWORD BufSize, DWORD Type) {
  if (RegSetValueEx(ActiveKey(), Name.c_str(), 0, Type, static_cast<const BYTE*>(Buffer), BufSize) !=
      ERROR_SUCCESS) {
    throw ERegistryException(Format(SysConst::SRegSetDataFailed, Name));
  }
}

String TRegistry::ReadText(const String& Name, TRegDataInfo& info) {
  if (!GetDataInfo(Name, info) || info.DataSize <= 0) return String();
  std::vector<char> buffer(static_cast<std::size_t>(info.DataSize) + 1, '\0');
  TRegDataType type = rdUnknown;
  DWORD size = 0;
  GetData(Name, buffer.data(), static_cast<DWORD>(info.DataSize), type, size);
  info.RegData = type;
  // The text ends at its terminating zero.
  return String(buffer.data(), strnlen(buffer.data(), size));
}

String TRegistry::ReadString(const String& Name) {
  TRegDataInfo info;
  String text = ReadText(Name, info);
  if (info.DataSize > 0 && info.RegData != rdString && info.RegData != rdExpandString) ReadError(Name);
  return text;
}

void TRegistry::WriteString(const String& Name, const String& Value) {
  PutData(Name, Value.c_str(), static_cast<DWORD>(Value.size() + 1), REG_SZ);
}

void TRegistry::WriteExpandString(const String& Name, const String& Value) {
  PutData(Name, Value.c_str(), static_cast<DWORD>(Value.size() + 1), REG_EXPAND_SZ);
}

int TRegistry::ReadInteger(const String& Name) {
  std::int32_t value = 0;
  TRegDataType type = rdUnknown;
  DWORD size = 0;
  TRegDataInfo info;
  if (GetDataInfo(Name, info) && info.RegData != rdInteger) ReadError(Name);
  GetData(Name, &value, sizeof value, type, size);
  if (type != rdInteger) ReadError(Name);
  return value;
}

void TRegistry::WriteInteger(const String& Name, int Value) {
  const std::int32_t value = Value;
  PutData(Name, &value, sizeof value, REG_DWORD);
}

int TRegistry::ReadBinaryData(const String& Name, void* Buffer, int BufSize) {
  TRegDataInfo info;
  if (!GetDataInfo(Name, info)) throw ERegistryException(Format(SysConst::SRegGetDataFailed, Name));
  if (info.RegData != rdBinary && info.RegData != rdUnknown) ReadError(Name);
  if (info.DataSize > BufSize) throw ERegistryException(Format(SysConst::SRegGetDataFailed, Name));
  TRegDataType type = rdUnknown;
  DWORD size = 0;
  GetData(Name, Buffer, static_cast<DWORD>(BufSize), type, size);
  return static_cast<int>(size);
}

void TRegistry::WriteBinaryData(const String& Name, const void* Buffer, int BufSize) {
  PutData(Name, Buffer, static_cast<DWORD>(BufSize), REG_BINARY);
}

double TRegistry::ReadFloat(const String& Name) {
  double value = 0;
  if (ReadBinaryData(Name, &value, sizeof value) != sizeof value) ReadError(Name);
  return value;
}

void TRegistry::WriteFloat(const String& Name, double Value) { WriteBinaryData(Name, &Value, sizeof Value); }

// --- TRegIniFile ---

TRegIniFile::TRegIniFile(const String& FileName, DWORD AAccess) : TRegistry(AAccess), file_name_(FileName) {
  OpenKey(FileName, true);
}

template <class Work>
bool TRegIniFile::InSection(const String& Section, bool create, Work work) {
  // The section's key becomes the open key for the work, then the ini's own
  // key is open again.
  const HKEY own_key = CurrentKey();
  HKEY key = nullptr;
  if (Section.empty()) {
    work();
    return true;
  }
  String s = Section;
  const bool relative = IsRelative(s);
  if (!relative) s.erase(0, 1);
  LONG result;
  if (create) {
    DWORD disposition = 0;
    result = RegCreateKeyEx(GetBaseKey(relative), s.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access, nullptr,
                            &key, &disposition);
  } else {
    result = RegOpenKeyEx(GetBaseKey(relative), s.c_str(), 0, Access, &key);
  }
  if (result != ERROR_SUCCESS) return false;
  SetCurrentKey(key);
  try {
    work();
  } catch (...) {
    SetCurrentKey(own_key);
    RegCloseKey(key);
    throw;
  }
  SetCurrentKey(own_key);
  RegCloseKey(key);
  return true;
}

String TRegIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
  String result = Default;
  InSection(Section, false, [&] {
    if (ValueExists(Ident)) result = TRegistry::ReadString(Ident);
  });
  return result;
}

void TRegIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
  if (!InSection(Section, true, [&] { TRegistry::WriteString(Ident, Value); })) {
    throw ERegistryException(Format(SysConst::SRegCreateFailed, Section));
  }
}

int TRegIniFile::ReadInteger(const String& Section, const String& Ident, int Default) {
  int result = Default;
  InSection(Section, false, [&] {
    if (!ValueExists(Ident)) return;
    if (GetDataType(Ident) == rdString || GetDataType(Ident) == rdExpandString) {
      result = StrToIntDef(TRegistry::ReadString(Ident), Default);
    } else {
      result = TRegistry::ReadInteger(Ident);
    }
  });
  return result;
}

void TRegIniFile::WriteInteger(const String& Section, const String& Ident, int Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

bool TRegIniFile::ReadBool(const String& Section, const String& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const String& Section, const String& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

void TRegIniFile::ReadSection(const String& Section, TStrings* Strings) {
  if (!InSection(Section, false, [&] { GetValueNames(Strings); })) Strings->Clear();
}

void TRegIniFile::ReadSections(TStrings* Strings) { GetKeyNames(Strings); }

void TRegIniFile::ReadSectionValues(const String& Section, TStrings* Strings) {
  TStringList names;
  ReadSection(Section, &names);
  Strings->BeginUpdate();
  try {
    Strings->Clear();
    for (int i = 0; i < names.Count(); ++i) {
      Strings->Add(names[i] + "=" + ReadString(Section, names[i], String()));
    }
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

void TRegIniFile::EraseSection(const String& Section) { TRegistry::DeleteKey(Section); }

void TRegIniFile::DeleteKey(const String& Section, const String& Ident) {
  InSection(Section, false, [&] { DeleteValue(Ident); });
}

// --- TRegistryIniFile ---

TRegistryIniFile::TRegistryIniFile(const String& FileName, DWORD AAccess)
    : TCustomIniFile(FileName), reg_(FileName, AAccess) {}

String TRegistryIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
  return reg_.ReadString(Section, Ident, Default);
}

void TRegistryIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
  reg_.WriteString(Section, Ident, Value);
}

int TRegistryIniFile::ReadInteger(const String& Section, const String& Ident, int Default) {
  return reg_.ReadInteger(Section, Ident, Default);
}

void TRegistryIniFile::WriteInteger(const String& Section, const String& Ident, int Value) {
  const bool ok = reg_.InSection(Section, true, [&] {
    // A value that exists as text stays text; otherwise a number value.
    const TRegDataType type = reg_.GetDataType(Ident);
    if (type == rdString || type == rdExpandString) {
      reg_.TRegistry::WriteString(Ident, IntToStr(Value));
    } else {
      reg_.TRegistry::WriteInteger(Ident, Value);
    }
  });
  if (!ok) throw ERegistryException(Format(SysConst::SRegCreateFailed, Section));
}

void TRegistryIniFile::ReadSection(const String& Section, TStrings* Strings) { reg_.ReadSection(Section, Strings); }

void TRegistryIniFile::ReadSections(TStrings* Strings) { reg_.ReadSections(Strings); }

void TRegistryIniFile::ReadSectionValues(const String& Section, TStrings* Strings) {
  Strings->BeginUpdate();
  try {
    Strings->Clear();
    reg_.InSection(Section, false, [&] {
      TStringList names;
      reg_.GetValueNames(&names);
      for (int i = 0; i < names.Count(); ++i) {
        // Number values show as their decimal text.
        const String text = reg_.GetDataType(names[i]) == rdInteger ? IntToStr(reg_.TRegistry::ReadInteger(names[i]))
                                                                    : reg_.TRegistry::ReadString(names[i]);
        Strings->Add(names[i] + "=" + text);
      }
    });
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

void TRegistryIniFile::EraseSection(const String& Section) { reg_.EraseSection(Section); }

void TRegistryIniFile::DeleteKey(const String& Section, const String& Ident) { reg_.DeleteKey(Section, Ident); }

bool TRegistryIniFile::ValueExists(const String& Section, const String& Ident) {
  TStringList names;
  reg_.ReadSection(Section, &names);
  return names.IndexOf(Ident) >= 0;
}
