#include "classlib/PathRoutines.h"

#include "classlib/StringRoutines.h"

String ExtractFilePath(const String& file_name) {
  return Copy(file_name, 1, LastDelimiter("\\:", file_name));
}

String ExtractFileDir(const String& file_name) {
  int i = LastDelimiter("\\:", file_name);
  if (i > 1 && file_name[static_cast<std::size_t>(i - 1)] == '\\' &&
      file_name[static_cast<std::size_t>(i - 2)] != '\\' && file_name[static_cast<std::size_t>(i - 2)] != ':') {
    --i;
  }
  return Copy(file_name, 1, i);
}

String ExtractFileName(const String& file_name) {
  return file_name.substr(static_cast<std::size_t>(LastDelimiter("\\:", file_name)));
}

String ExtractFileExt(const String& file_name) {
  const int i = LastDelimiter(".\\:", file_name);
  if (i > 0 && file_name[static_cast<std::size_t>(i - 1)] == '.') {
    return file_name.substr(static_cast<std::size_t>(i - 1));
  }
  return String();
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
  const int i = LastDelimiter(".\\:", file_name);
  if (i == 0 || file_name[static_cast<std::size_t>(i - 1)] != '.') return file_name + extension;
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
