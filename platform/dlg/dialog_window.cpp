// The dialog layer's modal windows: the window class and the modal loop.
// The keyboard is the platform's dialog keyboard (IsDialogMessage).
#include "platform/dlg/dialog_window.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/core/threads.h"
#include "platform/ctl/button.h"
#include "platform/dlg/dialog_keys.h"
#include "platform/dlg/message_box.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/system_metrics.h"

namespace platform::dlg {
namespace {

constexpr char kDialogClass[] = "VelkoDialog";
constexpr char kNoCloseDialogClass[] = "VelkoDialogNoClose";

DialogWindow* DialogOf(HWND hwnd) {
  return reinterpret_cast<DialogWindow*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
}

void RegisterDialogClasses();

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

void RegisterDialogClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSEX wc;
    wc.lpfnWndProc = DialogProc;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
    wc.lpszClassName = kDialogClass;
    RegisterClassEx(&wc);
    // Dialogs that cannot be cancelled have a gray close box.
    wc.style = CS_NOCLOSE;
    wc.lpszClassName = kNoCloseDialogClass;
    RegisterClassEx(&wc);
  });
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
  // A box for no window, or for a hidden one (a component's message
  // window, the application's own), belongs to the active window: it shows
  // above it and keeps it from taking input while it runs.
  if ((owner_top == nullptr && !task_modal) || (owner_top != nullptr && !IsWindowVisible(owner_top))) {
    HWND active = GetActiveWindow();
    if (active != nullptr && IsWindowVisible(active)) owner_top = active;
  }

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
  const DWORD ex_style = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | (topmost ? WS_EX_TOPMOST : 0u);
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
    if (first == nullptr) first = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    if (first != nullptr) {
      SetFocus(first);
      saved_focus_ = first;
    }
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
    // Alt+F4 closes the dialog, whichever of its controls has the focus.
    if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4 &&
        (msg.hwnd == hwnd_ || IsChild(hwnd_, msg.hwnd))) {
      if (CanCancel()) OnCommand(IDCANCEL, BN_CLICKED, nullptr);
      continue;
    }
    if (IsDialogMessage(hwnd_, &msg)) continue;
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
  return AddControl("BUTTON", text, WS_TABSTOP | (is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0,
                    rect, id);
}

LRESULT DialogWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (OnMessage(message, wparam, lparam, &result)) return result;
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(static_cast<WORD>(DefaultId()), DC_HASDEFID);
    case WM_CLOSE:
      if (CanCancel()) OnCommand(IDCANCEL, BN_CLICKED, nullptr);
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

}  // namespace platform::dlg
