// The process's clipboard, with the desktop's clipboard behind it under
// SDL2.
#include "platform/user/clipboard.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/threads.h"
#include "platform/core/utf8.h"
#include "platform/gdi/gdi.h"
#include "platform/user/message_queue.h"
#include "platform/user/screen.h"
#include "platform/user/window.h"
#include "platform/user/window_class.h"

namespace {

struct Entry {
  UINT format = 0;
  HANDLE data = nullptr;  // null: promised, rendered on request
};

struct Clipboard {
  std::mutex mutex;
  bool open = false;
  HWND opener = nullptr;
  DWORD opener_thread = 0;
  HWND owner = nullptr;
  std::vector<Entry> entries;  // in the order they were put
  bool changed_while_open = false;
  DWORD sequence = 0;
  // The text the desktop's clipboard holds as far as we know (what we put
  // there or last read from it); another text there is another program's.
  std::string desktop_text;
  bool desktop_known = false;
  UINT rendering = 0;  // the format whose WM_RENDERFORMAT is being answered
};

Clipboard& TheClipboard() {
  static auto* clipboard = new Clipboard;
  return *clipboard;
}

bool IsGdiFormat(UINT format) {
  return format == CF_BITMAP || format == CF_PALETTE || format == CF_ENHMETAFILE ||
         (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST);
}

bool IsTextFormat(UINT format) {
  return format == CF_TEXT || format == CF_OEMTEXT || format == CF_UNICODETEXT;
}

void FreeData(UINT format, HANDLE data) {
  if (data == nullptr) return;
  if (IsGdiFormat(format)) {
    DeleteObject(data);
  } else if (format < CF_PRIVATEFIRST || format > CF_PRIVATELAST) {
    GlobalFree(static_cast<HGLOBAL>(data));
  }
}

Entry* FindEntry(Clipboard& c, UINT format) {
  for (Entry& e : c.entries) {
    if (e.format == format) return &e;
  }
  return nullptr;
}

bool CallerHasItOpen(const Clipboard& c) {
  return c.open && c.opener_thread == GetCurrentThreadId();
}

// ---- text conversions ----

std::u16string Utf8ToUtf16(const std::string& in) {
  std::u16string out;
  for (std::size_t i = 0; i < in.size();) {
    char32_t cp = platform::DecodeUtf8Char(in, i, platform::Utf8BadByte::kReplacement);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf16ToUtf8(const char16_t* in, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) {
    char32_t cp = in[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < count && in[i + 1] >= 0xDC00 && in[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    }
    platform::AppendUtf8(out, cp);
  }
  return out;
}

HGLOBAL BlockOf(const void* bytes, std::size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (block == nullptr) return nullptr;
  std::memcpy(GlobalLock(block), bytes, size);
  GlobalUnlock(block);
  return block;
}

// The text of a text-format block, up to its terminating zero.
bool TextOfBlock(UINT format, HANDLE data, std::string* text) {
  if (data == nullptr) return false;
  SIZE_T size = GlobalSize(data);
  const void* bytes = GlobalLock(data);
  if (bytes == nullptr) return false;
  if (format == CF_UNICODETEXT) {
    const auto* units = static_cast<const char16_t*>(bytes);
    std::size_t count = 0;
    while (count < size / 2 && units[count] != 0) ++count;
    *text = Utf16ToUtf8(units, count);
  } else {
    const auto* chars = static_cast<const char*>(bytes);
    *text = std::string(chars, strnlen(chars, size));
  }
  GlobalUnlock(data);
  return true;
}

HGLOBAL BlockOfText(UINT format, const std::string& text) {
  if (format == CF_UNICODETEXT) {
    std::u16string wide = Utf8ToUtf16(text);
    return BlockOf(wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
  }
  return BlockOf(text.c_str(), text.size() + 1);
}

// The text on the clipboard (from any text format present); lock held.
bool ClipboardTextLocked(Clipboard& c, std::string* text) {
  for (UINT format : {CF_TEXT, CF_UNICODETEXT, CF_OEMTEXT}) {
    Entry* e = FindEntry(c, format);
    if (e != nullptr && TextOfBlock(format, e->data, text)) return true;
  }
  return false;
}

// Frees every entry; returns the owner that loses the clipboard. Lock held.
HWND ClearLocked(Clipboard& c) {
  for (Entry& e : c.entries) FreeData(e.format, e.data);
  c.entries.clear();
  HWND previous = c.owner;
  c.owner = nullptr;
  ++c.sequence;
  return previous;
}

// Takes the desktop's text when another program changed it. Called
// without the clipboard's lock (the desktop may take a while to answer).
void PullFromDesktop() {
  std::string text;
  if (!platform::GetDesktopClipboardText(&text)) return;
  Clipboard& c = TheClipboard();
  HWND lost = nullptr;
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    if (c.desktop_known && text == c.desktop_text) return;
    c.desktop_text = text;
    c.desktop_known = true;
    if (text.empty() && c.entries.empty()) return;
    lost = ClearLocked(c);
    if (!text.empty()) {
      HGLOBAL block = BlockOfText(CF_TEXT, text);
      if (block != nullptr) c.entries.push_back(Entry{CF_TEXT, block});
    }
  }
  if (lost != nullptr && IsWindow(lost)) SendMessage(lost, WM_DESTROYCLIPBOARD, 0, 0);
}

}  // namespace

BOOL OpenClipboard(HWND hwnd) {
  if (hwnd != nullptr && !IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  Clipboard& c = TheClipboard();
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    if (c.open) {
      if (c.opener_thread == GetCurrentThreadId() && c.opener == hwnd) return TRUE;
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    c.open = true;
    c.opener = hwnd;
    c.opener_thread = GetCurrentThreadId();
    c.changed_while_open = false;
  }
  PullFromDesktop();
  return TRUE;
}

BOOL CloseClipboard() {
  Clipboard& c = TheClipboard();
  std::string text;
  bool push = false;
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    if (!CallerHasItOpen(c)) {
      SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
      return FALSE;
    }
    c.open = false;
    c.opener = nullptr;
    c.opener_thread = 0;
    if (c.changed_while_open) {
      push = true;
      if (!ClipboardTextLocked(c, &text)) text.clear();
    }
    c.changed_while_open = false;
  }
  if (push && platform::SetDesktopClipboardText(text)) {
    std::lock_guard<std::mutex> lock(c.mutex);
    c.desktop_text = text;
    c.desktop_known = true;
  }
  return TRUE;
}

BOOL EmptyClipboard() {
  Clipboard& c = TheClipboard();
  HWND lost = nullptr;
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    if (!CallerHasItOpen(c)) {
      SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
      return FALSE;
    }
    lost = ClearLocked(c);
    c.owner = c.opener;
    c.changed_while_open = true;
  }
  if (lost != nullptr && IsWindow(lost)) SendMessage(lost, WM_DESTROYCLIPBOARD, 0, 0);
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  const bool rendering = c.rendering != 0 && c.rendering == format;
  if (!CallerHasItOpen(c) && !rendering) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  if (format == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (Entry* e = FindEntry(c, format)) {
    if (e->data != data) FreeData(format, e->data);
    e->data = data;
  } else {
    c.entries.push_back(Entry{format, data});
  }
  if (!rendering) {
    c.changed_while_open = true;
    ++c.sequence;
  }
  return data;
}

HANDLE GetClipboardData(UINT format) {
  Clipboard& c = TheClipboard();
  HWND renderer = nullptr;
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    if (!CallerHasItOpen(c)) {
      SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
      return nullptr;
    }
    Entry* e = FindEntry(c, format);
    if (e != nullptr && e->data != nullptr) return e->data;
    if (e != nullptr) {
      renderer = c.owner;
      c.rendering = format;
    }
  }
  if (renderer != nullptr && IsWindow(renderer)) {
    SendMessage(renderer, WM_RENDERFORMAT, format, 0);
    std::lock_guard<std::mutex> lock(c.mutex);
    c.rendering = 0;
    Entry* e = FindEntry(c, format);
    if (e != nullptr && e->data != nullptr) return e->data;
  }
  if (!IsTextFormat(format)) return nullptr;
  // Text asked for in another text format than the one put there.
  std::lock_guard<std::mutex> lock(c.mutex);
  c.rendering = 0;
  std::string text;
  if (!ClipboardTextLocked(c, &text)) return nullptr;
  HGLOBAL block = BlockOfText(format, text);
  if (block == nullptr) return nullptr;
  if (Entry* e = FindEntry(c, format)) {
    e->data = block;
  } else {
    c.entries.push_back(Entry{format, block});
  }
  return block;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  PullFromDesktop();
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  if (FindEntry(c, format) != nullptr) return TRUE;
  if (IsTextFormat(format)) {
    for (UINT text : {CF_TEXT, CF_UNICODETEXT, CF_OEMTEXT}) {
      if (FindEntry(c, text) != nullptr) return TRUE;
    }
  }
  return FALSE;
}

int CountClipboardFormats() {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  return static_cast<int>(c.entries.size());
}

UINT EnumClipboardFormats(UINT format) {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  if (!CallerHasItOpen(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return 0;
  }
  SetLastError(NO_ERROR);
  if (format == 0) return c.entries.empty() ? 0 : c.entries.front().format;
  for (std::size_t i = 0; i + 1 < c.entries.size(); ++i) {
    if (c.entries[i].format == format) return c.entries[i + 1].format;
  }
  return 0;
}

HWND GetClipboardOwner() {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  return c.owner;
}

HWND GetOpenClipboardWindow() {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  return c.open ? c.opener : nullptr;
}

UINT RegisterClipboardFormat(LPCSTR name) {
  // Clipboard formats share the atom table of registered messages.
  return RegisterWindowMessage(name);
}

int GetClipboardFormatName(UINT format, LPSTR buffer, int buffer_size) {
  (void)format;
  if (buffer != nullptr && buffer_size > 0) buffer[0] = '\0';
  return 0;
}

DWORD GetClipboardSequenceNumber() {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  return c.sequence;
}

namespace platform {

bool PutClipboardText(HWND owner, const std::string& text) {
  if (!OpenClipboard(owner)) return false;
  EmptyClipboard();
  HGLOBAL block = BlockOfText(CF_TEXT, text);
  bool put = block != nullptr && SetClipboardData(CF_TEXT, block) != nullptr;
  if (!put && block != nullptr) GlobalFree(block);
  CloseClipboard();
  return put;
}

bool TakeClipboardText(HWND owner, std::string* text) {
  if (!OpenClipboard(owner)) return false;
  HANDLE data = GetClipboardData(CF_TEXT);
  bool got = TextOfBlock(CF_TEXT, data, text);
  CloseClipboard();
  return got;
}

}  // namespace platform
