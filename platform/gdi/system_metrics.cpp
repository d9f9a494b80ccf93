#include "platform/gdi/system_metrics.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/core/errors.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/objects.h"

namespace {

struct Screen {
  std::mutex mutex;
  SIZE size{1024, 768};
  RECT workArea{0, 0, 1024, 768};
};

Screen& TheScreen() {
  static Screen* screen = new Screen;
  return *screen;
}

// The classic colours, as RGB triples by COLOR_* index.
constexpr COLORREF kSysColors[kSysColorCount] = {
    RGB(192, 192, 192),  // COLOR_SCROLLBAR
    RGB(0, 128, 128),    // COLOR_BACKGROUND
    RGB(0, 0, 128),      // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(192, 192, 192),  // COLOR_ACTIVEBORDER
    RGB(192, 192, 192),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(0, 0, 128),      // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(192, 192, 192),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(192, 192, 192),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(0, 0, 0),        // COLOR_3DDKSHADOW
    RGB(223, 223, 223),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(0, 0, 0),        // (unused)
    RGB(0, 0, 128),      // COLOR_HOTLIGHT
    RGB(16, 132, 208),   // COLOR_GRADIENTACTIVECAPTION
    RGB(181, 181, 181),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(0, 0, 128),      // COLOR_MENUHILIGHT
    RGB(192, 192, 192),  // COLOR_MENUBAR
};

constexpr int kCaption = 19;
constexpr int kSizeFrame = 4;
constexpr int kFixedFrame = 3;

template <class T>
BOOL Put(void* data, const T& value) {
  if (data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::memcpy(data, &value, sizeof value);
  return TRUE;
}

}  // namespace

DWORD GetSysColor(int index) {
  if (index < 0 || index >= kSysColorCount) return 0;
  return kSysColors[index];
}

HBRUSH GetSysColorBrush(int index) { return platform::gdi::SysColorBrushHandle(index); }

int GetSystemMetrics(int index) {
  SIZE screen = platform::ScreenSize();
  RECT work = platform::WorkArea();
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN: return screen.cx;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN: return screen.cy;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL: return 16;
    case SM_CYCAPTION: return kCaption;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return kFixedFrame;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CYMENU: return 19;
    case SM_CXFULLSCREEN: return work.right - work.left;
    case SM_CYFULLSCREEN: return work.bottom - work.top - kCaption;
    case SM_MOUSEPRESENT:
    case SM_MOUSEWHEELPRESENT:
    case SM_NETWORK:
    case SM_CMONITORS:
    case SM_SAMEDISPLAYFORMAT: return 1;
    case SM_CXMIN:
    case SM_CXMINTRACK: return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK: return 27;
    case SM_CXSIZE:
    case SM_CYSIZE:
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE: return 18;
    case SM_CXFRAME:
    case SM_CYFRAME: return kSizeFrame;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING: return 75;
    case SM_CMOUSEBUTTONS: return 3;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXMINSPACING:
    case SM_CXMINIMIZED: return 160;
    case SM_CYMINSPACING:
    case SM_CYMINIMIZED: return 24;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYSMCAPTION: return 15;
    case SM_CXSMSIZE: return 12;
    case SM_CYSMSIZE: return 14;
    case SM_ARRANGE: return 8;
    case SM_CXMAXTRACK: return screen.cx + 2 * kSizeFrame + 4;
    case SM_CYMAXTRACK: return screen.cy + 2 * kSizeFrame + 4;
    case SM_CXMAXIMIZED: return work.right - work.left + 2 * kSizeFrame;
    case SM_CYMAXIMIZED: return work.bottom - work.top + 2 * kSizeFrame;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK: return 13;
    default: return 0;  // SM_DEBUG, SM_SWAPBUTTON, SM_REMOTESESSION and the rest
  }
}

BOOL SystemParametersInfo(UINT action, UINT, void* data, UINT) {
  switch (action) {
    case SPI_GETWORKAREA: return Put(data, platform::WorkArea());
    case SPI_SETWORKAREA: {
      if (data == nullptr) {
        platform::SetWorkArea(RECT{0, 0, platform::ScreenSize().cx, platform::ScreenSize().cy});
        return TRUE;
      }
      RECT area;
      std::memcpy(&area, data, sizeof area);
      if (area.right <= area.left || area.bottom <= area.top) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      platform::SetWorkArea(area);
      return TRUE;
    }
    case SPI_GETNONCLIENTMETRICS: {
      if (data == nullptr) return Put(data, 0);
      NONCLIENTMETRICS m;
      UINT size;
      std::memcpy(&size, data, sizeof size);
      if (size != sizeof(NONCLIENTMETRICS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      m.iBorderWidth = 1;
      m.iScrollWidth = m.iScrollHeight = 16;
      m.iCaptionWidth = m.iCaptionHeight = 18;
      m.lfCaptionFont = platform::DefaultGuiLogFont(true);
      m.iSmCaptionWidth = 12;
      m.iSmCaptionHeight = 14;
      m.lfSmCaptionFont = platform::DefaultGuiLogFont(true);
      m.iMenuWidth = m.iMenuHeight = 18;
      m.lfMenuFont = platform::DefaultGuiLogFont(false);
      m.lfStatusFont = platform::DefaultGuiLogFont(false);
      m.lfMessageFont = platform::DefaultGuiLogFont(false);
      return Put(data, m);
    }
    case SPI_GETICONTITLELOGFONT: return Put(data, platform::DefaultGuiLogFont(false));
    case SPI_GETBORDER: return Put(data, 1);
    case SPI_GETKEYBOARDSPEED: return Put(data, 31);
    case SPI_GETKEYBOARDDELAY: return Put(data, 1);
    case SPI_GETMOUSEHOVERWIDTH:
    case SPI_GETMOUSEHOVERHEIGHT: return Put(data, static_cast<UINT>(4));
    case SPI_GETMOUSEHOVERTIME: return Put(data, static_cast<UINT>(400));
    case SPI_GETWHEELSCROLLLINES: return Put(data, static_cast<UINT>(3));
    case SPI_GETMENUSHOWDELAY: return Put(data, 400);
    case SPI_GETFOCUSBORDERWIDTH:
    case SPI_GETFOCUSBORDERHEIGHT: return Put(data, static_cast<UINT>(1));
    case SPI_GETKEYBOARDCUES:
    case SPI_GETDRAGFULLWINDOWS:
    case SPI_GETGRADIENTCAPTIONS: return Put(data, TRUE);
    case SPI_GETSCREENSAVEACTIVE:
    case SPI_GETMENUDROPALIGNMENT:
    case SPI_GETSHOWSOUNDS:
    case SPI_GETFONTSMOOTHING:
    case SPI_GETMENUANIMATION:
    case SPI_GETCOMBOBOXANIMATION:
    case SPI_GETLISTBOXSMOOTHSCROLLING:
    case SPI_GETHOTTRACKING:
    case SPI_GETMENUFADE:
    case SPI_GETSELECTIONFADE:
    case SPI_GETTOOLTIPANIMATION:
    case SPI_GETTOOLTIPFADE:
    case SPI_GETCURSORSHADOW:
    case SPI_GETFLATMENU:
    case SPI_GETDROPSHADOW: return Put(data, FALSE);
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
  }
}

namespace platform {

void SetScreenSize(int width, int height) {
  if (width < 1 || height < 1) return;
  Screen& s = TheScreen();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.size = SIZE{width, height};
  s.workArea = RECT{0, 0, width, height};
}

SIZE ScreenSize() {
  Screen& s = TheScreen();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.size;
}

void SetWorkArea(const RECT& area) {
  Screen& s = TheScreen();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.workArea = area;
}

RECT WorkArea() {
  Screen& s = TheScreen();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.workArea;
}

LOGFONT DefaultGuiLogFont(bool bold) {
  LOGFONT font;
  font.lfHeight = -11;
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  std::snprintf(font.lfFaceName, LF_FACESIZE, "%s", "MS Sans Serif");
  return font;
}

}  // namespace platform
