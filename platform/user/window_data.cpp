// Window long values, text and properties.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/core/errors.h"
#include "platform/user/message_queue.h"
#include "platform/user/window.h"
#include "platform/user/window_system.h"

using namespace platform::user;

namespace {

bool ExtraRangeOk(const Window& window, int index, std::size_t size) {
  return index >= 0 && static_cast<std::size_t>(index) + size <= window.extra.size();
}

bool IsPointerIndex(int index) {
  return index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT;
}

// Reads a window value of `size` bytes; false for an unknown index.
bool ReadValue(const Window& window, int index, std::size_t size, LONG_PTR* value) {
  if (index >= 0) {
    if (!ExtraRangeOk(window, index, size)) return false;
    LONG_PTR bytes = 0;
    std::memcpy(&bytes, window.extra.data() + index, size);
    // A 32-bit value reads as a signed LONG.
    *value = size == sizeof(LONG) ? static_cast<LONG>(bytes) : bytes;
    return true;
  }
  switch (index) {
    case GWLP_WNDPROC:
      *value = reinterpret_cast<LONG_PTR>(window.proc);
      return true;
    case GWLP_HINSTANCE:
      *value = reinterpret_cast<LONG_PTR>(window.instance);
      return true;
    case GWLP_HWNDPARENT: {
      const Window* related = window.IsChild() ? window.parent : window.owner;
      *value = related == nullptr ? 0 : reinterpret_cast<LONG_PTR>(related->handle);
      return true;
    }
    case GWLP_ID:
      *value = window.id;
      return true;
    case GWLP_USERDATA:
      *value = window.user_data;
      return true;
    case GWL_STYLE:
      *value = static_cast<LONG>(window.style);
      return true;
    case GWL_EXSTYLE:
      *value = static_cast<LONG>(window.ex_style);
      return true;
  }
  return false;
}

// Writes a value other than the styles (which go through messages).
// False (error set) for an unknown index or a bad owner.
bool WriteValue(Window& window, int index, std::size_t size, LONG_PTR value) {
  if (index >= 0) {
    if (!ExtraRangeOk(window, index, size)) {
      SetLastError(ERROR_INVALID_INDEX);
      return false;
    }
    std::memcpy(window.extra.data() + index, &value, size);
    return true;
  }
  switch (index) {
    case GWLP_WNDPROC:
      window.proc = reinterpret_cast<WNDPROC>(value);
      return true;
    case GWLP_HINSTANCE:
      window.instance = reinterpret_cast<HINSTANCE>(value);
      return true;
    case GWLP_ID:
      window.id = value;
      return true;
    case GWLP_USERDATA:
      window.user_data = value;
      return true;
    case GWLP_HWNDPARENT: {
      // Changes the owner of a top-level window; a child keeps its parent
      // (SetParent moves children).
      if (window.IsChild()) return true;
      Window* owner = nullptr;
      if (value != 0) {
        owner = RequireWindow(reinterpret_cast<HWND>(value));
        if (owner == nullptr) return false;
        owner = TopLevelOf(owner);
        if (owner == &window) {
          SetLastError(ERROR_INVALID_PARAMETER);
          return false;
        }
      }
      SetOwner(&window, owner);
      return true;
    }
  }
  SetLastError(ERROR_INVALID_INDEX);
  return false;
}

// GWL_STYLE and GWL_EXSTYLE: the window is asked with WM_STYLECHANGING
// (and may amend the new value) and told with WM_STYLECHANGED.
LONG_PTR ChangeStyle(HWND hwnd, int index, DWORD new_style) {
  STYLESTRUCT change;
  {
    auto lock = Lock();
    Window* window = RequireWindow(hwnd);
    if (window == nullptr) return 0;
    change.styleOld = index == GWL_STYLE ? window->style : window->ex_style;
  }
  change.styleNew = new_style;
  SendMessage(hwnd, WM_STYLECHANGING, static_cast<WPARAM>(index),
              reinterpret_cast<LPARAM>(&change));
  {
    auto lock = Lock();
    Window* window = RequireWindow(hwnd);
    if (window == nullptr) return 0;
    (index == GWL_STYLE ? window->style : window->ex_style) = change.styleNew;
  }
  SendMessage(hwnd, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&change));
  return static_cast<LONG>(change.styleOld);
}

LONG_PTR GetValue(HWND hwnd, int index, std::size_t size) {
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return 0;
  LONG_PTR value = 0;
  if (!ReadValue(*window, index, size, &value)) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  return value;
}

LONG_PTR SetValue(HWND hwnd, int index, std::size_t size, LONG_PTR value) {
  if (index == GWL_STYLE || index == GWL_EXSTYLE) {
    return ChangeStyle(hwnd, index, static_cast<DWORD>(value));
  }
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return 0;
  LONG_PTR previous = 0;
  if (!ReadValue(*window, index, size, &previous)) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  if (!WriteValue(*window, index, size, value)) return 0;
  return previous;
}

// Property names ignore case; an integer atom is its own key.
std::string PropertyKey(LPCSTR name) {
  if (IsIntegerAtom(name)) return "#" + std::to_string(IntegerAtom(name));
  return LowerCase(name);
}

}  // namespace

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
  return GetValue(hwnd, index, sizeof(LONG_PTR));
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
  return SetValue(hwnd, index, sizeof(LONG_PTR), value);
}

LONG GetWindowLong(HWND hwnd, int index) {
  if (IsPointerIndex(index)) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  return static_cast<LONG>(GetValue(hwnd, index, sizeof(LONG)));
}

LONG SetWindowLong(HWND hwnd, int index, LONG value) {
  if (IsPointerIndex(index)) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  return static_cast<LONG>(SetValue(hwnd, index, sizeof(LONG), value));
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return CallProcedure(proc, hwnd, message, wparam, lparam);
}

BOOL SetWindowText(HWND hwnd, LPCSTR text) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowText(HWND hwnd, LPSTR buffer, int buffer_size) {
  if (buffer == nullptr || buffer_size <= 0) return 0;
  buffer[0] = '\0';
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LRESULT copied = SendMessage(hwnd, WM_GETTEXT, static_cast<WPARAM>(buffer_size),
                               reinterpret_cast<LPARAM>(buffer));
  return static_cast<int>(std::clamp<LRESULT>(copied, 0, buffer_size - 1));
}

int GetWindowTextLength(HWND hwnd) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return static_cast<int>(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetProp(HWND hwnd, LPCSTR name, HANDLE data) {
  if (name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return FALSE;
  window->props[PropertyKey(name)] = data;
  return TRUE;
}

HANDLE GetProp(HWND hwnd, LPCSTR name) {
  if (name == nullptr) return nullptr;
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return nullptr;
  auto it = window->props.find(PropertyKey(name));
  return it == window->props.end() ? nullptr : it->second;
}

HANDLE RemoveProp(HWND hwnd, LPCSTR name) {
  if (name == nullptr) return nullptr;
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return nullptr;
  auto it = window->props.find(PropertyKey(name));
  if (it == window->props.end()) return nullptr;
  HANDLE data = it->second;
  window->props.erase(it);
  return data;
}
