#include "controls/VrFunctions.h"

#include <algorithm>
#include <cmath>

#include "classlib/Brushes.h"
#include "classlib/Pens.h"

int IntMin(int A, int B) { return A < B ? A : B; }
int IntMax(int A, int B) { return A > B ? A : B; }
int RectWidth(const TRect& R) { return R.right - R.left; }
int RectHeight(const TRect& R) { return R.bottom - R.top; }

int ClampByte(double Value) {
  const double r = std::nearbyint(Value);
  if (!(r > 0)) return 0;
  if (r > 255) return 255;
  return static_cast<int>(r);
}

TColor MakeColor(double R, double G, double B) {
  return static_cast<TColor>(ClampByte(R) | (ClampByte(G) << 8) | (ClampByte(B) << 16));
}

TColor ResolveColor(TColor Color) {
  if (Color < 0) return static_cast<TColor>(GetSysColor(Color & 255));
  return Color;
}

void DrawGradient(TCanvas* Canvas, const TRect& Rect, TColor StartColor, TColor EndColor,
                  int Direction, int BandSize) {
  const TColor c1 = ResolveColor(StartColor);
  const TColor c2 = ResolveColor(EndColor);
  double r = c1 & 255, g = (c1 >> 8) & 255, b = (c1 >> 16) & 255;
  const double dr = (c2 & 255) - r, dg = ((c2 >> 8) & 255) - g, db = ((c2 >> 16) & 255) - b;
  const int w = std::max(1, RectWidth(Rect));
  const int h = std::max(1, RectHeight(Rect));
  if (BandSize < 1) BandSize = 1;
  const int extent = Direction == 0 ? h : w;
  Canvas->Brush()->SetStyle(bsSolid);
  TRect band = Direction == 0 ? Bounds(Rect.left, Rect.top, w, BandSize)
                              : Bounds(Rect.left, Rect.top, BandSize, h);
  for (int covered = 0; covered <= extent; covered += BandSize) {
    Canvas->Brush()->SetColor(MakeColor(r, g, b));
    Canvas->FillRect(band);
    if (Direction == 0) {
      band.top += BandSize;
      band.bottom += BandSize;
    } else {
      band.left += BandSize;
      band.right += BandSize;
    }
    r += dr / extent * BandSize;
    g += dg / extent * BandSize;
    b += db / extent * BandSize;
  }
}

namespace {

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width,
             bool TopCorner) {
  Canvas->Pen()->SetWidth(1);
  Canvas->Pen()->SetStyle(psSolid);
  Rect.bottom -= 1;
  Rect.right -= 1;
  for (int i = 0; i < Width; ++i) {
    Canvas->Pen()->SetColor(TopColor);
    Canvas->Polyline({Point(Rect.left, Rect.bottom), Point(Rect.left, Rect.top), Point(Rect.right, Rect.top)});
    Canvas->Pen()->SetColor(BottomColor);
    Canvas->Polyline({Point(Rect.right, Rect.top), Point(Rect.right, Rect.bottom),
                      Point(TopCorner ? Rect.left : Rect.left - 1, Rect.bottom)});
    Rect.left += 1;
    Rect.top += 1;
    Rect.right -= 1;
    Rect.bottom -= 1;
  }
  Rect.bottom += 1;
  Rect.right += 1;
}

}  // namespace

void DrawFrame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width) {
  Frame3D(Canvas, Rect, TopColor, BottomColor, Width, false);
}

void DrawFrame3DTopCorner(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width) {
  Frame3D(Canvas, Rect, TopColor, BottomColor, Width, true);
}

void DrawTransparentBitmap(TCanvas* Canvas, const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Transparent) {
  if (!Bitmap || Bitmap->Empty()) return;
  const int w = Dest.right - Dest.left, h = Dest.bottom - Dest.top;
  if (w <= 0 || h <= 0) return;
  Canvas->Changing();
  TransparentBlt(Canvas->Handle(), Dest.left, Dest.top, w, h, Bitmap->Canvas()->Handle(), Source.left, Source.top,
                 Source.right - Source.left, Source.bottom - Source.top,
                 static_cast<UINT>(ColorToRGB(Transparent)));
  Canvas->Changed();
}
