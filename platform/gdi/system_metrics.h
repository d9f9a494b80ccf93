// System colours, system metrics and system parameters, with the fixed
// values of the classic ("Windows Standard") look at 96 dots per inch, and a
// screen whose size tests can set.
#pragma once

#include "platform/core/types.h"
#include "platform/gdi/gdi.h"  // LOGFONT

// GetSysColor indices and the fixed colours they give (red, green, blue).
constexpr int COLOR_SCROLLBAR = 0;                // 192 192 192
constexpr int COLOR_BACKGROUND = 1;               // 0 128 128 (desktop)
constexpr int COLOR_DESKTOP = COLOR_BACKGROUND;
constexpr int COLOR_ACTIVECAPTION = 2;            // 0 0 128
constexpr int COLOR_INACTIVECAPTION = 3;          // 128 128 128
constexpr int COLOR_MENU = 4;                     // 192 192 192
constexpr int COLOR_WINDOW = 5;                   // 255 255 255
constexpr int COLOR_WINDOWFRAME = 6;              // 0 0 0
constexpr int COLOR_MENUTEXT = 7;                 // 0 0 0
constexpr int COLOR_WINDOWTEXT = 8;               // 0 0 0
constexpr int COLOR_CAPTIONTEXT = 9;              // 255 255 255
constexpr int COLOR_ACTIVEBORDER = 10;            // 192 192 192
constexpr int COLOR_INACTIVEBORDER = 11;          // 192 192 192
constexpr int COLOR_APPWORKSPACE = 12;            // 128 128 128
constexpr int COLOR_HIGHLIGHT = 13;               // 0 0 128
constexpr int COLOR_HIGHLIGHTTEXT = 14;           // 255 255 255
constexpr int COLOR_BTNFACE = 15;                 // 192 192 192
constexpr int COLOR_3DFACE = COLOR_BTNFACE;
constexpr int COLOR_BTNSHADOW = 16;               // 128 128 128
constexpr int COLOR_3DSHADOW = COLOR_BTNSHADOW;
constexpr int COLOR_GRAYTEXT = 17;                // 128 128 128
constexpr int COLOR_BTNTEXT = 18;                 // 0 0 0
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;     // 192 192 192
constexpr int COLOR_BTNHIGHLIGHT = 20;            // 255 255 255
constexpr int COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT;
constexpr int COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT;
constexpr int COLOR_BTNHILIGHT = COLOR_BTNHIGHLIGHT;
constexpr int COLOR_3DDKSHADOW = 21;              // 0 0 0
constexpr int COLOR_3DLIGHT = 22;                 // 223 223 223
constexpr int COLOR_INFOTEXT = 23;                // 0 0 0
constexpr int COLOR_INFOBK = 24;                  // 255 255 225
constexpr int COLOR_HOTLIGHT = 26;                // 0 0 128
constexpr int COLOR_GRADIENTACTIVECAPTION = 27;   // 16 132 208
constexpr int COLOR_GRADIENTINACTIVECAPTION = 28; // 181 181 181
constexpr int COLOR_MENUHILIGHT = 29;             // 0 0 128
constexpr int COLOR_MENUBAR = 30;                 // 192 192 192
constexpr int kSysColorCount = 31;                // index 25 is unused and gives 0

// The colour of a COLOR_* index; 0 for an unknown index.
DWORD GetSysColor(int index);
// A stock brush of that colour (never to be deleted; DeleteObject ignores
// it). Null for an unknown index.
HBRUSH GetSysColorBrush(int index);

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CXFIXEDFRAME = SM_CXDLGFRAME;
constexpr int SM_CYDLGFRAME = 8;
constexpr int SM_CYFIXEDFRAME = SM_CYDLGFRAME;
constexpr int SM_CYVTHUMB = 9;
constexpr int SM_CXHTHUMB = 10;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXCURSOR = 13;
constexpr int SM_CYCURSOR = 14;
constexpr int SM_CYMENU = 15;
constexpr int SM_CXFULLSCREEN = 16;
constexpr int SM_CYFULLSCREEN = 17;
constexpr int SM_CYKANJIWINDOW = 18;
constexpr int SM_MOUSEPRESENT = 19;
constexpr int SM_CYVSCROLL = 20;
constexpr int SM_CXHSCROLL = 21;
constexpr int SM_DEBUG = 22;
constexpr int SM_SWAPBUTTON = 23;
constexpr int SM_CXMIN = 28;
constexpr int SM_CYMIN = 29;
constexpr int SM_CXSIZE = 30;
constexpr int SM_CYSIZE = 31;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CXSIZEFRAME = SM_CXFRAME;
constexpr int SM_CYFRAME = 33;
constexpr int SM_CYSIZEFRAME = SM_CYFRAME;
constexpr int SM_CXMINTRACK = 34;
constexpr int SM_CYMINTRACK = 35;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
constexpr int SM_CXICONSPACING = 38;
constexpr int SM_CYICONSPACING = 39;
constexpr int SM_MENUDROPALIGNMENT = 40;
constexpr int SM_DBCSENABLED = 42;
constexpr int SM_CMOUSEBUTTONS = 43;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
constexpr int SM_CXMINSPACING = 47;
constexpr int SM_CYMINSPACING = 48;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;
constexpr int SM_CYSMCAPTION = 51;
constexpr int SM_CXSMSIZE = 52;
constexpr int SM_CYSMSIZE = 53;
constexpr int SM_CXMENUSIZE = 54;
constexpr int SM_CYMENUSIZE = 55;
constexpr int SM_ARRANGE = 56;
constexpr int SM_CXMINIMIZED = 57;
constexpr int SM_CYMINIMIZED = 58;
constexpr int SM_CXMAXTRACK = 59;
constexpr int SM_CYMAXTRACK = 60;
constexpr int SM_CXMAXIMIZED = 61;
constexpr int SM_CYMAXIMIZED = 62;
constexpr int SM_NETWORK = 63;
constexpr int SM_CLEANBOOT = 67;
constexpr int SM_CXDRAG = 68;
constexpr int SM_CYDRAG = 69;
constexpr int SM_SHOWSOUNDS = 70;
constexpr int SM_CXMENUCHECK = 71;
constexpr int SM_CYMENUCHECK = 72;
constexpr int SM_SLOWMACHINE = 73;
constexpr int SM_MIDEASTENABLED = 74;
constexpr int SM_MOUSEWHEELPRESENT = 75;
constexpr int SM_XVIRTUALSCREEN = 76;
constexpr int SM_YVIRTUALSCREEN = 77;
constexpr int SM_CXVIRTUALSCREEN = 78;
constexpr int SM_CYVIRTUALSCREEN = 79;
constexpr int SM_CMONITORS = 80;
constexpr int SM_SAMEDISPLAYFORMAT = 81;
constexpr int SM_REMOTESESSION = 0x1000;

// The metric, or 0 for an unknown index. Sizes of the classic frame: caption
// 19 (18 + border), caption buttons 18 x 18, sizing frame 4, fixed frame 3,
// border 1, 3-D edge 2, scroll bars 16, menu 19, icons 32 and 16.
int GetSystemMetrics(int index);

constexpr UINT SPI_GETBORDER = 0x0005;
constexpr UINT SPI_GETKEYBOARDSPEED = 0x000A;
constexpr UINT SPI_GETSCREENSAVEACTIVE = 0x0010;
constexpr UINT SPI_GETKEYBOARDDELAY = 0x0016;
constexpr UINT SPI_GETICONTITLELOGFONT = 0x001F;
constexpr UINT SPI_GETMENUDROPALIGNMENT = 0x001B;
constexpr UINT SPI_GETDRAGFULLWINDOWS = 0x0026;
constexpr UINT SPI_GETNONCLIENTMETRICS = 0x0029;
constexpr UINT SPI_SETWORKAREA = 0x002F;
constexpr UINT SPI_GETWORKAREA = 0x0030;
constexpr UINT SPI_GETSHOWSOUNDS = 0x0038;
constexpr UINT SPI_GETFONTSMOOTHING = 0x004A;
constexpr UINT SPI_GETMOUSEHOVERWIDTH = 0x0062;
constexpr UINT SPI_GETMOUSEHOVERHEIGHT = 0x0064;
constexpr UINT SPI_GETMOUSEHOVERTIME = 0x0066;
constexpr UINT SPI_GETWHEELSCROLLLINES = 0x0068;
constexpr UINT SPI_GETMENUSHOWDELAY = 0x006A;
constexpr UINT SPI_GETMENUANIMATION = 0x1002;
constexpr UINT SPI_GETCOMBOBOXANIMATION = 0x1004;
constexpr UINT SPI_GETLISTBOXSMOOTHSCROLLING = 0x1006;
constexpr UINT SPI_GETGRADIENTCAPTIONS = 0x1008;
constexpr UINT SPI_GETKEYBOARDCUES = 0x100A;
constexpr UINT SPI_GETHOTTRACKING = 0x100E;
constexpr UINT SPI_GETMENUFADE = 0x1012;
constexpr UINT SPI_GETSELECTIONFADE = 0x1014;
constexpr UINT SPI_GETTOOLTIPANIMATION = 0x1016;
constexpr UINT SPI_GETTOOLTIPFADE = 0x1018;
constexpr UINT SPI_GETCURSORSHADOW = 0x101A;
constexpr UINT SPI_GETFLATMENU = 0x1022;
constexpr UINT SPI_GETDROPSHADOW = 0x1024;
constexpr UINT SPI_GETFOCUSBORDERWIDTH = 0x200E;
constexpr UINT SPI_GETFOCUSBORDERHEIGHT = 0x2010;

struct NONCLIENTMETRICS {
  UINT cbSize = sizeof(NONCLIENTMETRICS);
  int iBorderWidth = 0;
  int iScrollWidth = 0;
  int iScrollHeight = 0;
  int iCaptionWidth = 0;
  int iCaptionHeight = 0;
  LOGFONT lfCaptionFont;
  int iSmCaptionWidth = 0;
  int iSmCaptionHeight = 0;
  LOGFONT lfSmCaptionFont;
  int iMenuWidth = 0;
  int iMenuHeight = 0;
  LOGFONT lfMenuFont;
  LOGFONT lfStatusFont;
  LOGFONT lfMessageFont;
};

// Answers the SPI_GET* values listed above (and SPI_SETWORKAREA); others fail
// with ERROR_INVALID_PARAMETER. SPI_GETWORKAREA gives the work area (the
// whole screen unless set); SPI_GETNONCLIENTMETRICS and
// SPI_GETICONTITLELOGFONT give 8-point "MS Sans Serif" fonts (bold for the
// caption).
BOOL SystemParametersInfo(UINT action, UINT param, void* data, UINT winIni);

namespace platform {

// The screen size every metric, the work area and the screen DC follow.
// Default 1024 x 768. Setting it resets the work area to the whole screen.
void SetScreenSize(int width, int height);
SIZE ScreenSize();
// The work area (what maximised windows fill).
void SetWorkArea(const RECT& area);
RECT WorkArea();
// The classic 8-point interface font ("MS Sans Serif", height -11), bold
// when asked: what stock fonts and the non-client metrics use.
LOGFONT DefaultGuiLogFont(bool bold);

}  // namespace platform
