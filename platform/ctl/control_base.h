// What every built-in control shares: its state object kept with the
// window, the class registration, notifications to the parent, colours
// asked of the parent, fonts, and small text helpers.
//
// A control's state is a C++ object made at WM_NCCREATE and kept in the
// window's first extra bytes. Handlers that send messages out (a
// notification may destroy the control) check alive() before they touch
// the state again; the object is freed once the last handler on the stack
// has returned.
#pragma once

#include <string>

#include "platform/core/types.h"
#include "platform/ctl/common_controls.h"
#include "platform/gdi/gdi.h"
#include "platform/user/user.h"

namespace platform::ctl {

class Control {
 public:
  explicit Control(HWND hwnd) : hwnd_(hwnd) {}
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  HWND hwnd() const { return hwnd_; }
  // False once WM_NCDESTROY has arrived.
  bool alive() const { return alive_; }

  // Answers one message; what it does not handle goes to Default.
  virtual LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) = 0;

  // The message procedure of every control class (see RegisterControlClass).
  static LRESULT Dispatch(Control* control, UINT message, WPARAM wparam, LPARAM lparam);

 protected:
  LRESULT Default(UINT message, WPARAM wparam, LPARAM lparam);

  DWORD Style() const;
  DWORD ExStyle() const;
  int Id() const;
  // Where notifications go: the parent of a child window, the owner of a
  // popup.
  HWND Parent() const;
  // The font set with WM_SETFONT, or the default interface font.
  HFONT Font() const;
  bool Enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
  bool Focused() const { return GetFocus() == hwnd_; }
  RECT Client() const;
  void Invalidate(bool erase = true) { InvalidateRect(hwnd_, nullptr, erase ? TRUE : FALSE); }
  std::string Text() const;

  // WM_COMMAND (control id, code; the control's handle) to the parent.
  void NotifyCommand(WORD code);
  // WM_NOTIFY to the parent, after filling in the header.
  LRESULT Notify(NMHDR* header, UINT code);
  // Asks the parent for the brush and colours of `message`
  // (WM_CTLCOLORBTN, ...STATIC, ...EDIT, ...LISTBOX, ...SCROLLBAR); the
  // platform's default when the parent has none.
  HBRUSH ControlColor(HDC dc, UINT message);

  // Height of a line of text in the control's font (tmHeight) and the
  // average character width.
  int LineHeight() const;
  int AverageCharWidth() const;

 private:
  void MeasureFont() const;

  HWND hwnd_;
  bool alive_ = true;
  int depth_ = 0;
  HFONT font_ = nullptr;
  mutable int line_height_ = 0;
  mutable int char_width_ = 0;
};

// The control state behind a window of a built-in class, or null.
Control* ControlOf(HWND hwnd);

template <class T>
LRESULT ControlProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Control* control = ControlOf(hwnd);
  if (control == nullptr) {
    if (message != WM_NCCREATE) return DefWindowProc(hwnd, message, wparam, lparam);
    control = new T(hwnd);
    SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(control));
  }
  return Control::Dispatch(control, message, wparam, lparam);
}

// Registers a global class whose windows are run by T (with room for the
// state pointer in the window's extra bytes).
void RegisterControlClassWith(const char* name, WNDPROC proc, UINT class_style, LPCSTR cursor,
                              HBRUSH background);
template <class T>
void RegisterControlClass(const char* name, UINT class_style, LPCSTR cursor = IDC_ARROW,
                          HBRUSH background = nullptr) {
  RegisterControlClassWith(name, &ControlProcedure<T>, class_style, cursor, background);
}

// Selects a font into a DC for the life of the object.
class SelectFont {
 public:
  SelectFont(HDC dc, HFONT font) : dc_(dc), old_(SelectObject(dc, font)) {}
  ~SelectFont() { SelectObject(dc_, old_); }
  SelectFont(const SelectFont&) = delete;
  SelectFont& operator=(const SelectFont&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// BeginPaint / EndPaint for the life of the object.
class PaintScope {
 public:
  explicit PaintScope(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
  ~PaintScope() { EndPaint(hwnd_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
  PAINTSTRUCT ps_;
};

// Text in the DC's colours, or embossed grey (the classic disabled look).
void DrawLabel(HDC dc, const std::string& text, RECT rect, UINT format, bool enabled);

// The 50 % pattern of the 3-D highlight and the button face that classic
// scroll-bar and track-bar channels show (shared; never deleted).
HBRUSH CheckerBrush();

// UTF-8: the boundaries of whole characters around a byte offset.
std::size_t NextCharacter(const std::string& text, std::size_t pos);
std::size_t PreviousCharacter(const std::string& text, std::size_t pos);
// The offset itself when it lies on a character boundary, else the start of
// the character it is inside.
std::size_t CharacterStart(const std::string& text, std::size_t pos);

// The mnemonic of a label ("&Open" gives 'O', upper-cased; "&&" is a plain
// ampersand); 0 when there is none.
char MnemonicOf(const std::string& text);

// Case-insensitive comparison (ASCII letters fold; other bytes compare as
// unsigned), as list and combo boxes sort and search.
int CompareNoCase(const std::string& a, const std::string& b);
bool StartsWithNoCase(const std::string& text, const std::string& prefix);

}  // namespace platform::ctl
