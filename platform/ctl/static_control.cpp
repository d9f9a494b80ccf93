// The "STATIC" class.
#include "platform/ctl/static_control.h"

#include "platform/ctl/control_base.h"
#include "platform/user/builtin_classes.h"

namespace platform::ctl {
namespace {

bool IsTextType(DWORD type) {
  return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE ||
         type == SS_LEFTNOWORDWRAP;
}

class Static : public Control {
 public:
  explicit Static(HWND hwnd) : Control(hwnd) {}

  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_NCCREATE:
        // A sunken static is one with a static edge.
        if (reinterpret_cast<const CREATESTRUCT*>(lparam)->style & SS_SUNKEN) {
          SetWindowLongPtr(hwnd(), GWL_EXSTYLE, ExStyle() | WS_EX_STATICEDGE);
        }
        break;
      case WM_NCHITTEST:
        if (!(Style() & SS_NOTIFY)) return HTTRANSPARENT;
        break;
      case WM_LBUTTONDOWN:
        if (Style() & SS_NOTIFY) NotifyCommand(STN_CLICKED);
        return 0;
      case WM_LBUTTONDBLCLK:
        if (Style() & SS_NOTIFY) NotifyCommand(STN_DBLCLK);
        return 0;
      case WM_ENABLE:
        if (Style() & SS_NOTIFY) NotifyCommand(wparam ? STN_ENABLE : STN_DISABLE);
        if (alive()) Invalidate(false);
        return 0;
      case WM_GETDLGCODE:
        return DLGC_STATIC;
      case WM_PAINT:
        Paint();
        return 0;
      case WM_ERASEBKGND:
        return 1;
      case WM_SETFONT:
        if (lparam) Invalidate(false);
        return 0;
      case WM_SETTEXT: {
        LRESULT result = Default(message, wparam, lparam);
        Invalidate(false);
        return result;
      }
      case STM_SETIMAGE:
        return SetImage(static_cast<UINT>(wparam), reinterpret_cast<HANDLE>(lparam));
      case STM_GETIMAGE:
        return wparam == image_type_ ? reinterpret_cast<LRESULT>(image_) : 0;
      case STM_SETICON:
        return SetImage(IMAGE_ICON, reinterpret_cast<HANDLE>(wparam));
      case STM_GETICON:
        return image_type_ == IMAGE_ICON ? reinterpret_cast<LRESULT>(image_) : 0;
    }
    return Default(message, wparam, lparam);
  }

 private:
  DWORD Type() const { return Style() & SS_TYPEMASK; }

  LRESULT SetImage(UINT type, HANDLE image) {
    HANDLE old = image_type_ == type ? image_ : nullptr;
    image_ = image;
    image_type_ = type;
    // The control takes the picture's size unless told to keep its own.
    SIZE size{};
    if (image != nullptr && !(Style() & (SS_REALSIZECONTROL | SS_CENTERIMAGE)) &&
        ImageSize(&size)) {
      SetWindowPos(hwnd(), nullptr, 0, 0, size.cx, size.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Invalidate(false);
    return reinterpret_cast<LRESULT>(old);
  }

  bool ImageSize(SIZE* size) const {
    if (image_type_ == IMAGE_BITMAP) {
      BITMAP info;
      if (GetObject(image_, sizeof(info), &info) == 0) return false;
      *size = SIZE{info.bmWidth, info.bmHeight};
      return true;
    }
    if (image_type_ == IMAGE_ICON) {
      platform::CursorImage picture;
      if (!platform::GetCursorImage(static_cast<HICON>(image_), &picture)) return false;
      *size = SIZE{picture.width, picture.height};
      return true;
    }
    return false;
  }

  void Paint() {
    PaintScope paint(hwnd());
    HDC dc = paint.dc();
    SelectFont font(dc, Font());
    RECT client = Client();
    const DWORD style = Style();
    const DWORD type = style & SS_TYPEMASK;
    if (type == SS_OWNERDRAW) {
      DRAWITEMSTRUCT item;
      item.CtlType = ODT_STATIC;
      item.CtlID = static_cast<UINT>(Id());
      item.itemAction = ODA_DRAWENTIRE;
      item.itemState = Enabled() ? 0u : ODS_DISABLED;
      item.hwndItem = hwnd();
      item.hDC = dc;
      item.rcItem = client;
      if (HWND parent = Parent()) {
        SendMessage(parent, WM_DRAWITEM, static_cast<WPARAM>(Id()),
                    reinterpret_cast<LPARAM>(&item));
      }
      return;
    }
    HBRUSH background = ControlColor(dc, WM_CTLCOLORSTATIC);
    switch (type) {
      case SS_BLACKRECT:
        FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
        return;
      case SS_GRAYRECT:
        FillRect(dc, &client, GetSysColorBrush(COLOR_BACKGROUND));
        return;
      case SS_WHITERECT:
        FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
        return;
      case SS_BLACKFRAME:
      case SS_GRAYFRAME:
      case SS_WHITEFRAME: {
        FillRect(dc, &client, background);
        const int color = type == SS_BLACKFRAME  ? COLOR_WINDOWFRAME
                          : type == SS_GRAYFRAME ? COLOR_BACKGROUND
                                                 : COLOR_WINDOW;
        FrameRect(dc, &client, GetSysColorBrush(color));
        return;
      }
      case SS_ETCHEDHORZ:
      case SS_ETCHEDVERT:
      case SS_ETCHEDFRAME: {
        FillRect(dc, &client, background);
        RECT edge = client;
        DrawEdge(dc, &edge, EDGE_ETCHED,
                 type == SS_ETCHEDHORZ   ? BF_TOP
                 : type == SS_ETCHEDVERT ? BF_LEFT
                                         : BF_RECT);
        return;
      }
      case SS_BITMAP:
      case SS_ICON:
        FillRect(dc, &client, background);
        PaintImage(dc, client, style);
        return;
    }
    FillRect(dc, &client, background);
    if (!IsTextType(type)) return;
    DrawLabel(dc, Text(), client, TextFormat(style, type), Enabled());
  }

  static UINT TextFormat(DWORD style, DWORD type) {
    UINT format = DT_EXPANDTABS;
    if (type == SS_CENTER) format |= DT_CENTER;
    if (type == SS_RIGHT) format |= DT_RIGHT;
    if (type == SS_SIMPLE) format |= DT_SINGLELINE;
    if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) format |= DT_WORDBREAK;
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    if (style & SS_EDITCONTROL) format |= DT_EDITCONTROL;
    if (style & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
    switch (style & SS_ELLIPSISMASK) {
      case SS_ENDELLIPSIS:
        format |= DT_END_ELLIPSIS;
        break;
      case SS_PATHELLIPSIS:
        format |= DT_PATH_ELLIPSIS;
        break;
      case SS_WORDELLIPSIS:
        format |= DT_WORD_ELLIPSIS;
        break;
    }
    return format;
  }

  void PaintImage(HDC dc, const RECT& client, DWORD style) {
    SIZE size{};
    if (image_ == nullptr || !ImageSize(&size)) return;
    int x = client.left, y = client.top;
    if (style & SS_CENTERIMAGE) {
      x += (client.right - client.left - size.cx) / 2;
      y += (client.bottom - client.top - size.cy) / 2;
    } else if (style & SS_RIGHTJUST) {
      x = client.right - size.cx;
      y = client.bottom - size.cy;
    }
    if (image_type_ == IMAGE_ICON) {
      DrawIconEx(dc, x, y, static_cast<HICON>(image_), 0, 0, 0, nullptr, DI_NORMAL);
      return;
    }
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, image_);
    BitBlt(dc, x, y, size.cx, size.cy, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
  }

  HANDLE image_ = nullptr;
  UINT image_type_ = IMAGE_BITMAP;
};

void RegisterStaticClass() {
  RegisterControlClass<Static>("STATIC", CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
}

const platform::BuiltinClass kStaticClass("STATIC", &RegisterStaticClass);

}  // namespace
}  // namespace platform::ctl
