// TCanvas: drawing on a platform device context with the class library's
// tools (Font, Pen, Brush) and its drawing methods.
//
// Handle and state. The canvas gets its device context lazily: the first
// drawing (or Handle()) calls CreateHandle, which a canvas class overrides
// to make or borrow a DC and pass it to SetHandle (TBitmap's canvas makes a
// memory DC with the bitmap selected; a control's canvas takes the
// window's DC). A plain TCanvas draws only on a DC given with SetHandle;
// otherwise drawing raises EInvalidOperation "Canvas does not allow
// drawing". Each drawing method first makes sure that what it uses is
// selected into the DC: the font (with its colour as the text colour), the
// pen (with its mode as the mix mode) and the brush (with its colour as
// the background colour and an opaque background for a solid brush, a
// transparent one otherwise). Changing a tool deselects it, so the next
// drawing selects the new one; what was selected directly into Handle by
// the caller is replaced in the same way. SetHandle with another DC (or
// null) first puts the platform's stock objects back into the old one.
//
// Every drawing method raises OnChanging before and OnChange after it
// draws. Lock/Unlock serialise drawing from several threads.
//
// A canvas class that makes or borrows its DC gives it up in its own
// destructor (SetHandle(nullptr), then deletes or releases the DC), as
// TCanvas's destructor runs after the DC is gone.
#pragma once

#include <atomic>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <span>

#include "classlib/Brushes.h"
#include "classlib/Colors.h"
#include "classlib/Fonts.h"
#include "classlib/Pens.h"
#include "classlib/Types.h"

class TGraphic;
class TBitmap;

enum TCanvasStates { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = Set<TCanvasStates>;

// Raster operations of CopyMode.
using TCopyMode = DWORD;
inline constexpr TCopyMode cmBlackness = BLACKNESS;
inline constexpr TCopyMode cmDstInvert = DSTINVERT;
inline constexpr TCopyMode cmMergeCopy = MERGECOPY;
inline constexpr TCopyMode cmMergePaint = MERGEPAINT;
inline constexpr TCopyMode cmNotSrcCopy = NOTSRCCOPY;
inline constexpr TCopyMode cmNotSrcErase = NOTSRCERASE;
inline constexpr TCopyMode cmPatCopy = PATCOPY;
inline constexpr TCopyMode cmPatInvert = PATINVERT;
inline constexpr TCopyMode cmPatPaint = PATPAINT;
inline constexpr TCopyMode cmSrcAnd = SRCAND;
inline constexpr TCopyMode cmSrcCopy = SRCCOPY;
inline constexpr TCopyMode cmSrcErase = SRCERASE;
inline constexpr TCopyMode cmSrcInvert = SRCINVERT;
inline constexpr TCopyMode cmSrcPaint = SRCPAINT;
inline constexpr TCopyMode cmWhiteness = WHITENESS;

class TCanvas : public TPersistent {
 public:
  TCanvas();
  ~TCanvas() override;

  // --- the DC ---
  // Creates the handle when there is none (see the header comment) and
  // selects the font, pen and brush into it, so that platform drawing
  // calls made on it draw with the canvas's tools.
  HDC Handle();
  // Uses `Value` from now on (null: none). The canvas does not own it.
  void SetHandle(HDC Value);
  bool HandleAllocated() const { return handle_ != nullptr; }
  // Makes sure the listed parts of the state are in place.
  void RequiredState(TCanvasState ReqState);
  // Deselects the tools (they are selected again by the next drawing).
  void Refresh();

  // --- tools ---
  TFont* Font() const { return font_.get(); }
  TPen* Pen() const { return pen_.get(); }
  TBrush* Brush() const { return brush_.get(); }
  // Copy the settings of the given tool.
  void SetFont(TFont* Value) { font_->Assign(Value); }
  void SetPen(TPen* Value) { pen_->Assign(Value); }
  void SetBrush(TBrush* Value) { brush_->Assign(Value); }

  // The raster operation of Draw, StretchDraw and CopyRect.
  TCopyMode CopyMode = cmSrcCopy;
  // Extra ExtTextOut options for TextOut and TextRect (ETO_*).
  UINT TextFlags = 0;

  // --- lines and shapes (the platform's pixel rules: right and bottom
  // edges excluded, a line's last point left out) ---
  void MoveTo(int X, int Y);
  void LineTo(int X, int Y);
  TPoint PenPos();
  void SetPenPos(TPoint Value) { MoveTo(Value.x, Value.y); }
  void Polyline(std::span<const TPoint> Points);
  void Polyline(std::initializer_list<TPoint> Points) { Polyline(std::span<const TPoint>(Points.begin(), Points.size())); }
  void Polygon(std::span<const TPoint> Points);
  void Polygon(std::initializer_list<TPoint> Points) { Polygon(std::span<const TPoint>(Points.begin(), Points.size())); }
  void Rectangle(int X1, int Y1, int X2, int Y2);
  void Rectangle(const TRect& Rect) { Rectangle(Rect.left, Rect.top, Rect.right, Rect.bottom); }
  void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
  void Ellipse(int X1, int Y1, int X2, int Y2);
  void Ellipse(const TRect& Rect) { Ellipse(Rect.left, Rect.top, Rect.right, Rect.bottom); }

  // --- rectangles with the brush ---
  void FillRect(const TRect& Rect);
  // A one-pixel frame in the brush, inside the rectangle.
  void FrameRect(const TRect& Rect);
  // The dotted focus frame (drawn by inverting, so drawing it twice
  // removes it).
  void DrawFocusRect(const TRect& Rect);

  // --- pixels ---
  TColor Pixels(int X, int Y);
  void SetPixels(int X, int Y, TColor Value);

  // --- text, in the font and (unless the brush is clear) on the brush
  // colour ---
  // Draws at (X, Y) (the top-left of the text) and moves the pen position
  // to the end of the text.
  void TextOut(int X, int Y, const String& Text);
  // Draws at (X, Y), clipped to Rect; a non-clear brush fills Rect first.
  void TextRect(const TRect& Rect, int X, int Y, const String& Text);
  TSize TextExtent(const String& Text);
  int TextWidth(const String& Text) { return TextExtent(Text).cx; }
  int TextHeight(const String& Text) { return TextExtent(Text).cy; }

  // --- pictures ---
  // Draws the picture at its own size at (X, Y); null or empty pictures
  // draw nothing. Monochrome bitmaps draw their 0 pixels in the font colour
  // and their 1 pixels in the brush colour.
  void Draw(int X, int Y, TGraphic* Graphic);
  void StretchDraw(const TRect& Rect, TGraphic* Graphic);
  // Copies (stretching as needed) Source of another canvas into Dest with
  // CopyMode.
  void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);
  // Copies Source of the bitmap into Dest, putting the brush in place of
  // the pixels of colour Color; with a clear brush those pixels leave the
  // canvas as it was (the bitmap is drawn transparently).
  void BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color);

  // The bounding box of what can be drawn on.
  TRect ClipRect();

  // --- threads ---
  void Lock();
  bool TryLock();
  void Unlock();
  int LockCount() const { return lock_count_; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

  // Raise OnChanging / OnChange; drawing methods call them, and so may code
  // that draws on Handle directly.
  virtual void Changing();
  virtual void Changed();

 protected:
  // Called when drawing needs a DC and there is none: a canvas class makes
  // or borrows one and calls SetHandle. The base class has none.
  virtual void CreateHandle() {}

 private:
  void SelectFont();
  void SelectPen();
  void SelectBrush();
  void DeselectHandles();
  void FontChanged();
  void PenChanged();
  void BrushChanged();

  HDC handle_ = nullptr;
  TCanvasState state_;
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  std::recursive_mutex lock_;
  std::atomic<int> lock_count_{0};
};
