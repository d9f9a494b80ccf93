// TGraphic: the abstract picture that a canvas can draw and a TPicture can
// hold (TBitmap, TIcon, TJPEGImage), with loading and saving through
// streams and files, and the errors of the picture classes.
#pragma once

#include <memory>

#include "classlib/Components.h"
#include "classlib/Exceptions.h"
#include "classlib/Streams.h"
#include "classlib/Types.h"

class TCanvas;

// A picture that cannot be read (bad or unknown format) or that refuses
// an operation.
VELKO_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
VELKO_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);

namespace GraphicsConst {
inline constexpr const char* SInvalidBitmap = "Bitmap image is not valid";
inline constexpr const char* SInvalidIcon = "Icon image is not valid";
inline constexpr const char* SUnknownExtension = "Unknown picture file extension (.%s)";
inline constexpr const char* SScanLine = "Scan line index out of range";
inline constexpr const char* SChangeIconSize = "Cannot change the size of an icon";
inline constexpr const char* SChangeJPGSize = "Cannot change the size of a JPEG image";
inline constexpr const char* SInvalidPixelFormat = "Invalid pixel format";
inline constexpr const char* SNoCanvasHandle = "Canvas does not allow drawing";
inline constexpr const char* SJPEGError = "JPEG error #%d";
}  // namespace GraphicsConst

class TGraphic : public TPersistent {
 public:
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int Value) = 0;
  virtual void SetHeight(int Value) = 0;

  // Whether drawing leaves some pixels of the background visible.
  virtual bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool Value);

  // Reading replaces the whole picture, or leaves it as it was when the
  // data cannot be read. LoadFromFile opens the file shared for reading;
  // SaveToFile creates (or empties) it. Paths are platform paths.
  virtual void LoadFromStream(TStream* Stream) = 0;
  virtual void SaveToStream(TStream* Stream) = 0;
  virtual void LoadFromFile(const String& FileName);
  virtual void SaveToFile(const String& FileName);

  // Draws the picture into Rect of the canvas (TCanvas::Draw and
  // StretchDraw call this). The canvas has its handle.
  virtual void Draw(TCanvas* ACanvas, const TRect& Rect) = 0;

  // A new, empty picture of the same class (what TPicture needs to copy a
  // picture of any class).
  virtual std::unique_ptr<TGraphic> NewOfSameClass() const = 0;

  // Set by every change; the owner clears it when it has saved.
  bool Modified = false;
  TNotifyEvent OnChange;

 protected:
  // Sets Modified and raises OnChange (with this picture as the sender).
  virtual void Changed();

  // Transparent, for classes that set it as part of a larger change.
  bool transparent_ = false;
};
