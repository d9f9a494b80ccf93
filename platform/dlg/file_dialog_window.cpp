// The open / save dialog window: "Look in" (drives and the folders down to
// the current one), Up, the folder's list, the file name box, the file
// types, and OK / Cancel. Everything it decides goes through the session.
#include "platform/dlg/file_dialog_window.h"

#include <string>
#include <vector>

#include "platform/ctl/ctl.h"
#include "platform/dlg/browse_session.h"
#include "platform/dlg/dialog_window.h"
#include "platform/dlg/folder_glyphs.h"
#include "platform/fs/name_match.h"
#include "platform/gdi/gdi.h"

namespace platform::dlg {
namespace {

enum ControlId : int {
  kLookInLabel = 101,
  kLookIn = 102,
  kUp = 103,
  kList = 104,
  kNameLabel = 105,
  kName = 106,
  kTypeLabel = 107,
  kType = 108,
};

constexpr SIZE kClient{430, 258};
constexpr int kIndent = 10;     // per folder level in "Look in"
constexpr int kRowHeight = 16;  // list and "Look in" rows

RECT Box(int x, int y, int width, int height) {
  return RECT{x, y, x + width, y + height};
}

std::string TextOf(HWND hwnd) {
  const int length = GetWindowTextLength(hwnd);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  GetWindowText(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

class FileDialogWindow : public DialogWindow {
 public:
  explicit FileDialogWindow(FileDialogSession& session) : session_(session) {}

  bool Run(HWND owner) {
    return RunModal(owner, session_.request().title, kClient, false, false, IDCANCEL) == IDOK;
  }

 protected:
  void OnCreate() override {
    const bool save = session_.request().save;
    const bool multi = (session_.request().flags & OFN_ALLOWMULTISELECT) != 0;
    AddControl("STATIC", save ? "Save &in:" : "Look &in:", SS_LEFT, 0, Box(8, 12, 62, 14),
               kLookInLabel);
    look_in_ =
        AddControl("COMBOBOX", "",
                   CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP,
                   0, Box(72, 8, 256, 240), kLookIn);
    AddButton(kUp, "&Up", Box(336, 7, 86, 23), false);
    list_ = AddControl("LISTBOX", "",
                       LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT |
                           LBS_WANTKEYBOARDINPUT | WS_VSCROLL | WS_TABSTOP |
                           (multi ? LBS_EXTENDEDSEL : 0u),
                       WS_EX_CLIENTEDGE, Box(8, 38, 414, 150), kList);
    AddControl("STATIC", "File &name:", SS_LEFT, 0, Box(8, 200, 84, 14), kNameLabel);
    name_ = AddControl("EDIT", session_.request().file_name.c_str(), ES_AUTOHSCROLL | WS_TABSTOP,
                       WS_EX_CLIENTEDGE, Box(96, 196, 226, 21), kName);
    AddButton(IDOK, save ? "&Save" : "&Open", Box(334, 195, 88, 23), true);
    AddControl("STATIC", save ? "Save as &type:" : "Files of &type:", SS_LEFT, 0,
               Box(8, 228, 84, 14), kTypeLabel);
    type_ = AddControl("COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0,
                       Box(96, 224, 226, 120), kType);
    AddButton(IDCANCEL, "Cancel", Box(334, 223, 88, 23), false);

    for (const auto& filter : session_.request().filters)
      SendMessage(type_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(filter.first.c_str()));
    SendMessage(type_, CB_SETCURSEL, static_cast<WPARAM>(session_.filter_index() - 1), 0);
    Refresh();
  }

  HWND InitialFocus() override { return name_; }

  void OnCommand(int id, WORD code, HWND) override {
    switch (id) {
      case IDOK:
        Accept();
        return;
      case IDCANCEL:
        End(IDCANCEL);
        return;
      case kUp:
        if (session_.Up()) Refresh();
        return;
      case kLookIn:
        if (code == CBN_SELCHANGE) {
          const LRESULT index = SendMessage(look_in_, CB_GETCURSEL, 0, 0);
          if (index >= 0 && static_cast<std::size_t>(index) < look_in_paths_.size() &&
              session_.SetFolder(look_in_paths_[static_cast<std::size_t>(index)])) {
            Refresh();
          }
        }
        return;
      case kType:
        if (code == CBN_SELCHANGE) {
          session_.SetFilterIndex(static_cast<int>(SendMessage(type_, CB_GETCURSEL, 0, 0)) + 1);
          Refresh();
        }
        return;
      case kList:
        if (code == LBN_SELCHANGE) NameFromSelection();
        if (code == LBN_DBLCLK) OpenSelected();
        return;
    }
  }

  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override {
    switch (message) {
      case WM_MEASUREITEM:
        reinterpret_cast<MEASUREITEMSTRUCT*>(lparam)->itemHeight = kRowHeight;
        *result = TRUE;
        return true;
      case WM_DRAWITEM:
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
        *result = TRUE;
        return true;
      case WM_VKEYTOITEM:
        // Backspace in the list goes up a folder.
        if (LOWORD(wparam) == VK_BACK) {
          if (session_.Up()) Refresh();
          *result = -2;
        } else {
          *result = -1;
        }
        return true;
    }
    return false;
  }

 private:
  // Fills "Look in" and the list from the session.
  void Refresh() {
    SendMessage(look_in_, CB_RESETCONTENT, 0, 0);
    look_in_paths_.clear();
    int current = -1;
    for (const auto& [path, depth] : session_.LookInEntries()) {
      const std::string text = depth == 0 ? FolderDisplayName(path) : NameOf(path);
      const LRESULT index =
          SendMessage(look_in_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
      SendMessage(look_in_, CB_SETITEMDATA, static_cast<WPARAM>(index), depth);
      if (platform::fs::NamesEqualIgnoringCase(path, session_.folder()))
        current = static_cast<int>(index);
      look_in_paths_.push_back(path);
    }
    SendMessage(look_in_, CB_SETCURSEL, static_cast<WPARAM>(current), 0);

    SendMessage(list_, WM_SETREDRAW, FALSE, 0);
    SendMessage(list_, LB_RESETCONTENT, 0, 0);
    entries_ = session_.List();
    for (const FolderEntry& entry : entries_) {
      const LRESULT index =
          SendMessage(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.name.c_str()));
      SendMessage(list_, LB_SETITEMDATA, static_cast<WPARAM>(index), entry.folder ? 1 : 0);
    }
    SendMessage(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
  }

  std::vector<int> SelectedIndexes() const {
    std::vector<int> indexes;
    if (GetWindowLongPtr(list_, GWL_STYLE) & LBS_EXTENDEDSEL) {
      const LRESULT count = SendMessage(list_, LB_GETSELCOUNT, 0, 0);
      if (count <= 0) return indexes;
      indexes.resize(static_cast<std::size_t>(count));
      SendMessage(list_, LB_GETSELITEMS, static_cast<WPARAM>(count),
                  reinterpret_cast<LPARAM>(indexes.data()));
    } else {
      const LRESULT index = SendMessage(list_, LB_GETCURSEL, 0, 0);
      if (index >= 0) indexes.push_back(static_cast<int>(index));
    }
    std::erase_if(indexes,
                  [&](int i) { return i < 0 || static_cast<std::size_t>(i) >= entries_.size(); });
    return indexes;
  }

  // The files selected in the list go into the name box (several in
  // double quotes); folders are left out.
  void NameFromSelection() {
    std::vector<std::string> names;
    for (int i : SelectedIndexes()) {
      const FolderEntry& entry = entries_[static_cast<std::size_t>(i)];
      if (!entry.folder) names.push_back(entry.name);
    }
    if (names.empty()) return;
    std::string text;
    if (names.size() == 1) {
      text = names.front();
    } else {
      for (const std::string& name : names) text += (text.empty() ? "\"" : " \"") + name + "\"";
    }
    SetWindowText(name_, text.c_str());
  }

  // A double click (or Enter on the list): a folder opens, a file is chosen.
  void OpenSelected() {
    std::vector<int> selected = SelectedIndexes();
    if (selected.size() != 1) return;
    const FolderEntry& entry = entries_[static_cast<std::size_t>(selected.front())];
    if (entry.folder) {
      if (session_.SetFolder(JoinPath(session_.folder(), entry.name))) Refresh();
      return;
    }
    SetWindowText(name_, entry.name.c_str());
    Accept();
  }

  void Accept() {
    // Enter on a folder in the list opens it.
    if (GetFocus() == list_) {
      std::vector<int> selected = SelectedIndexes();
      if (selected.size() == 1 && entries_[static_cast<std::size_t>(selected.front())].folder) {
        OpenSelected();
        return;
      }
    }
    switch (session_.Accept(TextOf(name_), hwnd())) {
      case FileDialogSession::Outcome::kDone:
        End(IDOK);
        return;
      case FileDialogSession::Outcome::kFailed:
        End(IDCANCEL);
        return;
      case FileDialogSession::Outcome::kNavigated:
        SetWindowText(name_, "");
        Refresh();
        break;
      case FileDialogSession::Outcome::kFiltered:
        Refresh();
        break;
      case FileDialogSession::Outcome::kStay:
        break;
    }
    SetFocus(name_);
    SendMessage(name_, EM_SETSEL, 0, -1);
  }

  void DrawItem(const DRAWITEMSTRUCT& item) {
    if (item.itemID == static_cast<UINT>(-1)) return;
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const bool in_field = (item.itemState & ODS_COMBOBOXEDIT) != 0;
    FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    HWND control = item.hwndItem;
    const bool look_in = control == look_in_;
    const int indent = look_in && !in_field ? static_cast<int>(item.itemData) * kIndent : 0;
    const bool folder = look_in || item.itemData != 0;
    const bool drive = look_in && item.itemData == 0;
    DrawFolderGlyph(dc, r.left + 2 + indent, r.top + (r.bottom - r.top - 14) / 2,
                    drive    ? FolderGlyph::kDrive
                    : folder ? FolderGlyph::kFolder
                             : FolderGlyph::kFile);
    char text[MAX_PATH] = {};
    const UINT get_text = look_in ? CB_GETLBTEXT : LB_GETTEXT;
    SendMessage(control, get_text, item.itemID, reinterpret_cast<LPARAM>(text));
    RECT label{r.left + indent + 22, r.top, r.right, r.bottom};
    HGDIOBJ old_font = SelectObject(dc, Font());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawText(dc, text, -1, &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old_font);
    if ((item.itemState & ODS_FOCUS) && !in_field) DrawFocusRect(dc, &r);
  }

  FileDialogSession& session_;
  HWND look_in_ = nullptr;
  HWND list_ = nullptr;
  HWND name_ = nullptr;
  HWND type_ = nullptr;
  std::vector<std::string> look_in_paths_;
  std::vector<FolderEntry> entries_;
};

}  // namespace

bool RunFileDialogWindow(FileDialogSession& session, HWND owner) {
  FileDialogWindow window(session);
  return window.Run(owner);
}

}  // namespace platform::dlg
