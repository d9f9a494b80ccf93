#include "app/URL.h"

#include <cstdint>

#include "classlib/Application.h"
#include "platform/shell/shell_execute.h"
#include "platform/user/user.h"

const char* URLPrefix(TURLType Type) {
  static const char* const kPrefixes[] = {"file://",  "ftp://",  "gopher://", "http://", "https://",
                                          "mailto:", "news:",   "telnet:",   "wais:"};
  const int index = static_cast<int>(Type);
  if (index < 0 || index >= static_cast<int>(sizeof kPrefixes / sizeof kPrefixes[0])) return "";
  return kPrefixes[index];
}

TURL::TURL(TComponent* AOwner) : TComponent(AOwner) {}

void TURL::SetURL(const String& Value) {
  if (Value != url_) url_ = Value;
}

void TURL::SetURLType(TURLType Value) {
  if (Value != url_type_) url_type_ = Value;
}

bool TURL::Execute() {
  if (url_.empty()) return false;
  const HINSTANCE result = ShellOpen(String(URLPrefix(url_type_)) + url_, "", "", SW_SHOWNOACTIVATE);
  return reinterpret_cast<std::intptr_t>(result) > 32;
}

HINSTANCE TURL::ShellOpen(const String& FileName, const String& Params, const String& Dir,
                          int ShowCmd) {
  HWND owner = nullptr;
  if (Application != nullptr && Application->MainForm() != nullptr &&
      Application->MainForm()->HandleAllocated()) {
    owner = Application->MainForm()->Handle();
  }
  // Zero-terminated copies of the three texts.
  const String file = FileName, params = Params, dir = Dir;
  return ShellExecute(owner, nullptr, file.c_str(), params.c_str(), dir.c_str(), ShowCmd);
}
