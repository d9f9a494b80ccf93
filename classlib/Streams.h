// Streams: TStream (the base), THandleStream and TFileStream over platform
// file handles, TMemoryStream, and TStringStream over a String.
#pragma once

#include <cstdint>
#include <vector>

#include "classlib/Object.h"
#include "platform/core/types.h"

enum TSeekOrigin { soBeginning, soCurrent, soEnd };
// The older origin numbers of Seek.
inline constexpr int soFromBeginning = 0;
inline constexpr int soFromCurrent = 1;
inline constexpr int soFromEnd = 2;

class TStream : public TObject {
 public:
  // Reads up to Count bytes; returns how many were read (0 at the end).
  virtual int Read(void* Buffer, int Count) = 0;
  // Writes up to Count bytes; returns how many were written.
  virtual int Write(const void* Buffer, int Count) = 0;
  // Moves the position; returns the new position.
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;

  // Reads or writes exactly Count bytes, else raises EReadError "Stream
  // read error" / EWriteError "Stream write error".
  void ReadBuffer(void* Buffer, int Count);
  void WriteBuffer(const void* Buffer, int Count);
  // Copies Count bytes from Source's position; Count 0 copies the whole of
  // Source from its start. Returns the number of bytes copied.
  std::int64_t CopyFrom(TStream* Source, std::int64_t Count);

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t Value) { Seek(Value, soBeginning); }
  virtual std::int64_t Size();
  virtual void SetSize(std::int64_t NewSize);
};

// A stream over a platform file handle that the stream does not own.
class THandleStream : public TStream {
 public:
  explicit THandleStream(HANDLE AHandle) : handle_(AHandle) {}

  int Read(void* Buffer, int Count) override;
  int Write(const void* Buffer, int Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  // Cuts or extends the file; raises EOSError when the platform refuses.
  void SetSize(std::int64_t NewSize) override;
  HANDLE Handle() const { return handle_; }

 protected:
  HANDLE handle_;
};

// Open modes of TFileStream and FileOpen: one access mode, or'ed with one
// share mode. fmCreate creates the file (or empties an existing one) for
// reading and writing, shared with no one.
inline constexpr WORD fmCreate = 0xFFFF;
inline constexpr WORD fmOpenRead = 0x0000;
inline constexpr WORD fmOpenWrite = 0x0001;
inline constexpr WORD fmOpenReadWrite = 0x0002;
inline constexpr WORD fmShareCompat = 0x0000;
inline constexpr WORD fmShareExclusive = 0x0010;
inline constexpr WORD fmShareDenyWrite = 0x0020;
inline constexpr WORD fmShareDenyRead = 0x0030;
inline constexpr WORD fmShareDenyNone = 0x0040;

class TFileStream : public THandleStream {
 public:
  // Raises EFCreateError "Cannot create file <name>" or EFOpenError
  // "Cannot open file <name>".
  TFileStream(const String& AFileName, WORD Mode);
  ~TFileStream() override;
  const String& FileName() const { return file_name_; }

 private:
  String file_name_;
};

class TMemoryStream : public TStream {
 public:
  int Read(void* Buffer, int Count) override;
  int Write(const void* Buffer, int Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return size_; }
  void SetSize(std::int64_t NewSize) override;

  // The bytes; valid until the size grows.
  void* Memory() { return data_.data(); }
  const void* Memory() const { return data_.data(); }
  void Clear();
  void LoadFromStream(TStream* Stream);
  void LoadFromFile(const String& FileName);
  void SaveToStream(TStream* Stream);
  void SaveToFile(const String& FileName);

 private:
  std::vector<std::uint8_t> data_;
  std::int64_t size_ = 0;
  std::int64_t position_ = 0;
};

// A stream over a String. Writing replaces the text from the position on:
// the string ends after the last byte written.
class TStringStream : public TStream {
 public:
  explicit TStringStream(const String& AString = String()) : data_(AString) {}

  int Read(void* Buffer, int Count) override;
  int Write(const void* Buffer, int Count) override;
  // The position stays between 0 and the size.
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }
  void SetSize(std::int64_t NewSize) override;

  const String& DataString() const { return data_; }
  // Reads up to Count bytes as text.
  String ReadString(int Count);
  void WriteString(const String& AString);

 private:
  String data_;
  std::int64_t position_ = 0;
};
