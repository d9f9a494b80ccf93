// The system menu: each window gets its own copy of the standard entries
// on first request, with the entries enabled as the window's state allows.
#include <map>
#include <mutex>
#include <vector>

#include "platform/user/menu.h"
#include "platform/user/menu_data.h"
#include "platform/user/window.h"
#include "platform/user/window_class.h"

namespace {

struct SystemMenus {
  std::mutex mutex;
  std::map<HWND, HMENU> copies;
};

SystemMenus& Copies() {
  static SystemMenus* copies = new SystemMenus;
  return *copies;
}

HMENU BuildSystemMenu() {
  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, SC_RESTORE, "&Restore");
  AppendMenu(menu, MF_STRING, SC_MOVE, "&Move");
  AppendMenu(menu, MF_STRING, SC_SIZE, "&Size");
  AppendMenu(menu, MF_STRING, SC_MINIMIZE, "Mi&nimize");
  AppendMenu(menu, MF_STRING, SC_MAXIMIZE, "Ma&ximize");
  AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenu(menu, MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
  SetMenuDefaultItem(menu, SC_CLOSE, FALSE);
  platform::user::menus::MarkSystem(menu);
  return menu;
}

void Enable(HMENU menu, UINT id, bool enabled) {
  EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

// Restore, move, size, minimize and maximize follow the window's styles
// and state; close is left as the program set it unless the class has no
// close box.
void UpdateStates(HWND hwnd, HMENU menu) {
  const DWORD style = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
  const bool minimized = (style & WS_MINIMIZE) != 0;
  const bool maximized = (style & WS_MAXIMIZE) != 0;
  Enable(menu, SC_RESTORE, minimized || maximized);
  Enable(menu, SC_MOVE, !maximized);
  Enable(menu, SC_SIZE, (style & WS_THICKFRAME) && !minimized && !maximized);
  Enable(menu, SC_MINIMIZE, (style & WS_MINIMIZEBOX) && !minimized);
  Enable(menu, SC_MAXIMIZE, (style & WS_MAXIMIZEBOX) && !maximized);
  if (GetClassLongPtr(hwnd, GCL_STYLE) & CS_NOCLOSE) Enable(menu, SC_CLOSE, false);
}

}  // namespace

namespace platform::user::menus {

void ForgetSystemMenusOfDeadWindows() {
  std::vector<std::pair<HWND, HMENU>> copies;
  {
    std::lock_guard<std::mutex> lock(Copies().mutex);
    copies.assign(Copies().copies.begin(), Copies().copies.end());
  }
  for (const auto& [hwnd, menu] : copies) {
    if (IsWindow(hwnd)) continue;
    {
      std::lock_guard<std::mutex> lock(Copies().mutex);
      Copies().copies.erase(hwnd);
    }
    DestroyMenu(menu);
  }
}

}  // namespace platform::user::menus

HMENU GetSystemMenu(HWND hwnd, BOOL revert) {
  platform::user::menus::ForgetSystemMenusOfDeadWindows();
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  HMENU menu = nullptr;
  {
    std::lock_guard<std::mutex> lock(Copies().mutex);
    auto it = Copies().copies.find(hwnd);
    if (it != Copies().copies.end()) menu = it->second;
    if (revert) Copies().copies.erase(hwnd);
  }
  if (revert) {
    if (menu != nullptr) DestroyMenu(menu);
    return nullptr;
  }
  if (menu == nullptr || !IsMenu(menu)) {
    menu = BuildSystemMenu();
    std::lock_guard<std::mutex> lock(Copies().mutex);
    Copies().copies[hwnd] = menu;
  }
  UpdateStates(hwnd, menu);
  return menu;
}
