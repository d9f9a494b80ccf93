// Settings files: TCustomIniFile (the reading and writing interface shared
// with TRegistryIniFile) and TIniFile, a standard profile file ("[Section]"
// lines, then "Key=Value" lines).
//
// TIniFile behaves as the platform's profile functions do: section and key
// names match without regard to case; blanks around names and values are
// ignored and a value in matching double or single quotes loses them;
// lines starting with ";" are comments; the first of two equal sections or
// keys counts. Every write goes to the file at once, keeping the rest of
// the file as it was: an existing key keeps its place and spelling, a new
// key goes after the last key of its section, a new section goes at the
// end. The file is replaced as a whole through a temporary file, so a crash
// leaves either the old or the new file, never a half-written one. A name
// without a folder refers to a file in the Windows folder.
#pragma once

#include "classlib/DateTime.h"
#include "classlib/Object.h"

#include <memory>

class TStrings;

class TCustomIniFile : public TObject {
 public:
  explicit TCustomIniFile(const String& FileName) : file_name_(FileName) {}

  const String& FileName() const { return file_name_; }

  virtual String ReadString(const String& Section, const String& Ident, const String& Default) = 0;
  virtual void WriteString(const String& Section, const String& Ident, const String& Value) = 0;
  // A decimal or "0x"/"$" hexadecimal value; Default when the value is
  // missing or not an integer.
  virtual int ReadInteger(const String& Section, const String& Ident, int Default);
  virtual void WriteInteger(const String& Section, const String& Ident, int Value);
  // True when the value read as an integer is not 0; written as "1"/"0".
  virtual bool ReadBool(const String& Section, const String& Ident, bool Default);
  virtual void WriteBool(const String& Section, const String& Ident, bool Value);
  // Default for a missing or unreadable value.
  virtual double ReadFloat(const String& Section, const String& Ident, double Default);
  virtual void WriteFloat(const String& Section, const String& Ident, double Value);
  virtual TDateTime ReadDateTime(const String& Section, const String& Ident, TDateTime Default);
  virtual void WriteDateTime(const String& Section, const String& Ident, TDateTime Value);

  // The key names of a section (the list is cleared first).
  virtual void ReadSection(const String& Section, TStrings* Strings) = 0;
  virtual void ReadSections(TStrings* Strings) = 0;
  // "Key=Value" lines of a section (the list is cleared first).
  virtual void ReadSectionValues(const String& Section, TStrings* Strings);
  virtual void EraseSection(const String& Section) = 0;
  virtual void DeleteKey(const String& Section, const String& Ident) = 0;
  virtual void UpdateFile() = 0;
  // True when the section has at least one key.
  bool SectionExists(const String& Section);
  virtual bool ValueExists(const String& Section, const String& Ident);

 private:
  String file_name_;
};

class TIniFile : public TCustomIniFile {
 public:
  explicit TIniFile(const String& FileName);

  String ReadString(const String& Section, const String& Ident, const String& Default) override;
  // Raises EIniFileException "Unable to write to <file>" when the file
  // cannot be written.
  void WriteString(const String& Section, const String& Ident, const String& Value) override;
  void ReadSection(const String& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const String& Section, TStrings* Strings) override;
  // Removes the section with all its lines; raises EIniFileException when
  // the file cannot be written.
  void EraseSection(const String& Section) override;
  void DeleteKey(const String& Section, const String& Ident) override;
  // Writes are never held back, so there is nothing to flush.
  void UpdateFile() override {}
};

// A profile file held in memory: it is read once when made, every read and
// write works on the copy, and UpdateFile replaces the file as a whole in
// one atomic step (nothing is written before it). Same rules for names and
// values as TIniFile.
class TMemIniFile : public TCustomIniFile {
 public:
  explicit TMemIniFile(const String& FileName);
  ~TMemIniFile() override;

  String ReadString(const String& Section, const String& Ident, const String& Default) override;
  void WriteString(const String& Section, const String& Ident, const String& Value) override;
  void ReadSection(const String& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void EraseSection(const String& Section) override;
  void DeleteKey(const String& Section, const String& Ident) override;
  // Raises EIniFileException "Unable to write to <file>" when the file
  // cannot be written; the old file is then unchanged.
  void UpdateFile() override;

 private:
  struct Lines;
  std::unique_ptr<Lines> lines_;
};
