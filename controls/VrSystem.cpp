#include "controls/VrSystem.h"

TVrBitmapList::TVrBitmapList(TComponent* AOwner)
    : TVrSharedComponent(AOwner), bitmaps_(std::make_unique<TVrBitmaps>()) {
  bitmaps_->OnChange = [this](TObject* Sender) { BitmapsChanged(Sender); };
}

TVrBitmapList::~TVrBitmapList() { bitmaps_->OnChange = nullptr; }

TBitmap* TVrBitmapList::GetBitmap(int Index) const {
  if (Index < 0 || Index >= bitmaps_->Count()) return nullptr;
  return bitmaps_->Bitmaps(Index);
}

void TVrBitmapList::BitmapsChanged(TObject*) {
  NotifyClients();
  if (OnChange) OnChange(this);
}
