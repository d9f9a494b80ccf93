// The clipboard: one per process, opened by one window (or thread) at a
// time. Data goes in as HGLOBAL blocks (text: a zero-terminated string)
// that the clipboard owns from then on and frees when it is emptied.
//
// Text: CF_TEXT is UTF-8 (the system code page); CF_UNICODETEXT is UTF-16
// and CF_OEMTEXT the same bytes as CF_TEXT. Whichever of them was put in,
// the others can be taken out.
//
// The desktop: under SDL2 the clipboard is the desktop's. Text put on the
// clipboard goes to the desktop when the clipboard is closed; text another
// program puts on the desktop's clipboard shows up as CF_TEXT. Headless,
// the clipboard lives in the process only.
#pragma once

#include <string>

#include "platform/core/types.h"
#include "platform/user/clipboard_memory.h"

constexpr UINT CF_TEXT = 1;
constexpr UINT CF_BITMAP = 2;
constexpr UINT CF_METAFILEPICT = 3;
constexpr UINT CF_SYLK = 4;
constexpr UINT CF_DIF = 5;
constexpr UINT CF_TIFF = 6;
constexpr UINT CF_OEMTEXT = 7;
constexpr UINT CF_DIB = 8;
constexpr UINT CF_PALETTE = 9;
constexpr UINT CF_PENDATA = 10;
constexpr UINT CF_RIFF = 11;
constexpr UINT CF_WAVE = 12;
constexpr UINT CF_UNICODETEXT = 13;
constexpr UINT CF_ENHMETAFILE = 14;
constexpr UINT CF_HDROP = 15;
constexpr UINT CF_LOCALE = 16;
constexpr UINT CF_DIBV5 = 17;
constexpr UINT CF_OWNERDISPLAY = 0x0080;
constexpr UINT CF_DSPTEXT = 0x0081;
constexpr UINT CF_DSPBITMAP = 0x0082;
constexpr UINT CF_PRIVATEFIRST = 0x0200;
constexpr UINT CF_PRIVATELAST = 0x02FF;
constexpr UINT CF_GDIOBJFIRST = 0x0300;
constexpr UINT CF_GDIOBJLAST = 0x03FF;

// Opens the clipboard for `hwnd` (null: for the calling thread). Fails with
// ERROR_ACCESS_DENIED while another window or thread has it open.
BOOL OpenClipboard(HWND hwnd);
// Fails with ERROR_CLIPBOARD_NOT_OPEN when the caller has not opened it.
BOOL CloseClipboard();
// Frees everything on the clipboard and makes the opener its owner (the
// previous owner gets WM_DESTROYCLIPBOARD).
BOOL EmptyClipboard();
// Puts a block on the clipboard, replacing one of the same format; the
// clipboard owns it afterwards. CF_BITMAP and CF_PALETTE take GDI objects.
// A null block promises the data: the owner gets WM_RENDERFORMAT when it is
// asked for. Returns the block, or null (ERROR_CLIPBOARD_NOT_OPEN).
HANDLE SetClipboardData(UINT format, HANDLE data);
// The clipboard's block of that format (the caller must not free it); null
// when there is none or the clipboard is not open.
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
int CountClipboardFormats();
// The formats in the order they were put on the clipboard; 0 after the last.
UINT EnumClipboardFormats(UINT format);
HWND GetClipboardOwner();
HWND GetOpenClipboardWindow();
// A private format number from 0xC000 up, the same for the same name
// (ignoring case) in the whole process.
UINT RegisterClipboardFormat(LPCSTR name);
// Names of registered formats are not kept: 0 and an empty buffer.
int GetClipboardFormatName(UINT format, LPSTR buffer, int buffer_size);
// Counts every change of the clipboard's contents.
DWORD GetClipboardSequenceNumber();

namespace platform {

// Convenience for the controls: puts `text` on the clipboard as CF_TEXT
// (opening and closing it for `owner`), or reads the CF_TEXT text; false
// when the clipboard could not be opened or holds no text.
bool PutClipboardText(HWND owner, const std::string& text);
bool TakeClipboardText(HWND owner, std::string* text);

}  // namespace platform
