// The "BUTTON" class.
#include "platform/ctl/button.h"

#include <string>

#include "platform/ctl/control_base.h"
#include "platform/user/builtin_classes.h"

namespace platform::ctl {
namespace {

constexpr int kCheckBoxSize = 13;
constexpr int kCheckTextGap = 4;

DWORD TypeOf(DWORD style) {
  return style & BS_TYPEMASK;
}

bool IsCheckType(DWORD type) {
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
         type == BS_AUTO3STATE;
}

bool IsRadioType(DWORD type) {
  return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

bool IsThreeState(DWORD type) {
  return type == BS_3STATE || type == BS_AUTO3STATE;
}

bool IsPushType(DWORD type) {
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_PUSHBOX ||
         type == BS_USERBUTTON;
}

bool IsButtonClass(HWND hwnd) {
  char name[16] = {};
  GetClassName(hwnd, name, sizeof(name));
  return CompareNoCase(name, "Button") == 0;
}

// The horizontal and vertical text placement of a button's style.
UINT TextFormat(DWORD style, UINT default_horizontal, UINT default_vertical) {
  UINT format = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
  switch (style & BS_CENTER) {
    case BS_LEFT:
      format |= DT_LEFT;
      break;
    case BS_RIGHT:
      format |= DT_RIGHT;
      break;
    case BS_CENTER:
      format |= DT_CENTER;
      break;
    default:
      format |= default_horizontal;
  }
  if (format & DT_SINGLELINE) {
    switch (style & BS_VCENTER) {
      case BS_TOP:
        format |= DT_TOP;
        break;
      case BS_BOTTOM:
        format |= DT_BOTTOM;
        break;
      case BS_VCENTER:
        format |= DT_VCENTER;
        break;
      default:
        format |= default_vertical;
    }
  }
  return format;
}

class Button : public Control {
 public:
  explicit Button(HWND hwnd) : Control(hwnd) {}

  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_NCHITTEST:
        if (Type() == BS_GROUPBOX) return HTTRANSPARENT;
        break;
      case WM_PAINT:
        Paint();
        return 0;
      case WM_ERASEBKGND:
        return 1;
      case WM_LBUTTONDOWN:
        Press();
        return 0;
      case WM_LBUTTONDBLCLK:
        DoubleClick();
        return 0;
      case WM_MOUSEMOVE:
        if (tracking_) SetPushed(InsideClient(lparam));
        return 0;
      case WM_LBUTTONUP:
        ReleaseMouse(InsideClient(lparam));
        return 0;
      case WM_CAPTURECHANGED:
        if (tracking_ && reinterpret_cast<HWND>(lparam) != hwnd()) {
          tracking_ = false;
          SetPushed(false);
        }
        return 0;
      case WM_KEYDOWN:
        if (wparam == VK_SPACE && !(lparam & (LPARAM{1} << 30))) {
          space_down_ = true;
          SetPushed(true);
        }
        return 0;
      case WM_KEYUP:
        if (wparam == VK_SPACE && space_down_) {
          space_down_ = false;
          bool was_pushed = pushed_;
          SetPushed(false);
          if (was_pushed) Click();
        }
        return 0;
      case WM_CHAR:
        return Char(static_cast<char>(wparam));
      case WM_SETFOCUS:
        Invalidate(false);
        if (Style() & BS_NOTIFY) NotifyCommand(BN_SETFOCUS);
        return 0;
      case WM_KILLFOCUS:
        LoseFocus();
        return 0;
      case WM_GETDLGCODE:
        return DialogCode();
      case WM_ENABLE:
      case WM_SETFONT:
        Invalidate(false);
        return 0;
      case WM_SETTEXT: {
        LRESULT result = Default(message, wparam, lparam);
        Invalidate(false);
        return result;
      }
      case BM_GETCHECK:
        return (IsCheckType(Type()) || IsRadioType(Type())) ? static_cast<LRESULT>(check_) : 0;
      case BM_SETCHECK:
        SetCheck(wparam);
        return 0;
      case BM_GETSTATE:
        return static_cast<LRESULT>(check_) | (pushed_ ? BST_PUSHED : 0) |
               (Focused() ? BST_FOCUS : 0);
      case BM_SETSTATE:
        SetPushed(wparam != 0);
        return 0;
      case BM_SETSTYLE:
        SetStyle(static_cast<DWORD>(wparam), lparam != 0);
        return 0;
      case BM_CLICK:
        if (Enabled()) Click();
        return 0;
      case BM_GETIMAGE:
        return wparam == image_type_ ? reinterpret_cast<LRESULT>(image_) : 0;
      case BM_SETIMAGE: {
        HANDLE old = image_type_ == wparam ? image_ : nullptr;
        image_ = reinterpret_cast<HANDLE>(lparam);
        image_type_ = static_cast<UINT>(wparam);
        Invalidate(false);
        return reinterpret_cast<LRESULT>(old);
      }
      case BM_SETDONTCLICK:
        return 0;
    }
    return Default(message, wparam, lparam);
  }

 private:
  DWORD Type() const { return TypeOf(Style()); }

  bool InsideClient(LPARAM lparam) const {
    RECT client = Client();
    POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    return PtInRect(&client, pt) != FALSE;
  }

  LRESULT DialogCode() const {
    const DWORD type = Type();
    if (type == BS_GROUPBOX) return DLGC_STATIC;
    if (IsRadioType(type)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
    if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    if (IsPushType(type) || type == BS_OWNERDRAW) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    return DLGC_BUTTON;
  }

  void SetPushed(bool pushed) {
    if (pushed == pushed_) return;
    pushed_ = pushed;
    if (Style() & BS_NOTIFY) NotifyCommand(pushed ? BN_HILITE : BN_UNHILITE);
    if (alive()) Invalidate(false);
  }

  void Press() {
    if (Type() == BS_GROUPBOX) return;
    if (!Focused()) SetFocus(hwnd());
    if (!alive()) return;
    tracking_ = true;
    SetCapture(hwnd());
    SetPushed(true);
  }

  void DoubleClick() {
    const DWORD type = Type();
    if (type == BS_GROUPBOX) return;
    if (IsRadioType(type) || type == BS_OWNERDRAW || (Style() & BS_NOTIFY)) {
      NotifyCommand(BN_DOUBLECLICKED);
      return;
    }
    Press();  // a quick second click is a click like any other
  }

  void ReleaseMouse(bool inside) {
    if (!tracking_) return;
    tracking_ = false;
    if (GetCapture() == hwnd()) ReleaseCapture();
    SetPushed(false);
    if (alive() && inside) Click();
  }

  void LoseFocus() {
    space_down_ = false;
    if (tracking_) {
      tracking_ = false;
      if (GetCapture() == hwnd()) ReleaseCapture();
    }
    SetPushed(false);
    if (!alive()) return;
    Invalidate(false);
    if (Style() & BS_NOTIFY) NotifyCommand(BN_KILLFOCUS);
  }

  LRESULT Char(char c) {
    const DWORD type = Type();
    if (type != BS_AUTOCHECKBOX && type != BS_AUTO3STATE) return 0;
    // '+' and '=' tick an automatic check box, '-' clears it.
    if ((c == '+' || c == '=') && check_ != BST_CHECKED) {
      SetCheck(BST_CHECKED);
      NotifyCommand(BN_CLICKED);
    } else if (c == '-' && check_ != BST_UNCHECKED) {
      SetCheck(BST_UNCHECKED);
      NotifyCommand(BN_CLICKED);
    }
    return 0;
  }

  void SetCheck(WPARAM state) {
    const DWORD type = Type();
    if (!IsCheckType(type) && !IsRadioType(type)) return;
    if (state == BST_INDETERMINATE && !IsThreeState(type)) state = BST_CHECKED;
    if (state > BST_INDETERMINATE) state = BST_CHECKED;
    if (IsRadioType(type)) {
      // The checked radio button of a group is the one Tab stops at.
      DWORD style = Style();
      DWORD wanted = state == BST_CHECKED ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
      if (wanted != style) SetWindowLongPtr(hwnd(), GWL_STYLE, static_cast<LONG_PTR>(wanted));
    }
    if (state == check_) return;
    check_ = state;
    Invalidate(false);
  }

  void SetStyle(DWORD style, bool redraw) {
    DWORD old = Style();
    DWORD wanted = (old & 0xFFFF0000u) | (style & 0x0000FFFFu);
    if (wanted != old) SetWindowLongPtr(hwnd(), GWL_STYLE, static_cast<LONG_PTR>(wanted));
    if (redraw) Invalidate(false);
  }

  // The other automatic radio buttons of this one's group lose their check.
  void UncheckGroupSiblings() {
    HWND first = hwnd();
    while (!(GetWindowLongPtr(first, GWL_STYLE) & WS_GROUP)) {
      HWND previous = GetWindow(first, GW_HWNDPREV);
      if (previous == nullptr) break;
      first = previous;
    }
    for (HWND sibling = first; sibling != nullptr; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
      if (sibling != first && (GetWindowLongPtr(sibling, GWL_STYLE) & WS_GROUP)) break;
      if (sibling == hwnd() || !IsButtonClass(sibling)) continue;
      if (TypeOf(static_cast<DWORD>(GetWindowLongPtr(sibling, GWL_STYLE))) != BS_AUTORADIOBUTTON)
        continue;
      SendMessage(sibling, BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }

  void Click() {
    switch (Type()) {
      case BS_AUTOCHECKBOX:
        SetCheck(check_ == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED);
        break;
      case BS_AUTO3STATE:
        SetCheck(check_ == BST_UNCHECKED ? BST_CHECKED
                 : check_ == BST_CHECKED ? BST_INDETERMINATE
                                         : BST_UNCHECKED);
        break;
      case BS_AUTORADIOBUTTON:
        SetCheck(BST_CHECKED);
        UncheckGroupSiblings();
        break;
      case BS_GROUPBOX:
        return;
    }
    if (alive()) NotifyCommand(BN_CLICKED);
  }

  // ---- painting ----

  void Paint() {
    PaintScope paint(hwnd());
    HDC dc = paint.dc();
    SelectFont font(dc, Font());
    const DWORD style = Style();
    const DWORD type = TypeOf(style);
    if (type == BS_OWNERDRAW) {
      PaintOwnerDrawn(dc);
    } else if (type == BS_GROUPBOX) {
      PaintGroupBox(dc, style);
    } else if ((IsCheckType(type) || IsRadioType(type)) && !(style & BS_PUSHLIKE)) {
      PaintCheckBox(dc, style, type);
    } else {
      PaintPushButton(dc, style, type);
    }
  }

  void PaintOwnerDrawn(HDC dc) {
    DRAWITEMSTRUCT item;
    item.CtlType = ODT_BUTTON;
    item.CtlID = static_cast<UINT>(Id());
    item.itemID = 0;
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = (pushed_ ? ODS_SELECTED : 0u) | (Focused() ? ODS_FOCUS : 0u) |
                     (Enabled() ? 0u : ODS_DISABLED);
    item.hwndItem = hwnd();
    item.hDC = dc;
    item.rcItem = Client();
    ControlColor(dc, WM_CTLCOLORBTN);
    if (HWND parent = Parent())
      SendMessage(parent, WM_DRAWITEM, static_cast<WPARAM>(Id()), reinterpret_cast<LPARAM>(&item));
  }

  void PaintPushButton(HDC dc, DWORD style, DWORD type) {
    ControlColor(dc, WM_CTLCOLORBTN);
    RECT r = Client();
    const bool down = pushed_ || ((style & BS_PUSHLIKE) && check_ != BST_UNCHECKED);
    if (type == BS_DEFPUSHBUTTON) {
      FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
      InflateRect(&r, -1, -1);
    }
    if (style & BS_FLAT) {
      FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
      RECT inner = r;
      InflateRect(&inner, -1, -1);
      FillRect(dc, &inner, GetSysColorBrush(down ? COLOR_3DLIGHT : COLOR_3DFACE));
    } else if (pushed_ && IsPushType(type)) {
      // A held push button: a dark frame and a flat shadow inside it.
      FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
      RECT inner = r;
      InflateRect(&inner, -1, -1);
      FrameRect(dc, &inner, GetSysColorBrush(COLOR_3DSHADOW));
      InflateRect(&inner, -1, -1);
      FillRect(dc, &inner, GetSysColorBrush(COLOR_3DFACE));
    } else {
      RECT face = r;
      DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (down ? DFCS_PUSHED : 0u));
    }
    RECT content = r;
    InflateRect(&content, -3, -3);
    if (down) OffsetRect(&content, 1, 1);
    if ((style & (BS_BITMAP | BS_ICON)) && image_ != nullptr) {
      PaintImage(dc, content);
    } else {
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      DrawLabel(dc, Text(), content, TextFormat(style, DT_CENTER, DT_VCENTER), Enabled());
    }
    if (Focused()) {
      RECT focus = r;
      InflateRect(&focus, -3, -3);
      DrawFocusRect(dc, &focus);
    }
  }

  void PaintImage(HDC dc, const RECT& area) {
    if (image_type_ == IMAGE_ICON) {
      DrawIconEx(dc, area.left, area.top, static_cast<HICON>(image_), 0, 0, 0, nullptr, DI_NORMAL);
      return;
    }
    BITMAP info;
    if (GetObject(image_, sizeof(info), &info) == 0) return;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, image_);
    const int x = area.left + (area.right - area.left - info.bmWidth) / 2;
    const int y = area.top + (area.bottom - area.top - info.bmHeight) / 2;
    BitBlt(dc, x, y, info.bmWidth, info.bmHeight, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
  }

  void PaintCheckBox(HDC dc, DWORD style, DWORD type) {
    HBRUSH background = ControlColor(dc, WM_CTLCOLORSTATIC);
    RECT client = Client();
    FillRect(dc, &client, background);
    const bool box_right = (style & BS_LEFTTEXT) != 0;
    RECT box{};
    box.left = box_right ? client.right - kCheckBoxSize : client.left;
    box.right = box.left + kCheckBoxSize;
    switch (style & BS_VCENTER) {
      case BS_TOP:
        box.top = client.top;
        break;
      case BS_BOTTOM:
        box.top = client.bottom - kCheckBoxSize;
        break;
      default:
        box.top = client.top + (client.bottom - client.top - kCheckBoxSize) / 2;
    }
    box.bottom = box.top + kCheckBoxSize;
    UINT kind = IsRadioType(type)                                     ? DFCS_BUTTONRADIO
                : (IsThreeState(type) && check_ == BST_INDETERMINATE) ? DFCS_BUTTON3STATE
                                                                      : DFCS_BUTTONCHECK;
    DrawFrameControl(dc, &box, DFC_BUTTON,
                     kind | (check_ != BST_UNCHECKED ? DFCS_CHECKED : 0u) |
                         (pushed_ ? DFCS_PUSHED : 0u) | (Enabled() ? 0u : DFCS_INACTIVE));
    RECT text = client;
    if (box_right) {
      text.right = box.left - kCheckTextGap;
    } else {
      text.left = box.right + kCheckTextGap;
    }
    const std::string label = Text();
    // Aligned from the right (WS_EX_RIGHT), the caption stands at the right.
    const UINT format =
        TextFormat(style, (ExStyle() & WS_EX_RIGHT) ? DT_RIGHT : DT_LEFT, DT_VCENTER);
    DrawLabel(dc, label, text, format, Enabled());
    if (Focused() && !label.empty()) {
      // The focus frame goes round the text itself.
      RECT measured = text;
      DrawText(dc, label.c_str(), static_cast<int>(label.size()), &measured, format | DT_CALCRECT);
      const int width = measured.right - measured.left, height = measured.bottom - measured.top;
      RECT focus{};
      focus.left = (format & DT_RIGHT)    ? text.right - width
                   : (format & DT_CENTER) ? text.left + (text.right - text.left - width) / 2
                                          : text.left;
      focus.right = focus.left + width;
      focus.top =
          (format & DT_VCENTER) ? text.top + (text.bottom - text.top - height) / 2 : text.top;
      focus.bottom = focus.top + height;
      InflateRect(&focus, 1, 1);
      IntersectRect(&focus, &focus, &client);
      DrawFocusRect(dc, &focus);
    }
  }

  void PaintGroupBox(HDC dc, DWORD style) {
    // Only the frame and the caption are drawn: what lies inside the box
    // belongs to the controls in it.
    HBRUSH background = ControlColor(dc, WM_CTLCOLORSTATIC);
    RECT client = Client();
    const std::string label = Text();
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    RECT frame = client;
    frame.top += tm.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (label.empty()) return;
    RECT measured{0, 0, 0, 0};
    DrawText(dc, label.c_str(), static_cast<int>(label.size()), &measured,
             DT_SINGLELINE | DT_CALCRECT);
    const int width = measured.right - measured.left + 4;
    RECT caption{client.left + 8, client.top, client.left + 8 + width, client.top + tm.tmHeight};
    if ((style & BS_CENTER) == BS_RIGHT) {
      OffsetRect(&caption, client.right - 16 - width, 0);
    } else if ((style & BS_CENTER) == BS_CENTER) {
      OffsetRect(&caption, (client.right - client.left - width) / 2 - 8, 0);
    }
    FillRect(dc, &caption, background);
    RECT text = caption;
    InflateRect(&text, -2, 0);
    DrawLabel(dc, label, text, DT_SINGLELINE | DT_LEFT | DT_TOP, Enabled());
  }

  WPARAM check_ = BST_UNCHECKED;
  bool pushed_ = false;
  bool tracking_ = false;
  bool space_down_ = false;
  HANDLE image_ = nullptr;
  UINT image_type_ = IMAGE_BITMAP;
};

void RegisterButtonClass() {
  RegisterControlClass<Button>("BUTTON", CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
}

const platform::BuiltinClass kButtonClass("BUTTON", &RegisterButtonClass);

}  // namespace
}  // namespace platform::ctl
