// A dialog with one of each built-in control, in the interface font, for
// the test under a real X server.
#pragma once

#include "platform/ctl/ctl.h"
#include "platform/dlg/dialog_keys.h"
#include "platform/user/user.h"

namespace ctl_test {

struct SampleDialog {
  HWND dialog = nullptr;
  HWND check = nullptr;
  HWND three_state = nullptr;
  HWND radio = nullptr;
  HWND edit = nullptr;
  HWND memo = nullptr;
  HWND list = nullptr;
  HWND combo = nullptr;
  HWND scroll = nullptr;
  HWND spin_buddy = nullptr;
  HWND spin = nullptr;
  HWND track = nullptr;
  HWND progress = nullptr;
  HWND tabs = nullptr;
  HWND ok = nullptr;
};

// Makes the dialog (a top-level "#32770" window) at (x, y), 560 x 400.
SampleDialog MakeSampleDialog(int x, int y);

}  // namespace ctl_test
