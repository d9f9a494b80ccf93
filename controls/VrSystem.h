// TVrBitmapList: a component holding a list of bitmaps that controls
// (the track bar) take their pictures from; they hear of changes through
// change links.
#pragma once

#include <memory>

#include "controls/VrClasses.h"
#include "controls/VrControls.h"

class TVrBitmapList : public TVrSharedComponent {
 public:
  explicit TVrBitmapList(TComponent* AOwner);
  ~TVrBitmapList() override;

  TVrBitmaps* Bitmaps() const { return bitmaps_.get(); }
  void SetBitmaps(TVrBitmaps* Value) { bitmaps_->Assign(Value); }
  // The bitmap, or null for an index outside 0..Count-1.
  TBitmap* GetBitmap(int Index) const;
  TNotifyEvent OnChange;

 private:
  void BitmapsChanged(TObject* Sender);
  std::unique_ptr<TVrBitmaps> bitmaps_;
};
