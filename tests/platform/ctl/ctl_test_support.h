// Shared pieces of the built-in control tests: a host window on the
// headless screen that records what its controls tell it (WM_COMMAND,
// WM_NOTIFY, WM_HSCROLL / WM_VSCROLL, owner-draw requests), the test font,
// and input injected through the same road as real mouse and keys.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/clock.h"
#include "platform/ctl/ctl.h"
#include "platform/display/display.h"
#include "platform/dlg/dialog_keys.h"
#include "platform/gdi/gdi.h"
#include "platform/user/user.h"

namespace ctl_test {

// One message a control sent to the host.
struct Note {
  UINT message = 0;     // WM_COMMAND, WM_NOTIFY, WM_HSCROLL, WM_VSCROLL, WM_DRAWITEM...
  HWND from = nullptr;  // the control
  int id = 0;
  UINT code = 0;  // notification code, or the scroll code
  int pos = 0;    // the scroll position (high word)
  // WM_NOTIFY records the sender copies for the tests (the first bytes of
  // the record after its header).
  std::vector<BYTE> detail;
  DRAWITEMSTRUCT draw{};  // WM_DRAWITEM
};

using HostHandler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A child of the host with WS_CHILD | WS_VISIBLE added and the test font
  // set (every character 8 pixels wide, lines 16 high).
  HWND Make(const char* class_name, const char* text, DWORD style, int x, int y, int width,
            int height, int id, DWORD ex_style = 0);

  // Takes and dispatches every waiting message.
  void Pump();
  // Mouse at a point of a window's client area.
  POINT ScreenPoint(HWND hwnd, int x, int y);
  void Click(HWND hwnd, int x, int y);
  void DoubleClick(HWND hwnd, int x, int y);
  void MouseDown(HWND hwnd, int x, int y);
  void MouseMove(HWND hwnd, int x, int y);
  void MouseUp(HWND hwnd, int x, int y);
  // Keys: a press; a press with a modifier (VK_SHIFT, VK_CONTROL, VK_MENU)
  // held; typed text.
  void Press(UINT vk);
  void PressWith(UINT modifier, UINT vk);
  void PressWith(UINT modifier1, UINT modifier2, UINT vk);
  void Type(const std::string& text);

  // What the controls told the host, and a filter of it.
  std::vector<Note> notes_;
  std::vector<Note> NotesOf(UINT message, UINT code) const;
  int CountOf(UINT message, UINT code) const;
  int CommandCount(HWND from, WORD code) const;

  // The host answers a message itself when this says so.
  HostHandler handler_;
  // WM_MEASUREITEM answers with this item height.
  UINT measure_height_ = 20;

  static std::string TextOf(HWND hwnd);
  // A pixel of a window as it shows on the screen (client coordinates).
  COLORREF PixelAt(HWND hwnd, int x, int y);

  HWND host_ = nullptr;
  HFONT font_ = nullptr;

 private:
  static LRESULT HostProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static ControlTest* current_;
  std::size_t windows_before_ = 0;
};

}  // namespace ctl_test
