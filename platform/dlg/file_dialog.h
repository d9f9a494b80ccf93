// The open and save file dialogs.
//
// GetOpenFileName / GetSaveFileName show a modal dialog over the owner: a
// "Look in" / "Save in" list of the drives of the drive table and the
// folders down to the current one, an "Up" button, the current folder's
// sub-folders and the files that match the chosen filter, a file name box,
// the list of file types and the OK and Cancel buttons. The dialog opens in
// the folder of the path given in lpstrFile, else lpstrInitialDir, else the
// current directory. What is typed in the name box may be a name or a
// path (relative to the current folder), a folder to go to, or a wildcard
// pattern to list; with OFN_ALLOWMULTISELECT several names in double quotes.
//
// On OK: lpstrFile receives the full path ("C:\Music\song.wav"); with
// several files chosen "folder\0name\0name\0\0". nFileOffset and
// nFileExtension point at the (first) name and its extension, lpstrFileTitle
// receives the name, nFilterIndex the filter in use, and unless
// OFN_NOCHANGEDIR the current directory becomes the file's folder. A
// buffer too small for the result fails with FNERR_BUFFERTOOSMALL and the
// size needed (in its first two bytes, when it has two). A name without
// extension gets lpstrDefExt (a leading "*." or "." of it is dropped).
// OFN_FILEMUSTEXIST, OFN_PATHMUSTEXIST, OFN_OVERWRITEPROMPT and
// OFN_CREATEPROMPT ask or warn with message boxes over the dialog and keep
// it open. Cancel returns FALSE with CommDlgExtendedError() 0.
// OFN_EXPLORER is implied; hooks and templates are not offered.
//
// Tests answer the dialogs through a hook (platform::SetFileDialogHook),
// which sees the request and gives what the user would have chosen; that
// answer goes through the same checks and prompts as the dialog's OK.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/types.h"

using LPOFNHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct OPENFILENAME {
  DWORD lStructSize = sizeof(OPENFILENAME);
  HWND hwndOwner = nullptr;
  HINSTANCE hInstance = nullptr;
  // Pairs of description and pattern(s) ("Wave files\0*.wav;*.wave\0"),
  // ending with an empty string.
  LPCSTR lpstrFilter = nullptr;
  LPSTR lpstrCustomFilter = nullptr;
  DWORD nMaxCustFilter = 0;
  DWORD nFilterIndex = 0;  // 1-based; 0 means the first
  LPSTR lpstrFile = nullptr;
  DWORD nMaxFile = 0;
  LPSTR lpstrFileTitle = nullptr;
  DWORD nMaxFileTitle = 0;
  LPCSTR lpstrInitialDir = nullptr;
  LPCSTR lpstrTitle = nullptr;  // null: "Open" or "Save As"
  DWORD Flags = 0;
  WORD nFileOffset = 0;
  WORD nFileExtension = 0;
  LPCSTR lpstrDefExt = nullptr;
  LPARAM lCustData = 0;
  LPOFNHOOKPROC lpfnHook = nullptr;
  LPCSTR lpTemplateName = nullptr;
  void* pvReserved = nullptr;
  DWORD dwReserved = 0;
  DWORD FlagsEx = 0;
};
using LPOPENFILENAME = OPENFILENAME*;

constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_SHOWHELP = 0x00000010;
constexpr DWORD OFN_ENABLEHOOK = 0x00000020;
constexpr DWORD OFN_ENABLETEMPLATE = 0x00000040;
constexpr DWORD OFN_ENABLETEMPLATEHANDLE = 0x00000080;
constexpr DWORD OFN_NOVALIDATE = 0x00000100;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_EXTENSIONDIFFERENT = 0x00000400;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_CREATEPROMPT = 0x00002000;
constexpr DWORD OFN_SHAREAWARE = 0x00004000;
constexpr DWORD OFN_NOREADONLYRETURN = 0x00008000;
constexpr DWORD OFN_NOTESTFILECREATE = 0x00010000;
constexpr DWORD OFN_NONETWORKBUTTON = 0x00020000;
constexpr DWORD OFN_NOLONGNAMES = 0x00040000;
constexpr DWORD OFN_EXPLORER = 0x00080000;
constexpr DWORD OFN_NODEREFERENCELINKS = 0x00100000;
constexpr DWORD OFN_LONGNAMES = 0x00200000;
constexpr DWORD OFN_ENABLEINCLUDENOTIFY = 0x00400000;
constexpr DWORD OFN_ENABLESIZING = 0x00800000;
constexpr DWORD OFN_DONTADDTORECENT = 0x02000000;
constexpr DWORD OFN_FORCESHOWHIDDEN = 0x10000000;

// CommDlgExtendedError codes.
constexpr DWORD CDERR_GENERALCODES = 0x0000;
constexpr DWORD CDERR_STRUCTSIZE = 0x0001;
constexpr DWORD CDERR_INITIALIZATION = 0x0002;
constexpr DWORD CDERR_NOTEMPLATE = 0x0003;
constexpr DWORD CDERR_NOHINSTANCE = 0x0004;
constexpr DWORD CDERR_LOADSTRFAILURE = 0x0005;
constexpr DWORD CDERR_FINDRESFAILURE = 0x0006;
constexpr DWORD CDERR_LOADRESFAILURE = 0x0007;
constexpr DWORD CDERR_LOCKRESFAILURE = 0x0008;
constexpr DWORD CDERR_MEMALLOCFAILURE = 0x0009;
constexpr DWORD CDERR_MEMLOCKFAILURE = 0x000A;
constexpr DWORD CDERR_NOHOOK = 0x000B;
constexpr DWORD CDERR_REGISTERMSGFAIL = 0x000C;
constexpr DWORD CDERR_DIALOGFAILURE = 0xFFFF;
constexpr DWORD FNERR_FILENAMECODES = 0x3000;
constexpr DWORD FNERR_SUBCLASSFAILURE = 0x3001;
constexpr DWORD FNERR_INVALIDFILENAME = 0x3002;
constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;

BOOL GetOpenFileName(LPOPENFILENAME ofn);
BOOL GetSaveFileName(LPOPENFILENAME ofn);
// The error of the calling thread's last file dialog (0: none, or cancelled).
DWORD CommDlgExtendedError();

namespace platform {

// What a file dialog was asked to show, as the hook sees it.
struct FileDialogRequest {
  bool save = false;
  HWND owner = nullptr;
  std::string title;  // as shown ("Open" / "Save As" when none was given)
  std::vector<std::pair<std::string, std::string>> filters;  // description, patterns
  int filter_index = 1;   // 1-based, the filter the dialog starts with
  std::string folder;     // the folder the dialog opens in
  std::string file_name;  // what the name box starts with
  std::string default_extension;
  DWORD flags = 0;
};

// What the user did: chose names (relative to `folder`, or full paths),
// perhaps after going to another folder or filter, or cancelled.
struct FileDialogAnswer {
  bool cancelled = false;
  std::vector<std::string> names;
  std::string folder;    // empty: the folder the dialog opened in
  int filter_index = 0;  // 0: the one it opened with

  static FileDialogAnswer Cancel() {
    FileDialogAnswer answer;
    answer.cancelled = true;
    return answer;
  }
  static FileDialogAnswer Choose(std::string name) {
    FileDialogAnswer answer;
    answer.names.push_back(std::move(name));
    return answer;
  }
};

// While installed, the hook answers every file dialog without showing one.
// An answer the dialog would refuse (a missing file under
// OFN_FILEMUSTEXIST, an overwrite declined in its message box) ends the
// call with FALSE and no extended error. Returns the previous hook.
using FileDialogHook = std::function<FileDialogAnswer(const FileDialogRequest&)>;
FileDialogHook SetFileDialogHook(FileDialogHook hook);

}  // namespace platform
