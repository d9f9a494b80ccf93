#include "classlib/HintWindow.h"

#include <algorithm>

#include "classlib/Application.h"
#include "classlib/Screen.h"
#include "platform/gdi/gdi.h"

THintWindowClass HintWindowClass = HintWindowClassOf<THintWindow>();

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  SetColor(clInfoBk);
  if (Screen != nullptr) Font()->Assign(Screen->HintFont());
}

void THintWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP | WS_BORDER;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  Params.WindowClass.style |= CS_SAVEBITS;
  // Owned by the application window, so that it goes with the program
  // when that is minimised.
  if (Application != nullptr) Params.WndParent = Application->Handle();
}

void THintWindow::ActivateHint(TRect Rect, const String& AHint) {
  SetCaption(AHint);
  const int width = Rect.right - Rect.left;
  const int height = Rect.bottom - Rect.top;
  const int screen_width = Screen != nullptr ? Screen->DesktopWidth() : width;
  const int screen_height = Screen != nullptr ? Screen->DesktopHeight() : height;
  int left = Rect.left;
  int top = Rect.top;
  if (top + height > screen_height) top = screen_height - height;
  if (left + width > screen_width) left = screen_width - width;
  left = std::max(left, 0);
  top = std::max(top, 0);
  SetWindowPos(Handle(), HWND_TOPMOST, left, top, width, height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
  UpdateBounds();
  Invalidate();
}

void THintWindow::ActivateHintData(TRect Rect, const String& AHint, void* /*AData*/) { ActivateHint(Rect, AHint); }

TRect THintWindow::CalcHintRect(int MaxWidth, const String& AHint, void* /*AData*/) {
  TRect r = ::Rect(0, 0, MaxWidth, 0);
  Canvas()->SetFont(Font());
  DrawText(Canvas()->Handle(), AHint.c_str(), -1, &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  r.right += 6;
  r.bottom += 2;
  return r;
}

bool THintWindow::IsHintMsg(const MSG& Msg) {
  return (Msg.message >= WM_KEYFIRST && Msg.message <= WM_KEYLAST) || Msg.message == CM_ACTIVATE ||
         Msg.message == CM_DEACTIVATE || Msg.message == WM_COMMAND ||
         (Msg.message > WM_MOUSEMOVE && Msg.message <= WM_MOUSELAST) || Msg.message == WM_NCMOUSEMOVE ||
         (Msg.message >= WM_NCLBUTTONDOWN && Msg.message <= WM_NCMBUTTONDBLCLK);
}

void THintWindow::ReleaseHandle() {
  if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
}

void THintWindow::Paint() {
  TRect r = ClientRect();
  r.left += 2;
  r.top += 2;
  Canvas()->SetFont(Font());
  Canvas()->Font()->SetColor(Screen != nullptr ? Screen->HintFont()->Color() : clInfoText);
  Canvas()->Brush()->SetStyle(bsClear);
  const String text = Caption();
  DrawText(Canvas()->Handle(), text.c_str(), -1, &r, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}

void THintWindow::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_NCHITTEST) {
    // The mouse goes through to what lies below.
    Message.Result = HTTRANSPARENT;
    return;
  }
  TCustomControl::Dispatch(Message);
}
