// TFont: a typeface, its size, style and colour, and the platform font
// (HFONT) made from them.
//
// Size and Height are two views of one value: Height is the character
// height in pixels (negative, as the platform's font height counts the
// character without its internal leading) and Size the height in points at
// PixelsPerInch (96, the screen's resolution): Height = -MulDiv(Size, 96,
// 72) and Size = -MulDiv(Height, 72, 96), so size 8 is height -11. A
// positive Height asks for the cell height and reads back as a negative
// Size, as in the class library.
#pragma once

#include "classlib/Colors.h"
#include "classlib/GraphicsObject.h"

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = Set<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = BYTE;
using TFontName = String;

// The resolution fonts are sized for: the platform's screen has 96 dots per
// inch.
inline constexpr int kScreenPixelsPerInch = 96;

class TFont : public TGraphicsObject {
 public:
  // "MS Sans Serif", size 8, clWindowText, no style, default pitch and
  // character set.
  TFont();
  ~TFont() override;

  // Copies another font (every setting, one OnChange); anything else
  // raises EConvertError.
  void Assign(TPersistent* Source) override;

  const TFontName& Name() const { return name_; }
  // An empty name is ignored.
  void SetName(const TFontName& Value);
  int Size() const;
  void SetSize(int Value);
  int Height() const { return height_; }
  void SetHeight(int Value);
  TColor Color() const { return color_; }
  // The colour is not part of the platform font: changing it raises
  // OnChange and keeps Handle.
  void SetColor(TColor Value);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles Value);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch Value);
  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset Value);

  // The platform font, made on first use and owned by this object (it is
  // deleted when a setting changes or the font goes).
  HFONT Handle();
  // Takes over a platform font: the settings are read from it, and it
  // becomes Handle (owned from now on) until a setting changes, so that
  // what the properties cannot say (an escapement, say) is kept.
  void SetHandle(HFONT Value);
  bool HandleAllocated() const { return handle_ != nullptr; }

  // The resolution Size converts with.
  int PixelsPerInch = kScreenPixelsPerInch;

 private:
  // A setting of the platform font changed: drop the handle after the
  // listeners have let go of it.
  void FontChanged();
  // Makes `next` the handle, tells the listeners, then deletes the old one
  // (so that a canvas can select something else first).
  void ReplaceHandle(HFONT next);
  LOGFONT MakeLogFont() const;

  TFontName name_ = "MS Sans Serif";
  int height_ = -11;
  TColor color_ = clWindowText;
  TFontStyles style_;
  TFontPitch pitch_ = fpDefault;
  TFontCharset charset_ = DEFAULT_CHARSET;
  HFONT handle_ = nullptr;
};
