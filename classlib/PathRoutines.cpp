#include "classlib/PathRoutines.h"

#include <cctype>

#include "classlib/StringRoutines.h"

namespace {

// "X:" at the start: the only colon that separates anything. Elsewhere a
// colon is part of a name, as Linux file names may hold one.
bool StartsWithDrive(const String& file_name) {
  return file_name.size() >= 2 && file_name[1] == ':' &&
         std::isalpha(static_cast<unsigned char>(file_name[0])) != 0;
}

// 1-based position of the last character that ends a folder part (a
// backslash or the drive's colon); 0 when there is none.
int LastFolderDelimiter(const String& file_name) {
  const int backslash = LastDelimiter("\\", file_name);
  if (backslash > 0) return backslash;
  return StartsWithDrive(file_name) ? 2 : 0;
}

// 1-based position of the dot that starts the extension; 0 when the name
// has none.
int ExtensionDot(const String& file_name) {
  const int dot = LastDelimiter(".", file_name);
  return dot > LastFolderDelimiter(file_name) ? dot : 0;
}

}  // namespace

String ExtractFilePath(const String& file_name) {
  return Copy(file_name, 1, LastFolderDelimiter(file_name));
}

String ExtractFileDir(const String& file_name) {
  int i = LastFolderDelimiter(file_name);
  const bool root = i == 3 && StartsWithDrive(file_name);
  if (i > 1 && !root && file_name[static_cast<std::size_t>(i - 1)] == '\\' &&
      file_name[static_cast<std::size_t>(i - 2)] != '\\') {
    --i;
  }
  return Copy(file_name, 1, i);
}

String ExtractFileName(const String& file_name) {
  return file_name.substr(static_cast<std::size_t>(LastFolderDelimiter(file_name)));
}

String ExtractFileExt(const String& file_name) {
  const int i = ExtensionDot(file_name);
  return i > 0 ? file_name.substr(static_cast<std::size_t>(i - 1)) : String();
}

String ExtractFileDrive(const String& file_name) {
  if (file_name.size() >= 2 && file_name[1] == ':') return file_name.substr(0, 2);
  if (file_name.size() >= 2 && file_name[0] == '\\' && file_name[1] == '\\') {
    // "\\server\share": up to the backslash after the share name.
    std::size_t separators = 0;
    std::size_t i = 2;
    while (i < file_name.size()) {
      if (file_name[i] == '\\' && ++separators == 2) break;
      ++i;
    }
    return file_name.substr(0, i);
  }
  return String();
}

String ChangeFileExt(const String& file_name, const String& extension) {
  const int i = ExtensionDot(file_name);
  if (i == 0) return file_name + extension;
  return file_name.substr(0, static_cast<std::size_t>(i - 1)) + extension;
}

bool IsPathDelimiter(const String& s, int index) {
  return index >= 1 && index <= Length(s) && s[static_cast<std::size_t>(index - 1)] == '\\';
}

String IncludeTrailingBackslash(const String& s) {
  return IsPathDelimiter(s, Length(s)) ? s : s + "\\";
}

String IncludeTrailingPathDelimiter(const String& s) { return IncludeTrailingBackslash(s); }

String ExcludeTrailingBackslash(const String& s) {
  return IsPathDelimiter(s, Length(s)) ? s.substr(0, s.size() - 1) : s;
}

String ExcludeTrailingPathDelimiter(const String& s) { return ExcludeTrailingBackslash(s); }
