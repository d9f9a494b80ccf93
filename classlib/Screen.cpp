#include "classlib/Screen.h"

#include <algorithm>

#include "classlib/Form.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/user.h"

namespace {

// The platform cursor each standard cursor number stands for. The class
// library's own splitter cursors are the nearest platform ones; its drag
// cursors are its own (LibraryCursor).
LPCSTR StandardCursorName(TCursor cursor) {
  switch (cursor) {
    case crDefault:
    case crArrow:
      return IDC_ARROW;
    case crCross:
      return IDC_CROSS;
    case crIBeam:
      return IDC_IBEAM;
    case crSizeNESW:
      return IDC_SIZENESW;
    case crSizeNS:
    case crVSplit:
      return IDC_SIZENS;
    case crSizeNWSE:
      return IDC_SIZENWSE;
    case crSizeWE:
    case crHSplit:
      return IDC_SIZEWE;
    case crUpArrow:
      return IDC_UPARROW;
    case crHourGlass:
    case crSQLWait:
      return IDC_WAIT;
    case crNoDrop:
    case crNo:
      return IDC_NO;
    case crAppStart:
      return IDC_APPSTARTING;
    case crHelp:
      return IDC_HELP;
    case crHandPoint:
      return IDC_HAND;
    case crSizeAll:
      return IDC_SIZEALL;
  }
  return nullptr;
}

// The drag cursors: the arrow carrying one page (crDrag) or a stack of
// them (crMultiDrag), drawn below and right of the tip.
HCURSOR MakeDragCursor(int pages) {
  platform::CursorImage image;
  platform::GetCursorImage(LoadCursor(nullptr, IDC_ARROW), &image);
  image.standard_id = 0;
  for (int page = 0; page < pages; ++page) {
    const int left = 8 + 2 * page;
    const int top = 18 - 2 * page;
    for (int y = top; y < top + 10; ++y) {
      for (int x = left; x < left + 8; ++x) {
        const bool edge = x == left || y == top || x == left + 7 || y == top + 9;
        image.argb[static_cast<std::size_t>(y * image.width + x)] = edge ? 0xFF000000 : 0xFFFFFFFF;
      }
    }
  }
  return platform::CreateCursorFromImage(image);
}

// The class library's own cursors, made on first use and kept for the
// life of the program (as the platform's standard ones are).
HCURSOR LibraryCursor(TCursor cursor) {
  static const HCURSOR drag = MakeDragCursor(1);
  static const HCURSOR multi_drag = MakeDragCursor(3);
  if (cursor == crDrag) return drag;
  if (cursor == crMultiDrag) return multi_drag;
  return nullptr;
}

bool IsStandardCursor(HCURSOR cursor) {
  platform::CursorImage image;
  return platform::GetCursorImage(cursor, &image) && image.standard_id != 0;
}

}  // namespace

TScreen* Screen = new TScreen(nullptr);

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner), hint_font_(std::make_unique<TFont>()) {
  hint_font_->SetColor(clInfoText);
}

TScreen::~TScreen() {
  for (auto& [index, cursor] : cursors_) {
    if (cursor != nullptr && !IsStandardCursor(cursor)) DestroyCursor(cursor);
  }
}

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }

int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

TRect TScreen::WorkAreaRect() const {
  RECT area{0, 0, Width(), Height()};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

int TScreen::WorkAreaWidth() const {
  const TRect area = WorkAreaRect();
  return area.right - area.left;
}

int TScreen::WorkAreaHeight() const {
  const TRect area = WorkAreaRect();
  return area.bottom - area.top;
}

void TScreen::SetCursor(TCursor Value) {
  if (Value == cursor_) return;
  cursor_ = Value;
  if (Value == crDefault) {
    // Each window shows its own cursor again.
    POINT p{};
    GetCursorPos(&p);
    if (HWND window = WindowFromPoint(p)) SendMessage(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), HTCLIENT);
  } else {
    ::SetCursor(Cursors(Value));
  }
}

HCURSOR TScreen::Cursors(int Index) const {
  const auto it = cursors_.find(Index);
  if (it != cursors_.end()) return it->second;
  if (Index == crNone) return nullptr;
  if (HCURSOR own = LibraryCursor(Index)) return own;
  LPCSTR name = StandardCursorName(Index);
  return LoadCursor(nullptr, name != nullptr ? name : IDC_ARROW);
}

void TScreen::SetCursors(int Index, HCURSOR Handle) {
  const auto it = cursors_.find(Index);
  if (it != cursors_.end()) {
    if (it->second != nullptr && it->second != Handle && !IsStandardCursor(it->second)) DestroyCursor(it->second);
    cursors_.erase(it);
  }
  if (Handle != nullptr) cursors_[Index] = Handle;
}

int TScreen::FormCount() const {
  return static_cast<int>(std::count_if(custom_forms_.begin(), custom_forms_.end(),
                                        [](TCustomForm* f) { return dynamic_cast<TForm*>(f) != nullptr; }));
}

TForm* TScreen::Forms(int Index) const {
  for (TCustomForm* form : custom_forms_) {
    auto* plain = dynamic_cast<TForm*>(form);
    if (plain == nullptr) continue;
    if (Index-- == 0) return plain;
  }
  return nullptr;
}

TForm* TScreen::ActiveForm() const { return dynamic_cast<TForm*>(active_form_); }

void TScreen::AddForm(TCustomForm* AForm) { custom_forms_.push_back(AForm); }

void TScreen::RemoveForm(TCustomForm* AForm) {
  custom_forms_.erase(std::remove(custom_forms_.begin(), custom_forms_.end(), AForm), custom_forms_.end());
  if (active_form_ == AForm) active_form_ = nullptr;
  if (active_control_ != nullptr && GetParentForm(active_control_) == nullptr) active_control_ = nullptr;
}

void TScreen::SetActiveForm(TCustomForm* AForm) {
  if (active_form_ == AForm) return;
  TCustomForm* previous = active_form_;
  active_form_ = AForm;
  if (AForm != nullptr) {
    auto it = std::find(custom_forms_.begin(), custom_forms_.end(), AForm);
    if (it != custom_forms_.end()) std::rotate(custom_forms_.begin(), it, it + 1);
  }
  if (previous != nullptr) previous->Perform(CM_DEACTIVATE);
  if (AForm != nullptr && active_form_ == AForm) AForm->Perform(CM_ACTIVATE);
  if (OnActiveFormChange) OnActiveFormChange(this);
}

void TScreen::SetActiveControl(TWinControl* AControl) {
  if (active_control_ == AControl) return;
  active_control_ = AControl;
  if (OnActiveControlChange) OnActiveControlChange(this);
}

void TScreen::ControlDestroyed(TControl* AControl) {
  if (active_control_ != nullptr && static_cast<TControl*>(active_control_) == AControl) active_control_ = nullptr;
}
