// Replacing a file's whole contents so that a crash never leaves it half
// written: the new contents go to a temporary file beside it, which is
// flushed and then renamed over the old one. Readers see either the old
// file or the new one.
#pragma once

#include <functional>

#include "classlib/Object.h"

namespace classlib {

// Writes `contents` to the platform path `file_name` that way. Returns
// false (with the platform's last error set) when the file cannot be
// written; the old file is then unchanged.
bool WriteFileAtomically(const String& file_name, const String& contents);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const String& file_name, String& contents);

namespace testing {
// Called after the temporary file is complete and before the rename (null:
// nothing). A test throws from it to stand for a crash at that moment.
void SetBeforeReplaceHook(std::function<void(const String& temp_name)> hook);
}  // namespace testing

}  // namespace classlib
