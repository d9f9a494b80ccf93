#include "platform/user/window_class.h"

#include <algorithm>
#include <cstring>

#include "platform/core/errors.h"
#include "platform/user/builtin_classes.h"
#include "platform/user/window_system.h"

namespace platform::user {

namespace {

bool NameMatches(const WindowClass& window_class, LPCSTR name) {
  if (IsIntegerAtom(name)) return window_class.atom == IntegerAtom(name);
  return window_class.key == LowerCase(name);
}

// The class registered under `name` by exactly `instance` (UnregisterClass
// and the duplicate check).
std::shared_ptr<WindowClass> FindOwnClass(LPCSTR name, HINSTANCE instance) {
  for (auto& window_class : System().classes) {
    if (window_class->instance == instance && NameMatches(*window_class, name)) return window_class;
  }
  return nullptr;
}

// The class GetClassInfo reports: the instance's own, else a global one.
std::shared_ptr<WindowClass> ClassOrError(LPCSTR name, HINSTANCE instance) {
  auto window_class = name == nullptr ? nullptr : FindClass(name, instance);
  if (!window_class) SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
  return window_class;
}

bool AlreadyRegistered(const std::string& key, HINSTANCE instance, bool global) {
  const auto& classes = System().classes;
  return std::any_of(classes.begin(), classes.end(), [&](const auto& existing) {
    if (existing->key != key) return false;
    return existing->instance == instance || (global && existing->IsGlobal());
  });
}

ATOM Register(const WNDCLASSEX& info) {
  if (info.lpszClassName == nullptr || IsIntegerAtom(info.lpszClassName) ||
      info.lpszClassName[0] == '\0' || info.cbClsExtra < 0 || info.cbWndExtra < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto lock = Lock();
  auto window_class = std::make_shared<WindowClass>();
  window_class->name = info.lpszClassName;
  window_class->key = LowerCase(window_class->name);
  window_class->style = info.style;
  if (AlreadyRegistered(window_class->key, info.hInstance, window_class->IsGlobal())) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  window_class->atom = AddAtom(window_class->name);
  if (window_class->atom == 0) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  window_class->proc = info.lpfnWndProc;
  window_class->class_extra.assign(static_cast<std::size_t>(info.cbClsExtra), 0);
  window_class->window_extra = info.cbWndExtra;
  window_class->instance = info.hInstance;
  window_class->icon = info.hIcon;
  window_class->small_icon = info.hIconSm;
  window_class->cursor = info.hCursor;
  window_class->background = info.hbrBackground;
  if (info.lpszMenuName != nullptr && !IsIntegerAtom(info.lpszMenuName)) {
    window_class->menu_name = info.lpszMenuName;
  } else {
    window_class->menu_resource = info.lpszMenuName;
  }
  System().classes.push_back(window_class);
  return window_class->atom;
}

LPCSTR MenuNameOf(const WindowClass& window_class) {
  return window_class.menu_name.empty() ? window_class.menu_resource
                                        : window_class.menu_name.c_str();
}

WNDCLASSEX Describe(const WindowClass& window_class, LPCSTR asked_name) {
  WNDCLASSEX info;
  info.style = window_class.style;
  info.lpfnWndProc = window_class.proc;
  info.cbClsExtra = static_cast<int>(window_class.class_extra.size());
  info.cbWndExtra = window_class.window_extra;
  info.hInstance = window_class.instance;
  info.hIcon = window_class.icon;
  info.hCursor = window_class.cursor;
  info.hbrBackground = window_class.background;
  info.lpszMenuName = MenuNameOf(window_class);
  info.lpszClassName = asked_name;
  info.hIconSm = window_class.small_icon;
  return info;
}

// Checks an offset into the class's extra bytes for a value of `size` bytes.
bool ExtraRangeOk(const WindowClass& window_class, int index, std::size_t size) {
  return index >= 0 && static_cast<std::size_t>(index) + size <= window_class.class_extra.size();
}

// Reads a class value; false for an unknown index.
bool ReadClassValue(const WindowClass& window_class, int index, std::size_t size,
                    ULONG_PTR* value) {
  if (index >= 0) {
    if (!ExtraRangeOk(window_class, index, size)) return false;
    ULONG_PTR bytes = 0;
    std::memcpy(&bytes, window_class.class_extra.data() + index, size);
    *value = bytes;
    return true;
  }
  switch (index) {
    case GCLP_MENUNAME:
      *value = reinterpret_cast<ULONG_PTR>(MenuNameOf(window_class));
      return true;
    case GCLP_HBRBACKGROUND:
      *value = reinterpret_cast<ULONG_PTR>(window_class.background);
      return true;
    case GCLP_HCURSOR:
      *value = reinterpret_cast<ULONG_PTR>(window_class.cursor);
      return true;
    case GCLP_HICON:
      *value = reinterpret_cast<ULONG_PTR>(window_class.icon);
      return true;
    case GCLP_HICONSM:
      *value = reinterpret_cast<ULONG_PTR>(window_class.small_icon);
      return true;
    case GCLP_HMODULE:
      *value = reinterpret_cast<ULONG_PTR>(window_class.instance);
      return true;
    case GCLP_WNDPROC:
      *value = reinterpret_cast<ULONG_PTR>(window_class.proc);
      return true;
    case GCL_CBWNDEXTRA:
      *value = static_cast<ULONG_PTR>(window_class.window_extra);
      return true;
    case GCL_CBCLSEXTRA:
      *value = window_class.class_extra.size();
      return true;
    case GCL_STYLE:
      *value = window_class.style;
      return true;
    case GCW_ATOM:
      *value = window_class.atom;
      return true;
    default:
      return false;
  }
}

// Writes a class value; false for an unknown or read-only index.
bool WriteClassValue(WindowClass& window_class, int index, std::size_t size, LONG_PTR value) {
  if (index >= 0) {
    if (!ExtraRangeOk(window_class, index, size)) return false;
    std::memcpy(window_class.class_extra.data() + index, &value, size);
    return true;
  }
  switch (index) {
    case GCLP_HBRBACKGROUND:
      window_class.background = reinterpret_cast<HBRUSH>(value);
      return true;
    case GCLP_HCURSOR:
      window_class.cursor = reinterpret_cast<HCURSOR>(value);
      return true;
    case GCLP_HICON:
      window_class.icon = reinterpret_cast<HICON>(value);
      return true;
    case GCLP_HICONSM:
      window_class.small_icon = reinterpret_cast<HICON>(value);
      return true;
    case GCLP_HMODULE:
      window_class.instance = reinterpret_cast<HINSTANCE>(value);
      return true;
    case GCLP_WNDPROC:
      window_class.proc = reinterpret_cast<WNDPROC>(value);
      return true;
    case GCL_STYLE:
      window_class.style = static_cast<UINT>(value);
      return true;
    default:
      return false;
  }
}

}  // namespace

std::shared_ptr<WindowClass> FindClass(LPCSTR name, HINSTANCE instance) {
  std::shared_ptr<WindowClass> global;
  for (auto& window_class : System().classes) {
    if (!NameMatches(*window_class, name)) continue;
    if (window_class->instance == instance && !window_class->IsGlobal()) return window_class;
    if (window_class->IsGlobal() && !global) global = window_class;
  }
  return global;
}

}  // namespace platform::user

using namespace platform::user;

ATOM RegisterClass(const WNDCLASS* window_class) {
  if (window_class == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSEX info;
  info.style = window_class->style;
  info.lpfnWndProc = window_class->lpfnWndProc;
  info.cbClsExtra = window_class->cbClsExtra;
  info.cbWndExtra = window_class->cbWndExtra;
  info.hInstance = window_class->hInstance;
  info.hIcon = window_class->hIcon;
  info.hCursor = window_class->hCursor;
  info.hbrBackground = window_class->hbrBackground;
  info.lpszMenuName = window_class->lpszMenuName;
  info.lpszClassName = window_class->lpszClassName;
  return Register(info);
}

ATOM RegisterClassEx(const WNDCLASSEX* window_class) {
  if (window_class == nullptr || window_class->cbSize != sizeof(WNDCLASSEX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return Register(*window_class);
}

BOOL UnregisterClass(LPCSTR class_name, HINSTANCE instance) {
  auto lock = Lock();
  auto window_class = class_name == nullptr ? nullptr : FindOwnClass(class_name, instance);
  if (!window_class) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if (window_class->window_count > 0) {
    SetLastError(ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  std::erase(System().classes, window_class);
  return TRUE;
}

BOOL GetClassInfoEx(HINSTANCE instance, LPCSTR class_name, WNDCLASSEX* window_class) {
  if (window_class == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  platform::EnsureBuiltinClass(class_name);
  auto lock = Lock();
  auto found = ClassOrError(class_name, instance);
  if (!found) return FALSE;
  *window_class = Describe(*found, class_name);
  return found->atom;
}

BOOL GetClassInfo(HINSTANCE instance, LPCSTR class_name, WNDCLASS* window_class) {
  if (window_class == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  WNDCLASSEX info;
  if (!GetClassInfoEx(instance, class_name, &info)) return FALSE;
  window_class->style = info.style;
  window_class->lpfnWndProc = info.lpfnWndProc;
  window_class->cbClsExtra = info.cbClsExtra;
  window_class->cbWndExtra = info.cbWndExtra;
  window_class->hInstance = info.hInstance;
  window_class->hIcon = info.hIcon;
  window_class->hCursor = info.hCursor;
  window_class->hbrBackground = info.hbrBackground;
  window_class->lpszMenuName = info.lpszMenuName;
  window_class->lpszClassName = info.lpszClassName;
  return TRUE;
}

int GetClassName(HWND hwnd, LPSTR buffer, int buffer_size) {
  if (buffer == nullptr || buffer_size <= 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) {
    buffer[0] = '\0';
    return 0;
  }
  const std::string& name = window->window_class->name;
  std::size_t count = std::min(name.size(), static_cast<std::size_t>(buffer_size - 1));
  std::memcpy(buffer, name.data(), count);
  buffer[count] = '\0';
  return static_cast<int>(count);
}

ULONG_PTR GetClassLongPtr(HWND hwnd, int index) {
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return 0;
  ULONG_PTR value = 0;
  if (!ReadClassValue(*window->window_class, index, sizeof(ULONG_PTR), &value)) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  return value;
}

ULONG_PTR SetClassLongPtr(HWND hwnd, int index, LONG_PTR value) {
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return 0;
  ULONG_PTR previous = 0;
  WindowClass& window_class = *window->window_class;
  if (!ReadClassValue(window_class, index, sizeof(ULONG_PTR), &previous) ||
      !WriteClassValue(window_class, index, sizeof(ULONG_PTR), value)) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  return previous;
}

DWORD GetClassLong(HWND hwnd, int index) {
  if (index < 0) return static_cast<DWORD>(GetClassLongPtr(hwnd, index));
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return 0;
  ULONG_PTR value = 0;
  if (!ReadClassValue(*window->window_class, index, sizeof(DWORD), &value)) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  return static_cast<DWORD>(value);
}

DWORD SetClassLong(HWND hwnd, int index, LONG value) {
  if (index < 0) return static_cast<DWORD>(SetClassLongPtr(hwnd, index, value));
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return 0;
  ULONG_PTR previous = 0;
  WindowClass& window_class = *window->window_class;
  if (!ReadClassValue(window_class, index, sizeof(DWORD), &previous) ||
      !WriteClassValue(window_class, index, sizeof(DWORD), value)) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  return static_cast<DWORD>(previous);
}

UINT RegisterWindowMessage(LPCSTR name) {
  if (name == nullptr || name[0] == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto lock = Lock();
  return AddAtom(name);
}
