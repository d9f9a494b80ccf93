// Window classes and the atom table of registered names.
//
// Class names ignore case. A class belongs to the module instance that
// registered it; CS_GLOBALCLASS classes (the built-in controls) serve every
// instance. CreateWindowEx looks for the caller's instance first, then for
// a global class. A class name may also be given as an integer atom
// (MAKEINTATOM of the value RegisterClass returned).
#pragma once

#include "platform/core/types.h"
#include "platform/user/user_types.h"
#include "platform/user/window_styles.h"

// Return the class atom, or 0 with ERROR_CLASS_ALREADY_EXISTS or
// ERROR_INVALID_PARAMETER.
ATOM RegisterClass(const WNDCLASS* window_class);
ATOM RegisterClassEx(const WNDCLASSEX* window_class);
// Fails with ERROR_CLASS_DOES_NOT_EXIST, or ERROR_CLASS_HAS_WINDOWS while
// windows of the class exist.
BOOL UnregisterClass(LPCSTR class_name, HINSTANCE instance);
// lpszClassName of the result is the name asked for; lpszMenuName points
// into the class and stays valid while the class is registered.
BOOL GetClassInfo(HINSTANCE instance, LPCSTR class_name, WNDCLASS* window_class);
// Returns the class atom (non-zero) on success.
BOOL GetClassInfoEx(HINSTANCE instance, LPCSTR class_name, WNDCLASSEX* window_class);

// The class name of a window; returns the characters copied (without the
// terminating zero).
int GetClassName(HWND hwnd, LPSTR buffer, int buffer_size);
// Class values of a window's class (GCL_*/GCLP_* or an offset into the
// class's extra bytes). Fails with ERROR_INVALID_INDEX.
ULONG_PTR GetClassLongPtr(HWND hwnd, int index);
ULONG_PTR SetClassLongPtr(HWND hwnd, int index, LONG_PTR value);
DWORD GetClassLong(HWND hwnd, int index);
DWORD SetClassLong(HWND hwnd, int index, LONG value);

// A message number from 0xC000 up, the same for the same name (ignoring
// case) everywhere in the process; 0 with ERROR_INVALID_PARAMETER for an
// empty name.
UINT RegisterWindowMessage(LPCSTR name);
