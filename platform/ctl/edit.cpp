// The "EDIT" class.
#include "platform/ctl/edit.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "platform/ctl/control_base.h"
#include "platform/ctl/edit_layout.h"
#include "platform/ctl/scroll_bar.h"
#include "platform/user/beep.h"
#include "platform/user/builtin_classes.h"
#include "platform/user/clipboard.h"

namespace platform::ctl {
namespace {

constexpr std::size_t kDefaultLimit = 32767;
constexpr std::size_t kLargestLimit = 0x7FFFFFFE;
constexpr UINT_PTR kDragTimer = 1;
constexpr UINT kDragScrollMs = 100;
constexpr int kDefaultTabStop = 32;  // dialog units (four to an average character)

// A DC on the field with its font selected, for measuring text.
class MeasureDC {
 public:
  MeasureDC(HWND hwnd, HFONT font) : hwnd_(hwnd), dc_(GetDC(hwnd)), old_(SelectObject(dc_, font)) {}
  ~MeasureDC() {
    SelectObject(dc_, old_);
    ReleaseDC(hwnd_, dc_);
  }
  MeasureDC(const MeasureDC&) = delete;
  MeasureDC& operator=(const MeasureDC&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
  HGDIOBJ old_;
};

class Edit : public Control {
 public:
  explicit Edit(HWND hwnd) : Control(hwnd) {}

  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  enum class Run { kNone, kTyping, kBackspace, kDelete };

  struct UndoState {
    bool valid = false;
    std::string text;
    std::size_t anchor = 0;
    std::size_t caret = 0;
  };

  // ---- styles ----
  bool Multiline() const { return (Style() & ES_MULTILINE) != 0; }
  bool ReadOnly() const { return (Style() & ES_READONLY) != 0; }
  bool Wraps() const {
    return Multiline() && !(Style() & ES_AUTOHSCROLL) && !(Style() & WS_HSCROLL);
  }
  std::size_t SelStart() const { return std::min(anchor_, caret_); }
  std::size_t SelEnd() const { return std::max(anchor_, caret_); }
  bool HasSelection() const { return anchor_ != caret_; }

  // ---- geometry ----
  RECT FormatRect() const;
  int TextTop() const;
  int VisibleLines() const;
  int TabWidth() const { return std::max(1, AverageCharWidth() * tab_stop_ / 4); }
  std::vector<int> Prefix(HDC dc, std::size_t from, std::size_t to) const;
  std::vector<int> LinePrefix(std::size_t line) const;
  int AlignOffset(std::size_t line, int line_width) const;
  // x of a position within its line (before scrolling), and on the client.
  int XInLine(std::size_t line, std::size_t pos) const;
  POINT ClientPointOf(std::size_t pos) const;
  std::size_t ClosestInLine(std::size_t line, int x) const;
  std::size_t PositionAt(POINT pt) const;

  // ---- layout and display ----
  void Relayout();
  void ScrollToCaret();
  void UpdateScrollBars();
  void UpdateCaret();
  bool ScrollLines(int delta);
  bool ScrollTo(std::size_t first_line);
  void ScrollHorizontally(int pixels);
  void Paint();
  void PaintLine(HDC dc, std::size_t index, int y, bool show_selection, COLORREF text_color);
  void DrawPiece(HDC dc, std::size_t from, std::size_t to, int base, const std::vector<int>& prefix,
                 std::size_t line_start, int y);
  std::string Shown(std::size_t from, std::size_t to) const;

  // ---- changes ----
  std::string Prepared(std::string insert) const;
  bool FitsWithoutScrolling(const std::string& text) const;
  bool Replace(std::size_t from, std::size_t to, std::string insert, bool by_user);
  void Changed(bool notify);
  void TakeSnapshot();
  void TypeCharacter(const std::string& character);
  void DeleteBackward();
  void DeleteForward();
  void DeleteSelection();
  void Copy();
  void Cut();
  void Paste();
  bool Undo();
  void SetText(const char* text);

  // ---- caret moves and input ----
  void MoveCaret(std::size_t pos, bool extend, bool keep_column = false);
  void SetSelection(std::ptrdiff_t start, std::ptrdiff_t end);
  LRESULT KeyDown(UINT vk);
  LRESULT Char(BYTE c);
  void VerticalMove(int lines, bool extend);
  void MouseDown(POINT pt, bool extend);
  void MouseMoveTo(POINT pt);
  void EndDrag();
  void OnScroll(bool vertical, WORD code, int pos);
  LRESULT DialogCode(const MSG* msg) const;
  LRESULT GetLine(WPARAM line, LPARAM buffer) const;

  std::string text_;
  std::size_t anchor_ = 0;
  std::size_t caret_ = 0;
  std::vector<EditLine> lines_{EditLine{}};
  std::size_t first_line_ = 0;
  int x_offset_ = 0;
  int widest_line_ = 0;
  std::size_t limit_ = kDefaultLimit;
  bool modified_ = false;
  char password_ = 0;
  int margin_left_ = 1;
  int margin_right_ = 1;
  bool has_format_rect_ = false;
  RECT format_rect_{};
  int tab_stop_ = kDefaultTabStop;
  UndoState undo_;
  Run run_ = Run::kNone;
  std::size_t run_pos_ = 0;
  int desired_x_ = -1;
  bool dragging_ = false;
  POINT drag_point_{};
  // A character typed as UTF-8 arrives one byte at a time.
  std::string pending_;
  std::size_t pending_length_ = 0;
};

// ---------------------------------------------------------------------------
// Geometry
// ---------------------------------------------------------------------------

RECT Edit::FormatRect() const {
  if (has_format_rect_) return format_rect_;
  RECT r = Client();
  r.left += margin_left_;
  r.right -= margin_right_;
  if (r.right < r.left) r.right = r.left;
  return r;
}

int Edit::TextTop() const {
  RECT r = FormatRect();
  if (Multiline()) return r.top;
  // A single line sits in the middle of a field taller than it.
  return r.top + std::max(0, static_cast<int>(r.bottom - r.top) - LineHeight()) / 2;
}

int Edit::VisibleLines() const {
  RECT r = FormatRect();
  return std::max(1, static_cast<int>(r.bottom - r.top) / LineHeight());
}

std::vector<int> Edit::Prefix(HDC dc, std::size_t from, std::size_t to) const {
  std::vector<int> x(to - from + 1, 0);
  int pen = 0;
  std::size_t i = from;
  const int tab = TabWidth();
  int password_width = 0;
  if (password_ != 0) {
    SIZE size{};
    GetTextExtentPoint32(dc, &password_, 1, &size);
    password_width = size.cx;
  }
  std::vector<INT> dx;
  while (i < to) {
    if (text_[i] == '\t' && password_ == 0) {
      x[i - from] = pen;
      pen = (pen / tab + 1) * tab;
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < to && (text_[j] != '\t' || password_ != 0)) ++j;
    if (password_ != 0) {
      for (std::size_t k = i; k < j; k = NextCharacter(text_, k)) {
        x[k - from] = pen;
        pen += password_width;
      }
    } else {
      dx.assign(j - i, 0);
      SIZE size{};
      GetTextExtentExPoint(dc, text_.data() + i, static_cast<int>(j - i), 0, nullptr, dx.data(),
                           &size);
      for (std::size_t k = i; k < j; ++k) x[k - from] = pen + (k == i ? 0 : dx[k - i - 1]);
      pen += size.cx;
    }
    i = j;
  }
  x[to - from] = pen;
  return x;
}

std::vector<int> Edit::LinePrefix(std::size_t line) const {
  MeasureDC measure(hwnd(), Font());
  return Prefix(measure.dc(), lines_[line].start, lines_[line].end);
}

int Edit::AlignOffset(std::size_t line, int line_width) const {
  (void)line;
  DWORD align = Style() & (ES_CENTER | ES_RIGHT);
  // Right-to-left alignment puts a left-aligned field's text at the right.
  if (align == ES_LEFT && (ExStyle() & WS_EX_RIGHT)) align = ES_RIGHT;
  if (align == ES_LEFT) return 0;
  RECT r = FormatRect();
  const int room = r.right - r.left - line_width - 1;
  if (room <= 0) return 0;
  return align == ES_RIGHT ? room : room / 2;
}

int Edit::XInLine(std::size_t line, std::size_t pos) const {
  std::vector<int> prefix = LinePrefix(line);
  const EditLine& l = lines_[line];
  pos = std::clamp(pos, l.start, l.end);
  return AlignOffset(line, prefix.back()) + prefix[pos - l.start];
}

POINT Edit::ClientPointOf(std::size_t pos) const {
  const std::size_t line = LineOfPosition(lines_, pos);
  RECT r = FormatRect();
  const int y = TextTop() + (static_cast<int>(line) - static_cast<int>(first_line_)) * LineHeight();
  return POINT{r.left + XInLine(line, pos) - x_offset_, y};
}

std::size_t Edit::ClosestInLine(std::size_t line, int x) const {
  const EditLine& l = lines_[line];
  std::vector<int> prefix = LinePrefix(line);
  x -= AlignOffset(line, prefix.back());
  std::size_t best = l.start;
  for (std::size_t p = l.start; p < l.end;) {
    std::size_t q = NextCharacter(text_, p);
    const int middle = (prefix[p - l.start] + prefix[q - l.start]) / 2;
    if (x < middle) return p;
    best = q;
    p = q;
  }
  // Past the end of a line wrapped after a blank: before that blank, so the
  // caret stays on this line.
  if (l.soft() && best == l.end && l.end > l.start && line + 1 < lines_.size()) {
    best = PreviousCharacter(text_, l.end);
  }
  return best;
}

std::size_t Edit::PositionAt(POINT pt) const {
  RECT r = FormatRect();
  const int row = pt.y >= TextTop() ? (pt.y - TextTop()) / LineHeight()
                                    : -((TextTop() - pt.y + LineHeight() - 1) / LineHeight());
  const long line = std::clamp<long>(static_cast<long>(first_line_) + row, 0,
                                     static_cast<long>(lines_.size()) - 1);
  return ClosestInLine(static_cast<std::size_t>(line), pt.x - r.left + x_offset_);
}

// ---------------------------------------------------------------------------
// Layout and display
// ---------------------------------------------------------------------------

void Edit::Relayout() {
  RECT r = FormatRect();
  const int wrap = Wraps() ? std::max(1, static_cast<int>(r.right - r.left)) : 0;
  MeasureDC measure(hwnd(), Font());
  lines_ = LayoutEditLines(text_, Multiline(), wrap,
                           [&](const std::string&, std::size_t from, std::size_t to) {
                             return Prefix(measure.dc(), from, to);
                           });
  widest_line_ = 0;
  if (Style() & WS_HSCROLL) {
    for (const EditLine& l : lines_) {
      widest_line_ = std::max(widest_line_, Prefix(measure.dc(), l.start, l.end).back());
    }
  }
  const std::size_t last_first = lines_.size() > static_cast<std::size_t>(VisibleLines())
                                     ? lines_.size() - static_cast<std::size_t>(VisibleLines())
                                     : 0;
  first_line_ = std::min(first_line_, last_first);
  if (Wraps()) x_offset_ = 0;
  UpdateScrollBars();
}

void Edit::UpdateScrollBars() {
  const DWORD style = Style();
  if (style & WS_VSCROLL) {
    SCROLLINFO info;
    info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = static_cast<int>(lines_.size()) - 1;
    info.nPage = static_cast<UINT>(VisibleLines());
    info.nPos = static_cast<int>(first_line_);
    SetScrollInfo(hwnd(), SB_VERT, &info, TRUE);
  }
  if (style & WS_HSCROLL) {
    RECT r = FormatRect();
    SCROLLINFO info;
    info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = widest_line_;
    info.nPage = static_cast<UINT>(std::max(1L, static_cast<long>(r.right - r.left)));
    info.nPos = x_offset_;
    SetScrollInfo(hwnd(), SB_HORZ, &info, TRUE);
  }
}

void Edit::ScrollToCaret() {
  bool moved = false;
  const std::size_t line = LineOfPosition(lines_, caret_);
  const auto visible = static_cast<std::size_t>(VisibleLines());
  if (Multiline()) {
    if (line < first_line_) {
      first_line_ = line;
      moved = true;
    } else if (line >= first_line_ + visible) {
      first_line_ = line - visible + 1;
      moved = true;
    }
  }
  if (!Wraps()) {
    RECT r = FormatRect();
    const int width = std::max(1, static_cast<int>(r.right - r.left));
    const int x = XInLine(line, caret_);
    if (x < x_offset_) {
      x_offset_ = std::max(0, x - width / 3);
      moved = true;
    } else if (x >= x_offset_ + width) {
      x_offset_ = x - width + width / 3;
      moved = true;
    }
  }
  if (moved) {
    Invalidate(false);
    UpdateScrollBars();
  }
}

void Edit::UpdateCaret() {
  if (!Focused()) return;
  POINT pt = ClientPointOf(caret_);
  SetCaretPos(pt.x, pt.y);
}

bool Edit::ScrollTo(std::size_t first_line) {
  const auto visible = static_cast<std::size_t>(VisibleLines());
  const std::size_t last_first = lines_.size() > visible ? lines_.size() - visible : 0;
  first_line = std::min(first_line, last_first);
  if (first_line == first_line_) return false;
  first_line_ = first_line;
  Invalidate(false);
  UpdateScrollBars();
  UpdateCaret();
  return true;
}

bool Edit::ScrollLines(int delta) {
  const long target = static_cast<long>(first_line_) + delta;
  return ScrollTo(static_cast<std::size_t>(std::max(0L, target)));
}

void Edit::ScrollHorizontally(int pixels) {
  if (Wraps()) return;
  const int target = std::max(0, pixels);
  if (target == x_offset_) return;
  x_offset_ = target;
  Invalidate(false);
  UpdateScrollBars();
  UpdateCaret();
}

std::string Edit::Shown(std::size_t from, std::size_t to) const {
  if (password_ == 0) return text_.substr(from, to - from);
  std::size_t count = 0;
  for (std::size_t p = from; p < to; p = NextCharacter(text_, p)) ++count;
  return std::string(count, password_);
}

void Edit::DrawPiece(HDC dc, std::size_t from, std::size_t to, int base,
                     const std::vector<int>& prefix, std::size_t line_start, int y) {
  std::size_t i = from;
  while (i < to) {
    if (text_[i] == '\t' && password_ == 0) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < to && (text_[j] != '\t' || password_ != 0)) ++j;
    std::string shown = Shown(i, j);
    TextOut(dc, base + prefix[i - line_start], y, shown.c_str(), static_cast<int>(shown.size()));
    i = j;
  }
}

void Edit::PaintLine(HDC dc, std::size_t index, int y, bool show_selection, COLORREF text_color) {
  const EditLine& l = lines_[index];
  const std::vector<int> prefix = LinePrefix(index);
  const RECT r = FormatRect();
  const int base = r.left + AlignOffset(index, prefix.back()) - x_offset_;
  const std::size_t lo = show_selection ? std::clamp(SelStart(), l.start, l.end) : l.end;
  const std::size_t hi = show_selection ? std::clamp(SelEnd(), l.start, l.end) : l.end;
  SetTextColor(dc, text_color);
  DrawPiece(dc, l.start, lo, base, prefix, l.start, y);
  DrawPiece(dc, hi, l.end, base, prefix, l.start, y);
  if (lo < hi) {
    RECT band{base + prefix[lo - l.start], y, base + prefix[hi - l.start], y + LineHeight()};
    FillRect(dc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    DrawPiece(dc, lo, hi, base, prefix, l.start, y);
  }
}

void Edit::Paint() {
  PaintScope paint(hwnd());
  HDC dc = paint.dc();
  SelectFont font(dc, Font());
  const bool enabled = Enabled();
  HBRUSH background =
      ControlColor(dc, (ReadOnly() || !enabled) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
  const COLORREF text_color = enabled ? GetTextColor(dc) : GetSysColor(COLOR_GRAYTEXT);
  RECT client = Client();
  FillRect(dc, &client, background);
  const RECT r = FormatRect();
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, r.left, client.top, r.right, client.bottom);
  SetBkMode(dc, TRANSPARENT);
  const bool show_selection = HasSelection() && (Focused() || (Style() & ES_NOHIDESEL));
  int y = TextTop();
  for (std::size_t i = first_line_; i < lines_.size() && y < client.bottom; ++i) {
    PaintLine(dc, i, y, show_selection, text_color);
    y += LineHeight();
  }
  RestoreDC(dc, saved);
}

// ---------------------------------------------------------------------------
// Changes
// ---------------------------------------------------------------------------

std::string Edit::Prepared(std::string insert) const {
  const DWORD style = Style();
  if (style & ES_UPPERCASE) {
    for (char& c : insert) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  } else if (style & ES_LOWERCASE) {
    for (char& c : insert) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (!Multiline()) {
    std::size_t cut = insert.find_first_of("\r\n");
    if (cut != std::string::npos) insert.resize(cut);
    return insert;
  }
  // Every line break becomes CR LF.
  std::string out;
  out.reserve(insert.size());
  for (std::size_t i = 0; i < insert.size(); ++i) {
    const char c = insert[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < insert.size() && insert[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

bool Edit::FitsWithoutScrolling(const std::string& text) const {
  MeasureDC measure(hwnd(), Font());
  SIZE size{};
  std::string shown = password_ != 0 ? std::string(text.size(), password_) : text;
  GetTextExtentPoint32(measure.dc(), shown.c_str(), static_cast<int>(shown.size()), &size);
  RECT r = FormatRect();
  return size.cx < r.right - r.left;
}

bool Edit::Replace(std::size_t from, std::size_t to, std::string insert, bool by_user) {
  insert = Prepared(std::move(insert));
  const std::size_t kept = text_.size() - (to - from);
  const std::size_t room = limit_ > kept ? limit_ - kept : 0;
  bool cut = false;
  if (insert.size() > room) {
    std::size_t keep = room;
    while (keep > 0 && keep < insert.size() &&
           ((static_cast<unsigned char>(insert[keep]) & 0xC0) == 0x80 ||
            (insert[keep] == '\n' && insert[keep - 1] == '\r'))) {
      --keep;
    }
    insert.resize(keep);
    cut = true;
  }
  if (!Multiline() && !(Style() & ES_AUTOHSCROLL)) {
    // Without horizontal scrolling the text must fit the field.
    while (!insert.empty()) {
      std::string after = text_;
      after.replace(from, to - from, insert);
      if (FitsWithoutScrolling(after)) break;
      insert.resize(PreviousCharacter(insert, insert.size()));
      cut = true;
    }
  }
  if (cut) NotifyCommand(EN_MAXTEXT);
  if (!alive() || (insert.empty() && from == to)) return false;
  text_.replace(from, to - from, insert);
  anchor_ = caret_ = from + insert.size();
  desired_x_ = -1;
  if (by_user) modified_ = true;
  Changed(true);
  return true;
}

void Edit::Changed(bool notify) {
  Relayout();
  ScrollToCaret();
  if (notify) NotifyCommand(EN_UPDATE);
  if (!alive()) return;
  Invalidate(false);
  UpdateCaret();
  if (notify) NotifyCommand(EN_CHANGE);
}

void Edit::TakeSnapshot() {
  undo_.valid = true;
  undo_.text = text_;
  undo_.anchor = anchor_;
  undo_.caret = caret_;
}

void Edit::TypeCharacter(const std::string& character) {
  if (ReadOnly()) return;
  if ((Style() & ES_NUMBER) &&
      !(character.size() == 1 && std::isdigit(static_cast<unsigned char>(character[0])))) {
    MessageBeep(0);
    return;
  }
  const bool continuing = run_ == Run::kTyping && !HasSelection() && caret_ == run_pos_;
  if (!continuing) TakeSnapshot();
  if (Replace(SelStart(), SelEnd(), character, true) && alive()) {
    run_ = Run::kTyping;
    run_pos_ = caret_;
  }
}

void Edit::DeleteSelection() {
  if (ReadOnly() || !HasSelection()) return;
  TakeSnapshot();
  run_ = Run::kNone;
  Replace(SelStart(), SelEnd(), std::string(), true);
}

void Edit::DeleteBackward() {
  if (ReadOnly()) return;
  if (HasSelection()) {
    DeleteSelection();
    return;
  }
  if (caret_ == 0) return;
  if (!(run_ == Run::kBackspace && caret_ == run_pos_)) TakeSnapshot();
  if (Replace(PreviousCaretStop(text_, caret_), caret_, std::string(), true) && alive()) {
    run_ = Run::kBackspace;
    run_pos_ = caret_;
  }
}

void Edit::DeleteForward() {
  if (ReadOnly()) return;
  if (HasSelection()) {
    DeleteSelection();
    return;
  }
  if (caret_ >= text_.size()) return;
  if (!(run_ == Run::kDelete && caret_ == run_pos_)) TakeSnapshot();
  if (Replace(caret_, NextCaretStop(text_, caret_), std::string(), true) && alive()) {
    run_ = Run::kDelete;
    run_pos_ = caret_;
  }
}

void Edit::Copy() {
  // A password field never gives its text away.
  if (!HasSelection() || password_ != 0) return;
  platform::PutClipboardText(hwnd(), text_.substr(SelStart(), SelEnd() - SelStart()));
}

void Edit::Cut() {
  if (!HasSelection() || password_ != 0 || ReadOnly()) return;
  Copy();
  DeleteSelection();
}

void Edit::Paste() {
  if (ReadOnly()) return;
  std::string text;
  if (!platform::TakeClipboardText(hwnd(), &text)) return;
  TakeSnapshot();
  run_ = Run::kNone;
  Replace(SelStart(), SelEnd(), text, true);
}

bool Edit::Undo() {
  if (!undo_.valid || ReadOnly()) return false;
  std::swap(text_, undo_.text);
  std::swap(anchor_, undo_.anchor);
  std::swap(caret_, undo_.caret);
  run_ = Run::kNone;
  desired_x_ = -1;
  modified_ = true;
  Changed(true);
  return true;
}

void Edit::SetText(const char* text) {
  text_ = text != nullptr ? text : "";
  anchor_ = caret_ = 0;
  first_line_ = 0;
  x_offset_ = 0;
  undo_ = UndoState{};
  run_ = Run::kNone;
  modified_ = false;
  desired_x_ = -1;
  Changed(!Multiline());
}

// ---------------------------------------------------------------------------
// Caret moves and input
// ---------------------------------------------------------------------------

void Edit::MoveCaret(std::size_t pos, bool extend, bool keep_column) {
  pos = SnapPosition(text_, pos);
  const bool selection_changed = pos != caret_ || (!extend && anchor_ != pos);
  caret_ = pos;
  if (!extend) anchor_ = pos;
  run_ = Run::kNone;
  if (!keep_column) desired_x_ = -1;
  ScrollToCaret();
  if (selection_changed) Invalidate(false);
  UpdateCaret();
}

void Edit::SetSelection(std::ptrdiff_t start, std::ptrdiff_t end) {
  const auto size = static_cast<std::ptrdiff_t>(text_.size());
  if (start == -1) {
    // Only the selection goes; the caret stays.
    MoveCaret(caret_, false);
    return;
  }
  if (end < 0 || end > size) end = size;
  start = std::clamp<std::ptrdiff_t>(start, 0, size);
  anchor_ = SnapPosition(text_, static_cast<std::size_t>(start));
  MoveCaret(static_cast<std::size_t>(end), true);
}

void Edit::VerticalMove(int lines, bool extend) {
  if (!Multiline()) {
    MoveCaret(lines < 0 ? PreviousCaretStop(text_, caret_) : NextCaretStop(text_, caret_), extend);
    return;
  }
  const std::size_t line = LineOfPosition(lines_, caret_);
  if (desired_x_ < 0) desired_x_ = XInLine(line, caret_);
  const long target =
      std::clamp<long>(static_cast<long>(line) + lines, 0, static_cast<long>(lines_.size()) - 1);
  if (static_cast<std::size_t>(target) == line) return;
  const int column = desired_x_;
  MoveCaret(ClosestInLine(static_cast<std::size_t>(target), column), extend, true);
  desired_x_ = column;
}

LRESULT Edit::KeyDown(UINT vk) {
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  const std::size_t line = LineOfPosition(lines_, caret_);
  switch (vk) {
    case VK_LEFT:
      if (ctrl) {
        MoveCaret(PreviousWordStart(text_, caret_), shift);
      } else if (HasSelection() && !shift) {
        MoveCaret(SelStart(), false);
      } else {
        MoveCaret(PreviousCaretStop(text_, caret_), shift);
      }
      return 0;
    case VK_RIGHT:
      if (ctrl) {
        MoveCaret(NextWordStart(text_, caret_), shift);
      } else if (HasSelection() && !shift) {
        MoveCaret(SelEnd(), false);
      } else {
        MoveCaret(NextCaretStop(text_, caret_), shift);
      }
      return 0;
    case VK_UP:
      VerticalMove(-1, shift);
      return 0;
    case VK_DOWN:
      VerticalMove(1, shift);
      return 0;
    case VK_PRIOR:
    case VK_NEXT: {
      const int page = VisibleLines();
      if (Multiline()) ScrollLines(vk == VK_PRIOR ? -page : page);
      VerticalMove(vk == VK_PRIOR ? -page : page, shift);
      return 0;
    }
    case VK_HOME:
      MoveCaret(ctrl ? 0 : lines_[line].start, shift);
      return 0;
    case VK_END: {
      if (ctrl) {
        MoveCaret(text_.size(), shift);
        return 0;
      }
      const EditLine& l = lines_[line];
      std::size_t end = l.end;
      // The end of a line wrapped after a blank is before that blank.
      if (l.soft() && end > l.start && line + 1 < lines_.size())
        end = PreviousCharacter(text_, end);
      MoveCaret(end, shift);
      return 0;
    }
    case VK_DELETE:
      if (shift) {
        Cut();
      } else {
        DeleteForward();
      }
      return 0;
    case VK_INSERT:
      if (shift) {
        Paste();
      } else if (ctrl) {
        Copy();
      }
      return 0;
  }
  return 0;
}

LRESULT Edit::Char(BYTE c) {
  // The bytes of one UTF-8 character come one message each.
  if (c >= 0x80) {
    if ((c & 0xC0) == 0x80) {
      if (pending_.empty()) return 0;
      pending_ += static_cast<char>(c);
      if (pending_.size() < pending_length_) return 0;
      std::string character;
      character.swap(pending_);
      TypeCharacter(character);
      return 0;
    }
    pending_.assign(1, static_cast<char>(c));
    pending_length_ = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
    return 0;
  }
  pending_.clear();
  switch (c) {
    case 0x01:  // Ctrl+A
      SetSelection(0, -1);
      return 0;
    case 0x03:  // Ctrl+C
      Copy();
      return 0;
    case 0x16:  // Ctrl+V
      Paste();
      return 0;
    case 0x18:  // Ctrl+X
      Cut();
      return 0;
    case 0x1A:  // Ctrl+Z
      Undo();
      return 0;
    case '\b':
      DeleteBackward();
      return 0;
    case '\r':
    case '\n':
      if (Multiline()) TypeCharacter("\r\n");
      return 0;
    case '\t':
      if (Multiline()) TypeCharacter("\t");
      return 0;
  }
  if (c < 0x20 || c == 0x7F) return 0;
  TypeCharacter(std::string(1, static_cast<char>(c)));
  return 0;
}

void Edit::MouseDown(POINT pt, bool extend) {
  if (!Focused()) SetFocus(hwnd());
  if (!alive()) return;
  MoveCaret(PositionAt(pt), extend);
  dragging_ = true;
  drag_point_ = pt;
  SetCapture(hwnd());
  SetTimer(hwnd(), kDragTimer, kDragScrollMs, nullptr);
}

void Edit::MouseMoveTo(POINT pt) {
  if (!dragging_) return;
  drag_point_ = pt;
  MoveCaret(PositionAt(pt), true);
}

void Edit::EndDrag() {
  if (!dragging_) return;
  dragging_ = false;
  KillTimer(hwnd(), kDragTimer);
  if (GetCapture() == hwnd()) ReleaseCapture();
}

void Edit::OnScroll(bool vertical, WORD code, int pos) {
  if (vertical) {
    if (!Multiline()) return;
    const int page = VisibleLines();
    bool moved = false;
    switch (code) {
      case SB_LINEUP:
        moved = ScrollLines(-1);
        break;
      case SB_LINEDOWN:
        moved = ScrollLines(1);
        break;
      case SB_PAGEUP:
        moved = ScrollLines(-page);
        break;
      case SB_PAGEDOWN:
        moved = ScrollLines(page);
        break;
      case SB_TOP:
        moved = ScrollTo(0);
        break;
      case SB_BOTTOM:
        moved = ScrollTo(lines_.size());
        break;
      case SB_THUMBTRACK:
      case SB_THUMBPOSITION:
        moved = ScrollTo(static_cast<std::size_t>(std::max(0, pos)));
        break;
    }
    if (moved) NotifyCommand(EN_VSCROLL);
    return;
  }
  RECT r = FormatRect();
  const int page = std::max(1, static_cast<int>(r.right - r.left));
  const int old = x_offset_;
  switch (code) {
    case SB_LINELEFT:
      ScrollHorizontally(x_offset_ - AverageCharWidth());
      break;
    case SB_LINERIGHT:
      ScrollHorizontally(x_offset_ + AverageCharWidth());
      break;
    case SB_PAGELEFT:
      ScrollHorizontally(x_offset_ - page);
      break;
    case SB_PAGERIGHT:
      ScrollHorizontally(x_offset_ + page);
      break;
    case SB_LEFT:
      ScrollHorizontally(0);
      break;
    case SB_RIGHT:
      ScrollHorizontally(std::max(0, widest_line_ - page));
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      ScrollHorizontally(pos);
      break;
  }
  if (x_offset_ != old) NotifyCommand(EN_HSCROLL);
}

LRESULT Edit::DialogCode(const MSG* msg) const {
  LRESULT code = DLGC_HASSETSEL | DLGC_WANTCHARS | DLGC_WANTARROWS;
  // A multi-line field with ES_WANTRETURN takes Enter from the dialog.
  if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && Multiline() &&
      (Style() & ES_WANTRETURN)) {
    code |= DLGC_WANTMESSAGE;
  }
  return code;
}

LRESULT Edit::GetLine(WPARAM line, LPARAM buffer) const {
  if (buffer == 0) return 0;
  auto* out = reinterpret_cast<char*>(buffer);
  WORD room = 0;
  std::memcpy(&room, out, sizeof(room));
  const std::size_t index = Multiline() ? static_cast<std::size_t>(line) : 0;
  if (index >= lines_.size()) return 0;
  const EditLine& l = lines_[index];
  const std::size_t count = std::min<std::size_t>(room, l.end - l.start);
  std::memcpy(out, text_.data() + l.start, count);
  return static_cast<LRESULT>(count);
}

// ---------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------

LRESULT Edit::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCT*>(lparam);
      if (Style() & ES_PASSWORD) password_ = '*';
      if (Style() & ES_MULTILINE) limit_ = kDefaultLimit;
      text_ = (cs != nullptr && cs->lpszName != nullptr &&
               reinterpret_cast<std::uintptr_t>(cs->lpszName) >= 0x10000)
                  ? cs->lpszName
                  : "";
      Relayout();
      return 0;
    }
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      Relayout();
      ScrollToCaret();
      Invalidate(false);
      UpdateCaret();
      return 0;
    case WM_SETFONT:
      Relayout();
      if (Focused()) {
        CreateCaret(hwnd(), nullptr, 1, LineHeight());
        ShowCaret(hwnd());
        UpdateCaret();
      }
      if (lparam) Invalidate(false);
      return 0;
    case WM_STYLECHANGED:
      if (wparam == static_cast<WPARAM>(GWL_STYLE)) {
        Relayout();
        Invalidate(false);
      }
      return 0;
    case WM_ENABLE:
      Invalidate(false);
      return 0;
    case WM_SETFOCUS:
      CreateCaret(hwnd(), nullptr, 1, LineHeight());
      UpdateCaret();
      ShowCaret(hwnd());
      if (HasSelection()) Invalidate(false);
      NotifyCommand(EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      EndDrag();
      DestroyCaret();
      pending_.clear();
      if (HasSelection() && !(Style() & ES_NOHIDESEL)) Invalidate(false);
      NotifyCommand(EN_KILLFOCUS);
      return 0;
    case WM_GETDLGCODE:
      return DialogCode(reinterpret_cast<const MSG*>(lparam));
    case WM_KEYDOWN:
      return KeyDown(static_cast<UINT>(wparam));
    case WM_CHAR:
      return Char(static_cast<BYTE>(wparam));
    case WM_LBUTTONDOWN:
      MouseDown(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}, (wparam & MK_SHIFT) != 0);
      return 0;
    case WM_LBUTTONDBLCLK: {
      if (!Focused()) SetFocus(hwnd());
      std::size_t start = 0, end = 0;
      WordAround(text_, PositionAt(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}), &start,
                 &end);
      anchor_ = start;
      MoveCaret(end, true);
      return 0;
    }
    case WM_MOUSEMOVE:
      MouseMoveTo(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      return 0;
    case WM_LBUTTONUP:
      EndDrag();
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lparam) != hwnd()) EndDrag();
      return 0;
    case WM_TIMER:
      // Held beyond the field while dragging: the text scrolls under the mouse.
      if (wparam == kDragTimer && dragging_) {
        RECT r = FormatRect();
        if (drag_point_.y < r.top) {
          ScrollLines(-1);
        } else if (drag_point_.y >= r.bottom) {
          ScrollLines(1);
        }
        if (!Wraps() && drag_point_.x < r.left) ScrollHorizontally(x_offset_ - AverageCharWidth());
        if (!Wraps() && drag_point_.x >= r.right)
          ScrollHorizontally(x_offset_ + AverageCharWidth());
        MoveCaret(PositionAt(drag_point_), true);
      }
      return 0;
    case WM_VSCROLL:
    case WM_HSCROLL:
      OnScroll(message == WM_VSCROLL, LOWORD(wparam), static_cast<SHORT>(HIWORD(wparam)));
      return 0;
    case WM_MOUSEWHEEL:
      if (Multiline()) {
        const int notches = static_cast<SHORT>(HIWORD(wparam)) / 120;
        if (ScrollLines(-3 * notches)) NotifyCommand(EN_VSCROLL);
      }
      return 0;
    case WM_SETTEXT:
      Default(message, wparam, lparam);
      SetText(reinterpret_cast<const char*>(lparam));
      return TRUE;
    case WM_GETTEXT: {
      if (wparam == 0 || lparam == 0) return 0;
      const std::size_t count = std::min<std::size_t>(text_.size(), wparam - 1);
      std::memcpy(reinterpret_cast<char*>(lparam), text_.data(), count);
      reinterpret_cast<char*>(lparam)[count] = '\0';
      return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(text_.size());
    case WM_COPY:
      Copy();
      return 0;
    case WM_CUT:
      Cut();
      return 0;
    case WM_PASTE:
      Paste();
      return 0;
    case WM_CLEAR:
      DeleteSelection();
      return 0;
    case WM_UNDO:
    case EM_UNDO:
      return Undo() ? TRUE : FALSE;
    case EM_CANUNDO:
      return undo_.valid ? TRUE : FALSE;
    case EM_EMPTYUNDOBUFFER:
      undo_ = UndoState{};
      run_ = Run::kNone;
      return 0;
    case EM_GETSEL: {
      if (wparam) *reinterpret_cast<DWORD*>(wparam) = static_cast<DWORD>(SelStart());
      if (lparam) *reinterpret_cast<DWORD*>(lparam) = static_cast<DWORD>(SelEnd());
      if (SelEnd() > 0xFFFF) return -1;
      return MAKELRESULT(static_cast<WORD>(SelStart()), static_cast<WORD>(SelEnd()));
    }
    case EM_SETSEL:
      SetSelection(static_cast<std::ptrdiff_t>(static_cast<int>(wparam)),
                   static_cast<std::ptrdiff_t>(static_cast<int>(lparam)));
      return 0;
    case EM_REPLACESEL: {
      const char* text = reinterpret_cast<const char*>(lparam);
      if (wparam) TakeSnapshot();
      run_ = Run::kNone;
      Replace(SelStart(), SelEnd(), text != nullptr ? text : "", false);
      return 0;
    }
    case EM_LIMITTEXT:
      limit_ = wparam == 0 ? kLargestLimit : static_cast<std::size_t>(wparam);
      return 0;
    case EM_GETLIMITTEXT:
      return static_cast<LRESULT>(limit_);
    case EM_GETLINECOUNT:
      return static_cast<LRESULT>(lines_.size());
    case EM_LINEINDEX: {
      const auto line = static_cast<int>(wparam);
      if (line == -1) return static_cast<LRESULT>(lines_[LineOfPosition(lines_, caret_)].start);
      if (line < 0 || static_cast<std::size_t>(line) >= lines_.size()) return -1;
      return static_cast<LRESULT>(lines_[static_cast<std::size_t>(line)].start);
    }
    case EM_LINELENGTH: {
      const auto pos = static_cast<int>(wparam);
      if (pos == -1 && HasSelection()) {
        // The unselected characters on the lines the selection touches.
        const EditLine& first = lines_[LineOfPosition(lines_, SelStart())];
        const EditLine& last = lines_[LineOfPosition(lines_, SelEnd())];
        return static_cast<LRESULT>((SelStart() - first.start) +
                                    (last.end - std::min(SelEnd(), last.end)));
      }
      const std::size_t at = pos < 0 ? caret_ : std::min<std::size_t>(pos, text_.size());
      const EditLine& l = lines_[LineOfPosition(lines_, at)];
      return static_cast<LRESULT>(l.end - l.start);
    }
    case EM_LINEFROMCHAR: {
      const auto pos = static_cast<int>(wparam);
      const std::size_t at = pos < 0 ? SelStart() : std::min<std::size_t>(pos, text_.size());
      return static_cast<LRESULT>(LineOfPosition(lines_, at));
    }
    case EM_GETLINE:
      return GetLine(wparam, lparam);
    case EM_SCROLLCARET:
      ScrollToCaret();
      UpdateCaret();
      return TRUE;
    case EM_SCROLL: {
      if (!Multiline()) return FALSE;
      const std::size_t before = first_line_;
      OnScroll(true, static_cast<WORD>(wparam), 0);
      return MAKELRESULT(
          static_cast<WORD>(static_cast<int>(first_line_) - static_cast<int>(before)), TRUE);
    }
    case EM_LINESCROLL:
      if (!Wraps()) ScrollHorizontally(x_offset_ + static_cast<int>(wparam) * AverageCharWidth());
      if (Multiline()) ScrollLines(static_cast<int>(lparam));
      return TRUE;
    case EM_GETFIRSTVISIBLELINE:
      if (Multiline()) return static_cast<LRESULT>(first_line_);
      return static_cast<LRESULT>(ClosestInLine(0, x_offset_));
    case EM_SETREADONLY: {
      DWORD style = Style();
      SetWindowLongPtr(hwnd(), GWL_STYLE, wparam ? (style | ES_READONLY) : (style & ~ES_READONLY));
      Invalidate(false);
      return TRUE;
    }
    case EM_GETMODIFY:
      return modified_ ? TRUE : FALSE;
    case EM_SETMODIFY:
      modified_ = wparam != 0;
      return 0;
    case EM_SETPASSWORDCHAR: {
      password_ = static_cast<char>(wparam);
      DWORD style = Style();
      SetWindowLongPtr(hwnd(), GWL_STYLE,
                       password_ != 0 ? (style | ES_PASSWORD) : (style & ~ES_PASSWORD));
      Relayout();
      Invalidate(false);
      UpdateCaret();
      return 0;
    }
    case EM_GETPASSWORDCHAR:
      return static_cast<LRESULT>(static_cast<unsigned char>(password_));
    case EM_SETMARGINS: {
      const int font_margin = std::max(1, AverageCharWidth() / 2);
      if (wparam & EC_LEFTMARGIN) {
        margin_left_ = LOWORD(lparam) == EC_USEFONTINFO ? font_margin : LOWORD(lparam);
      }
      if (wparam & EC_RIGHTMARGIN) {
        margin_right_ = HIWORD(lparam) == EC_USEFONTINFO ? font_margin : HIWORD(lparam);
      }
      Relayout();
      Invalidate(false);
      UpdateCaret();
      return 0;
    }
    case EM_GETMARGINS:
      return MAKELRESULT(static_cast<WORD>(margin_left_), static_cast<WORD>(margin_right_));
    case EM_GETRECT:
      if (lparam) *reinterpret_cast<RECT*>(lparam) = FormatRect();
      return 0;
    case EM_SETRECT:
    case EM_SETRECTNP:
      has_format_rect_ = lparam != 0;
      if (lparam) format_rect_ = *reinterpret_cast<const RECT*>(lparam);
      Relayout();
      if (message == EM_SETRECT) Invalidate(false);
      return 0;
    case EM_SETTABSTOPS:
      tab_stop_ = wparam == 0 || lparam == 0 ? kDefaultTabStop
                                             : std::max(1, *reinterpret_cast<const int*>(lparam));
      Relayout();
      Invalidate(false);
      return TRUE;
    case EM_POSFROMCHAR: {
      if (wparam >= text_.size()) return -1;
      POINT pt = ClientPointOf(SnapPosition(text_, wparam));
      return MAKELRESULT(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y));
    }
    case EM_CHARFROMPOS: {
      const std::size_t pos = PositionAt(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      return MAKELRESULT(static_cast<WORD>(pos),
                         static_cast<WORD>(Multiline() ? LineOfPosition(lines_, pos) : 0));
    }
    case EM_FMTLINES:
      return wparam ? TRUE : FALSE;
    case EM_GETHANDLE:
    case EM_SETHANDLE:
    case EM_GETTHUMB:
    case EM_SETWORDBREAKPROC:
    case EM_GETWORDBREAKPROC:
      return 0;
  }
  return Default(message, wparam, lparam);
}

void RegisterEditClass() {
  RegisterControlClass<Edit>("EDIT", CS_DBLCLKS, IDC_IBEAM);
}

const platform::BuiltinClass kEditClass("EDIT", &RegisterEditClass);

}  // namespace
}  // namespace platform::ctl
