#include "platform/shell/file_operation_window.h"

#include "platform/ctl/button.h"
#include "platform/ctl/progress_bar.h"
#include "platform/dlg/dialog_window.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/user.h"

namespace platform {

namespace {

constexpr char kClassName[] = "VelkoFileOperationProgress";
constexpr int kTextId = 100;
constexpr int kBarId = 101;

LRESULT ProgressProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* cancelled = reinterpret_cast<bool*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if ((message == WM_COMMAND && LOWORD(wparam) == IDCANCEL) || message == WM_CLOSE) {
    if (cancelled != nullptr) *cancelled = true;
    return 0;
  }
  return DefWindowProc(hwnd, message, wparam, lparam);
}

void RegisterProgressClass() {
  static const bool registered = [] {
    WNDCLASS wc{};
    wc.lpfnWndProc = &ProgressProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    return RegisterClass(&wc) != 0;
  }();
  (void)registered;
}

HWND AddChild(HWND parent, const char* class_name, const char* text, DWORD style, int x, int y,
              int w, int h, int id) {
  HWND child = CreateWindowEx(0, class_name, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                              parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                              nullptr);
  if (child != nullptr) {
    SendMessage(child, WM_SETFONT, reinterpret_cast<WPARAM>(dlg::DialogWindow::Font()), FALSE);
  }
  return child;
}

}  // namespace

FileOperationWindow::~FileOperationWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool FileOperationWindow::Show(const FileOperationProgress& progress) {
  if (hwnd_ == nullptr) {
    RegisterProgressClass();
    RECT frame{0, 0, 360, 110};
    AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_DLGMODALFRAME);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    hwnd_ = CreateWindowEx(WS_EX_DLGMODALFRAME, kClassName, progress.title.c_str(),
                           WS_POPUP | WS_CAPTION | WS_SYSMENU, x, y, width, height,
                           progress.owner, nullptr, nullptr, nullptr);
    if (hwnd_ == nullptr) return !cancelled_;
    SetWindowLongPtr(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&cancelled_));
    text_ = AddChild(hwnd_, "STATIC", "", 0, 12, 12, 336, 16, kTextId);
    bar_ = AddChild(hwnd_, "msctls_progress32", "", 0, 12, 36, 336, 18, kBarId);
    AddChild(hwnd_, "BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, 273, 72, 75, 23, IDCANCEL);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
  }
  SetWindowText(text_, progress.item.c_str());
  SendMessage(bar_, PBM_SETRANGE32, 0, progress.total);
  SendMessage(bar_, PBM_SETPOS, static_cast<WPARAM>(progress.done), 0);
  UpdateWindow(hwnd_);
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      cancelled_ = true;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  return !cancelled_;
}

}  // namespace platform
