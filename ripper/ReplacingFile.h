// TReplacingFileStream: writes a rip or an encoding the user keeps without
// cutting the old file of that name first. The data go to a temporary file
// beside the target; Commit moves it over the target once it is complete.
// A stream dropped without Commit (an error, an exception) deletes its
// temporary file, and the old file, if any, stays as it was.
#pragma once

#include "classlib/Streams.h"

class TReplacingFileStream : public THandleStream {
 public:
  // Raises EFCreateError "Cannot create file <name>" when the target cannot
  // be replaced (a folder or a read-only file has its name) or the
  // temporary file cannot be created.
  explicit TReplacingFileStream(const String& FileName);
  ~TReplacingFileStream() override;
  TReplacingFileStream(const TReplacingFileStream&) = delete;
  TReplacingFileStream& operator=(const TReplacingFileStream&) = delete;

  // Flushes and closes the file and moves it into place. Raises
  // EFCreateError when it cannot; the temporary file is then deleted and
  // the old file stays.
  void Commit();

 private:
  void Discard();

  String file_name_;
  String temp_name_;
};
