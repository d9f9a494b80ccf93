// Creation, destruction and the window tree.
#include "platform/user/window.h"

#include <algorithm>

#include "platform/core/errors.h"
#include "platform/user/builtin_classes.h"
#include "platform/core/threads.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/message_queue.h"
#include "platform/user/remote_windows.h"
#include "platform/user/window_manager.h"
#include "platform/user/window_position.h"
#include "platform/user/window_system.h"

using namespace platform::user;

namespace {

// Where parent and owner of a new window come from.
struct Placement {
  Window* parent = nullptr;
  Window* owner = nullptr;
};

bool PlaceNewWindow(HWND parent, DWORD style, Placement* placement) {
  WindowSystem& system = System();
  if (parent == HWND_MESSAGE) {
    placement->parent = system.message_root;
    return true;
  }
  if (parent == nullptr) {
    if (style & WS_CHILD) {
      SetLastError(ERROR_TLW_WITH_WSCHILD);
      return false;
    }
    placement->parent = system.desktop;
    return true;
  }
  Window* given = RequireWindow(parent);
  if (given == nullptr) return false;
  if (style & WS_CHILD) {
    placement->parent = given;
  } else {
    placement->parent = system.desktop;
    placement->owner = given->kind == WindowKind::kOrdinary ? TopLevelOf(given) : nullptr;
  }
  return true;
}

// Styles the platform adds on creation: an overlapped top-level window
// always has a caption and clips its siblings; a framed window gets the
// raised window edge.
void AddImpliedStyles(Window& window) {
  if (window.parent->kind == WindowKind::kDesktop && (window.style & (WS_POPUP | WS_CHILD)) == 0) {
    window.style |= WS_CAPTION | WS_CLIPSIBLINGS;
  }
  if ((window.ex_style & WS_EX_DLGMODALFRAME) ||
      ((window.style & (WS_DLGFRAME | WS_THICKFRAME)) && !(window.style & WS_CHILD))) {
    window.ex_style |= WS_EX_WINDOWEDGE;
  }
}

// CW_USEDEFAULT leaves position and size to the system: overlapped windows
// cascade down the screen at three quarters of its size; other windows
// start at the origin, empty.
int OrDefault(int value) {
  return value == CW_USEDEFAULT ? 0 : value;
}

void DefaultPlacement(const CREATESTRUCT& cs, bool overlapped, RECT* rect) {
  static int cascade = 0;
  int x = OrDefault(cs.x);
  int y = cs.x == CW_USEDEFAULT ? 0 : cs.y;
  int width = std::max(0, OrDefault(cs.cx));
  int height = std::max(0, cs.cx == CW_USEDEFAULT ? 0 : cs.cy);
  if (overlapped) {
    SIZE screen = platform::ScreenSize();
    if (cs.x == CW_USEDEFAULT) {
      int step = 26 * (cascade++ % 8);
      x = step;
      y = step;
    }
    if (cs.cx == CW_USEDEFAULT) {
      width = screen.cx * 3 / 4;
      height = screen.cy * 3 / 4;
    }
  }
  *rect = RECT{x, y, x + width, y + height};
}

HWND MakeWindowRecord(const CREATESTRUCT& cs, const std::shared_ptr<WindowClass>& window_class,
                      const Placement& placement) {
  auto window = std::make_shared<Window>();
  window->window_class = window_class;
  window->queue = CurrentQueueShared();
  window->style = static_cast<DWORD>(cs.style) & ~WS_VISIBLE;  // shown after WM_CREATE
  window->ex_style = cs.dwExStyle;
  window->instance = cs.hInstance;
  window->proc = window_class->proc;
  window->extra.assign(static_cast<std::size_t>(window_class->window_extra), 0);
  window->parent = placement.parent;  // for IsChild() until linked
  if (window->IsChild()) {
    window->id = reinterpret_cast<LONG_PTR>(cs.hMenu);
  } else {
    window->menu = cs.hMenu;
  }
  AddImpliedStyles(*window);
  const bool overlapped = placement.parent->kind == WindowKind::kDesktop &&
                          (window->style & (WS_POPUP | WS_CHILD)) == 0;
  DefaultPlacement(cs, overlapped, &window->window_rect);
  window->client_rect = window->window_rect;
  Window* record = AddWindow(std::move(window));
  LinkIntoParent(record, placement.parent);
  SetOwner(record, placement.owner);
  ++window_class->window_count;
  return record->handle;
}

// Frees a window whose WM_NCCREATE failed: it gets WM_NCDESTROY only.
void DiscardUnborn(HWND hwnd) {
  SendMessage(hwnd, WM_NCDESTROY, 0, 0);
  auto lock = Lock();
  if (Window* window = FindWindowRecord(hwnd)) RemoveWindowTree(window);
}

RECT WindowRectInParent(HWND hwnd) {
  auto lock = Lock();
  Window* window = FindWindowRecord(hwnd);
  return window == nullptr ? RECT{} : window->window_rect;
}

void SetClientRect(HWND hwnd, const RECT& client) {
  auto lock = Lock();
  if (Window* window = FindWindowRecord(hwnd)) window->client_rect = client;
}

void NotifyParents(HWND hwnd, WORD event) {
  HWND child = hwnd;
  for (;;) {
    HWND parent = nullptr;
    LONG_PTR id = 0;
    {
      auto lock = Lock();
      Window* window = FindWindowRecord(child);
      if (window == nullptr || !window->IsChild() || (window->ex_style & WS_EX_NOPARENTNOTIFY)) {
        return;
      }
      parent = window->parent->handle;
      id = window->id;
    }
    SendMessage(parent, WM_PARENTNOTIFY, MAKEWPARAM(event, static_cast<WORD>(id)),
                reinterpret_cast<LPARAM>(hwnd));
    child = parent;
  }
}

// ---- Destruction ----

std::vector<HWND> ChildrenOf(HWND hwnd) {
  auto lock = Lock();
  std::vector<HWND> handles;
  if (Window* window = FindWindowRecord(hwnd)) {
    for (Window* child : window->children) handles.push_back(child->handle);
  }
  return handles;
}

void MarkDestroying(Window* window) {
  window->destroying = true;
  for (Window* child : window->children) MarkDestroying(child);
}

void DestroyOwnedWindows(HWND hwnd) {
  std::vector<HWND> owned;
  {
    auto lock = Lock();
    Window* window = FindWindowRecord(hwnd);
    if (window == nullptr) return;
    for (Window* w : window->owned) {
      if (w->queue == window->queue && !w->destroying) owned.push_back(w->handle);
    }
  }
  for (HWND w : owned) DestroyWindow(w);
}

void HideForDestruction(HWND hwnd) {
  if (!IsWindowVisible(hwnd)) {
    auto lock = Lock();
    if (Window* window = FindWindowRecord(hwnd)) window->style &= ~WS_VISIBLE;
    return;
  }
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
}

// WM_DESTROY goes to a window before its children.
void SendDestroyMessages(HWND hwnd) {
  {
    auto lock = Lock();
    Window* window = FindWindowRecord(hwnd);
    if (window == nullptr || window->destroy_sent) return;
    window->destroy_sent = true;
    window->destroying = true;
  }
  SendMessage(hwnd, WM_DESTROY, 0, 0);
  for (HWND child : ChildrenOf(hwnd)) SendDestroyMessages(child);
}

// WM_NCDESTROY goes to the children before their parent; then the window
// is gone. A child made during destruction still gets its WM_DESTROY first.
void FreeWindowTree(HWND hwnd) {
  SendDestroyMessages(hwnd);
  for (HWND child : ChildrenOf(hwnd)) FreeWindowTree(child);
  SendMessage(hwnd, WM_NCDESTROY, 0, 0);
  auto lock = Lock();
  if (Window* window = FindWindowRecord(hwnd)) RemoveWindowTree(window);
}

// ---- Searching ----

std::vector<HWND> Handles(const std::vector<Window*>& windows) {
  std::vector<HWND> handles;
  handles.reserve(windows.size());
  for (Window* window : windows) handles.push_back(window->handle);
  return handles;
}

void CollectDescendants(const Window* window, std::vector<HWND>* handles) {
  for (Window* child : window->children) {
    handles->push_back(child->handle);
    CollectDescendants(child, handles);
  }
}

// Calls `proc` for each handle that is still a window; stops at FALSE.
BOOL Enumerate(const std::vector<HWND>& handles, WNDENUMPROC proc, LPARAM lparam) {
  for (HWND hwnd : handles) {
    if (!IsWindow(hwnd)) continue;
    if (!proc(hwnd, lparam)) return FALSE;
  }
  return TRUE;
}

bool ClassMatches(const Window& window, LPCSTR class_name) {
  if (class_name == nullptr) return true;
  if (IsIntegerAtom(class_name)) return window.window_class->atom == IntegerAtom(class_name);
  return window.window_class->key == LowerCase(class_name);
}

HWND Sibling(Window* window, UINT command) {
  const auto& siblings = window->parent->children;
  auto it = std::find(siblings.begin(), siblings.end(), window);
  switch (command) {
    case GW_HWNDFIRST:
      return siblings.front()->handle;
    case GW_HWNDLAST:
      return siblings.back()->handle;
    case GW_HWNDNEXT:
      return it + 1 == siblings.end() ? nullptr : (*(it + 1))->handle;
    case GW_HWNDPREV:
      return it == siblings.begin() ? nullptr : (*(it - 1))->handle;
  }
  return nullptr;
}

}  // namespace

HWND CreateWindowEx(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style, int x,
                    int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                    LPVOID param) {
  platform::EnsureBuiltinClass(class_name);
  CREATESTRUCT cs;
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu;
  cs.hwndParent = parent;
  cs.cy = height;
  cs.cx = width;
  cs.y = y;
  cs.x = x;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = window_name;
  cs.lpszClass = class_name;
  cs.dwExStyle = ex_style;

  HWND hwnd = nullptr;
  {
    auto lock = Lock();
    auto window_class = class_name == nullptr ? nullptr : FindClass(class_name, instance);
    if (!window_class) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    Placement placement;
    if (!PlaceNewWindow(parent, style, &placement)) return nullptr;
    hwnd = MakeWindowRecord(cs, window_class, placement);
  }

  if (!SendMessage(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    DiscardUnborn(hwnd);
    return nullptr;
  }
  if (!IsWindow(hwnd)) return nullptr;

  RECT client = WindowRectInParent(hwnd);
  SendMessage(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&client));
  SetClientRect(hwnd, client);

  if (SendMessage(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (!IsWindow(hwnd)) return nullptr;

  SendSizeAndMove(hwnd);
  NotifyParents(hwnd, static_cast<WORD>(WM_CREATE));
  if ((style & WS_VISIBLE) && IsWindow(hwnd)) ShowWindow(hwnd, SW_SHOW);
  // Other processes can find top-level windows from now on.
  if ((style & WS_CHILD) == 0 && parent != HWND_MESSAGE) platform::EnsureWindowDirectoryServer();
  return IsWindow(hwnd) ? hwnd : nullptr;
}

HWND CreateWindow(LPCSTR class_name, LPCSTR window_name, DWORD style, int x, int y, int width,
                  int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  return CreateWindowEx(0, class_name, window_name, style, x, y, width, height, parent, menu,
                        instance, param);
}

BOOL DestroyWindow(HWND hwnd) {
  {
    auto lock = Lock();
    Window* window = RequireWindow(hwnd);
    if (window == nullptr) return FALSE;
    if (window->kind != WindowKind::kOrdinary || window->queue.get() != &CurrentQueue()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (window->destroying) return TRUE;
    MarkDestroying(window);
  }
  NotifyParents(hwnd, static_cast<WORD>(WM_DESTROY));
  DestroyOwnedWindows(hwnd);
  HideForDestruction(hwnd);
  WindowLeaving(hwnd, true);
  SendDestroyMessages(hwnd);
  FreeWindowTree(hwnd);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  if (platform::remote::IsRemote(hwnd)) return platform::remote::IsWindow(hwnd);
  auto lock = Lock();
  return FindWindowRecord(hwnd) != nullptr ? TRUE : FALSE;
}

HWND GetDesktopWindow() {
  auto lock = Lock();
  return System().desktop->handle;
}

HWND GetParent(HWND hwnd) {
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return nullptr;
  if (window->IsChild()) return window->parent->handle;
  if ((window->style & WS_POPUP) && window->owner != nullptr) return window->owner->handle;
  return nullptr;
}

HWND SetParent(HWND hwnd, HWND new_parent) {
  auto lock = Lock();
  WindowSystem& system = System();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return nullptr;
  Window* parent = nullptr;
  if (new_parent == nullptr) {
    parent = system.desktop;
  } else if (new_parent == HWND_MESSAGE) {
    parent = system.message_root;
  } else {
    parent = RequireWindow(new_parent);
    if (parent == nullptr) return nullptr;
  }
  if (window->kind != WindowKind::kOrdinary || parent == window || IsDescendant(parent, window)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HWND previous = window->parent->handle;
  if (window->IsChild()) {
    Window* old_parent = window->parent;
    RECT r = window->window_rect;
    RECT client = ClientRectInWindow(old_parent);
    Invalidate(old_parent,
               platform::Region(RECT{r.left + client.left, r.top + client.top,
                                     r.right + client.left, r.bottom + client.top}),
               true, false, true);
  }
  UnlinkFromParent(window);
  LinkIntoParent(window, parent);
  if (!window->IsTopLevel()) window->surface.reset();
  InvalidateAll(window);
  RefreshWindowDCs();
  return previous;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr || window->kind != WindowKind::kOrdinary) return nullptr;
  switch (flags) {
    case GA_PARENT:
      return window->parent->handle;
    case GA_ROOT:
      return TopLevelOf(window)->handle;
    case GA_ROOTOWNER: {
      Window* root = TopLevelOf(window);
      while (root->owner != nullptr) root = TopLevelOf(root->owner);
      return root->handle;
    }
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

HWND GetWindow(HWND hwnd, UINT command) {
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return nullptr;
  switch (command) {
    case GW_HWNDFIRST:
    case GW_HWNDLAST:
    case GW_HWNDNEXT:
    case GW_HWNDPREV:
      return window->parent == nullptr ? nullptr : Sibling(window, command);
    case GW_OWNER:
      return window->owner == nullptr ? nullptr : window->owner->handle;
    case GW_CHILD:
      return window->children.empty() ? nullptr : window->children.front()->handle;
    case GW_ENABLEDPOPUP:
      for (Window* owned : window->owned) {
        if ((owned->style & WS_POPUP) && (owned->style & WS_VISIBLE) &&
            !(owned->style & WS_DISABLED)) {
          return owned->handle;
        }
      }
      return nullptr;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

HWND GetTopWindow(HWND hwnd) {
  if (hwnd == nullptr) hwnd = GetDesktopWindow();
  return GetWindow(hwnd, GW_CHILD);
}

BOOL IsChild(HWND parent, HWND hwnd) {
  auto lock = Lock();
  Window* ancestor = FindWindowRecord(parent);
  Window* window = FindWindowRecord(hwnd);
  if (ancestor == nullptr || window == nullptr) return FALSE;
  for (Window* w = window; w->IsChild(); w = w->parent) {
    if (w->parent == ancestor) return TRUE;
  }
  return FALSE;
}

static HWND FindLocalWindowEx(HWND parent, HWND child_after, LPCSTR class_name, LPCSTR window_name);

HWND FindWindowEx(HWND parent, HWND child_after, LPCSTR class_name, LPCSTR window_name) {
  // Top-level windows: the own ones first, then those of this user's other
  // processes.
  if (parent == nullptr) {
    HWND found = nullptr;
    if (!platform::remote::IsRemote(child_after)) {
      found = FindLocalWindowEx(parent, child_after, class_name, window_name);
      if (found != nullptr || GetLastError() == ERROR_INVALID_WINDOW_HANDLE) return found;
      child_after = nullptr;
    }
    found = platform::remote::FindNext(child_after, class_name, window_name);
    if (found == nullptr) SetLastError(ERROR_FILE_NOT_FOUND);
    return found;
  }
  return FindLocalWindowEx(parent, child_after, class_name, window_name);
}

static HWND FindLocalWindowEx(HWND parent, HWND child_after, LPCSTR class_name, LPCSTR window_name) {
  auto lock = Lock();
  WindowSystem& system = System();
  Window* root = parent == nullptr        ? system.desktop
                 : parent == HWND_MESSAGE ? system.message_root
                                          : RequireWindow(parent);
  if (root == nullptr) return nullptr;
  const auto& children = root->children;
  auto it = children.begin();
  if (child_after != nullptr) {
    it = std::find_if(children.begin(), children.end(),
                      [&](const Window* w) { return w->handle == child_after; });
    if (it == children.end()) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    ++it;
  }
  for (; it != children.end(); ++it) {
    const Window& window = **it;
    if (!ClassMatches(window, class_name)) continue;
    if (window_name != nullptr && window.text != window_name) continue;
    return window.handle;
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  return nullptr;
}

HWND FindWindow(LPCSTR class_name, LPCSTR window_name) {
  return FindWindowEx(nullptr, nullptr, class_name, window_name);
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lparam) {
  if (proc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<HWND> handles;
  {
    auto lock = Lock();
    handles = Handles(System().desktop->children);
  }
  return Enumerate(handles, proc, lparam);
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lparam) {
  if (proc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<HWND> handles;
  {
    auto lock = Lock();
    Window* window = parent == nullptr ? System().desktop : RequireWindow(parent);
    if (window == nullptr) return FALSE;
    CollectDescendants(window, &handles);
  }
  return Enumerate(handles, proc, lparam);
}

BOOL EnumThreadWindows(DWORD thread_id, WNDENUMPROC proc, LPARAM lparam) {
  if (proc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<HWND> handles;
  {
    auto lock = Lock();
    for (Window* window : System().desktop->children) {
      if (window->queue && window->queue->thread_id == thread_id) handles.push_back(window->handle);
    }
  }
  // FALSE also when the thread has no windows.
  return !handles.empty() && Enumerate(handles, proc, lparam);
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD process_id) {
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return 0;
  if (process_id != nullptr) *process_id = GetCurrentProcessId();
  return window->queue ? window->queue->thread_id : 0;
}

namespace platform {

std::size_t LiveWindowCount() {
  auto lock = Lock();
  // Not counting the desktop and the message-only root.
  return System().windows.size() - 2;
}

}  // namespace platform
