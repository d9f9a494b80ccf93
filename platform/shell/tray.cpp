#include "platform/shell/tray.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/core/clock.h"
#include "platform/core/errors.h"
#include "platform/user/user.h"

namespace platform {

namespace {

struct Registered {
  UINT callback = 0;
  std::uint64_t last_activate_ms = 0;
  bool has_last = false;
};

std::mutex g_mutex;
std::shared_ptr<TrayBackend> g_backend;
std::map<std::pair<HWND, UINT>, Registered> g_icons;

std::shared_ptr<TrayBackend> Backend() {
  std::lock_guard lock(g_mutex);
  if (!g_backend) g_backend = MakeStatusNotifierBackend();
  return g_backend;
}

}  // namespace

void SetTrayBackend(std::shared_ptr<TrayBackend> backend) {
  std::lock_guard lock(g_mutex);
  g_backend = std::move(backend);
  g_icons.clear();
}

void DeliverTrayClick(HWND hwnd, UINT id, TrayClick click) {
  UINT callback = 0;
  UINT down = WM_LBUTTONDOWN;
  UINT up = WM_LBUTTONUP;
  {
    std::lock_guard lock(g_mutex);
    auto it = g_icons.find({hwnd, id});
    if (it == g_icons.end() || it->second.callback == 0) return;
    callback = it->second.callback;
    if (click == TrayClick::Activate) {
      const std::uint64_t now = GetTickCount64();
      if (it->second.has_last && now - it->second.last_activate_ms <= GetDoubleClickTime()) {
        down = WM_LBUTTONDBLCLK;
        it->second.has_last = false;
      } else {
        it->second.last_activate_ms = now;
        it->second.has_last = true;
      }
    } else if (click == TrayClick::ContextMenu) {
      down = WM_RBUTTONDOWN;
      up = WM_RBUTTONUP;
    } else {
      down = WM_MBUTTONDOWN;
      up = WM_MBUTTONUP;
    }
  }
  PostMessage(hwnd, callback, id, static_cast<LPARAM>(down));
  PostMessage(hwnd, callback, id, static_cast<LPARAM>(up));
}

void AnnounceTaskbarCreated() {
  const UINT message = RegisterWindowMessage("TaskbarCreated");
  std::vector<HWND> windows;
  {
    std::lock_guard lock(g_mutex);
    for (const auto& [key, icon] : g_icons) {
      if (std::find(windows.begin(), windows.end(), key.first) == windows.end()) windows.push_back(key.first);
    }
  }
  for (HWND hwnd : windows) PostMessage(hwnd, message, 0, 0);
}

bool RecordingTrayBackend::Add(const TrayIcon& icon) {
  std::lock_guard lock(mutex_);
  log_.push_back("add " + std::to_string(icon.id) + " " + icon.tip);
  shown_.push_back(icon);
  return true;
}

bool RecordingTrayBackend::Modify(const TrayIcon& icon) {
  std::lock_guard lock(mutex_);
  log_.push_back("modify " + std::to_string(icon.id) + " " + icon.tip);
  for (TrayIcon& shown : shown_) {
    if (shown.hwnd == icon.hwnd && shown.id == icon.id) shown = icon;
  }
  return true;
}

bool RecordingTrayBackend::Delete(HWND hwnd, UINT id) {
  std::lock_guard lock(mutex_);
  log_.push_back("delete " + std::to_string(id));
  shown_.erase(std::remove_if(shown_.begin(), shown_.end(),
                              [&](const TrayIcon& icon) { return icon.hwnd == hwnd && icon.id == id; }),
               shown_.end());
  return true;
}

std::vector<std::string> RecordingTrayBackend::Log() {
  std::lock_guard lock(mutex_);
  return log_;
}

std::optional<TrayIcon> RecordingTrayBackend::Shown(UINT id) {
  std::lock_guard lock(mutex_);
  for (const TrayIcon& icon : shown_) {
    if (icon.id == id) return icon;
  }
  return std::nullopt;
}

}  // namespace platform

BOOL Shell_NotifyIcon(DWORD message, NOTIFYICONDATA* data) {
  using namespace platform;
  if (data == nullptr || data->hWnd == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::shared_ptr<TrayBackend> backend = Backend();
  const auto key = std::make_pair(data->hWnd, data->uID);
  if (message == NIM_DELETE) {
    {
      std::lock_guard lock(g_mutex);
      if (g_icons.erase(key) == 0) return FALSE;
    }
    return backend->Delete(data->hWnd, data->uID) ? TRUE : FALSE;
  }
  if (message != NIM_ADD && message != NIM_MODIFY) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  TrayIcon icon;
  icon.hwnd = data->hWnd;
  icon.id = data->uID;
  {
    std::lock_guard lock(g_mutex);
    const bool known = g_icons.count(key) != 0;
    if ((message == NIM_ADD) == known) return FALSE;
    Registered& registered = g_icons[key];
    if (data->uFlags & NIF_MESSAGE) registered.callback = data->uCallbackMessage;
    icon.callback = registered.callback;
  }
  if (data->uFlags & NIF_TIP) icon.tip.assign(data->szTip, strnlen(data->szTip, sizeof data->szTip));
  if ((data->uFlags & NIF_ICON) && data->hIcon != nullptr) GetCursorImage(data->hIcon, &icon.image);
  const bool ok = message == NIM_ADD ? backend->Add(icon) : backend->Modify(icon);
  return ok ? TRUE : FALSE;
}
