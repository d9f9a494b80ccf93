// The registry classes over the platform registry (platform/reg):
// TRegistry (keys and typed values), TRegIniFile (a key used like an ini
// file, every value written as text) and TRegistryIniFile (the same behind
// the TCustomIniFile interface).
//
// Key paths: a path starting with "\" is taken from RootKey, any other
// from the open key (or from RootKey when none is open).
#pragma once

#include <cstdint>

#include "classlib/IniFiles.h"
#include "classlib/Object.h"
#include "platform/reg/registry.h"

class TStrings;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData = rdUnknown;
  int DataSize = 0;
};

class TRegistry : public TObject {
 public:
  // RootKey HKEY_CURRENT_USER; keys are opened with the given rights.
  explicit TRegistry(DWORD AAccess = KEY_ALL_ACCESS);
  ~TRegistry() override;

  HKEY RootKey() const { return root_key_; }
  // Closes the open key and changes the root.
  void SetRootKey(HKEY Value);
  HKEY CurrentKey() const { return current_key_; }
  // The path of the open key below RootKey ("" when none is open).
  const String& CurrentPath() const { return current_path_; }
  DWORD Access = KEY_ALL_ACCESS;
  // With LazyWrite false, closing a key flushes it first.
  bool LazyWrite = true;

  // Opens (and with CanCreate creates) a key and makes it the open key;
  // false when that fails.
  bool OpenKey(const String& Key, bool CanCreate);
  bool OpenKeyReadOnly(const String& Key);
  void CloseKey();
  // Creates a key without opening it; raises ERegistryException "Failed to
  // create key <key>" when that fails.
  bool CreateKey(const String& Key);
  // Deletes a key with everything below it.
  bool DeleteKey(const String& Key);
  bool KeyExists(const String& Key);
  bool HasSubKeys();
  void GetKeyNames(TStrings* Strings);
  void GetValueNames(TStrings* Strings);

  bool ValueExists(const String& Name);
  bool DeleteValue(const String& Name);
  bool GetDataInfo(const String& ValueName, TRegDataInfo& Value);
  // The size in bytes, or -1 when the value does not exist.
  int GetDataSize(const String& ValueName);
  TRegDataType GetDataType(const String& ValueName);

  // "" for a missing value; a value that is not text raises
  // ERegistryException "Invalid data type for '<name>'".
  String ReadString(const String& Name);
  void WriteString(const String& Name, const String& Value);
  void WriteExpandString(const String& Name, const String& Value);
  // A missing value raises ERegistryException "Failed to get data for
  // '<name>'", one that is not a number "Invalid data type for '<name>'".
  int ReadInteger(const String& Name);
  void WriteInteger(const String& Name, int Value);
  bool ReadBool(const String& Name) { return ReadInteger(Name) != 0; }
  void WriteBool(const String& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }
  // Reads binary data into Buffer; returns its size. Raises when the value
  // is missing, not binary or larger than BufSize.
  int ReadBinaryData(const String& Name, void* Buffer, int BufSize);
  void WriteBinaryData(const String& Name, const void* Buffer, int BufSize);
  // A float kept as the 8 bytes of a double in a binary value.
  double ReadFloat(const String& Name);
  void WriteFloat(const String& Name, double Value);

  // Every failed write raises ERegistryException "Failed to set data for
  // '<name>'".

 protected:
  // Opens a key relative to the open key (or the root) without making it
  // the open key; 0 when that fails. The caller closes it.
  HKEY GetKey(const String& Key);
  void ChangeKey(HKEY Value, const String& Path);
  // Makes a key the open one without closing the previous one.
  void SetCurrentKey(HKEY Value) { current_key_ = Value; }
  HKEY GetBaseKey(bool Relative) const;
  // The open key, or the root when none is open.
  HKEY ActiveKey() const { return current_key_ != nullptr ? current_key_ : root_key_; }

 private:
  bool GetData(const String& Name, void* Buffer, DWORD BufSize, TRegDataType& RegData, DWORD& Size);
  void PutData(const String& Name, const void* Buffer, DWORD BufSize, DWORD Type);
  String ReadText(const String& Name, TRegDataInfo& info);

  HKEY root_key_ = HKEY_CURRENT_USER;
  HKEY current_key_ = nullptr;
  String current_path_;
};

// A registry key used like an ini file: its sub-keys are the sections and
// their values the keys. Every value is written as text: integers in
// decimal, Booleans as "1" or "0". Reading takes text or number values.
class TRegIniFile : public TRegistry {
 public:
  // Opens (creating it) FileName below HKEY_CURRENT_USER.
  explicit TRegIniFile(const String& FileName, DWORD AAccess = KEY_ALL_ACCESS);

  const String& FileName() const { return file_name_; }

  String ReadString(const String& Section, const String& Ident, const String& Default);
  void WriteString(const String& Section, const String& Ident, const String& Value);
  int ReadInteger(const String& Section, const String& Ident, int Default);
  void WriteInteger(const String& Section, const String& Ident, int Value);
  bool ReadBool(const String& Section, const String& Ident, bool Default);
  void WriteBool(const String& Section, const String& Ident, bool Value);
  void ReadSection(const String& Section, TStrings* Strings);
  void ReadSections(TStrings* Strings);
  void ReadSectionValues(const String& Section, TStrings* Strings);
  void EraseSection(const String& Section);
  void DeleteKey(const String& Section, const String& Ident);

  using TRegistry::DeleteKey;
  using TRegistry::ReadBool;
  using TRegistry::ReadInteger;
  using TRegistry::ReadString;
  using TRegistry::WriteBool;
  using TRegistry::WriteInteger;
  using TRegistry::WriteString;

 private:
  friend class TRegistryIniFile;
  // Runs `work` with the section's key as the open key; false when the
  // section cannot be opened (or created, with `create`).
  template <class Work>
  bool InSection(const String& Section, bool create, Work work);

  String file_name_;
};

// TCustomIniFile over a TRegIniFile: sections are sub-keys of FileName
// below HKEY_CURRENT_USER (RegIniFile() gives access to the key itself).
// Strings and Booleans are written as text; WriteInteger writes a number
// value unless the value already exists as text (then it stays text).
class TRegistryIniFile : public TCustomIniFile {
 public:
  explicit TRegistryIniFile(const String& FileName, DWORD AAccess = KEY_ALL_ACCESS);

  TRegIniFile& RegIniFile() { return reg_; }

  String ReadString(const String& Section, const String& Ident, const String& Default) override;
  void WriteString(const String& Section, const String& Ident, const String& Value) override;
  int ReadInteger(const String& Section, const String& Ident, int Default) override;
  void WriteInteger(const String& Section, const String& Ident, int Value) override;
  void ReadSection(const String& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const String& Section, TStrings* Strings) override;
  void EraseSection(const String& Section) override;
  void DeleteKey(const String& Section, const String& Ident) override;
  void UpdateFile() override {}
  bool ValueExists(const String& Section, const String& Ident) override;

 private:
  TRegIniFile reg_;
};
