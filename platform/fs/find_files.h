// Finding files beyond FindFirstFile and FindNextFile (declared in files.h).
#pragma once

namespace platform::fs {

// Test seam: while on, folder listings act as on a file system whose
// directory entries carry no type, so that every entry has to be looked up
// on its own.
void ListWithoutEntryTypes(bool on);

}  // namespace platform::fs
