#include "tests/platform/ctl/sample_dialog.h"

#include <string>

#include "platform/dlg/message_box.h"

namespace ctl_test {

namespace {

HWND Child(HWND parent, const char* class_name, const char* text, DWORD style, int x, int y,
           int width, int height, int id, DWORD ex_style = 0) {
  return CreateWindowEx(ex_style, class_name, text, WS_CHILD | WS_VISIBLE | style, x, y, width,
                        height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                        nullptr);
}

void AddStrings(HWND control, UINT message, std::initializer_list<const char*> items) {
  for (const char* item : items) SendMessage(control, message, 0, reinterpret_cast<LPARAM>(item));
}

}  // namespace

SampleDialog MakeSampleDialog(int x, int y) {
  SampleDialog s;
  s.dialog = CreateWindowEx(WS_EX_DLGMODALFRAME, WC_DIALOG, "Sample controls",
                            WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, x, y, 560, 400,
                            nullptr, nullptr, nullptr, nullptr);
  HWND d = s.dialog;
  // Left column: buttons in a group, labels and edit fields.
  Child(d, "BUTTON", "Options", BS_GROUPBOX, 10, 6, 180, 112, 100);
  s.check =
      Child(d, "BUTTON", "&Loud", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, 22, 26, 150, 18, 101);
  s.three_state = Child(d, "BUTTON", "Shuffle", BS_AUTO3STATE | WS_TABSTOP, 22, 46, 150, 18, 102);
  s.radio = Child(d, "BUTTON", "&Cable", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 22, 68, 150,
                  18, 103);
  Child(d, "BUTTON", "DSL", BS_AUTORADIOBUTTON, 22, 88, 150, 18, 104);
  SendMessage(s.check, BM_SETCHECK, BST_CHECKED, 0);
  SendMessage(s.three_state, BM_SETCHECK, BST_INDETERMINATE, 0);
  SendMessage(s.radio, BM_SETCHECK, BST_CHECKED, 0);
  Child(d, "STATIC", "&Name:", SS_LEFT | WS_GROUP, 10, 130, 58, 16, 105);
  s.edit = Child(d, "EDIT", "Velko 5.3", ES_AUTOHSCROLL | WS_TABSTOP, 70, 126, 120, 22, 106,
                 WS_EX_CLIENTEDGE);
  Child(d, "STATIC", "Password:", SS_LEFT, 10, 158, 58, 16, 107);
  Child(d, "EDIT", "secret", ES_AUTOHSCROLL | ES_PASSWORD | WS_TABSTOP, 70, 154, 120, 22, 108,
        WS_EX_CLIENTEDGE);
  s.memo = Child(d, "EDIT",
                 "A multi-line field wraps its long lines at the words, and scrolls.\r\n"
                 "Second line\r\nThird line\r\nFourth line\r\nFifth line",
                 ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP, 10, 184, 180, 86, 109,
                 WS_EX_CLIENTEDGE);
  Child(d, "STATIC", "", SS_ETCHEDHORZ, 10, 280, 180, 2, 110);
  Child(d, "STATIC", "Centred label", SS_CENTER, 10, 288, 180, 16, 111);
  Child(d, "STATIC", "", SS_BLACKFRAME, 10, 310, 40, 40, 112);
  Child(d, "STATIC", "", SS_GRAYRECT, 60, 310, 40, 40, 113);
  Child(d, "STATIC", "", SS_ETCHEDFRAME, 110, 310, 40, 40, 114);

  // Middle column: lists, scrolling and values.
  s.list = Child(d, "LISTBOX", "", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, 200,
                 8, 170, 110, 120, WS_EX_CLIENTEDGE);
  AddStrings(s.list, LB_ADDSTRING,
             {"Search Results", "Hosts", "Transfers", "Network Monitor", "Network Statistics",
              "Incoming Files", "in_CDReader.dll", "in_asf.dll", "in_midi.dll", "mp3.csv",
              "movie.csv", "VelkoNet.ini"});
  SendMessage(s.list, LB_SETCURSEL, 2, 0);
  s.combo =
      Child(d, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 200, 126, 170, 160, 121);
  AddStrings(s.combo, CB_ADDSTRING, {"No Socks", "Socks4", "Socks4A", "Socks5"});
  SendMessage(s.combo, CB_SETCURSEL, 1, 0);
  HWND edit_combo =
      Child(d, "COMBOBOX", "", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 200, 156,
            170, 160, 122);
  AddStrings(edit_combo, CB_ADDSTRING, {"14.4K Modem", "56K Modem", "Cable", "DSL"});
  SendMessage(edit_combo, CB_SETCURSEL, 2, 0);
  s.scroll = Child(d, "SCROLLBAR", "", SBS_HORZ, 200, 188, 170, 16, 123);
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  info.nMin = 0;
  info.nMax = 99;
  info.nPage = 20;
  info.nPos = 30;
  SetScrollInfo(s.scroll, SB_CTL, &info, TRUE);
  s.spin_buddy =
      Child(d, "EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, 200, 212, 70, 22, 124, WS_EX_CLIENTEDGE);
  s.spin =
      Child(d, "msctls_updown32", "",
            UDS_AUTOBUDDY | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS, 0, 0, 16, 22, 125);
  SendMessage(s.spin, UDM_SETRANGE32, 15, 720);
  SendMessage(s.spin, UDM_SETPOS32, 0, 15);
  s.track = Child(d, "msctls_trackbar32", "", TBS_AUTOTICKS | WS_TABSTOP, 200, 240, 170, 32, 126);
  SendMessage(s.track, TBM_SETTICFREQ, 10, 0);
  SendMessage(s.track, TBM_SETPOS, TRUE, 60);
  s.progress = Child(d, "msctls_progress32", "", 0, 200, 280, 170, 18, 127);
  SendMessage(s.progress, PBM_SETPOS, 65, 0);
  HWND smooth = Child(d, "msctls_progress32", "", PBS_SMOOTH, 200, 304, 170, 18, 128);
  SendMessage(smooth, PBM_SETPOS, 40, 0);
  HWND vertical =
      Child(d, "msctls_trackbar32", "", TBS_VERT | TBS_BOTH | TBS_AUTOTICKS, 330, 212, 40, 60, 129);
  SendMessage(vertical, TBM_SETTICFREQ, 25, 0);
  (void)vertical;

  // Right column: tabs and the buttons.
  s.tabs = Child(d, "SysTabControl32", "", WS_TABSTOP | WS_CLIPSIBLINGS, 380, 8, 164, 150, 130);
  int index = 0;
  for (const char* label : {"General", "Sound", "Network"}) {
    TCITEM tab;
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<char*>(label);
    SendMessage(s.tabs, TCM_INSERTITEM, static_cast<WPARAM>(index++),
                reinterpret_cast<LPARAM>(&tab));
  }
  RECT page{0, 0, 164, 150};
  SendMessage(s.tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
  Child(s.tabs, "BUTTON", "Hints on", BS_AUTOCHECKBOX, page.left + 4, page.top + 6, 120, 18, 131);
  Child(s.tabs, "BUTTON", "Grid lines", BS_AUTOCHECKBOX, page.left + 4, page.top + 28, 120, 18,
        132);
  HWND buttons = Child(d, "SysTabControl32", "", TCS_BUTTONS, 380, 166, 164, 26, 133);
  index = 0;
  for (const char* label : {"Hosts", "Files"}) {
    TCITEM tab;
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<char*>(label);
    SendMessage(buttons, TCM_INSERTITEM, static_cast<WPARAM>(index++),
                reinterpret_cast<LPARAM>(&tab));
  }
  Child(d, "BUTTON", "&Apply", BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 380, 270, 80, 24, 140);
  Child(d, "BUTTON", "Flat", BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP, 466, 270, 78, 24, 141);
  s.ok = Child(d, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 380, 330, 80, 24, IDOK);
  Child(d, "BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 466, 330, 78, 24, IDCANCEL);

  SetFocus(s.edit);
  SendMessage(s.edit, EM_SETSEL, 0, 5);
  return s;
}

}  // namespace ctl_test
