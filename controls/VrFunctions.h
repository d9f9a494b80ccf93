// Small drawing and arithmetic routines of the Vr controls: minimum and
// maximum, rectangle sizes, colour building with rounding, gradients and
// 3-D frames.
#pragma once

#include "classlib/Bitmaps.h"
#include "classlib/Canvas.h"
#include "classlib/Colors.h"
#include "classlib/Types.h"

int IntMin(int A, int B);
int IntMax(int A, int B);
int RectWidth(const TRect& R);
int RectHeight(const TRect& R);
// The nearest integer (halves to the even neighbour), clamped to 0..255.
int ClampByte(double Value);
TColor MakeColor(double R, double G, double B);
// A system colour becomes its RGB value; other colours stay.
TColor ResolveColor(TColor Color);

// Direction 0 fills bands from the top down, 1 from the left across; the
// last band may reach past the rectangle.
void DrawGradient(TCanvas* Canvas, const TRect& Rect, TColor StartColor, TColor EndColor,
                  int Direction, int BandSize);
// A 3-D frame of Width rings, top colour on the left and top, bottom
// colour on the right and bottom; Rect comes back shrunk by Width. The
// bottom-left corner pixel takes the bottom colour.
void DrawFrame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width);
// Copies Source of the bitmap to Dest of the canvas at the same size,
// leaving out the pixels of colour Transparent (the canvas shows there).
void DrawTransparentBitmap(TCanvas* Canvas, const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Transparent);
// As DrawFrame3D, but the bottom-left corner pixel keeps the top colour.
void DrawFrame3DTopCorner(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width);
