// The browse-for-folder dialog window: the title, an optional status line,
// the list of drives and folders (a click selects, a double click or the
// right arrow opens, the left arrow or Backspace goes to the parent) and
// OK / Cancel.
#include "platform/dlg/browse_folder_window.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/ctl/ctl.h"
#include "platform/dlg/dialog_window.h"
#include "platform/dlg/file_dialog_session.h"
#include "platform/dlg/folder_glyphs.h"
#include "platform/fs/name_match.h"
#include "platform/gdi/gdi.h"

namespace platform::dlg {
namespace {

enum ControlId : int {
  kTitle = 101,
  kStatus = 102,
  kList = 103,
};

constexpr SIZE kClient{300, 326};
constexpr int kIndent = 12;
constexpr int kRowHeight = 16;

RECT Box(int x, int y, int width, int height) {
  return RECT{x, y, x + width, y + height};
}

class BrowseFolderWindow : public DialogWindow {
 public:
  explicit BrowseFolderWindow(BrowseSession& session) : session_(session) {}

  std::optional<std::string> Run(HWND owner) {
    const int result = RunModal(owner, "Browse for Folder", kClient, false, false, IDCANCEL);
    if (result != IDOK || session_.selection().empty()) return std::nullopt;
    return session_.selection();
  }

 protected:
  void OnCreate() override {
    const bool status = (session_.request().flags & BIF_STATUSTEXT) != 0;
    AddControl("STATIC", session_.request().title.c_str(), SS_LEFT | SS_NOPREFIX, 0,
               Box(12, 10, 276, 32), kTitle);
    if (status)
      status_ = AddControl("STATIC", "", SS_LEFT | SS_NOPREFIX, 0, Box(12, 44, 276, 16), kStatus);
    const int list_top = status ? 64 : 46;
    list_ = AddControl("LISTBOX", "",
                       LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT |
                           LBS_WANTKEYBOARDINPUT | WS_VSCROLL | WS_TABSTOP,
                       WS_EX_CLIENTEDGE, Box(12, list_top, 276, 282 - list_top), kList);
    ok_ = AddButton(IDOK, "OK", Box(132, 292, 75, 23), true);
    AddButton(IDCANCEL, "Cancel", Box(213, 292, 75, 23), false);
    session_.Initialized(hwnd());
    Refresh();
  }

  HWND InitialFocus() override { return list_; }

  void OnCommand(int id, WORD code, HWND) override {
    switch (id) {
      case IDOK:
        if (session_.ok_enabled()) End(IDOK);
        return;
      case IDCANCEL:
        End(IDCANCEL);
        return;
      case kList: {
        const LRESULT index = SendMessage(list_, LB_GETCURSEL, 0, 0);
        if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) return;
        const std::string& folder = entries_[static_cast<std::size_t>(index)].first;
        if (code == LBN_SELCHANGE) {
          session_.Select(folder, hwnd());
          UpdateState();
        } else if (code == LBN_DBLCLK) {
          Open(folder);
        }
        return;
      }
    }
  }

  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override {
    if (session_.HandleMessage(hwnd(), message, wparam, lparam)) {
      if (message == BFFM_SETSELECTION && list_ != nullptr) Refresh();
      UpdateState();
      *result = 0;
      return true;
    }
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
        *result = OnListKey(LOWORD(wparam));
        return true;
    }
    return false;
  }

 private:
  // Right opens the selected folder; Left and Backspace go to its parent.
  LRESULT OnListKey(WORD vk) {
    const std::string& selection = session_.selection();
    if (vk == VK_RIGHT && !selection.empty()) {
      Open(selection);
      return -2;
    }
    if ((vk == VK_LEFT || vk == VK_BACK) && !selection.empty()) {
      const std::string parent = FolderOf(selection);
      if (!parent.empty() && parent != selection && session_.Select(parent, hwnd())) Refresh();
      return -2;
    }
    return -1;
  }

  void Open(const std::string& folder) {
    if (session_.Select(folder, hwnd())) Refresh();
  }

  void Refresh() {
    SendMessage(list_, WM_SETREDRAW, FALSE, 0);
    SendMessage(list_, LB_RESETCONTENT, 0, 0);
    entries_ = session_.Entries();
    int selected = -1;
    for (const auto& [path, depth] : entries_) {
      const std::string text = depth == 0 ? FolderDisplayName(path) : NameOf(path);
      const LRESULT index =
          SendMessage(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
      SendMessage(list_, LB_SETITEMDATA, static_cast<WPARAM>(index), depth);
      if (!session_.selection().empty() &&
          platform::fs::NamesEqualIgnoringCase(path, session_.selection())) {
        selected = static_cast<int>(index);
      }
    }
    SendMessage(list_, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    SendMessage(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    UpdateState();
  }

  void UpdateState() {
    if (ok_ != nullptr) EnableWindow(ok_, session_.ok_enabled());
    if (status_ != nullptr) SetWindowText(status_, session_.status_text().c_str());
  }

  void DrawItem(const DRAWITEMSTRUCT& item) {
    if (item.itemID == static_cast<UINT>(-1)) return;
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
    const int depth = static_cast<int>(item.itemData);
    const int x = r.left + 2 + depth * kIndent;
    DrawFolderGlyph(dc, x, r.top + (r.bottom - r.top - 14) / 2,
                    depth == 0 ? FolderGlyph::kDrive : FolderGlyph::kFolder);
    char text[MAX_PATH] = {};
    SendMessage(list_, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text));
    HGDIOBJ old_font = SelectObject(dc, Font());
    RECT label{x + 20, r.top, r.right, r.bottom};
    DrawText(dc, text, -1, &label, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    label = RECT{x + 18, r.top, std::min<LONG>(label.right + 2, r.right), r.bottom};
    if (selected) FillRect(dc, &label, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT text_rect{label.left + 2, r.top, label.right, r.bottom};
    DrawText(dc, text, -1, &text_rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old_font);
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &label);
  }

  BrowseSession& session_;
  HWND list_ = nullptr;
  HWND status_ = nullptr;
  HWND ok_ = nullptr;
  std::vector<std::pair<std::string, int>> entries_;
};

}  // namespace

std::optional<std::string> RunBrowseForFolderWindow(BrowseSession& session, HWND owner) {
  BrowseFolderWindow window(session);
  return window.Run(owner);
}

}  // namespace platform::dlg
