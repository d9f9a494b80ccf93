#include "classlib/Clipbrd.h"

#include <cstring>

#include "platform/user/clipboard.h"

namespace {

// Keeps the clipboard open for the calling thread while it exists.
class OpenedClipboard {
 public:
  OpenedClipboard() {
    if (!OpenClipboard(nullptr)) throw EClipboardException("Cannot open clipboard");
  }
  ~OpenedClipboard() { CloseClipboard(); }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
};

}  // namespace

String TClipboard::AsText() {
  OpenedClipboard open;
  HANDLE data = GetClipboardData(CF_TEXT);
  if (data == nullptr) return String();
  const auto* text = static_cast<const char*>(GlobalLock(data));
  if (text == nullptr) return String();
  const SIZE_T size = GlobalSize(data);
  const String result(text, strnlen(text, size));
  GlobalUnlock(data);
  return result;
}

void TClipboard::SetAsText(const String& Value) {
  OpenedClipboard open;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, Value.size() + 1);
  if (block == nullptr) throw EClipboardException("Cannot open clipboard");
  auto* memory = static_cast<char*>(GlobalLock(block));
  std::memcpy(memory, Value.c_str(), Value.size() + 1);
  GlobalUnlock(block);
  if (SetClipboardData(CF_TEXT, block) == nullptr) {
    GlobalFree(block);
    throw EClipboardException("Cannot open clipboard");
  }
}

bool TClipboard::HasFormat(UINT Format) { return IsClipboardFormatAvailable(Format) != FALSE; }

void TClipboard::Clear() {
  OpenedClipboard open;
  EmptyClipboard();
}

TClipboard* Clipboard() {
  static TClipboard clipboard;
  return &clipboard;
}
