#include "classlib/CustomControls.h"

#include <algorithm>
#include <vector>

#include "platform/gdi/gdi.h"

namespace {

// Canvases holding a device context they took outside of painting.
std::vector<TControlCanvas*>& CanvasesWithDC() {
  static std::vector<TControlCanvas*> list;
  return list;
}

// Gives the canvas DC back and clears it, whatever happens in between.
class PaintingOn {
 public:
  PaintingOn(TCanvas* canvas, HDC dc) : canvas_(canvas) {
    canvas_->Lock();
    canvas_->SetHandle(dc);
  }
  ~PaintingOn() {
    canvas_->SetHandle(nullptr);
    canvas_->Unlock();
  }
  PaintingOn(const PaintingOn&) = delete;
  PaintingOn& operator=(const PaintingOn&) = delete;

 private:
  TCanvas* canvas_;
};

}  // namespace

void FreeDeviceContexts() {
  for (TControlCanvas* canvas : std::vector<TControlCanvas*>(CanvasesWithDC())) {
    if (canvas->LockCount() == 0) canvas->FreeHandle();
  }
}

// --- TControlCanvas ---

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* AControl) {
  if (control_ == AControl) return;
  FreeHandle();
  control_ = AControl;
}

void TControlCanvas::CreateHandle() {
  if (control_ == nullptr) return;
  if (taken_dc_ == nullptr) {
    if (auto* window = dynamic_cast<TWinControl*>(control_)) {
      taken_from_ = window->Handle();
      taken_dc_ = GetDCEx(taken_from_, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
    } else if (control_->Parent() != nullptr) {
      // A windowless control draws on its parent's window, from its own
      // corner and inside its own rectangle.
      taken_from_ = control_->Parent()->Handle();
      taken_dc_ = GetDCEx(taken_from_, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
      if (taken_dc_ != nullptr) {
        SetViewportOrgEx(taken_dc_, control_->Left(), control_->Top(), nullptr);
        IntersectClipRect(taken_dc_, 0, 0, control_->Width(), control_->Height());
      }
    }
    if (taken_dc_ == nullptr) return;
    CanvasesWithDC().push_back(this);
  }
  SetHandle(taken_dc_);
}

void TControlCanvas::FreeHandle() {
  if (taken_dc_ == nullptr) return;
  if (Handle() == taken_dc_) SetHandle(nullptr);
  ReleaseDC(taken_from_, taken_dc_);
  taken_dc_ = nullptr;
  taken_from_ = nullptr;
  auto& list = CanvasesWithDC();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

// --- TGraphicControl ---

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
}

TGraphicControl::~TGraphicControl() { canvas_->FreeHandle(); }

void TGraphicControl::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_PAINT && Message.WParam != 0) {
    canvas_->FreeHandle();
    PaintingOn painting(canvas_.get(), reinterpret_cast<HDC>(Message.WParam));
    Paint();
    return;
  }
  TControl::Dispatch(Message);
}

// --- TCustomControl ---

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
}

TCustomControl::~TCustomControl() { canvas_->FreeHandle(); }

void TCustomControl::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_PAINT) {
    ControlState.Include(csCustomPaint);
    try {
      TWinControl::Dispatch(Message);
    } catch (...) {
      ControlState.Exclude(csCustomPaint);
      throw;
    }
    ControlState.Exclude(csCustomPaint);
    return;
  }
  TWinControl::Dispatch(Message);
}

void TCustomControl::PaintWindow(HDC DC) {
  canvas_->FreeHandle();
  PaintingOn painting(canvas_.get(), DC);
  Paint();
}

void TCustomControl::DestroyWindowHandle() {
  canvas_->FreeHandle();
  TWinControl::DestroyWindowHandle();
}
