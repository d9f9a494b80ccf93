// The parts of the streams and string lists that open files.
#include "classlib/Exceptions.h"
#include "classlib/FileRoutines.h"
#include "classlib/FormatRoutines.h"
#include "classlib/Streams.h"
#include "classlib/Strings.h"
#include "platform/core/handles.h"
#include "platform/fs/files.h"

// --- THandleStream ---

int THandleStream::Read(void* Buffer, int Count) {
  if (Count <= 0) return 0;
  DWORD got = 0;
  if (!ReadFile(handle_, Buffer, static_cast<DWORD>(Count), &got, nullptr)) return 0;
  return static_cast<int>(got);
}

int THandleStream::Write(const void* Buffer, int Count) {
  if (Count <= 0) return 0;
  DWORD put = 0;
  if (!WriteFile(handle_, Buffer, static_cast<DWORD>(Count), &put, nullptr)) return 0;
  return static_cast<int>(put);
}

std::int64_t THandleStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  return FileSeek(handle_, Offset, static_cast<int>(Origin));
}

void THandleStream::SetSize(std::int64_t NewSize) {
  Seek(NewSize, soBeginning);
  Win32Check(SetEndOfFile(handle_) != FALSE);
}

// --- TFileStream ---

TFileStream::TFileStream(const String& AFileName, WORD Mode)
    : THandleStream(INVALID_HANDLE_VALUE), file_name_(AFileName) {
  if (Mode == fmCreate) {
    handle_ = FileCreate(AFileName);
    if (handle_ == INVALID_HANDLE_VALUE) throw EFCreateError(Format(SysConst::SFCreateError, AFileName));
  } else {
    handle_ = FileOpen(AFileName, Mode);
    if (handle_ == INVALID_HANDLE_VALUE) throw EFOpenError(Format(SysConst::SFOpenError, AFileName));
  }
}

TFileStream::~TFileStream() {
  if (handle_ != INVALID_HANDLE_VALUE) FileClose(handle_);
}

// --- Files of memory streams and string lists ---

void TMemoryStream::LoadFromFile(const String& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TMemoryStream::SaveToFile(const String& FileName) {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

void TStrings::LoadFromFile(const String& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TStrings::SaveToFile(const String& FileName) {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}
