#include "ripper/ReplacingFile.h"

#include "classlib/Exceptions.h"
#include "classlib/FileRoutines.h"
#include "classlib/FormatRoutines.h"
#include "classlib/StringRoutines.h"
#include "platform/core/handles.h"
#include "platform/core/threads.h"
#include "platform/fs/files.h"

namespace {

[[noreturn]] void CannotCreate(const String& FileName) {
  throw EFCreateError(Format(SysConst::SFCreateError, FileName));
}

}  // namespace

TReplacingFileStream::TReplacingFileStream(const String& FileName)
    : THandleStream(INVALID_HANDLE_VALUE), file_name_(FileName) {
  // What would make the final move fail is refused before anything is
  // written: no rip runs to its end only to be thrown away.
  const DWORD attributes = GetFileAttributes(FileName.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
    CannotCreate(FileName);
  }
  // One name per process and thread: two writers never share a file.
  temp_name_ = FileName + "." + IntToHex(GetCurrentProcessId(), 1) + "-" + IntToHex(GetCurrentThreadId(), 1) + ".tmp";
  handle_ = FileCreate(temp_name_);
  if (handle_ == INVALID_HANDLE_VALUE) CannotCreate(FileName);
}

TReplacingFileStream::~TReplacingFileStream() { Discard(); }

void TReplacingFileStream::Discard() {
  if (handle_ == INVALID_HANDLE_VALUE) return;
  FileClose(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  DeleteFile(temp_name_.c_str());
}

void TReplacingFileStream::Commit() {
  if (handle_ == INVALID_HANDLE_VALUE) CannotCreate(file_name_);
  const bool flushed = FlushFileBuffers(handle_) != FALSE;
  FileClose(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  if (!flushed || !MoveFileEx(temp_name_.c_str(), file_name_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFile(temp_name_.c_str());
    CannotCreate(file_name_);
  }
}
