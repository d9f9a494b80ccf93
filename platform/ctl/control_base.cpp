#include "platform/ctl/control_base.h"

#include <algorithm>
#include <cctype>

namespace platform::ctl {

Control* ControlOf(HWND hwnd) {
  if (!IsWindow(hwnd)) return nullptr;
  DWORD saved = GetLastError();
  auto* control = reinterpret_cast<Control*>(GetWindowLongPtr(hwnd, 0));
  SetLastError(saved);
  return control;
}

LRESULT Control::Dispatch(Control* control, UINT message, WPARAM wparam, LPARAM lparam) {
  HWND hwnd = control->hwnd_;
  ++control->depth_;
  LRESULT result = 0;
  if (!control->alive_) {
    result = DefWindowProc(hwnd, message, wparam, lparam);
  } else if (message == WM_GETFONT) {
    result = reinterpret_cast<LRESULT>(control->font_);
  } else {
    if (message == WM_SETFONT) {
      control->font_ = reinterpret_cast<HFONT>(wparam);
      control->line_height_ = 0;
    }
    result = control->Handle(message, wparam, lparam);
  }
  if (message == WM_NCDESTROY && control->alive_) {
    control->alive_ = false;
    SetWindowLongPtr(hwnd, 0, 0);
  }
  if (--control->depth_ == 0 && !control->alive_) delete control;
  return result;
}

LRESULT Control::Default(UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProc(hwnd_, message, wparam, lparam);
}

DWORD Control::Style() const {
  return static_cast<DWORD>(GetWindowLongPtr(hwnd_, GWL_STYLE));
}

DWORD Control::ExStyle() const {
  return static_cast<DWORD>(GetWindowLongPtr(hwnd_, GWL_EXSTYLE));
}

int Control::Id() const {
  return static_cast<int>(GetWindowLongPtr(hwnd_, GWLP_ID));
}

HWND Control::Parent() const {
  return GetParent(hwnd_);
}

HFONT Control::Font() const {
  return font_ != nullptr ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

RECT Control::Client() const {
  RECT r{};
  GetClientRect(hwnd_, &r);
  return r;
}

std::string Control::Text() const {
  int length = GetWindowTextLength(hwnd_);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  int copied = GetWindowText(hwnd_, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
  return text;
}

void Control::NotifyCommand(WORD code) {
  HWND parent = Parent();
  if (parent == nullptr) return;
  SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(Id()), code),
              reinterpret_cast<LPARAM>(hwnd_));
}

LRESULT Control::Notify(NMHDR* header, UINT code) {
  header->hwndFrom = hwnd_;
  header->idFrom = static_cast<UINT_PTR>(Id());
  header->code = code;
  HWND parent = Parent();
  if (parent == nullptr) return 0;
  return SendMessage(parent, WM_NOTIFY, static_cast<WPARAM>(Id()),
                     reinterpret_cast<LPARAM>(header));
}

HBRUSH Control::ControlColor(HDC dc, UINT message) {
  HWND parent = Parent();
  HBRUSH brush = nullptr;
  if (parent != nullptr) {
    brush = reinterpret_cast<HBRUSH>(SendMessage(parent, message, reinterpret_cast<WPARAM>(dc),
                                                 reinterpret_cast<LPARAM>(hwnd_)));
  }
  if (brush == nullptr) {
    brush = reinterpret_cast<HBRUSH>(DefWindowProc(hwnd_, message, reinterpret_cast<WPARAM>(dc),
                                                   reinterpret_cast<LPARAM>(hwnd_)));
  }
  return brush;
}

void Control::MeasureFont() const {
  if (line_height_ > 0) return;
  HDC dc = GetDC(hwnd_);
  TEXTMETRIC tm;
  {
    SelectFont font(dc, Font());
    GetTextMetrics(dc, &tm);
  }
  ReleaseDC(hwnd_, dc);
  line_height_ = tm.tmHeight > 0 ? tm.tmHeight : 13;
  char_width_ = tm.tmAveCharWidth > 0 ? tm.tmAveCharWidth : 6;
}

int Control::LineHeight() const {
  MeasureFont();
  return line_height_;
}

int Control::AverageCharWidth() const {
  MeasureFont();
  return char_width_;
}

void RegisterControlClassWith(const char* name, WNDPROC proc, UINT class_style, LPCSTR cursor,
                              HBRUSH background) {
  WNDCLASSEX wc;
  wc.style = class_style | CS_GLOBALCLASS;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = sizeof(void*);
  wc.hCursor = LoadCursor(nullptr, cursor);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  RegisterClassEx(&wc);
}

void DrawLabel(HDC dc, const std::string& text, RECT rect, UINT format, bool enabled) {
  int old_mode = SetBkMode(dc, TRANSPARENT);
  if (enabled) {
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
  } else {
    COLORREF old_color = SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
    RECT shadow = rect;
    OffsetRect(&shadow, 1, 1);
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &shadow, format);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
    SetTextColor(dc, old_color);
  }
  SetBkMode(dc, old_mode);
}

HBRUSH CheckerBrush() {
  static HBRUSH brush = [] {
    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP colour = CreateCompatibleBitmap(nullptr, 8, 8);
    HGDIOBJ old = SelectObject(mem, colour);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        SetPixelV(mem, x, y,
                  ((x + y) % 2 == 0) ? GetSysColor(COLOR_3DHILIGHT) : GetSysColor(COLOR_3DFACE));
      }
    }
    SelectObject(mem, old);
    DeleteDC(mem);
    HBRUSH made = CreatePatternBrush(colour);
    DeleteObject(colour);
    return made;
  }();
  return brush;
}

namespace {
bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}
}  // namespace

std::size_t NextCharacter(const std::string& text, std::size_t pos) {
  if (pos >= text.size()) return text.size();
  ++pos;
  while (pos < text.size() && IsContinuation(text[pos])) ++pos;
  return pos;
}

std::size_t PreviousCharacter(const std::string& text, std::size_t pos) {
  if (pos == 0) return 0;
  if (pos > text.size()) pos = text.size();
  --pos;
  while (pos > 0 && IsContinuation(text[pos])) --pos;
  return pos;
}

std::size_t CharacterStart(const std::string& text, std::size_t pos) {
  if (pos >= text.size()) return text.size();
  while (pos > 0 && IsContinuation(text[pos])) --pos;
  return pos;
}

char MnemonicOf(const std::string& text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
  }
  return 0;
}

int CompareNoCase(const std::string& a, const std::string& b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    int ca = std::tolower(static_cast<unsigned char>(a[i]));
    int cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (prefix.size() > text.size()) return false;
  return CompareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

}  // namespace platform::ctl
