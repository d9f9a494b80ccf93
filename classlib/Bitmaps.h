// TBitmap: a picture made of pixels, held in a platform bitmap, with a
// canvas to draw on it, direct access to its rows, transparency and the
// BMP file format.
//
// The image. A bitmap of pfDevice (the default) is in the screen's format:
// 32-bit colour, or a monochrome device bitmap when Monochrome is set
// (which draws its 0 and 1 pixels in the text and background colours of
// the canvas it is drawn on). The other pixel formats are DIB sections of
// that depth, with a colour table for 1, 4 and 8 bits (pf15bit is 16 bits
// of 5-5-5). The first ScanLine of a device bitmap turns it into a DIB
// section of its depth (a colour one reports pf32bit from then on).
// pf16bit (5-6-5) and pfCustom are not offered: the platform has no such
// bitmaps, and asking for them raises EInvalidGraphic "Invalid pixel
// format"; a 5-6-5 BMP file loads as pf24bit.
//
// Changes of size keep the pixels at the top left and fill the rest with
// the canvas's brush (white when there is no canvas yet). Loading
// replaces the whole image (size, format, colour table), or leaves the
// bitmap as it was when the data cannot be read; the canvas then draws on
// the new image. Every change of the image, and every drawing on the
// canvas, raises OnChange.
#pragma once

#include <memory>
#include <vector>

#include "classlib/Canvas.h"
#include "classlib/Graphic.h"

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap;

// What a bitmap holds: a platform bitmap of some size and format, and where
// its pixels are.
struct TBitmapImage {
  int width = 0;
  int height = 0;
  TPixelFormat format = pfDevice;
  bool monoDevice = false;        // pfDevice: a monochrome device bitmap
  HBITMAP handle = nullptr;       // null when empty
  std::uint8_t* top = nullptr;    // row 0 of a DIB section; null for device bitmaps
  std::ptrdiff_t stride = 0;      // bytes from a row to the one below it
};

// The canvas of a bitmap: a memory DC with the bitmap selected, made on
// first use and given up whenever the bitmap gets a new image.
class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap* Bitmap) : bitmap_(Bitmap) {}
  ~TBitmapCanvas() override;

  // Deletes the DC (the tools are selected again into the next one).
  void FreeContext();

  // Drawing on the canvas changes the bitmap: after OnChange, the bitmap
  // raises its own OnChange.
  void Changed() override;

 protected:
  void CreateHandle() override;

 private:
  TBitmap* bitmap_;
  HDC dc_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
};

class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;

  // From another bitmap: a copy of its image and transparency settings;
  // from null: empty; from other pictures as they offer (a JPEG image
  // copies its pixels).
  void Assign(TPersistent* Source) override;
  std::unique_ptr<TGraphic> NewOfSameClass() const override;

  bool Empty() const override { return image_.width == 0 || image_.height == 0; }
  int Width() const override { return image_.width; }
  int Height() const override { return image_.height; }
  void SetWidth(int Value) override { SetSize(Value, image_.height); }
  void SetHeight(int Value) override { SetSize(image_.width, Value); }
  // Negative sizes count as 0.
  void SetSize(int AWidth, int AHeight);

  TPixelFormat PixelFormat() const { return image_.format; }
  // Converts the pixels to the new format (colours to the nearest entry of
  // the format's standard colour table for 1, 4 and 8 bits).
  void SetPixelFormat(TPixelFormat Value);
  // A monochrome device bitmap, or a 1-bit one with black and white as its
  // two colours.
  bool Monochrome() const;
  // True: a monochrome device bitmap (white pixels stay white, all others
  // become black); false: a colour device bitmap.
  void SetMonochrome(bool Value);

  TCanvas* Canvas();

  // The first byte of row Row (0 = top) of the pixels, in the format's
  // layout; rows are padded to 4 bytes. Raises EInvalidGraphicOperation
  // "Scan line index out of range" for a row outside the bitmap.
  void* ScanLine(int Row);

  // The platform bitmap (null when empty); owned by this object.
  HBITMAP Handle() const { return image_.handle; }
  // Takes over a platform bitmap (a DIB section of any depth or a device
  // bitmap); null empties the bitmap.
  void SetHandle(HBITMAP Value);
  // Hands the platform bitmap to the caller, who must delete it; the
  // bitmap keeps its size and format with new (black) pixels.
  HBITMAP ReleaseHandle();
  bool HandleAllocated() const { return image_.handle != nullptr; }

  // The colour that drawing leaves out when Transparent is set: with
  // tmAuto the colour of the bottom-left pixel (clDefault when empty), with
  // tmFixed the colour set. Setting a colour makes the mode tmFixed,
  // setting clDefault makes it tmAuto.
  TColor TransparentColor();
  void SetTransparentColor(TColor Value);
  TTransparentMode TransparentMode() const { return transparent_mode_; }
  // tmFixed keeps the current colour; tmAuto goes back to the pixel.
  void SetTransparentMode(TTransparentMode Value);

  // BMP file images (see classlib/BmpFormat.h). Loading an empty stream
  // empties the bitmap; saving an empty bitmap writes nothing. After
  // loading, the stream stands just after the image's pixels.
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  // A bitmap resource of the program (classlib/Resources.h), held as a
  // BMP file or a packed DIB; EResNotFound "Resource <name> not found"
  // when there is none.
  void LoadFromResourceName(const String& ResName);
  void LoadFromResourceID(int ResID);

  // The colour table of a 1-, 4- or 8-bit bitmap (empty for the others).
  std::vector<RGBQUAD> Colors() const;

  // Stretches the bitmap into Rect with the canvas's CopyMode (dropping
  // rows and columns when it shrinks); a transparent bitmap leaves out the
  // pixels of its TransparentColor instead.
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;

 private:
  friend class TBitmapCanvas;

  // Puts `image` in place of the current one, which is deleted; the
  // canvas gives up its DC first.
  void ReplaceImage(const TBitmapImage& image);
  // Makes the pixels directly addressable (device bitmaps become DIB
  // sections).
  void MakeDib();
  void FreeContext();

  TBitmapImage image_;
  std::unique_ptr<TBitmapCanvas> canvas_;
  TColor transparent_color_ = clDefault;
  TTransparentMode transparent_mode_ = tmAuto;
};
