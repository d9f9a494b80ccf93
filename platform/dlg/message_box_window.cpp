// The modal message box window, installed as the message box presenter
// when the platform library loads.
#include <algorithm>
#include <vector>

#include "platform/dlg/dialog_window.h"
#include "platform/dlg/message_box.h"
#include "platform/dlg/message_icons.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/system_metrics.h"

namespace platform::dlg {
namespace {

constexpr int kMargin = 12;
constexpr int kIconGap = 12;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kTextToButtons = 14;
// Room the caption bar needs beside its text (the close box).
constexpr int kCaptionExtra = 40;

const char* ButtonText(int id) {
  switch (id) {
    case IDOK:
      return "OK";
    case IDCANCEL:
      return "Cancel";
    case IDABORT:
      return "&Abort";
    case IDRETRY:
      return "&Retry";
    case IDIGNORE:
      return "&Ignore";
    case IDYES:
      return "&Yes";
    case IDNO:
      return "&No";
  }
  return "";
}

std::vector<int> ButtonsOf(UINT set) {
  switch (set) {
    case MB_OKCANCEL:
      return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
      return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
      return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
      return {IDYES, IDNO};
    case MB_RETRYCANCEL:
      return {IDRETRY, IDCANCEL};
  }
  return {IDOK};
}

SIZE TextExtent(HFONT font, const std::string& text, int max_width, UINT format) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  RECT r{0, 0, max_width, 0};
  DrawText(dc, text.empty() ? " " : text.c_str(), -1, &r, format | DT_CALCRECT);
  SelectObject(dc, old);
  DeleteDC(dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

class MessageBoxDialog : public DialogWindow {
 public:
  explicit MessageBoxDialog(const platform::MessageBoxRequest& request)
      : request_(request), buttons_(ButtonsOf(request.buttons())) {
    Layout();
  }

  int Run() {
    MessageBeep(request_.icon());
    const bool topmost = (request_.type & (MB_TOPMOST | MB_SYSTEMMODAL)) != 0;
    const bool task_modal = (request_.type & MB_TASKMODAL) != 0;
    return RunModal(request_.owner, request_.caption, client_, topmost, task_modal, EscapeResult());
  }

 protected:
  void OnCreate() override {
    const int default_id = request_.DefaultButton();
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
      const int id = buttons_[i];
      RECT r{buttons_left_ + static_cast<int>(i) * (kButtonWidth + kButtonGap), buttons_top_, 0, 0};
      r.right = r.left + kButtonWidth;
      r.bottom = r.top + kButtonHeight;
      HWND button = AddButton(id, ButtonText(id), r, id == default_id);
      if (id == default_id) default_button_ = button;
    }
  }

  HWND InitialFocus() override { return default_button_; }

  void OnCommand(int id, WORD, HWND) override {
    if (id == IDCANCEL && !HasButton(IDCANCEL)) {
      if (CanCancel()) End(EscapeResult());
      return;
    }
    if (HasButton(id)) End(id);
  }

  bool CanCancel() const override {
    return HasButton(IDCANCEL) || request_.buttons() == MB_OK ||
           request_.buttons() > MB_RETRYCANCEL;
  }

  int DefaultId() const override { return request_.DefaultButton(); }

  void OnPaint(HDC dc) override {
    if (request_.icon() != 0) DrawMessageIcon(dc, kMargin, kMargin, request_.icon());
    HGDIOBJ old = SelectObject(dc, Font());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    RECT r = text_rect_;
    DrawText(dc, request_.text.c_str(), -1, &r, kTextFormat);
    SelectObject(dc, old);
  }

 private:
  static constexpr UINT kTextFormat = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_LEFT;

  bool HasButton(int id) const {
    return std::find(buttons_.begin(), buttons_.end(), id) != buttons_.end();
  }

  int EscapeResult() const { return HasButton(IDCANCEL) ? IDCANCEL : buttons_.front(); }

  // The icon at the top left, the text beside it (wrapped at five eighths
  // of the screen), the buttons centred under both.
  void Layout() {
    const bool has_icon = request_.icon() != 0;
    const int icon = has_icon ? GetSystemMetrics(SM_CXICON) : 0;
    const int text_left = kMargin + (has_icon ? icon + kIconGap : 0);
    const int max_text = std::max(100, static_cast<int>(platform::ScreenSize().cx) * 5 / 8);
    const SIZE text = TextExtent(Font(), request_.text, max_text, kTextFormat);
    const int text_top = kMargin + (has_icon && text.cy < icon ? (icon - text.cy) / 2 : 0);
    text_rect_ = RECT{text_left, text_top, text_left + text.cx, text_top + text.cy};

    const int count = static_cast<int>(buttons_.size());
    const int row = count * kButtonWidth + (count - 1) * kButtonGap;
    LOGFONT caption_font = platform::DefaultGuiLogFont(true);
    HFONT bold = CreateFontIndirect(&caption_font);
    const int caption = TextExtent(bold, request_.caption, 10000, DT_SINGLELINE | DT_NOPREFIX).cx;
    DeleteObject(bold);
    const int width =
        std::max({text_rect_.right + kMargin, row + 2 * kMargin, caption + kCaptionExtra});
    buttons_top_ = std::max<int>(text_rect_.bottom, kMargin + icon) + kTextToButtons;
    buttons_left_ = (width - row) / 2;
    client_ = SIZE{width, buttons_top_ + kButtonHeight + kMargin};
  }

  platform::MessageBoxRequest request_;
  std::vector<int> buttons_;
  RECT text_rect_{};
  int buttons_top_ = 0;
  int buttons_left_ = 0;
  SIZE client_{};
  HWND default_button_ = nullptr;
};

[[maybe_unused]] const bool kPresenterInstalled = [] {
  platform::SetMessageBoxPresenter(&platform::ShowModalMessageBox);
  return true;
}();

}  // namespace
}  // namespace platform::dlg

namespace platform {

int ShowModalMessageBox(const MessageBoxRequest& request) {
  dlg::MessageBoxDialog dialog(request);
  return dialog.Run();
}

}  // namespace platform
