// TJPEGImage: a JPEG picture, read and written with libjpeg (the IJG
// library, here libjpeg-turbo).
//
// Loading decodes the whole picture at once into a 24-bit bitmap (colour,
// greyscale and CMYK files), so that a damaged or cut-off file fails at
// LoadFromFile with EJPEG "JPEG error #<libjpeg message number>" and never
// later at drawing. Compressed data that stops before the picture is
// complete (a cut-off file, a marker in the middle of the data) is such an
// error too; libjpeg's other warnings are not. Drawing stretches that bitmap into the rectangle.
// Saving writes the file as it was loaded; a picture assigned from a
// bitmap is compressed at CompressionQuality. The size follows the data
// and cannot be set.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "classlib/Bitmaps.h"
#include "classlib/Graphic.h"

class EJPEG : public EInvalidGraphic {
 public:
  using EInvalidGraphic::EInvalidGraphic;
};

class TJPEGImage : public TGraphic {
 public:
  TJPEGImage();
  ~TJPEGImage() override;

  // From another JPEG image: a copy; from a bitmap: its pixels (compressed
  // when saved); from null: empty.
  void Assign(TPersistent* Source) override;
  std::unique_ptr<TGraphic> NewOfSameClass() const override;

  bool Empty() const override { return bitmap_->Empty(); }
  int Width() const override { return bitmap_->Width(); }
  int Height() const override { return bitmap_->Height(); }
  // Raise EInvalidGraphicOperation "Cannot change the size of a JPEG image".
  void SetWidth(int Value) override;
  void SetHeight(int Value) override;

  // Reads from the stream's position to its end.
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;

  void Draw(TCanvas* ACanvas, const TRect& Rect) override;

  // 1 (smallest file) to 100 (best picture), for pictures this object
  // compresses itself.
  int CompressionQuality = 90;

 protected:
  // To a bitmap: the decoded pixels (a 24-bit bitmap).
  void AssignTo(TPersistent* Dest) override;

 private:
  std::vector<std::uint8_t> data_;  // the JPEG file; empty until compressed
  std::unique_ptr<TBitmap> bitmap_;
};
