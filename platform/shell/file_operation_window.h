// The progress window of a file operation: a small captioned window with
// the item being worked on, a bar and a Cancel button. It lives while the
// operation runs; each update lets the thread's messages through so the
// window paints and Cancel can be pressed.
#pragma once

#include "platform/shell/file_operation.h"

namespace platform {

class FileOperationWindow {
 public:
  FileOperationWindow() = default;
  ~FileOperationWindow();
  FileOperationWindow(const FileOperationWindow&) = delete;
  FileOperationWindow& operator=(const FileOperationWindow&) = delete;

  // Shows the progress (making the window on the first call); false once
  // the user has pressed Cancel or closed the window.
  bool Show(const FileOperationProgress& progress);

 private:
  HWND hwnd_ = nullptr;
  HWND text_ = nullptr;
  HWND bar_ = nullptr;
  bool cancelled_ = false;
};

}  // namespace platform
