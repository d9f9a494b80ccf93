// Edit fields: typing, selecting, the clipboard, undo, lines, scrolling and
// the mouse. The test font makes every character 8 pixels wide and every
// line 16 high; fields have a 1-pixel margin on the left.
#include "platform/core/errors.h"
#include "platform/user/clipboard.h"
#include "tests/platform/ctl/ctl_test_support.h"

namespace ctl_test {
namespace {

class EditTest : public ControlTest {
 protected:
  HWND MakeEdit(DWORD style = ES_AUTOHSCROLL, const char* text = "", int width = 200,
                int height = 24) {
    HWND edit = Make("EDIT", text, style | WS_TABSTOP, 10, 10, width, height, 200);
    SetFocus(edit);
    Pump();
    return edit;
  }

  static std::pair<DWORD, DWORD> Selection(HWND edit) {
    DWORD start = 0, end = 0;
    SendMessage(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
  }

  std::vector<UINT> EditCodes(HWND edit) const {
    std::vector<UINT> codes;
    for (const Note& n : notes_) {
      if (n.message == WM_COMMAND && n.from == edit) codes.push_back(n.code);
    }
    return codes;
  }

  static std::string Clipboard(HWND owner) {
    std::string text;
    platform::TakeClipboardText(owner, &text);
    return text;
  }
};

TEST_F(EditTest, TypedTextGoesInWithUpdateAndChangeForEachCharacter) {
  HWND edit = MakeEdit();
  notes_.clear();
  Type("Hello");
  EXPECT_EQ(TextOf(edit), "Hello");
  std::vector<UINT> codes = EditCodes(edit);
  ASSERT_EQ(codes.size(), 10u);
  for (std::size_t i = 0; i < codes.size(); i += 2) {
    EXPECT_EQ(codes[i], EN_UPDATE);
    EXPECT_EQ(codes[i + 1], EN_CHANGE);
  }
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{5}, DWORD{5}));
  EXPECT_TRUE(SendMessage(edit, EM_GETMODIFY, 0, 0));
  // The caret stands after the fifth character.
  POINT caret;
  GetCaretPos(&caret);
  EXPECT_EQ(caret.x, 1 + 5 * 8);
}

TEST_F(EditTest, ShiftArrowsSelectAndCtrlMovesByWords) {
  HWND edit = MakeEdit(ES_AUTOHSCROLL, "one two  three");
  Press(VK_HOME);
  PressWith(VK_SHIFT, VK_RIGHT);
  PressWith(VK_SHIFT, VK_RIGHT);
  PressWith(VK_SHIFT, VK_RIGHT);
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{0}, DWORD{3}));
  PressWith(VK_SHIFT, VK_LEFT);
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{0}, DWORD{2}));
  // Left without Shift ends the selection at its start.
  Press(VK_LEFT);
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{0}, DWORD{0}));
  PressWith(VK_CONTROL, VK_RIGHT);
  EXPECT_EQ(Selection(edit).second, 4u);
  PressWith(VK_CONTROL, VK_RIGHT);
  EXPECT_EQ(Selection(edit).second, 9u);
  PressWith(VK_CONTROL, VK_SHIFT, VK_LEFT);
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{4}, DWORD{9}));
  PressWith(VK_SHIFT, VK_END);
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{9}, DWORD{14}));
  PressWith(VK_CONTROL, 'A');
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{0}, DWORD{14}));
}

TEST_F(EditTest, CopyAndPasteGoThroughTheClipboard) {
  HWND edit = MakeEdit(ES_AUTOHSCROLL, "copy me");
  Press(VK_HOME);
  PressWith(VK_CONTROL, VK_SHIFT, VK_RIGHT);  // "copy "
  PressWith(VK_CONTROL, 'C');
  EXPECT_EQ(Clipboard(host_), "copy ");
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  Press(VK_END);
  PressWith(VK_CONTROL, 'V');
  EXPECT_EQ(TextOf(edit), "copy mecopy ");
  // Cut takes the selection out.
  PressWith(VK_SHIFT, VK_HOME);
  PressWith(VK_CONTROL, 'X');
  EXPECT_EQ(TextOf(edit), "");
  EXPECT_EQ(Clipboard(host_), "copy mecopy ");
  // The clipboard's text, put there by someone else, comes in too.
  platform::PutClipboardText(host_, "outside");
  PressWith(VK_SHIFT, VK_INSERT);
  EXPECT_EQ(TextOf(edit), "outside");
  // A single-line field takes only the first line of a paste.
  platform::PutClipboardText(host_, "one\r\ntwo");
  SendMessage(edit, WM_PASTE, 0, 0);
  EXPECT_EQ(TextOf(edit), "outsideone");
}

TEST_F(EditTest, UndoTakesBackTheLastChangeAndUndoingTwiceRedoes) {
  HWND edit = MakeEdit();
  EXPECT_FALSE(SendMessage(edit, EM_CANUNDO, 0, 0));
  Type("abc");
  EXPECT_TRUE(SendMessage(edit, EM_CANUNDO, 0, 0));
  PressWith(VK_CONTROL, 'Z');
  EXPECT_EQ(TextOf(edit), "");
  PressWith(VK_CONTROL, 'Z');
  EXPECT_EQ(TextOf(edit), "abc");
  // Typing after a caret move is a change of its own.
  Press(VK_HOME);
  Type("X");
  EXPECT_EQ(TextOf(edit), "Xabc");
  SendMessage(edit, EM_UNDO, 0, 0);
  EXPECT_EQ(TextOf(edit), "abc");
  // Backspaces in a row are one change.
  Press(VK_END);
  Press(VK_BACK);
  Press(VK_BACK);
  EXPECT_EQ(TextOf(edit), "a");
  SendMessage(edit, WM_UNDO, 0, 0);
  EXPECT_EQ(TextOf(edit), "abc");
  SendMessage(edit, EM_EMPTYUNDOBUFFER, 0, 0);
  EXPECT_FALSE(SendMessage(edit, EM_UNDO, 0, 0));
}

TEST_F(EditTest, Utf8CharactersAreOneCaretStep) {
  HWND edit = MakeEdit();
  Type("aé€b");  // 1 + 2 + 3 + 1 bytes, typed byte by byte
  EXPECT_EQ(TextOf(edit), "aé€b");
  Press(VK_LEFT);
  Press(VK_LEFT);
  EXPECT_EQ(Selection(edit).first, 3u);
  PressWith(VK_SHIFT, VK_LEFT);
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{1}, DWORD{3}));
  Press(VK_DELETE);
  EXPECT_EQ(TextOf(edit), "a€b");
  Press(VK_DELETE);
  EXPECT_EQ(TextOf(edit), "ab");
  // A position inside a character is taken as its start.
  SetWindowText(edit, "é!");
  SendMessage(edit, EM_SETSEL, 1, 1);
  EXPECT_EQ(Selection(edit).first, 0u);
  POINT caret;
  GetCaretPos(&caret);
  EXPECT_EQ(caret.x, 1);
}

TEST_F(EditTest, BackspaceAndDeleteRemoveOneCharacterOrTheSelection) {
  HWND edit = MakeEdit(ES_AUTOHSCROLL, "abcdef");
  SendMessage(edit, EM_SETSEL, 3, 3);
  Press(VK_BACK);
  EXPECT_EQ(TextOf(edit), "abdef");
  Press(VK_DELETE);
  EXPECT_EQ(TextOf(edit), "abef");
  SendMessage(edit, EM_SETSEL, 1, 3);
  Press(VK_BACK);
  EXPECT_EQ(TextOf(edit), "af");
  Type("XY");
  EXPECT_EQ(TextOf(edit), "aXYf");
}

TEST_F(EditTest, PasswordFieldShowsStarsAndKeepsItsText) {
  HWND edit = MakeEdit(ES_AUTOHSCROLL | ES_PASSWORD);
  EXPECT_EQ(SendMessage(edit, EM_GETPASSWORDCHAR, 0, 0), '*');
  Type("se");
  EXPECT_EQ(TextOf(edit), "se");
  platform::PutClipboardText(host_, "before");
  PressWith(VK_CONTROL, 'A');
  PressWith(VK_CONTROL, 'C');
  EXPECT_EQ(Clipboard(host_), "before");  // nothing copied
  // Stars are boxes in the test font as well; change the character to a
  // blank and nothing shows.
  SendMessage(edit, EM_SETSEL, 2, 2);
  SendMessage(edit, EM_SETPASSWORDCHAR, ' ', 0);
  Pump();
  const COLORREF paper = GetSysColor(COLOR_WINDOW);
  EXPECT_EQ(PixelAt(edit, 1 + 3, 12), paper);
  SendMessage(edit, EM_SETPASSWORDCHAR, 0, 0);
  Pump();
  EXPECT_NE(PixelAt(edit, 1 + 3, 12), paper);
  EXPECT_FALSE(GetWindowLongPtr(edit, GWL_STYLE) & ES_PASSWORD);
}

TEST_F(EditTest, NumberFieldRefusesLettersAndCaseStylesConvert) {
  HWND number = MakeEdit(ES_AUTOHSCROLL | ES_NUMBER);
  Type("1a2");
  EXPECT_EQ(TextOf(number), "12");
  HWND upper = Make("EDIT", "", ES_AUTOHSCROLL | ES_UPPERCASE, 10, 50, 200, 24, 201);
  SetFocus(upper);
  Type("Abc d");
  EXPECT_EQ(TextOf(upper), "ABC D");
}

TEST_F(EditTest, TheLimitCutsInsertionsShortAndSaysSo) {
  HWND edit = MakeEdit();
  SendMessage(edit, EM_LIMITTEXT, 4, 0);
  EXPECT_EQ(SendMessage(edit, EM_GETLIMITTEXT, 0, 0), 4);
  notes_.clear();
  Type("abcdef");
  EXPECT_EQ(TextOf(edit), "abcd");
  EXPECT_EQ(CommandCount(edit, EN_MAXTEXT), 2);
  EXPECT_EQ(CommandCount(edit, EN_CHANGE), 4);
  // A multi-byte character that does not fit whole is left out whole.
  SendMessage(edit, EM_SETSEL, 0, -1);
  SendMessage(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("abcé"));
  EXPECT_EQ(TextOf(edit), "abc");
  // WM_SETTEXT is not limited.
  SetWindowText(edit, "longer text");
  EXPECT_EQ(TextOf(edit), "longer text");
}

TEST_F(EditTest, ReadOnlyFieldsSelectAndCopyButNeverChange) {
  std::vector<UINT> colour_messages;
  handler_ = [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC)
      colour_messages.push_back(message);
    return std::nullopt;
  };
  HWND edit = MakeEdit(ES_AUTOHSCROLL | ES_READONLY, "fixed");
  Type("x");
  Press(VK_BACK);
  PressWith(VK_CONTROL, 'A');
  PressWith(VK_CONTROL, 'X');
  EXPECT_EQ(TextOf(edit), "fixed");
  PressWith(VK_CONTROL, 'C');
  EXPECT_EQ(Clipboard(host_), "fixed");
  ASSERT_FALSE(colour_messages.empty());
  EXPECT_EQ(colour_messages.back(), static_cast<UINT>(WM_CTLCOLORSTATIC));
  SendMessage(edit, EM_SETREADONLY, FALSE, 0);
  Pump();
  EXPECT_EQ(colour_messages.back(), static_cast<UINT>(WM_CTLCOLOREDIT));
  Type("!");
  EXPECT_EQ(TextOf(edit), "!");
}

TEST_F(EditTest, SetTextNotifiesSingleLineFieldsAndClearsTheModifiedFlag) {
  HWND single = MakeEdit();
  HWND multi = Make("EDIT", "", ES_MULTILINE, 10, 50, 200, 80, 201);
  notes_.clear();
  SetWindowText(single, "a");
  SetWindowText(multi, "b");
  EXPECT_EQ(EditCodes(single), (std::vector<UINT>{EN_UPDATE, EN_CHANGE}));
  EXPECT_TRUE(EditCodes(multi).empty());
  EXPECT_FALSE(SendMessage(single, EM_GETMODIFY, 0, 0));
  SendMessage(single, EM_SETMODIFY, TRUE, 0);
  EXPECT_TRUE(SendMessage(single, EM_GETMODIFY, 0, 0));
  EXPECT_EQ(GetWindowTextLength(multi), 1);
}

TEST_F(EditTest, MultiLineFieldsKeepLinesAndMoveBetweenThem) {
  HWND edit = MakeEdit(ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL, "", 200, 100);
  Type("first");
  Press(VK_RETURN);
  Type("2nd");
  Press(VK_RETURN);
  Type("third line");
  EXPECT_EQ(TextOf(edit), "first\r\n2nd\r\nthird line");
  EXPECT_EQ(SendMessage(edit, EM_GETLINECOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessage(edit, EM_LINEINDEX, 1, 0), 7);
  EXPECT_EQ(SendMessage(edit, EM_LINEINDEX, 3, 0), -1);
  EXPECT_EQ(SendMessage(edit, EM_LINELENGTH, 8, 0), 3);
  EXPECT_EQ(SendMessage(edit, EM_LINEFROMCHAR, 13, 0), 2);
  char buffer[16] = {};
  *reinterpret_cast<WORD*>(buffer) = sizeof(buffer);
  EXPECT_EQ(SendMessage(edit, EM_GETLINE, 2, reinterpret_cast<LPARAM>(buffer)), 10);
  EXPECT_EQ(std::string(buffer, 10), "third line");
  // Up keeps the column where the line allows: from column 10 to the end
  // of "2nd" and on to column 10 of "first"... which is its end, 5.
  Press(VK_UP);
  EXPECT_EQ(Selection(edit).first, 10u);
  Press(VK_UP);
  EXPECT_EQ(Selection(edit).first, 5u);
  Press(VK_DOWN);
  Press(VK_DOWN);
  EXPECT_EQ(Selection(edit).first, 22u);  // back to column 10
  // Left at a line's start steps over the whole line break.
  SendMessage(edit, EM_SETSEL, 7, 7);
  Press(VK_LEFT);
  EXPECT_EQ(Selection(edit).first, 5u);
  Press(VK_DELETE);
  EXPECT_EQ(TextOf(edit), "first2nd\r\nthird line");
  EXPECT_EQ(SendMessage(edit, EM_POSFROMCHAR, 10, 0), MAKELRESULT(1, 16));
  EXPECT_EQ(SendMessage(edit, EM_CHARFROMPOS, 0, MAKELPARAM(1 + 8 * 3 + 1, 20)),
            MAKELRESULT(13, 1));
}

TEST_F(EditTest, LongLinesWrapAtWordsWithoutHorizontalScrolling) {
  // 21 characters fit in 170 pixels (168 + margins).
  HWND edit = Make("EDIT", "the quick brown fox jumps over the lazy dog", ES_MULTILINE, 10, 10, 170,
                   100, 200);
  EXPECT_EQ(SendMessage(edit, EM_GETLINECOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessage(edit, EM_LINEINDEX, 1, 0), 20);  // "jumps..."
  EXPECT_EQ(SendMessage(edit, EM_LINEINDEX, 2, 0), 40);  // "dog"
  // A word longer than the line breaks inside.
  SetWindowText(edit, "abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(SendMessage(edit, EM_GETLINECOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessage(edit, EM_LINEINDEX, 1, 0), 21);
  // Narrower: more lines.
  SetWindowPos(edit, nullptr, 0, 0, 90, 100, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(SendMessage(edit, EM_GETLINECOUNT, 0, 0), 3);
}

TEST_F(EditTest, TheMousePlacesTheCaretSelectsAndSelectsWords) {
  platform::UseManualClock(1'000'000);
  HWND edit = MakeEdit(ES_AUTOHSCROLL, "alpha beta gamma");
  Click(edit, 1 + 8 * 6 + 2, 10);  // just after the blank
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{6}, DWORD{6}));
  platform::AdvanceClockMs(1000);
  // Shift+click extends.
  POINT pt = ScreenPoint(edit, 1 + 8 * 10, 10);
  platform::InjectKey(VK_SHIFT, true);
  platform::InjectClick(pt.x, pt.y);
  platform::InjectKey(VK_SHIFT, false);
  Pump();
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{6}, DWORD{10}));
  platform::AdvanceClockMs(1000);
  // Dragging selects.
  MouseDown(edit, 1 + 8 * 2, 10);
  MouseMove(edit, 1 + 8 * 4 + 5, 10);
  MouseUp(edit, 1 + 8 * 4 + 5, 10);
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{2}, DWORD{5}));
  platform::AdvanceClockMs(1000);
  // A double click takes the word and the blank after it.
  DoubleClick(edit, 1 + 8 * 7, 10);
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{6}, DWORD{11}));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(EditTest, FocusIsReportedAndTheSelectionIsDrawnHighlightedWhileFocused) {
  HWND edit = Make("EDIT", "MMMM", ES_AUTOHSCROLL, 10, 10, 100, 24, 200);
  HWND other = Make("EDIT", "", ES_AUTOHSCROLL, 10, 50, 100, 24, 201);
  notes_.clear();
  SetFocus(edit);
  SendMessage(edit, EM_SETSEL, 1, 3);
  Pump();
  EXPECT_EQ(PixelAt(edit, 1 + 8 + 3, 12), GetSysColor(COLOR_HIGHLIGHTTEXT));
  EXPECT_EQ(PixelAt(edit, 1 + 8 + 7, 12), GetSysColor(COLOR_HIGHLIGHT));  // the gap
  EXPECT_EQ(PixelAt(edit, 1 + 3, 12), GetSysColor(COLOR_WINDOWTEXT));
  SetFocus(other);
  Pump();
  EXPECT_EQ(PixelAt(edit, 1 + 8 + 7, 12), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(CommandCount(edit, EN_SETFOCUS), 1);
  EXPECT_EQ(CommandCount(edit, EN_KILLFOCUS), 1);
  EXPECT_EQ(CommandCount(other, EN_SETFOCUS), 1);
  EXPECT_EQ(SendMessage(edit, WM_GETDLGCODE, 0, 0),
            DLGC_HASSETSEL | DLGC_WANTCHARS | DLGC_WANTARROWS);
}

TEST_F(EditTest, LongSingleLinesScrollToKeepTheCaretInSight) {
  HWND edit = MakeEdit(ES_AUTOHSCROLL, "", 82, 24);  // room for 10 characters
  Type("0123456789abcdef");
  EXPECT_GT(SendMessage(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  POINT caret;
  GetCaretPos(&caret);
  EXPECT_LT(caret.x, 82);
  EXPECT_GE(caret.x, 0);
  Press(VK_HOME);
  EXPECT_EQ(SendMessage(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  // Without ES_AUTOHSCROLL the text must fit, with room for the caret.
  HWND fixed = Make("EDIT", "", 0, 10, 50, 83, 24, 201);
  SetFocus(fixed);
  notes_.clear();
  Type("0123456789abcdef");
  EXPECT_EQ(TextOf(fixed), "0123456789");
  EXPECT_GT(CommandCount(fixed, EN_MAXTEXT), 0);
}

TEST_F(EditTest, MultiLineFieldScrollsWithItsScrollBarAndTheCaret) {
  std::string text;
  for (int i = 0; i < 20; ++i) text += "line " + std::to_string(i) + "\r\n";
  HWND edit = MakeEdit(ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, text.c_str(), 200, 80);
  // 80 pixels: 5 lines show.
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(edit, SB_VERT, &info));
  EXPECT_EQ(info.nMax, 20);
  EXPECT_EQ(info.nPage, 5u);
  PressWith(VK_CONTROL, VK_END);
  EXPECT_EQ(SendMessage(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 16);
  EXPECT_EQ(GetScrollPos(edit, SB_VERT), 16);
  notes_.clear();
  SendMessage(edit, WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(SendMessage(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 15);
  EXPECT_EQ(CommandCount(edit, EN_VSCROLL), 1);
  EXPECT_EQ(SendMessage(edit, EM_SCROLL, SB_PAGEUP, 0), MAKELRESULT(static_cast<WORD>(-5), TRUE));
  SendMessage(edit, EM_LINESCROLL, 0, -100);
  EXPECT_EQ(SendMessage(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  // Clicking the bar's down arrow scrolls a line (the bar's own loop).
  RECT window;
  GetWindowRect(edit, &window);
  platform::InjectMouse(platform::MouseAction::kLeftDown, window.right - 8, window.bottom - 8);
  platform::InjectMouse(platform::MouseAction::kLeftUp, window.right - 8, window.bottom - 8);
  Pump();
  EXPECT_EQ(SendMessage(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 1);
}

}  // namespace
}  // namespace ctl_test
