// Browsing for a folder: SHBrowseForFolder shows a modal dialog with the
// title text, a list of the drives and folders (the drives of the drive
// table, the folders down to the one selected, and its sub-folders; a
// double click or Enter opens a folder, Backspace goes up) and OK and
// Cancel. It returns the chosen folder as an item id list, which
// SHGetPathFromIDList turns into a path and CoTaskMemFree frees; null for
// Cancel.
//
// Item id lists are our own: one item holding the folder's platform path.
// BROWSEINFO's callback gets BFFM_INITIALIZED once the dialog is up (it may
// send BFFM_SETSELECTION, BFFM_SETSTATUSTEXT and BFFM_ENABLEOK to the
// window it is given) and BFFM_SELCHANGED when the selection moves.
// pidlRoot keeps browsing inside that folder.
//
// Tests answer through a hook, which sees the request (with the selection
// the callback asked for) and gives the folder chosen or nothing.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/core/types.h"
#include "platform/net/guids.h"  // CoTaskMemAlloc, CoTaskMemFree
#include "platform/user/messages.h"

struct SHITEMID {
  USHORT cb = 0;  // size of the item, cb included; 0 ends the list
  BYTE abID[1] = {};
};
struct ITEMIDLIST {
  SHITEMID mkid;
};
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;
using PIDLIST_ABSOLUTE = ITEMIDLIST*;

using BFFCALLBACK = int (*)(HWND hwnd, UINT message, LPARAM lparam, LPARAM data);

struct BROWSEINFO {
  HWND hwndOwner = nullptr;
  LPCITEMIDLIST pidlRoot = nullptr;
  LPSTR pszDisplayName = nullptr;  // receives the chosen folder's name (MAX_PATH)
  LPCSTR lpszTitle = nullptr;
  UINT ulFlags = 0;
  BFFCALLBACK lpfn = nullptr;
  LPARAM lParam = 0;
  int iImage = 0;
};
using LPBROWSEINFO = BROWSEINFO*;

constexpr UINT BIF_RETURNONLYFSDIRS = 0x0001;
constexpr UINT BIF_DONTGOBELOWDOMAIN = 0x0002;
constexpr UINT BIF_STATUSTEXT = 0x0004;
constexpr UINT BIF_RETURNFSANCESTORS = 0x0008;
constexpr UINT BIF_EDITBOX = 0x0010;
constexpr UINT BIF_VALIDATE = 0x0020;
constexpr UINT BIF_NEWDIALOGSTYLE = 0x0040;
constexpr UINT BIF_BROWSEINCLUDEURLS = 0x0080;
constexpr UINT BIF_BROWSEFORCOMPUTER = 0x1000;
constexpr UINT BIF_BROWSEFORPRINTER = 0x2000;
constexpr UINT BIF_BROWSEINCLUDEFILES = 0x4000;

// Callback messages.
constexpr UINT BFFM_INITIALIZED = 1;
constexpr UINT BFFM_SELCHANGED = 2;  // lParam: the item id list selected
constexpr UINT BFFM_VALIDATEFAILED = 3;
// Messages to the dialog.
constexpr UINT BFFM_SETSTATUSTEXT = WM_USER + 100;  // lParam: the text
constexpr UINT BFFM_ENABLEOK = WM_USER + 101;       // lParam: TRUE / FALSE
constexpr UINT BFFM_SETSELECTION = WM_USER + 102;   // wParam TRUE: lParam a path, else a list

LPITEMIDLIST SHBrowseForFolder(LPBROWSEINFO info);
// Copies the folder's path (at most MAX_PATH bytes with the NUL).
BOOL SHGetPathFromIDList(LPCITEMIDLIST list, LPSTR path);
// The item id list of a folder or file that exists (null otherwise); free
// it with CoTaskMemFree or ILFree.
LPITEMIDLIST ILCreateFromPath(LPCSTR path);
void ILFree(LPITEMIDLIST list);

namespace platform {

struct BrowseForFolderRequest {
  HWND owner = nullptr;
  std::string title;
  UINT flags = 0;
  std::string root;       // empty: every drive
  std::string selection;  // what the dialog opens with (the callback's choice)
};

// The hook returns the folder chosen (a platform path) or nothing for
// Cancel. A folder that does not exist or lies outside the root is not
// chosen (the call returns null). Returns the previous hook.
using BrowseForFolderHook =
    std::function<std::optional<std::string>(const BrowseForFolderRequest&)>;
BrowseForFolderHook SetBrowseForFolderHook(BrowseForFolderHook hook);

}  // namespace platform
