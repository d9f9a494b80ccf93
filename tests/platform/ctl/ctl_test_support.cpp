#include "tests/platform/ctl/ctl_test_support.h"

#include <cstring>

#include "platform/core/clock.h"
#include "platform/display/display.h"
#include "tests/support/message_pump.h"

namespace ctl_test {

namespace {
constexpr char kHostClass[] = "VelkoControlTestHost";
}  // namespace

ControlTest* ControlTest::current_ = nullptr;

LRESULT ControlTest::HostProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  ControlTest* test = current_;
  if (test == nullptr) return DefWindowProc(hwnd, message, wparam, lparam);
  Note note;
  note.message = message;
  switch (message) {
    case WM_COMMAND:
      note.from = reinterpret_cast<HWND>(lparam);
      note.id = LOWORD(wparam);
      note.code = HIWORD(wparam);
      test->notes_.push_back(note);
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      note.from = header->hwndFrom;
      note.id = static_cast<int>(header->idFrom);
      note.code = header->code;
      // The record's own fields, for the notifications that have more
      // than the header.
      std::size_t more = 0;
      if (header->code == UDN_DELTAPOS) more = sizeof(NMUPDOWN) - sizeof(NMHDR);
      if (header->code == TCN_KEYDOWN) more = sizeof(NMTCKEYDOWN) - sizeof(NMHDR);
      const BYTE* after = reinterpret_cast<const BYTE*>(header + 1);
      note.detail.assign(after, after + more);
      test->notes_.push_back(note);
      break;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      note.from = reinterpret_cast<HWND>(lparam);
      note.code = LOWORD(wparam);
      note.pos = static_cast<SHORT>(HIWORD(wparam));
      test->notes_.push_back(note);
      break;
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lparam);
      note.from = item->hwndItem;
      note.id = static_cast<int>(item->CtlID);
      note.draw = *item;
      test->notes_.push_back(note);
      break;
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
      note.id = static_cast<int>(item->CtlID);
      note.code = item->itemID;
      test->notes_.push_back(note);
      break;
    }
  }
  if (test->handler_) {
    if (std::optional<LRESULT> answer = test->handler_(hwnd, message, wparam, lparam)) {
      return *answer;
    }
  }
  switch (message) {
    case WM_MEASUREITEM:
      reinterpret_cast<MEASUREITEMSTRUCT*>(lparam)->itemHeight = test->measure_height_;
      return TRUE;
    case WM_DRAWITEM: {
      // Owner-drawn items: red when selected, white otherwise.
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lparam);
      HBRUSH brush =
          CreateSolidBrush((item->itemState & ODS_SELECTED) ? RGB(255, 0, 0) : RGB(255, 255, 255));
      FillRect(item->hDC, &item->rcItem, brush);
      DeleteObject(brush);
      return TRUE;
    }
  }
  return DefWindowProc(hwnd, message, wparam, lparam);
}

void ControlTest::SetUp() {
  static const bool registered = [] {
    WNDCLASS wc;
    wc.lpfnWndProc = &ControlTest::HostProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kHostClass;
    return RegisterClass(&wc) != 0;
  }();
  ASSERT_TRUE(registered);
  platform::ResetInput();
  windows_before_ = platform::LiveWindowCount();
  current_ = this;
  font_ = CreateFont(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, kTestFontName);
  host_ = CreateWindowEx(0, kHostClass, "host", WS_POPUP | WS_VISIBLE, 40, 40, 600, 440, nullptr,
                         nullptr, nullptr, nullptr);
  ASSERT_NE(host_, nullptr);
  Pump();
}

void ControlTest::TearDown() {
  handler_ = nullptr;
  if (IsWindow(host_)) DestroyWindow(host_);
  Pump();
  current_ = nullptr;
  DeleteObject(font_);
  platform::UseRealClock();
  platform::ResetInput();
  EXPECT_EQ(platform::LiveWindowCount(), windows_before_) << "a test left windows behind";
}

HWND ControlTest::Make(const char* class_name, const char* text, DWORD style, int x, int y,
                       int width, int height, int id, DWORD ex_style) {
  HWND hwnd =
      CreateWindowEx(ex_style, class_name, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                     host_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  EXPECT_NE(hwnd, nullptr) << class_name;
  if (hwnd != nullptr) SendMessage(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  Pump();
  return hwnd;
}

void ControlTest::Pump() { velko_test::PumpWaitingMessages(); }

POINT ControlTest::ScreenPoint(HWND hwnd, int x, int y) {
  POINT pt{x, y};
  ClientToScreen(hwnd, &pt);
  return pt;
}

void ControlTest::Click(HWND hwnd, int x, int y) {
  POINT pt = ScreenPoint(hwnd, x, y);
  platform::InjectClick(pt.x, pt.y);
  Pump();
}

void ControlTest::DoubleClick(HWND hwnd, int x, int y) {
  POINT pt = ScreenPoint(hwnd, x, y);
  platform::InjectClick(pt.x, pt.y);
  platform::InjectClick(pt.x, pt.y);
  Pump();
}

void ControlTest::MouseDown(HWND hwnd, int x, int y) {
  POINT pt = ScreenPoint(hwnd, x, y);
  platform::InjectMouse(platform::MouseAction::kLeftDown, pt.x, pt.y);
  Pump();
}

void ControlTest::MouseMove(HWND hwnd, int x, int y) {
  POINT pt = ScreenPoint(hwnd, x, y);
  platform::InjectMouse(platform::MouseAction::kMove, pt.x, pt.y);
  Pump();
}

void ControlTest::MouseUp(HWND hwnd, int x, int y) {
  POINT pt = ScreenPoint(hwnd, x, y);
  platform::InjectMouse(platform::MouseAction::kLeftUp, pt.x, pt.y);
  Pump();
}

void ControlTest::Press(UINT vk) {
  platform::InjectKeyPress(vk);
  Pump();
}

void ControlTest::PressWith(UINT modifier, UINT vk) {
  platform::InjectKey(modifier, true);
  platform::InjectKeyPress(vk);
  platform::InjectKey(modifier, false);
  Pump();
}

void ControlTest::PressWith(UINT modifier1, UINT modifier2, UINT vk) {
  platform::InjectKey(modifier1, true);
  platform::InjectKey(modifier2, true);
  platform::InjectKeyPress(vk);
  platform::InjectKey(modifier2, false);
  platform::InjectKey(modifier1, false);
  Pump();
}

void ControlTest::Type(const std::string& text) {
  platform::InjectText(text);
  Pump();
}

std::vector<Note> ControlTest::NotesOf(UINT message, UINT code) const {
  std::vector<Note> found;
  for (const Note& n : notes_) {
    if (n.message == message && n.code == code) found.push_back(n);
  }
  return found;
}

int ControlTest::CountOf(UINT message, UINT code) const {
  return static_cast<int>(NotesOf(message, code).size());
}

int ControlTest::CommandCount(HWND from, WORD code) const {
  int count = 0;
  for (const Note& n : notes_) {
    if (n.message == WM_COMMAND && n.from == from && n.code == code) ++count;
  }
  return count;
}

std::string ControlTest::TextOf(HWND hwnd) {
  int length = GetWindowTextLength(hwnd);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowText(hwnd, text.data(), length + 1)));
  return text;
}

COLORREF ControlTest::PixelAt(HWND hwnd, int x, int y) {
  auto image = platform::CaptureWindow(hwnd);
  if (!image) return CLR_INVALID;
  RECT window;
  GetWindowRect(hwnd, &window);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  return image->Pixel(origin.x - window.left + x, origin.y - window.top + y);
}

}  // namespace ctl_test
