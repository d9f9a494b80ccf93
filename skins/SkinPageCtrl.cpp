#include "skins/SkinPageCtrl.h"

#include <functional>

#include "platform/ctl/tab_control.h"
#include "platform/user/user.h"
#include "skins/SkinEngine.h"
#include "skins/SkinTypes.h"

TscPageControl::TscPageControl(TComponent* AOwner)
    : TPageControl(AOwner), SkinObject(std::make_unique<TscSkinObject>()) {}

TscPageControl::~TscPageControl() { SetSkinEngine(nullptr); }

void TscPageControl::SetSkinEngine(TscSkinEngine* Value) {
  if (skin_engine_ == Value) return;
  if (skin_engine_) skin_engine_->RemoveFreeNotification(this);
  skin_engine_ = Value;
  if (Value) {
    Value->FreeNotification(this);
    Perform(SCM_CHANGED, 0, 0);
  }
}

void TscPageControl::Notification(TComponent* AComponent, TOperation Operation) {
  TPageControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == skin_engine_) {
    skin_engine_ = nullptr;
    SkinChanged();
  }
}

bool TscPageControl::Skinned() const {
  if (!skin_engine_ || !skin_engine_->SkinSource()) return false;
  TscSkinObject* o = skin_engine_->SkinSource()->PageControlObject();
  return o && o->ChildCount() > 0 && SkinObject->ChildCount() > 0;
}

void TscPageControl::SkinChanged() {
  TscSkinObject* o = skin_engine_ && skin_engine_->SkinSource()
                         ? skin_engine_->SkinSource()->PageControlObject()
                         : nullptr;
  if (o && o->ChildCount() > 0) {
    SkinObject->Assign(o);
    if (TscSkinObject* client = SkinObject->FindChild(skPageControlClient)) SetColor(client->Color);
  } else {
    SkinObject = std::make_unique<TscSkinObject>();
  }
  Invalidate();
}

void TscPageControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case SCM_CHANGED:
      SkinChanged();
      return;
    case WM_ERASEBKGND:
      if (Skinned()) {
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        if (dc) {
          DrawParentBackground(this, dc);
        } else {
          HDC own = GetDC(Handle());
          DrawParentBackground(this, own);
          ReleaseDC(Handle(), own);
        }
        Message.Result = 0;
        return;
      }
      break;
    case WM_PAINT:
      // Skinned painting goes through PaintWindow; otherwise the page
      // control paints as always.
      if (Skinned())
        ControlState.Include(csCustomPaint);
      else
        ControlState.Exclude(csCustomPaint);
      break;
    default:
      break;
  }
  TPageControl::Dispatch(Message);
}

void TscPageControl::PaintWindow(HDC DC) {
  if (!Skinned()) {
    TPageControl::PaintWindow(DC);
    return;
  }
  const int saved = SaveDC(DC);
  TCanvas canvas;
  canvas.SetHandle(DC);
  canvas.Font()->Assign(Font());
  canvas.Brush()->Assign(Brush());
  // The page area.
  TRect r = DisplayRect();
  RECT area{r.left - 4, r.top - 4 - 1, r.right + 4, r.bottom + 4};
  if (TscSkinObject* client = SkinObject->FindChild(skPageControlClient)) {
    client->SetBoundsRect(area);
    client->Shown = true;
    client->Draw(&canvas);
  }
  // The tabs, each page at its own tab index.
  const int selected = static_cast<int>(SendMessage(Handle(), TCM_GETCURSEL, 0, 0));
  for (int i = 0; i < PageCount(); ++i) {
    TTabSheet* page = Pages(i);
    if (!page->TabVisible()) continue;
    const int tab = page->TabIndex();
    RECT tr{};
    if (tab < 0 || !SendMessage(Handle(), TCM_GETITEMRECT, tab, reinterpret_cast<LPARAM>(&tr))) continue;
    tr.bottom += 1;
    const bool active = tab == selected;
    std::function<void(TscSkinObject*)> decide = [&](TscSkinObject* o) {
      o->Enabled = Enabled();
      const bool shown = o->Visible.Contains(svAlways) || (active && o->Visible.Contains(svTabActive)) ||
                         (!active && o->Visible.Contains(svTabNoActive));
      if (!shown) {
        o->SetShown(false);
        return;
      }
      o->Shown = true;
      for (auto* c : o->Children) decide(c);
    };
    decide(SkinObject.get());
    if (TscSkinObject* t = SkinObject->FindChild(skPageControlTab)) {
      t->FontName = canvas.Font()->Name();
      t->FontSize = canvas.Font()->Size();
      t->FontStyle = canvas.Font()->Style();
      t->SetText(page->Caption());
      t->SetBoundsRect(tr);
      t->Draw(&canvas);
    }
  }
  canvas.SetHandle(nullptr);
  RestoreDC(DC, saved);
}
