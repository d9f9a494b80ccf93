// The menu loop.
//
// Levels: the first level is either the window's menu bar (SC_MOUSEMENU,
// SC_KEYMENU) or the popup of TrackPopupMenu; every open popup adds one.
// Each level keeps its selected item (kNone, or on the bar kSystemEntry
// for the system menu under the caption's icon). The owner window holds
// the mouse capture for the whole loop, so every mouse message comes here
// with its screen point; keys come to the focus window of this thread and
// are taken here before anyone else sees them.
#include "platform/user/menu_tracker.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "platform/gdi/system_metrics.h"
#include "platform/user/activation.h"
#include "platform/user/beep.h"
#include "platform/user/input.h"
#include "platform/user/menu.h"
#include "platform/user/menu_bar.h"
#include "platform/user/menu_data.h"
#include "platform/user/menu_layout.h"
#include "platform/user/menu_window.h"
#include "platform/user/message_queue.h"
#include "platform/user/painting.h"
#include "platform/user/window.h"
#include "platform/user/window_position.h"

namespace platform::user::menus {
namespace {

constexpr int kNone = -1;
constexpr int kSystemEntry = -2;

bool Inside(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

RECT Offset(RECT r, POINT by) {
  return RECT{r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y};
}

bool IsMouseMessage(UINT message) {
  return message >= WM_MOUSEFIRST && message <= WM_MOUSELAST;
}

bool IsButtonDown(UINT message) {
  return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
         message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK ||
         message == WM_MBUTTONDBLCLK || message == WM_XBUTTONDOWN || message == WM_XBUTTONDBLCLK;
}

bool IsKeyMessage(UINT message) {
  return message >= WM_KEYFIRST && message <= WM_KEYLAST;
}

SIZE Screen() {
  return platform::ScreenSize();
}

// Keeps a popup of `size` whose preferred top-left is `at` on the screen:
// when it does not fit on one side it goes to `flip_x` / `flip_y` instead.
RECT FitOnScreen(SIZE size, POINT at, int flip_x, int flip_y) {
  const SIZE screen = Screen();
  int x = at.x, y = at.y;
  if (x + size.cx > screen.cx) x = flip_x;
  if (x + size.cx > screen.cx) x = screen.cx - size.cx;
  if (x < 0) x = 0;
  if (y + size.cy > screen.cy) y = flip_y;
  if (y + size.cy > screen.cy) y = screen.cy - size.cy;
  if (y < 0) y = 0;
  return RECT{x, y, x + size.cx, y + size.cy};
}

// TrackPopupMenu's placement: aligned to the point as the flags say, and
// out of the excluded rectangle.
RECT PlaceAtPoint(SIZE size, POINT at, UINT flags, const RECT* exclude) {
  POINT origin = at;
  if (flags & TPM_CENTERALIGN)
    origin.x -= size.cx / 2;
  else if (flags & TPM_RIGHTALIGN)
    origin.x -= size.cx;
  if (flags & TPM_VCENTERALIGN)
    origin.y -= size.cy / 2;
  else if (flags & TPM_BOTTOMALIGN)
    origin.y -= size.cy;
  RECT r = FitOnScreen(size, origin, at.x - size.cx, at.y - size.cy);
  if (exclude != nullptr) {
    RECT overlap{std::max(r.left, exclude->left), std::max(r.top, exclude->top),
                 std::min(r.right, exclude->right), std::min(r.bottom, exclude->bottom)};
    if (overlap.left < overlap.right && overlap.top < overlap.bottom) {
      if (flags & TPM_VERTICAL) {
        r = FitOnScreen(size, POINT{r.left, exclude->bottom}, r.left, exclude->top - size.cy);
      } else {
        r = FitOnScreen(size, POINT{exclude->right, r.top}, exclude->left - size.cx, r.top);
      }
    }
  }
  return r;
}

// A drop-down of the bar opens below its item (above when there is no room).
RECT PlaceBelow(SIZE size, const RECT& item) {
  return FitOnScreen(size, POINT{item.left, item.bottom}, Screen().cx - size.cx,
                     item.top - size.cy);
}

// A sub-menu opens beside its item, overlapping the parent's frame.
RECT PlaceBeside(SIZE size, const RECT& item, const RECT& parent) {
  return FitOnScreen(size, POINT{parent.right - kPopupFrame, item.top - kPopupFrame},
                     parent.left - size.cx + kPopupFrame, item.bottom + kPopupFrame - size.cy);
}

struct Level {
  HMENU menu = nullptr;
  HWND window = nullptr;  // the popup window; null for the bar
  int selected = kNone;
  bool system = false;  // the system menu, or a sub-menu of it
};

struct Hit {
  int level = -1;  // -1: outside every menu
  int item = kNone;
};

class MenuTracker;
thread_local MenuTracker* t_current = nullptr;

class MenuTracker {
 public:
  MenuTracker(HWND owner, UINT flags, HMENU bar)
      : owner_(owner), flags_(flags), notify_(!(flags & TPM_NONOTIFY)), bar_(bar) {}
  MenuTracker(const MenuTracker&) = delete;
  MenuTracker& operator=(const MenuTracker&) = delete;

  // ---- Starting ----

  // TrackPopupMenu: the first level is the popup itself.
  void StartPopup(HMENU menu, POINT at, const RECT* exclude) {
    Begin(menu, TRUE);
    if (!OpenFirstPopup(menu, at, exclude)) done_ = true;
  }

  // A press on the bar at `pt` (screen).
  void StartBarMouse(POINT pt) {
    BeginBar();
    armed_ = true;
    Hit hit = HitTest(pt);
    if (hit.level != 0 || hit.item < 0 || IsSeparatorAt(0, hit.item)) {
      done_ = true;
      return;
    }
    Select(0, hit.item, true);
    OpenDropDown(hit.item, false);
  }

  // The system menu, from the caption's icon or Alt+Space.
  void StartSystemMenu(bool by_keyboard) {
    BeginBar();
    Select(0, kSystemEntry, !by_keyboard);
    OpenDropDown(kSystemEntry, by_keyboard);
    if (levels_.size() < 2) done_ = true;
  }

  // Alt or F10 alone: the bar's first item is selected, nothing opens.
  // With a letter: the item it marks opens (or is chosen).
  void StartBarKeyboard(char letter) {
    BeginBar();
    std::vector<int> entries = BarEntries();
    int first = kNone;
    for (int entry : entries) {
      if (entry >= 0) {
        first = entry;
        break;
      }
    }
    if (first == kNone) {
      done_ = true;
      return;
    }
    if (letter == 0) {
      Select(0, first, false);
      return;
    }
    if (!Mnemonic(0, letter)) done_ = true;
  }

  // ---- The loop ----

  void Run() {
    HWND foreground = GetForegroundWindow();
    MSG msg;
    while (!done_) {
      if (!IsWindow(owner_) || GetCapture() != owner_ || GetForegroundWindow() != foreground) break;
      if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (notify_ && !idle_sent_) {
          idle_sent_ = true;
          HWND deepest = levels_.empty() ? nullptr : levels_.back().window;
          Notify(WM_ENTERIDLE, MSGF_MENU, reinterpret_cast<LPARAM>(deepest));
          continue;
        }
        WaitMessage();
        continue;
      }
      idle_sent_ = false;
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (IsMouseMessage(msg.message)) {
        OnMouse(msg);
      } else if (IsKeyMessage(msg.message)) {
        OnKey(msg);
      } else {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
      }
    }
  }

  // Closes everything, tells the owner and returns the chosen command.
  UINT Finish() {
    while (!levels_.empty() && levels_.back().window != nullptr) CloseTop();
    if (!levels_.empty()) {
      SetHilite(levels_[0].menu, kNone);
      SetOpenItem(levels_[0].menu, kNone);
      if (IsWindow(owner_)) RedrawBar(owner_);
      levels_.clear();
    }
    if (GetCapture() == owner_) ReleaseCapture();
    t_current = nullptr;
    if (!IsWindow(owner_)) return 0;
    Notify(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    Notify(WM_EXITMENULOOP, popup_loop_, 0);
    if (!chosen_) return 0;
    if (notify_ && !(flags_ & TPM_RETURNCMD)) {
      if (chosen_system_) {
        PostMessage(owner_, WM_SYSCOMMAND, chosen_id_, chosen_by_mouse_ ? chosen_point_ : 0);
      } else {
        PostMessage(owner_, WM_COMMAND, MAKEWPARAM(LOWORD(chosen_id_), 0), 0);
      }
    }
    return chosen_id_;
  }

  void Cancel() { done_ = true; }

 private:
  // ---- Start-up ----

  void Begin(HMENU init_menu, BOOL popup_loop) {
    t_current = this;
    popup_loop_ = popup_loop;
    SetCapture(owner_);
    Notify(WM_ENTERMENULOOP, popup_loop, 0);
    Notify(WM_INITMENU, reinterpret_cast<WPARAM>(init_menu), 0);
  }

  void BeginBar() {
    has_system_entry_ = HasSystemMenuEntry(owner_);
    HMENU init = bar_ != nullptr ? bar_ : GetSystemMenu(owner_, FALSE);
    Begin(init, FALSE);
    levels_.push_back(Level{bar_, nullptr, kNone, false});
    RECT unused;
    if (bar_ != nullptr) BarScreenRect(owner_, &unused);
  }

  void Notify(UINT message, WPARAM wparam, LPARAM lparam) {
    if (notify_ && IsWindow(owner_)) SendMessage(owner_, message, wparam, lparam);
  }

  // ---- Items ----

  std::optional<MenuItem> ItemAt(int level, int index) const {
    if (level < 0 || static_cast<std::size_t>(level) >= levels_.size() || index < 0)
      return std::nullopt;
    std::optional<MenuView> view = View(levels_[static_cast<std::size_t>(level)].menu);
    if (!view || static_cast<std::size_t>(index) >= view->items.size()) return std::nullopt;
    return view->items[static_cast<std::size_t>(index)];
  }

  bool IsSeparatorAt(int level, int index) const {
    std::optional<MenuItem> item = ItemAt(level, index);
    return item && item->IsSeparator();
  }

  bool IsBarLevel(int level) const {
    return level == 0 && !levels_.empty() && levels_[0].window == nullptr;
  }

  // The bar's entries in keyboard order: the system menu first (when the
  // window has one), then every item that is not a separator.
  std::vector<int> BarEntries() const {
    std::vector<int> entries;
    if (has_system_entry_) entries.push_back(kSystemEntry);
    if (std::optional<MenuView> view = View(bar_)) {
      for (std::size_t i = 0; i < view->items.size(); ++i) {
        if (!view->items[i].IsSeparator()) entries.push_back(static_cast<int>(i));
      }
    }
    return entries;
  }

  // The next item of a popup level that the keyboard can land on
  // (separators are skipped, disabled items are not), going round.
  int Step(int level, int from, int direction) const {
    std::optional<MenuView> view = View(levels_[static_cast<std::size_t>(level)].menu);
    if (!view || view->items.empty()) return kNone;
    const int count = static_cast<int>(view->items.size());
    int index = from;
    for (int tries = 0; tries < count; ++tries) {
      if (index == kNone)
        index = direction > 0 ? 0 : count - 1;
      else
        index = (index + direction + count) % count;
      if (!view->items[static_cast<std::size_t>(index)].IsSeparator()) return index;
    }
    return kNone;
  }

  // ---- Selection ----

  void RepaintItem(int level, int index) {
    const Level& lv = levels_[static_cast<std::size_t>(level)];
    if (lv.window == nullptr) {
      RedrawBar(owner_);
      return;
    }
    std::optional<MenuItem> item = ItemAt(level, index);
    if (item) InvalidateRect(lv.window, &item->rect, FALSE);
  }

  void Select(int level, int index, bool by_mouse) {
    Level& lv = levels_[static_cast<std::size_t>(level)];
    if (lv.selected == index) return;
    const int old = lv.selected;
    lv.selected = index;
    SetHilite(lv.menu, index >= 0 ? index : kNone);
    RepaintItem(level, old);
    RepaintItem(level, index);
    const UINT mouse_flag = by_mouse ? MF_MOUSESELECT : 0;
    if (index == kSystemEntry) {
      Notify(WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP | MF_HILITE | MF_SYSMENU | mouse_flag),
             reinterpret_cast<LPARAM>(GetSystemMenu(owner_, FALSE)));
      return;
    }
    std::optional<MenuItem> item = ItemAt(level, index);
    if (!item) return;
    UINT flags = SelectFlags(*item) | MF_HILITE | mouse_flag | (lv.system ? MF_SYSMENU : 0);
    WORD id = static_cast<WORD>(item->IsPopup() ? index : item->id);
    Notify(WM_MENUSELECT, MAKEWPARAM(id, static_cast<WORD>(flags)),
           reinterpret_cast<LPARAM>(levels_[static_cast<std::size_t>(level)].menu));
  }

  bool Choose(int level, int index, POINT pt, bool by_mouse) {
    std::optional<MenuItem> item = ItemAt(level, index);
    if (!item || item->IsSeparator() || item->IsPopup() || !item->IsEnabled()) return false;
    chosen_ = true;
    chosen_id_ = item->id;
    chosen_system_ = levels_[static_cast<std::size_t>(level)].system;
    chosen_by_mouse_ = by_mouse;
    chosen_point_ = MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y));
    done_ = true;
    return true;
  }

  // ---- Opening and closing popups ----

  // Shows `menu` at the place `place` gives for its size. False when the
  // menu is gone or empty after WM_INITMENUPOPUP.
  template <typename Place>
  bool OpenLevel(HMENU menu, int index_in_parent, bool system, Place place) {
    if (system) GetSystemMenu(owner_, FALSE);  // brings its states up to date
    Notify(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu),
           MAKELPARAM(static_cast<WORD>(index_in_parent), system ? TRUE : FALSE));
    if (!IsMenu(menu) || !IsWindow(owner_)) return false;
    SIZE size = LayoutPopup(owner_, menu);
    if (GetMenuItemCount(menu) <= 0) return false;
    RECT rect = place(size);
    HWND window = CreateMenuWindow(owner_, menu, rect);
    if (window == nullptr) return false;
    SetShownIn(menu, window);
    SetHilite(menu, kNone);
    if (!levels_.empty()) {
      const Level& parent = levels_.back();
      SetOpenItem(parent.menu, parent.selected);
      RepaintItem(static_cast<int>(levels_.size()) - 1, parent.selected);
    }
    levels_.push_back(Level{menu, window, kNone, system});
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    return true;
  }

  bool OpenFirstPopup(HMENU menu, POINT at, const RECT* exclude) {
    const UINT flags = flags_;
    return OpenLevel(menu, 0, false,
                     [&](SIZE size) { return PlaceAtPoint(size, at, flags, exclude); });
  }

  // Opens the drop-down of a bar entry (an item or kSystemEntry).
  void OpenDropDown(int entry, bool select_first) {
    CloseAbove(0);
    bool opened = false;
    if (entry == kSystemEntry) {
      const RECT icon = SystemIconScreenRect(owner_);
      opened = OpenLevel(GetSystemMenu(owner_, FALSE), 0, true,
                         [&](SIZE size) { return PlaceBelow(size, icon); });
    } else {
      std::optional<MenuItem> item = ItemAt(0, entry);
      if (!item || !item->IsPopup() || !item->IsEnabled()) return;
      const RECT anchor = Offset(item->rect, WindowOrigin(owner_));
      opened = OpenLevel(item->submenu, entry, false,
                         [&](SIZE size) { return PlaceBelow(size, anchor); });
    }
    if (opened && select_first) SelectFirst(static_cast<int>(levels_.size()) - 1);
  }

  // Opens the sub-menu of the selected item of popup level `level`.
  void OpenSubmenu(int level, bool select_first) {
    CloseAbove(level);
    const Level lv = levels_[static_cast<std::size_t>(level)];
    std::optional<MenuItem> item = ItemAt(level, lv.selected);
    if (!item || !item->IsPopup() || !item->IsEnabled()) return;
    RECT parent;
    GetWindowRect(lv.window, &parent);
    const RECT anchor = Offset(item->rect, POINT{parent.left, parent.top});
    bool opened = OpenLevel(item->submenu, lv.selected, lv.system,
                            [&](SIZE size) { return PlaceBeside(size, anchor, parent); });
    if (opened && select_first) SelectFirst(static_cast<int>(levels_.size()) - 1);
  }

  void SelectFirst(int level) { Select(level, Step(level, kNone, 1), false); }

  void CloseTop() {
    Level lv = levels_.back();
    levels_.pop_back();
    SetHilite(lv.menu, kNone);
    SetShownIn(lv.menu, nullptr);
    if (lv.window != nullptr) DestroyWindow(lv.window);
    Notify(WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(lv.menu),
           MAKELPARAM(0, lv.system ? MF_SYSMENU : 0));
    if (!levels_.empty()) {
      const Level& parent = levels_.back();
      SetOpenItem(parent.menu, kNone);
      RepaintItem(static_cast<int>(levels_.size()) - 1, parent.selected);
    }
  }

  void CloseAbove(int level) {
    while (static_cast<int>(levels_.size()) > level + 1) CloseTop();
  }

  int Deepest() const { return static_cast<int>(levels_.size()) - 1; }

  // ---- Mouse ----

  Hit HitTest(POINT pt) const {
    for (int level = Deepest(); level >= 0; --level) {
      const Level& lv = levels_[static_cast<std::size_t>(level)];
      RECT area;
      POINT origin;
      if (lv.window != nullptr) {
        GetWindowRect(lv.window, &area);
        origin = POINT{area.left, area.top};
      } else {
        if (!BarScreenRect(owner_, &area)) continue;
        origin = WindowOrigin(owner_);
      }
      if (!Inside(area, pt)) continue;
      std::optional<MenuView> view = View(lv.menu);
      if (view) {
        for (std::size_t i = 0; i < view->items.size(); ++i) {
          if (Inside(Offset(view->items[i].rect, origin), pt))
            return Hit{level, static_cast<int>(i)};
        }
      }
      return Hit{level, kNone};
    }
    return Hit{};
  }

  bool ChoosesWith(UINT message) const {
    if (message == WM_LBUTTONUP) return true;
    return message == WM_RBUTTONUP && (flags_ & TPM_RIGHTBUTTON) && popup_loop_;
  }

  void OnMouse(const MSG& msg) {
    const POINT pt = msg.pt;
    if (msg.message == WM_MOUSEMOVE) {
      if (has_last_point_ && pt.x == last_point_.x && pt.y == last_point_.y) return;
      if (has_last_point_) armed_ = true;
      has_last_point_ = true;
      last_point_ = pt;
      OnMouseMove(pt);
    } else if (IsButtonDown(msg.message)) {
      armed_ = true;
      OnButtonDown(pt);
    } else if (ChoosesWith(msg.message)) {
      if (armed_) OnButtonUp(pt);
    }
  }

  void OnMouseMove(POINT pt) {
    Hit hit = HitTest(pt);
    if (hit.level < 0) {
      // Off every menu: the deepest popup loses its selection.
      const int deepest = Deepest();
      if (deepest >= 0 && levels_[static_cast<std::size_t>(deepest)].window != nullptr)
        Select(deepest, kNone, true);
      return;
    }
    if (IsBarLevel(hit.level)) {
      if (hit.item < 0 || IsSeparatorAt(0, hit.item) || hit.item == levels_[0].selected) return;
      const bool was_open = levels_.size() > 1;
      CloseAbove(0);
      Select(0, hit.item, true);
      if (was_open) OpenDropDown(hit.item, false);
      return;
    }
    if (hit.item < 0 || IsSeparatorAt(hit.level, hit.item)) {
      if (hit.level == Deepest()) Select(hit.level, kNone, true);
      return;
    }
    if (levels_[static_cast<std::size_t>(hit.level)].selected == hit.item) {
      CloseAbove(hit.level + 1);
      return;
    }
    CloseAbove(hit.level);
    Select(hit.level, hit.item, true);
    OpenSubmenu(hit.level, false);
  }

  void OnButtonDown(POINT pt) {
    Hit hit = HitTest(pt);
    if (hit.level < 0) {
      Cancel();  // a press outside every menu dismisses it
      return;
    }
    if (IsBarLevel(hit.level)) {
      if (hit.item < 0) {
        Cancel();
        return;
      }
      if (IsSeparatorAt(0, hit.item)) return;
      if (hit.item == levels_[0].selected && levels_.size() > 1) {
        Cancel();  // a second press on the open item closes the menu
        return;
      }
      CloseAbove(0);
      Select(0, hit.item, true);
      OpenDropDown(hit.item, false);
      return;
    }
    if (hit.item < 0 || IsSeparatorAt(hit.level, hit.item)) return;
    const bool open = levels_.size() > static_cast<std::size_t>(hit.level) + 1;
    if (levels_[static_cast<std::size_t>(hit.level)].selected == hit.item && open) return;
    CloseAbove(hit.level);
    Select(hit.level, hit.item, true);
    OpenSubmenu(hit.level, false);
  }

  void OnButtonUp(POINT pt) {
    Hit hit = HitTest(pt);
    if (hit.level < 0 || hit.item < 0) return;
    if (IsBarLevel(hit.level) && hit.item != levels_[0].selected) return;
    Choose(hit.level, hit.item, pt, true);
  }

  // ---- Keyboard ----

  void OnKey(MSG msg) {
    switch (msg.message) {
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        if (!OnKeyDown(static_cast<UINT>(msg.wParam), msg.lParam)) TranslateMessage(&msg);
        return;
      case WM_CHAR:
      case WM_SYSCHAR: {
        const auto ch = static_cast<unsigned char>(msg.wParam);
        if (ch < 0x20) return;
        OnChar(static_cast<char>(ch));
        return;
      }
    }
  }

  // Returns whether the key was one of the menu's own keys.
  bool OnKeyDown(UINT vk, LPARAM lparam) {
    const bool repeat = (lparam & (LPARAM{1} << 30)) != 0;
    const int level = Deepest();
    if (level < 0) return false;
    switch (vk) {
      case VK_MENU:
      case VK_F10:
        if (!repeat) Cancel();
        return true;
      case VK_ESCAPE:
        OnEscape();
        return true;
      case VK_UP:
      case VK_DOWN:
        OnUpDown(level, vk == VK_DOWN ? 1 : -1);
        return true;
      case VK_LEFT:
        OnLeft(level);
        return true;
      case VK_RIGHT:
        OnRight(level);
        return true;
      case VK_HOME:
      case VK_END:
        if (!IsBarLevel(level)) Select(level, Step(level, kNone, vk == VK_HOME ? 1 : -1), false);
        return true;
      case VK_RETURN:
        OnEnter(level);
        return true;
    }
    return false;
  }

  void OnEscape() {
    if (levels_.size() <= 1) {
      Cancel();
      return;
    }
    CloseTop();
  }

  void OnUpDown(int level, int direction) {
    if (IsBarLevel(level)) {
      OpenDropDown(levels_[0].selected, true);
      if (direction < 0 && levels_.size() > 1) {
        const int top = Deepest();
        Select(top, Step(top, kNone, -1), false);
      }
      return;
    }
    Select(level, Step(level, levels_[static_cast<std::size_t>(level)].selected, direction), false);
  }

  // Moves along the bar to the next or previous entry; its drop-down opens
  // when one was open.
  void MoveAlongBar(int direction, bool open) {
    std::vector<int> entries = BarEntries();
    if (entries.empty()) return;
    auto it = std::find(entries.begin(), entries.end(), levels_[0].selected);
    int position = it == entries.end() ? 0 : static_cast<int>(it - entries.begin());
    const int count = static_cast<int>(entries.size());
    position = (position + direction + count) % count;
    CloseAbove(0);
    Select(0, entries[static_cast<std::size_t>(position)], false);
    if (open) OpenDropDown(entries[static_cast<std::size_t>(position)], true);
  }

  void OnLeft(int level) {
    if (IsBarLevel(level)) {
      MoveAlongBar(-1, false);
    } else if (level >= 2 || (level == 1 && !IsBarLevel(0))) {
      CloseTop();
    } else if (level == 1) {
      MoveAlongBar(-1, true);
    }
  }

  void OnRight(int level) {
    if (IsBarLevel(level)) {
      MoveAlongBar(1, false);
      return;
    }
    std::optional<MenuItem> item = ItemAt(level, levels_[static_cast<std::size_t>(level)].selected);
    if (item && item->IsPopup() && item->IsEnabled()) {
      OpenSubmenu(level, true);
    } else if (IsBarLevel(0)) {
      MoveAlongBar(1, true);
    }
  }

  void OnEnter(int level) {
    const int selected = levels_[static_cast<std::size_t>(level)].selected;
    if (IsBarLevel(level)) {
      std::optional<MenuItem> item = ItemAt(0, selected);
      if (selected == kSystemEntry || (item && item->IsPopup()))
        OpenDropDown(selected, true);
      else if (item)
        Choose(0, selected, POINT{}, false);
      return;
    }
    std::optional<MenuItem> item = ItemAt(level, selected);
    if (!item) return;
    if (item->IsPopup())
      OpenSubmenu(level, true);
    else
      Choose(level, selected, POINT{}, false);
  }

  void OnChar(char ch) {
    const int level = Deepest();
    if (level >= 0) Mnemonic(level, ch);
  }

  // The items of a level whose "&" letter is `ch`. One item: it opens or is
  // chosen; several: the selection moves to the next of them; none: the
  // owner is asked with WM_MENUCHAR. Returns false when nothing happened.
  bool Mnemonic(int level, char ch) {
    const Level lv = levels_[static_cast<std::size_t>(level)];
    const char wanted = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    std::vector<int> matches;
    if (std::optional<MenuView> view = View(lv.menu)) {
      for (std::size_t i = 0; i < view->items.size(); ++i) {
        const MenuItem& item = view->items[i];
        if (!item.IsSeparator() && MnemonicOf(item.text) == wanted)
          matches.push_back(static_cast<int>(i));
      }
    }
    if (matches.size() == 1) {
      Activate(level, matches[0]);
      return true;
    }
    if (matches.size() > 1) {
      auto next = std::upper_bound(matches.begin(), matches.end(), lv.selected);
      Select(level, next == matches.end() ? matches[0] : *next, false);
      return true;
    }
    return AskOwner(level, ch);
  }

  // Selects an item and opens or chooses it, as Enter would.
  void Activate(int level, int index) {
    Select(level, index, false);
    if (IsBarLevel(level)) {
      std::optional<MenuItem> item = ItemAt(0, index);
      if (item && item->IsPopup())
        OpenDropDown(index, true);
      else
        Choose(0, index, POINT{}, false);
      return;
    }
    std::optional<MenuItem> item = ItemAt(level, index);
    if (item && item->IsPopup())
      OpenSubmenu(level, true);
    else
      Choose(level, index, POINT{}, false);
  }

  bool AskOwner(int level, char ch) {
    const Level lv = levels_[static_cast<std::size_t>(level)];
    LRESULT answer = 0;
    if (notify_ && IsWindow(owner_) && lv.menu != nullptr) {
      UINT flags = (IsBarLevel(level) ? 0u : MF_POPUP) | (lv.system ? MF_SYSMENU : 0u);
      answer = SendMessage(owner_, WM_MENUCHAR,
                           MAKEWPARAM(static_cast<unsigned char>(ch), static_cast<WORD>(flags)),
                           reinterpret_cast<LPARAM>(lv.menu));
    }
    const int index = LOWORD(static_cast<DWORD_PTR>(answer));
    switch (HIWORD(static_cast<DWORD_PTR>(answer))) {
      case MNC_CLOSE:
        Cancel();
        return true;
      case MNC_EXECUTE:
        if (ItemAt(level, index)) Activate(level, index);
        return true;
      case MNC_SELECT:
        if (ItemAt(level, index)) Select(level, index, false);
        return true;
    }
    MessageBeep(0);
    return false;
  }

  HWND owner_;
  UINT flags_;
  bool notify_;
  HMENU bar_;
  BOOL popup_loop_ = FALSE;
  bool has_system_entry_ = false;
  std::vector<Level> levels_;
  bool done_ = false;
  bool idle_sent_ = false;
  // A button release chooses only after the mouse moved or a button went
  // down in the loop (not the release of the click that opened the menu).
  bool armed_ = false;
  bool has_last_point_ = false;
  POINT last_point_{};
  bool chosen_ = false;
  UINT chosen_id_ = 0;
  bool chosen_system_ = false;
  bool chosen_by_mouse_ = false;
  LPARAM chosen_point_ = 0;
};

}  // namespace

UINT TrackPopup(HMENU menu, UINT flags, POINT at, HWND owner, const RECT* exclude, bool* started) {
  *started = t_current == nullptr;
  if (!*started) return 0;
  MenuTracker tracker(owner, flags, nullptr);
  tracker.StartPopup(menu, at, exclude);
  tracker.Run();
  return tracker.Finish();
}

void TrackBar(HWND hwnd, WPARAM command, LPARAM lparam) {
  if (t_current != nullptr || hwnd == nullptr) return;
  const WPARAM kind = command & 0xFFF0;
  HMENU bar = GetMenu(hwnd);
  if (kind == SC_MOUSEMENU) {
    const LRESULT hit = static_cast<LRESULT>(command & 0x000F);
    if (hit == HTSYSMENU) {
      if (!HasSystemMenuEntry(hwnd)) return;
      MenuTracker tracker(hwnd, 0, bar);
      tracker.StartSystemMenu(false);
      tracker.Run();
      tracker.Finish();
      return;
    }
    if (bar == nullptr) return;
    MenuTracker tracker(hwnd, 0, bar);
    tracker.StartBarMouse(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
    tracker.Run();
    tracker.Finish();
    return;
  }
  if (kind != SC_KEYMENU) return;
  const char letter = static_cast<char>(lparam & 0xFF);
  if (letter == ' ') {
    if (!HasSystemMenuEntry(hwnd)) return;
    MenuTracker tracker(hwnd, 0, bar);
    tracker.StartSystemMenu(true);
    tracker.Run();
    tracker.Finish();
    return;
  }
  if (bar == nullptr) {
    if (letter != 0) MessageBeep(0);
    return;
  }
  MenuTracker tracker(hwnd, 0, bar);
  tracker.StartBarKeyboard(letter);
  tracker.Run();
  tracker.Finish();
}

bool EndTracking() {
  if (t_current == nullptr) return false;
  t_current->Cancel();
  return true;
}

bool IsTracking() {
  return t_current != nullptr;
}

}  // namespace platform::user::menus
