// File-name routines that are pure text work on platform paths: drive
// letters, backslashes, ":" after the drive. None of them touches a disk.
#pragma once

#include "classlib/Object.h"

// The folder part including its final "\" or ":" ("C:\a\b.txt" -> "C:\a\").
String ExtractFilePath(const String& file_name);
// The folder part without its final backslash, except after a drive or at
// the root ("C:\a\b.txt" -> "C:\a"; "C:\b.txt" -> "C:\").
String ExtractFileDir(const String& file_name);
// The text after the last "\" or ":".
String ExtractFileName(const String& file_name);
// The extension with its dot (".txt"), or "" when the name has none.
String ExtractFileExt(const String& file_name);
// "C:" of "C:\a", "\\server\share" of "\\server\share\a", else "".
String ExtractFileDrive(const String& file_name);
// The name with its extension replaced (or added); `extension` includes
// the dot, "" removes the extension.
String ChangeFileExt(const String& file_name, const String& extension);
// True when s[index] (1-based) is a backslash.
bool IsPathDelimiter(const String& s, int index);
// Adds a backslash unless the text ends in one ("" -> "\").
String IncludeTrailingBackslash(const String& s);
String IncludeTrailingPathDelimiter(const String& s);
// Removes one final backslash.
String ExcludeTrailingBackslash(const String& s);
String ExcludeTrailingPathDelimiter(const String& s);
