// TIcon: a picture read from an icon file (.ico) or an icon resource.
//
// An icon file holds images of several sizes and depths; the icon takes
// the one closest to the platform's icon size (32 x 32), of the most
// colours among those, and draws it at its own size (an icon is never
// stretched): the AND mask clears what the image replaces, then the image
// is combined in by exclusive or, so the pixels outside the shape show the
// background. Icons are always transparent and their size cannot be set.
//
// The platform has no icon objects, so the icon keeps its pixels (Image
// and Mask) instead of an HICON; saving writes the file it was loaded
// from.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "classlib/Bitmaps.h"
#include "classlib/Graphic.h"

class TIcon : public TGraphic {
 public:
  TIcon();
  ~TIcon() override;

  // From another icon: a copy; from null: empty.
  void Assign(TPersistent* Source) override;
  std::unique_ptr<TGraphic> NewOfSameClass() const override;

  bool Empty() const override { return data_.empty(); }
  int Width() const override { return image_->Width(); }
  int Height() const override { return image_->Height(); }
  // Raise EInvalidGraphicOperation "Cannot change the size of an icon".
  void SetWidth(int Value) override;
  void SetHeight(int Value) override;
  bool Transparent() const override { return true; }
  void SetTransparent(bool) override {}

  // An icon file image (EInvalidGraphic "Icon image is not valid" when it
  // is not one, EReadError when it ends early). After loading, the stream
  // stands after the last image the directory names.
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  // An icon resource of the program (classlib/Resources.h): an .ico file.
  void LoadFromResourceName(const String& ResName);
  void LoadFromResourceID(int ResID);

  void Draw(TCanvas* ACanvas, const TRect& Rect) override;

  // The chosen image and its AND mask (1 where the background shows).
  TBitmap* Image() const { return image_.get(); }
  TBitmap* Mask() const { return mask_.get(); }

 private:
  // Reads the icon file in `data` into the two bitmaps.
  void Decode(const std::vector<std::uint8_t>& data);

  std::vector<std::uint8_t> data_;  // the icon file
  std::unique_ptr<TBitmap> image_;
  std::unique_ptr<TBitmap> mask_;
};
