// Shell_NotifyIcon: icons in the desktop's notification area, shown as
// StatusNotifierItems on the session bus (the panels of KDE Plasma, Xfce,
// LXQt, Cinnamon, GNOME with the AppIndicator extension and the Wayland
// panels show them). The desktop reports clicks, not buttons: an
// activation comes to the icon's window as a left button press and
// release (a second one within the double-click time as a double-click),
// the context-menu request as a right press and release, the secondary
// activation as a middle press and release; there are no moves. A panel
// (status notifier watcher) appearing posts "TaskbarCreated" to the icons'
// windows.
//
// Tests select a recording backend.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/types.h"
#include "platform/user/cursor.h"

constexpr DWORD NIM_ADD = 0;
constexpr DWORD NIM_MODIFY = 1;
constexpr DWORD NIM_DELETE = 2;
constexpr UINT NIF_MESSAGE = 0x1;
constexpr UINT NIF_ICON = 0x2;
constexpr UINT NIF_TIP = 0x4;

struct NOTIFYICONDATA {
  DWORD cbSize = 88;
  HWND hWnd = nullptr;
  UINT uID = 0;
  UINT uFlags = 0;
  UINT uCallbackMessage = 0;
  HICON hIcon = nullptr;
  CHAR szTip[64] = {};
};

BOOL Shell_NotifyIcon(DWORD message, NOTIFYICONDATA* data);

namespace platform {

// One icon as the backends see it.
struct TrayIcon {
  HWND hwnd = nullptr;
  UINT id = 0;
  UINT callback = 0;  // 0: no callback messages
  std::string tip;
  CursorImage image;  // empty without an icon
};

class TrayBackend {
 public:
  virtual ~TrayBackend() = default;
  virtual bool Add(const TrayIcon& icon) = 0;
  virtual bool Modify(const TrayIcon& icon) = 0;
  virtual bool Delete(HWND hwnd, UINT id) = 0;
};

// null: status notifier items on the session bus.
void SetTrayBackend(std::shared_ptr<TrayBackend> backend);
// Status notifier items on the bus at `bus_address` (empty: the session bus).
std::shared_ptr<TrayBackend> MakeStatusNotifierBackend(const std::string& bus_address = std::string());

enum class TrayClick { Activate, SecondaryActivate, ContextMenu };
// Hands a click the desktop reported on an icon to its window.
void DeliverTrayClick(HWND hwnd, UINT id, TrayClick click);
// Tells every icon's window that the notification area was made anew.
void AnnounceTaskbarCreated();

class RecordingTrayBackend : public TrayBackend {
 public:
  bool Add(const TrayIcon& icon) override;
  bool Modify(const TrayIcon& icon) override;
  bool Delete(HWND hwnd, UINT id) override;
  // "add 1 tip", "modify 1 tip", "delete 1".
  std::vector<std::string> Log();
  std::optional<TrayIcon> Shown(UINT id);

 private:
  std::mutex mutex_;
  std::vector<std::string> log_;
  std::vector<TrayIcon> shown_;
};

}  // namespace platform
