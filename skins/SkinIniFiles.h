// The skin configuration text held in memory: sections of "key=value"
// entries, read from a file (TscMemIniFile) or a stream (TscStringsIniFile),
// and the length-prefixed string coding of streams and packages.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "classlib/Object.h"
#include "classlib/Streams.h"
#include "classlib/Strings.h"

class TscCustomIniFile : public TObject {
 public:
  explicit TscCustomIniFile(const String& AFileName) : FileName(AFileName) {}

  virtual String ReadString(const String& Section, const String& Key, const String& Default) = 0;
  virtual void WriteString(const String& Section, const String& Key, const String& Value) = 0;
  virtual void ReadSection(const String& Section, TStrings* Strings) = 0;
  virtual void ReadSections(TStrings* Strings) = 0;
  virtual void ReadSectionValues(const String& Section, TStrings* Strings) = 0;
  virtual void EraseSection(const String& Section) = 0;
  virtual void DeleteKey(const String& Section, const String& Key) = 0;
  virtual void UpdateFile() = 0;

  // The section has at least one key.
  bool SectionExists(const String& Section);

  String FileName;
};

// The parsed text: sections in order, each with its entries in order.
class TscIniSections : public TscCustomIniFile {
 public:
  using TscCustomIniFile::TscCustomIniFile;

  String ReadString(const String& Section, const String& Key, const String& Default) override;
  // An empty value writes nothing (an existing entry keeps its value).
  void WriteString(const String& Section, const String& Key, const String& Value) override;
  void ReadSection(const String& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const String& Section, TStrings* Strings) override;
  void EraseSection(const String& Section) override;
  void DeleteKey(const String& Section, const String& Key) override;

  // Replaces everything with the parsed text (CRLF or LF line ends).
  void SetText(const String& Text);
  // Each section as "[name]", its entries and an empty line, CRLF ended.
  String GetText() const;
  void Clear();

 protected:
  struct Section {
    String Name;
    std::vector<String> Entries;
  };
  // The first section of that name, in any letter case.
  Section* Find(const String& Name);
  static int FindKey(const Section& S, const String& Key);
  Section& AddSection(const String& Name);

  std::vector<Section> sections_;

 private:
  void Reindex();
  // The position of the first section of each name (upper-cased), so that
  // reading a text of many sections stays linear.
  std::unordered_map<String, size_t> index_;
};

class TscMemIniFile : public TscIniSections {
 public:
  // Reads the file when the name is not empty and the file exists.
  explicit TscMemIniFile(const String& AFileName);
  void LoadValues();
  // Writes the text to the file whole, or leaves the old file and raises
  // EFCreateError.
  void UpdateFile() override;
};

class TscStringsIniFile : public TscIniSections {
 public:
  TscStringsIniFile() : TscIniSections(String()) {}
  void UpdateFile() override {}
  // One length-prefixed string holding the text.
  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream);
};

// A signed 32-bit little-endian length, then that many bytes. Reading
// raises EReadError when the length is negative or runs past the stream's
// end (checked before anything is allocated).
String ReadStreamString(TStream* Stream);
void WriteStreamString(TStream* Stream, const String& Value);
// Reads a signed 32-bit little-endian integer (EReadError at the end).
int32_t ReadStreamInt32(TStream* Stream);
void WriteStreamInt32(TStream* Stream, int32_t Value);

// Replaces a file's contents whole: they go to a temporary file beside it
// that is then moved over it. When that fails the old file is left as it
// was and EFCreateError "Cannot create file <name>" is raised.
void WriteSkinFile(const String& FileName, const String& Contents);
// The same with a memory stream's bytes.
void WriteSkinFile(const String& FileName, TMemoryStream& Contents);
