// Text files read and written line by line, as the class library's text
// file routines do (AssignFile, Reset, Rewrite, Append, ReadLn, WriteLn,
// Eof, CloseFile). Every failure raises EInOutError with the class
// library's I/O error number and text: 2 "File not found", 3 "Path not
// found", 5 "File access denied", 100 "Read beyond end of file", 101 "Disk
// full", 102 "File not assigned", 103 "File not open", 104 "File not open
// for input", 105 "File not open for output", others "I/O error <n>".
//
// Lines end with CR LF when written; when read, a line ends at CR, LF or
// CR LF. Reading stops at the end of the file.
#pragma once

#include "classlib/Object.h"
#include "platform/core/types.h"

class TextFile : public TObject {
 public:
  TextFile() = default;
  ~TextFile() override;

  void Assign(const String& FileName);
  const String& FileName() const { return file_name_; }
  // Opens an existing file for reading.
  void Reset();
  // Creates the file (or empties it) for writing.
  void Rewrite();
  // Opens an existing file for writing at its end.
  void Append();
  // Reads the rest of the current line and moves to the next.
  String ReadLn();
  void Write(const String& Text);
  void WriteLn(const String& Text = String());
  // True when nothing is left to read.
  bool Eof();
  // Writes out what is buffered and closes; nothing when not open.
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }

 private:
  enum class Mode { Closed, Input, Output };
  void Open(Mode mode, DWORD access, DWORD creation, bool at_end);
  [[noreturn]] void Fail(int code) const;
  bool FillBuffer();
  void Flush();
  int Peek();

  String file_name_;
  bool assigned_ = false;
  Mode mode_ = Mode::Closed;
  HANDLE handle_ = nullptr;
  String buffer_;
  std::size_t pos_ = 0;
};

// The routine forms.
inline void AssignFile(TextFile& F, const String& FileName) { F.Assign(FileName); }
inline void Reset(TextFile& F) { F.Reset(); }
inline void Rewrite(TextFile& F) { F.Rewrite(); }
inline void Append(TextFile& F) { F.Append(); }
inline void ReadLn(TextFile& F, String& S) { S = F.ReadLn(); }
inline void WriteLn(TextFile& F, const String& S = String()) { F.WriteLn(S); }
inline void Write(TextFile& F, const String& S) { F.Write(S); }
inline bool Eof(TextFile& F) { return F.Eof(); }
inline void CloseFile(TextFile& F) { F.Close(); }
