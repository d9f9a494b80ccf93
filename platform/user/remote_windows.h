// The top-level windows of this user's other Velko processes. Each process
// that makes a top-level window answers questions about its windows on a
// Unix socket of its own in a per-user folder; FindWindow and FindWindowEx
// go on to those processes after the own windows, and IsWindow, IsIconic,
// ShowWindow and SetForegroundWindow act on the windows they found there.
//
// A window of another process has a handle of its own kind: the process id
// and the window's handle in that process, with a marker bit.
#pragma once

#include <optional>
#include <string>

#include "platform/core/types.h"

namespace platform {

// The folder holding the processes' sockets (default
// $XDG_RUNTIME_DIR/velko/windows, or /tmp/velko-<uid>/windows). Set it
// before the first window is made; tests and their helper processes point
// it at a folder of their own.
void SetWindowDirectoryFolder(const std::string& native_folder);
std::string WindowDirectoryFolder();

// Starts this process's answering thread, once; windows call it when the
// first top-level window is made.
void EnsureWindowDirectoryServer();

namespace remote {

bool IsRemote(HWND hwnd);
// The next top-level window of another process after `after` (null: from
// the first process on) whose class (ignoring case; null: any) and caption
// (null: any) match.
HWND FindNext(HWND after, LPCSTR class_name, LPCSTR window_name);
BOOL IsWindow(HWND hwnd);
BOOL IsIconic(HWND hwnd);
BOOL ShowWindow(HWND hwnd, int command);
BOOL SetForegroundWindow(HWND hwnd);

}  // namespace remote

}  // namespace platform
