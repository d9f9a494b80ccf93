// The dialog layer's modal windows: the window class, the modal loop and
// the dialog keyboard.
#include "platform/dlg/dialog_window.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <vector>

#include "platform/core/threads.h"
#include "platform/dlg/message_box.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/menu.h"

namespace platform::dlg {
namespace {

constexpr char kDialogClass[] = "VelkoDialog";
constexpr char kNoCloseDialogClass[] = "VelkoDialogNoClose";
constexpr char kFallbackButtonClass[] = "VelkoDialogButton";
constexpr UINT kEditSetSelection = 0x00B1;  // EM_SETSEL

void RegisterDialogClasses();

// The dialog a window procedure call belongs to.
DialogWindow* DialogOf(HWND hwnd) {
  return reinterpret_cast<DialogWindow*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
}

std::string TextOf(HWND hwnd) {
  char buffer[256] = {};
  GetWindowText(hwnd, buffer, sizeof(buffer));
  return buffer;
}

std::string ClassOf(HWND hwnd) {
  char buffer[64] = {};
  GetClassName(hwnd, buffer, sizeof(buffer));
  std::string name = buffer;
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

DWORD StyleOf(HWND hwnd) {
  return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
}

bool CanTakeFocus(HWND hwnd) {
  return IsWindowVisible(hwnd) && IsWindowEnabled(hwnd);
}

std::vector<HWND> Children(HWND dialog) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

// The direct child of the dialog that holds `hwnd` (a combo box's edit is
// inside the combo box).
HWND DirectChild(HWND dialog, HWND hwnd) {
  while (hwnd != nullptr && GetParent(hwnd) != dialog) hwnd = GetParent(hwnd);
  return hwnd;
}

HWND ChildById(HWND dialog, int id) {
  for (HWND child : Children(dialog)) {
    if (GetWindowLongPtr(child, GWLP_ID) == id) return child;
  }
  return nullptr;
}

LRESULT DialogCode(HWND hwnd, const MSG* msg) {
  return SendMessage(hwnd, WM_GETDLGCODE, msg != nullptr ? msg->wParam : 0,
                     reinterpret_cast<LPARAM>(msg));
}

bool IsPushButton(HWND hwnd) {
  return (DialogCode(hwnd, nullptr) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

}  // namespace

LRESULT DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCT*>(lparam);
    auto* dialog = static_cast<DialogWindow*>(cs->lpCreateParams);
    SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dialog));
    if (dialog != nullptr) dialog->hwnd_ = hwnd;
  }
  DialogWindow* dialog = DialogOf(hwnd);
  if (dialog == nullptr) return DefWindowProc(hwnd, message, wparam, lparam);
  return dialog->Handle(message, wparam, lparam);
}

namespace {

// ---------------------------------------------------------------------------
// A plain push button for dialogs, used when the platform's BUTTON class is
// not there: draws itself in the classic look, clicks on a release over it,
// on Space and on BM_CLICK, and answers WM_GETDLGCODE like a push button.
// ---------------------------------------------------------------------------
struct ButtonState {
  bool pressed = false;   // drawn pushed in
  bool tracking = false;  // the mouse went down on it
  bool is_default = false;
  HFONT font = nullptr;
};

ButtonState* StateOf(HWND hwnd) {
  return reinterpret_cast<ButtonState*>(GetWindowLongPtr(hwnd, 0));
}

void NotifyClicked(HWND hwnd) {
  SendMessage(GetParent(hwnd), WM_COMMAND,
              MAKEWPARAM(static_cast<WORD>(GetWindowLongPtr(hwnd, GWLP_ID)), kButtonClicked),
              reinterpret_cast<LPARAM>(hwnd));
}

void PaintButton(HWND hwnd, ButtonState* state) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_3DFACE));
  const bool focused = GetFocus() == hwnd;
  if (state->is_default || focused) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&r, -1, -1);
  }
  DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (state->pressed ? DFCS_PUSHED : 0u));
  RECT text = r;
  if (state->pressed) OffsetRect(&text, 1, 1);
  HGDIOBJ old_font = SelectObject(dc, state->font != nullptr ? state->font : DialogWindow::Font());
  SetBkMode(dc, TRANSPARENT);
  const std::string caption = TextOf(hwnd);
  if (IsWindowEnabled(hwnd)) {
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawText(dc, caption.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  } else {
    RECT shadow = text;
    OffsetRect(&shadow, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
    DrawText(dc, caption.c_str(), -1, &shadow, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawText(dc, caption.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  if (focused) {
    RECT focus = r;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(dc, &focus);
  }
  SelectObject(dc, old_font);
  EndPaint(hwnd, &ps);
}

LRESULT FallbackButtonProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  ButtonState* state = StateOf(hwnd);
  switch (message) {
    case WM_NCCREATE: {
      auto* created = new ButtonState;
      created->is_default =
          (reinterpret_cast<const CREATESTRUCT*>(lparam)->style & 0x0F) == kDefPushButtonStyle;
      SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(created));
      return DefWindowProc(hwnd, message, wparam, lparam);
    }
    case WM_NCDESTROY:
      delete state;
      SetWindowLongPtr(hwnd, 0, 0);
      return 0;
  }
  if (state == nullptr) return DefWindowProc(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_PAINT:
      PaintButton(hwnd, state);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETFONT:
      state->font = reinterpret_cast<HFONT>(wparam);
      if (lparam) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(state->font);
    case WM_GETDLGCODE:
      return DLGC_BUTTON | (state->is_default ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);
      if (message == WM_KILLFOCUS && state->pressed && !state->tracking) {
        state->pressed = false;
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetFocus(hwnd);
      SetCapture(hwnd);
      state->tracking = true;
      state->pressed = true;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_MOUSEMOVE:
      if (state->tracking) {
        RECT r;
        GetClientRect(hwnd, &r);
        POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        const bool inside = PtInRect(&r, p) != FALSE;
        if (inside != state->pressed) {
          state->pressed = inside;
          InvalidateRect(hwnd, nullptr, FALSE);
        }
      }
      return 0;
    case WM_LBUTTONUP:
      if (state->tracking) {
        const bool click = state->pressed;
        state->tracking = false;
        state->pressed = false;
        if (GetCapture() == hwnd) ReleaseCapture();
        InvalidateRect(hwnd, nullptr, FALSE);
        if (click) NotifyClicked(hwnd);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (state->tracking && reinterpret_cast<HWND>(lparam) != hwnd) {
        state->tracking = false;
        state->pressed = false;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case WM_KEYDOWN:
      if (wparam == VK_SPACE && !(lparam & (LPARAM{1} << 30))) {
        state->pressed = true;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case WM_KEYUP:
      if (wparam == VK_SPACE && state->pressed) {
        state->pressed = false;
        InvalidateRect(hwnd, nullptr, FALSE);
        NotifyClicked(hwnd);
      }
      return 0;
    case WM_CHAR:
      return 0;
    case kButtonSetStyle:
      state->is_default = (wparam & 0x0F) == kDefPushButtonStyle;
      SetWindowLongPtr(hwnd, GWL_STYLE, (StyleOf(hwnd) & ~0x0Fu) | (wparam & 0x0F));
      if (lparam) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case kButtonClick:
      NotifyClicked(hwnd);
      return 0;
  }
  return DefWindowProc(hwnd, message, wparam, lparam);
}

void RegisterDialogClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSEX wc;
    wc.lpfnWndProc = DialogProc;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
    wc.lpszClassName = kDialogClass;
    RegisterClassEx(&wc);
    wc.style = CS_NOCLOSE;
    wc.lpszClassName = kNoCloseDialogClass;
    RegisterClassEx(&wc);

    WNDCLASSEX button;
    button.style = CS_DBLCLKS;
    button.lpfnWndProc = FallbackButtonProc;
    button.cbWndExtra = static_cast<int>(sizeof(LONG_PTR));
    button.hCursor = LoadCursor(nullptr, IDC_ARROW);
    button.lpszClassName = kFallbackButtonClass;
    RegisterClassEx(&button);
  });
}

// The platform's BUTTON class when it is there, else our own.
const char* ButtonClass() {
  WNDCLASS info;
  return GetClassInfo(nullptr, "BUTTON", &info) ? "BUTTON" : kFallbackButtonClass;
}

// Where the dialog goes: centred on its owner when the owner is on the
// screen, else on the work area, and kept on the screen.
POINT CentredOrigin(HWND owner, SIZE size) {
  RECT area = platform::WorkArea();
  if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &area);
  int x = (area.left + area.right - size.cx) / 2;
  int y = (area.top + area.bottom - size.cy) / 2;
  const RECT work = platform::WorkArea();
  x = std::max<int>(work.left, std::min<int>(x, work.right - size.cx));
  y = std::max<int>(work.top, std::min<int>(y, work.bottom - size.cy));
  return POINT{x, y};
}

BOOL CollectEnabledTopLevel(HWND hwnd, LPARAM lparam) {
  auto* windows = reinterpret_cast<std::vector<HWND>*>(lparam);
  if (GetParent(hwnd) == nullptr && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd))
    windows->push_back(hwnd);
  return TRUE;
}

}  // namespace

char MnemonicOfText(const std::string& text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
  }
  return 0;
}

DialogWindow::~DialogWindow() {
  if (hwnd_ != nullptr && IsWindow(hwnd_)) {
    SetWindowLongPtr(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

HFONT DialogWindow::Font() {
  static HFONT font = [] {
    NONCLIENTMETRICS metrics;
    LOGFONT lf = platform::DefaultGuiLogFont(false);
    if (SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
      lf = metrics.lfMessageFont;
    return CreateFontIndirect(&lf);
  }();
  return font;
}

int DialogWindow::RunModal(HWND owner, const std::string& caption, SIZE client, bool topmost,
                           bool task_modal, int cancel_result) {
  RegisterDialogClasses();
  HWND owner_top = owner != nullptr ? GetAncestor(owner, GA_ROOT) : nullptr;
  if (owner_top != nullptr && !IsWindow(owner_top)) owner_top = nullptr;

  // The windows the dialog is modal to.
  std::vector<HWND> disabled;
  if (owner_top != nullptr) {
    if (IsWindowEnabled(owner_top)) disabled.push_back(owner_top);
  } else if (task_modal) {
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledTopLevel,
                      reinterpret_cast<LPARAM>(&disabled));
  }
  for (HWND hwnd : disabled) EnableWindow(hwnd, FALSE);

  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD ex_style = WS_EX_DLGMODALFRAME | (topmost ? WS_EX_TOPMOST : 0u);
  RECT frame{0, 0, client.cx, client.cy};
  AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  const SIZE size{frame.right - frame.left, frame.bottom - frame.top};
  const POINT at = CentredOrigin(owner_top, size);
  ended_ = false;
  result_ = cancel_result;
  hwnd_ =
      CreateWindowEx(ex_style, CanCancel() ? kDialogClass : kNoCloseDialogClass, caption.c_str(),
                     style, at.x, at.y, size.cx, size.cy, owner_top, nullptr, nullptr, this);
  if (hwnd_ != nullptr) {
    OnCreate();
    ShowWindow(hwnd_, SW_SHOW);
    HWND first = InitialFocus();
    if (first == nullptr) {
      for (HWND child : Children(hwnd_)) {
        if ((StyleOf(child) & WS_TABSTOP) && CanTakeFocus(child)) {
          first = child;
          break;
        }
      }
    }
    if (first != nullptr) MoveFocus(first);
  }

  bool idle_sent = false;
  MSG msg;
  while (!ended_ && hwnd_ != nullptr && IsWindow(hwnd_)) {
    if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!idle_sent && owner_top != nullptr && IsWindow(owner_top)) {
        idle_sent = true;
        SendMessage(owner_top, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(hwnd_));
        continue;
      }
      WaitMessage();
      continue;
    }
    idle_sent = false;
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (HandleKey(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }

  // The owner comes back before the dialog goes, so that it is activated.
  for (HWND hwnd : disabled) {
    if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
  }
  if (hwnd_ != nullptr && IsWindow(hwnd_)) {
    SetWindowLongPtr(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  hwnd_ = nullptr;
  return result_;
}

void DialogWindow::End(int result) {
  result_ = result;
  ended_ = true;
}

HWND DialogWindow::AddControl(const char* class_name, const char* text, DWORD style, DWORD ex_style,
                              const RECT& rect, int id) {
  HWND control =
      CreateWindowEx(ex_style, class_name, text, style | WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                     rect.right - rect.left, rect.bottom - rect.top, hwnd_,
                     reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, nullptr);
  if (control != nullptr) SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
  return control;
}

HWND DialogWindow::AddButton(int id, const char* text, const RECT& rect, bool is_default) {
  return AddControl(ButtonClass(), text,
                    WS_TABSTOP | (is_default ? kDefPushButtonStyle : kPushButtonStyle), 0, rect,
                    id);
}

LRESULT DialogWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (OnMessage(message, wparam, lparam, &result)) return result;
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return 0;
    case WM_CLOSE:
      if (CanCancel()) OnCommand(IDCANCEL, kButtonClicked, nullptr);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      OnPaint(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_ACTIVATE:
      // The focus goes back to the control that had it.
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) saved_focus_ = focus;
      } else if (saved_focus_ != nullptr && IsWindow(saved_focus_)) {
        SetFocus(saved_focus_);
      }
      return 0;
  }
  return DefWindowProc(hwnd_, message, wparam, lparam);
}

void DialogWindow::MoveFocus(HWND to) {
  if (to == nullptr) return;
  // A push button that gets the focus becomes the default one; elsewhere
  // the dialog's own default button is.
  const bool to_button = IsPushButton(to);
  HWND default_button = to_button ? to : ChildById(hwnd_, DefaultId());
  for (HWND child : Children(hwnd_)) {
    if (!IsPushButton(child)) continue;
    const bool want_default = child == default_button;
    const bool is_default = (DialogCode(child, nullptr) & DLGC_DEFPUSHBUTTON) != 0;
    if (want_default != is_default) {
      SendMessage(child, kButtonSetStyle, want_default ? kDefPushButtonStyle : kPushButtonStyle,
                  TRUE);
    }
  }
  SetFocus(to);
  if (DialogCode(to, nullptr) & DLGC_HASSETSEL) SendMessage(to, kEditSetSelection, 0, -1);
  saved_focus_ = to;
}

void DialogWindow::PressButton(int id) {
  HWND button = ChildById(hwnd_, id);
  if (button != nullptr) {
    if (IsWindowEnabled(button)) SendMessage(button, kButtonClick, 0, 0);
    return;
  }
  OnCommand(id, kButtonClicked, nullptr);
}

bool DialogWindow::HandleKey(const MSG& msg) {
  if (msg.hwnd == nullptr || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))) return false;
  const bool key_down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
  const bool character = msg.message == WM_CHAR || msg.message == WM_SYSCHAR;
  if (!key_down && !character) return false;
  const LRESULT code = DialogCode(msg.hwnd, &msg);
  const HWND current = DirectChild(hwnd_, msg.hwnd);

  if (key_down) {
    const UINT vk = static_cast<UINT>(msg.wParam);
    if (msg.message == WM_SYSKEYDOWN && vk == VK_F4) {
      if (CanCancel()) OnCommand(IDCANCEL, kButtonClicked, nullptr);
      return true;
    }
    if (code & DLGC_WANTALLKEYS) return false;
    const std::vector<HWND> children = Children(hwnd_);
    switch (vk) {
      case VK_TAB: {
        if ((code & DLGC_WANTTAB) || (GetKeyState(VK_CONTROL) & 0x8000)) return false;
        const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
        auto it = std::find(children.begin(), children.end(), current);
        const int count = static_cast<int>(children.size());
        int index = it == children.end() ? -1 : static_cast<int>(it - children.begin());
        for (int step = 0; step < count; ++step) {
          index = back ? (index <= 0 ? count - 1 : index - 1) : (index + 1) % count;
          HWND candidate = children[static_cast<std::size_t>(index)];
          if ((StyleOf(candidate) & WS_TABSTOP) && CanTakeFocus(candidate)) {
            MoveFocus(candidate);
            break;
          }
        }
        return true;
      }
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN: {
        if (code & DLGC_WANTARROWS) return false;
        auto it = std::find(children.begin(), children.end(), current);
        if (it == children.end()) return true;
        // The group: from the last WS_GROUP control at or before this one
        // to the next WS_GROUP control.
        auto first = it;
        while (first != children.begin() && !(StyleOf(*first) & WS_GROUP)) --first;
        auto last = it + 1;
        while (last != children.end() && !(StyleOf(*last) & WS_GROUP)) ++last;
        const bool back = vk == VK_LEFT || vk == VK_UP;
        const int count = static_cast<int>(last - first);
        int index = static_cast<int>(it - first);
        for (int step = 1; step < count; ++step) {
          index = back ? (index + count - 1) % count : (index + 1) % count;
          HWND candidate = *(first + index);
          if (CanTakeFocus(candidate)) {
            MoveFocus(candidate);
            break;
          }
        }
        return true;
      }
      case VK_RETURN:
        if (current != nullptr && IsPushButton(current)) {
          PressButton(static_cast<int>(GetWindowLongPtr(current, GWLP_ID)));
        } else {
          PressButton(DefaultId());
        }
        return true;
      case VK_ESCAPE:
        if (CanCancel()) OnCommand(IDCANCEL, kButtonClicked, nullptr);
        return true;
    }
    return false;
  }

  // Characters: a control's "&" letter, with Alt or when the focused
  // control takes no characters of its own.
  const auto ch = static_cast<unsigned char>(msg.wParam);
  if (msg.message == WM_CHAR && (code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS))) return false;
  if (ch < 0x20) return msg.message == WM_CHAR;
  const char wanted = static_cast<char>(std::toupper(ch));
  const std::vector<HWND> children = Children(hwnd_);
  for (std::size_t i = 0; i < children.size(); ++i) {
    HWND child = children[i];
    if (!IsWindowVisible(child) || MnemonicOfText(TextOf(child)) != wanted) continue;
    if (ClassOf(child) == "STATIC") {
      // A label's letter goes to the control after it.
      for (std::size_t j = i + 1; j < children.size(); ++j) {
        if (CanTakeFocus(children[j]) && ClassOf(children[j]) != "STATIC") {
          MoveFocus(children[j]);
          break;
        }
      }
      return true;
    }
    if (!IsWindowEnabled(child)) continue;
    if (IsPushButton(child)) {
      MoveFocus(child);
      PressButton(static_cast<int>(GetWindowLongPtr(child, GWLP_ID)));
    } else {
      MoveFocus(child);
    }
    return true;
  }
  return msg.message == WM_CHAR && !(code & DLGC_WANTCHARS) && IsPushButton(msg.hwnd);
}

}  // namespace platform::dlg
