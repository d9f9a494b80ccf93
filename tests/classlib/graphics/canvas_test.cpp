// TCanvas on a bitmap: the platform's pixel rules through the class
// library's tools, re-selection of changed tools, text, copies, the
// brush copy and the change events.
#include <gtest/gtest.h>

#include <thread>

#include "classlib/Graphics.h"
#include "platform/gdi/device.h"
#include "tests/classlib/graphics/graphics_test_support.h"

using velko_test::Art;
using velko_test::Legend;
using velko_test::Picture;
using velko_test::Surface;

namespace {

TEST(Canvas, LinesLeaveOutTheirLastPointAndMoveThePen) {
  auto b = Surface(6, 4);
  TCanvas* c = b->Canvas();
  c->MoveTo(0, 0);
  c->LineTo(5, 0);
  EXPECT_EQ(c->PenPos(), Point(5, 0));
  c->SetPenPos(Point(0, 1));
  c->LineTo(3, 4);
  c->Pen()->SetColor(clBlue);
  c->Polyline({Point(5, 1), Point(5, 3), Point(4, 3)});
  EXPECT_EQ(Picture(*b, Legend()), Art(R"(
#####.
#....b
.#...b
..#..b
)"));
}

TEST(Canvas, FillFrameAndFocusRectangles) {
  auto b = Surface(7, 5);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clLime);
  c->FillRect(Rect(0, 0, 3, 2));
  c->Brush()->SetColor(clBlue);
  c->FrameRect(Rect(3, 0, 7, 4));
  EXPECT_EQ(Picture(*b, Legend()), Art(R"(
gggbbbb
gggb..b
...b..b
...bbbb
.......
)"));
  // The focus frame inverts every other pixel: twice leaves nothing.
  auto f = Surface(6, 4);
  f->Canvas()->DrawFocusRect(Rect(0, 0, 6, 4));
  EXPECT_NE(Picture(*f, Legend()), Art("......\n......\n......\n......\n"));
  f->Canvas()->DrawFocusRect(Rect(0, 0, 6, 4));
  EXPECT_EQ(Picture(*f, Legend()), Art("......\n......\n......\n......\n"));
}

// The same figure drawn through the canvas and straight through the
// platform gives the same pixels.
TEST(Canvas, FiguresMatchThePlatformsOwnDrawing) {
  auto viaCanvas = Surface(40, 30);
  auto direct = Surface(40, 30);
  TCanvas* c = viaCanvas->Canvas();
  c->Pen()->SetColor(clBlue);
  c->Pen()->SetWidth(3);
  c->Brush()->SetColor(clYellow);
  c->Ellipse(2, 2, 30, 20);
  c->Pen()->SetWidth(1);
  c->Pen()->SetStyle(psDot);
  c->RoundRect(10, 5, 38, 28, 8, 6);
  c->Brush()->SetStyle(bsDiagCross);
  c->Pen()->SetStyle(psSolid);
  c->Polygon({Point(1, 28), Point(20, 12), Point(36, 29)});

  HDC dc = direct->Canvas()->Handle();
  HPEN pen = CreatePen(PS_SOLID, 3, RGB(0, 0, 255));
  HBRUSH brush = CreateSolidBrush(RGB(255, 255, 0));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  Ellipse(dc, 2, 2, 30, 20);
  HPEN dotted = CreatePen(PS_DOT, 1, RGB(0, 0, 255));
  SelectObject(dc, dotted);
  SetBkColor(dc, RGB(255, 255, 0));
  SetBkMode(dc, OPAQUE);
  RoundRect(dc, 10, 5, 38, 28, 8, 6);
  HPEN solid = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
  SelectObject(dc, solid);
  HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(255, 255, 0));
  SelectObject(dc, hatch);
  SetBkMode(dc, TRANSPARENT);
  POINT tri[] = {{1, 28}, {20, 12}, {36, 29}};
  Polygon(dc, tri, 3);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  for (HGDIOBJ o : {static_cast<HGDIOBJ>(pen), static_cast<HGDIOBJ>(brush), static_cast<HGDIOBJ>(dotted),
                    static_cast<HGDIOBJ>(solid), static_cast<HGDIOBJ>(hatch)}) {
    DeleteObject(o);
  }

  int differences = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) differences += viaCanvas->Canvas()->Pixels(x, y) != direct->Canvas()->Pixels(x, y);
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(viaCanvas->Canvas()->Pixels(16, 11), clYellow);  // inside the ellipse
}

TEST(Canvas, ChangedToolsAreSelectedAgainBeforeTheNextDrawing) {
  auto b = Surface(4, 3);
  TCanvas* c = b->Canvas();
  c->Pen()->SetColor(clRed);
  c->MoveTo(0, 0);
  c->LineTo(4, 0);
  c->Pen()->SetColor(clBlue);  // the red pen is selected: it must be replaced
  c->MoveTo(0, 1);
  c->LineTo(4, 1);
  c->Brush()->SetColor(clLime);
  c->FillRect(Rect(0, 2, 2, 3));
  c->Brush()->SetColor(clYellow);
  c->FillRect(Rect(2, 2, 4, 3));
  EXPECT_EQ(Picture(*b, Legend()), Art(R"(
rrrr
bbbb
ggyy
)"));
}

TEST(Canvas, ToolsReplaceWhatWasSelectedIntoTheHandleDirectly) {
  auto b = Surface(4, 2);
  TCanvas* c = b->Canvas();
  c->Pen()->SetColor(clRed);
  c->MoveTo(0, 0);
  c->LineTo(4, 0);
  HPEN green = CreatePen(PS_SOLID, 1, RGB(0, 255, 0));
  HGDIOBJ canvasPen = SelectObject(c->Handle(), green);
  EXPECT_EQ(canvasPen, c->Pen()->Handle());
  c->Refresh();  // deselects: the next drawing selects the canvas's pen again
  c->MoveTo(0, 1);
  c->LineTo(4, 1);
  EXPECT_EQ(Picture(*b, Legend()), Art("rrrr\nrrrr\n"));
  EXPECT_EQ(GetCurrentObject(c->Handle(), OBJ_PEN), c->Pen()->Handle());
  DeleteObject(green);
}

TEST(Canvas, PenModeAndWidth) {
  auto b = Surface(5, 3, clBlack);
  TCanvas* c = b->Canvas();
  c->Pen()->SetColor(clWhite);
  c->Pen()->SetMode(pmXor);
  c->MoveTo(0, 1);
  c->LineTo(5, 1);
  c->MoveTo(2, 0);
  c->LineTo(2, 3);  // crosses the first line: white xor white is black
  EXPECT_EQ(Picture(*b, Legend()), Art("##.##\n..#..\n##.##\n"));
  EXPECT_EQ(c->Pen()->Mode(), pmXor);
  c->Pen()->SetWidth(-3);
  EXPECT_EQ(c->Pen()->Width(), 1);
}

TEST(Canvas, TextUsesTheFontColourAndTheBrushBackground) {
  auto b = Surface(30, 12);
  TCanvas* c = b->Canvas();
  c->Font()->SetName(kTestFontName);
  c->Font()->SetHeight(-8);  // boxes 4 wide, 6 high (ascent), 2 below
  c->Font()->SetColor(clBlue);
  c->Brush()->SetColor(clYellow);
  EXPECT_EQ(c->TextWidth("ab"), 8);
  EXPECT_EQ(c->TextHeight("ab"), 8);
  EXPECT_EQ(c->TextExtent("abc").cx, 12);
  c->TextOut(1, 1, "a b");
  EXPECT_EQ(c->PenPos(), Point(13, 1));
  EXPECT_EQ(c->Pixels(1, 1), clBlue);   // the box of "a"
  EXPECT_EQ(c->Pixels(5, 1), clYellow); // the blank: brush colour behind it
  EXPECT_EQ(c->Pixels(1, 8), clYellow); // below the baseline, inside the cell
  EXPECT_EQ(c->Pixels(1, 9), clWhite);  // below the cell
  // A clear brush draws the text alone.
  c->Brush()->SetStyle(bsClear);
  c->Font()->SetColor(clRed);
  c->TextOut(17, 1, "a b");
  EXPECT_EQ(c->Pixels(17, 1), clRed);
  EXPECT_EQ(c->Pixels(21, 1), clWhite);
}

TEST(Canvas, TextRectClipsAndFillsTheRectangle) {
  auto b = Surface(20, 10);
  TCanvas* c = b->Canvas();
  c->Font()->SetName(kTestFontName);
  c->Font()->SetHeight(-8);
  c->Font()->SetColor(clBlack);
  c->Brush()->SetColor(clLime);
  c->TextRect(Rect(2, 2, 8, 12), 2, 2, "abc");
  EXPECT_EQ(c->Pixels(7, 2), clBlack);  // "b" cut at the right edge
  EXPECT_EQ(c->Pixels(8, 2), clWhite);
  EXPECT_EQ(c->Pixels(3, 9), clLime);   // rectangle filled below the text
  EXPECT_EQ(c->Pixels(1, 2), clWhite);
}

TEST(Canvas, FontChangesAreSelectedAgain) {
  auto b = Surface(20, 20);
  TCanvas* c = b->Canvas();
  c->Font()->SetName(kTestFontName);
  c->Font()->SetHeight(-8);
  EXPECT_EQ(c->TextWidth("a"), 4);
  c->Font()->SetHeight(-16);
  EXPECT_EQ(c->TextWidth("a"), 8);
  TFont other;
  other.SetName(kTestFontName);
  other.SetHeight(-4);
  c->SetFont(&other);
  EXPECT_EQ(c->TextWidth("a"), 2);
  EXPECT_EQ(c->Font()->Height(), -4);
}

TEST(Canvas, PixelsReadAndWriteColours) {
  auto b = Surface(3, 3);
  TCanvas* c = b->Canvas();
  c->SetPixels(1, 1, clRed);
  c->SetPixels(2, 2, clBtnShadow);  // system colours are resolved
  EXPECT_EQ(c->Pixels(1, 1), clRed);
  EXPECT_EQ(c->Pixels(2, 2), ColorToRGB(clBtnShadow));
  EXPECT_EQ(c->Pixels(0, 0), clWhite);
  EXPECT_EQ(c->Pixels(5, 5), static_cast<TColor>(CLR_INVALID));
}

TEST(Canvas, CopyRectStretchesWithTheCopyMode) {
  auto src = Surface(2, 2);
  src->Canvas()->SetPixels(0, 0, clRed);
  src->Canvas()->SetPixels(1, 1, clBlue);
  auto dst = Surface(5, 4);
  dst->Canvas()->CopyRect(Rect(0, 0, 4, 4), src->Canvas(), Rect(0, 0, 2, 2));
  EXPECT_EQ(Picture(*dst, Legend()), Art(R"(
rr...
rr...
..bb.
..bb.
)"));
  dst->Canvas()->CopyMode = cmDstInvert;
  dst->Canvas()->CopyRect(Rect(4, 0, 5, 1), src->Canvas(), Rect(0, 0, 1, 1));
  EXPECT_EQ(dst->Canvas()->Pixels(4, 0), clBlack);  // white inverted
}

TEST(Canvas, TransparentBitmapsLeaveTheirColourOut) {
  auto pic = Surface(3, 2, clLime);
  pic->Canvas()->SetPixels(1, 0, clRed);
  pic->Canvas()->SetPixels(2, 1, clBlue);  // bottom-right; bottom-left stays lime
  pic->SetTransparent(true);
  EXPECT_EQ(pic->TransparentMode(), tmAuto);
  EXPECT_EQ(pic->TransparentColor(), clLime);
  auto dst = Surface(3, 2);
  dst->Canvas()->Draw(0, 0, pic.get());
  dst->Canvas()->Draw(0, 0, nullptr);  // nothing
  EXPECT_EQ(Picture(*dst, Legend()), Art(".r.\n..b\n"));
  pic->SetTransparentColor(clRed);
  EXPECT_EQ(pic->TransparentMode(), tmFixed);
  auto dst2 = Surface(3, 2);
  dst2->Canvas()->Draw(0, 0, pic.get());
  EXPECT_EQ(Picture(*dst2, Legend()), Art("g.g\nggb\n"));
  pic->SetTransparentMode(tmAuto);
  EXPECT_EQ(pic->TransparentColor(), clLime);
}

TEST(Canvas, BrushCopyPutsTheBrushOrTheBackgroundInPlaceOfAColour) {
  auto pic = Surface(3, 1, clLime);
  pic->Canvas()->SetPixels(1, 0, clRed);
  auto dst = Surface(6, 2);
  TCanvas* c = dst->Canvas();
  c->Brush()->SetColor(clBlue);
  c->BrushCopy(Rect(0, 0, 3, 1), pic.get(), Rect(0, 0, 3, 1), clLime);
  c->Brush()->SetStyle(bsClear);
  c->BrushCopy(Rect(0, 1, 6, 2), pic.get(), Rect(0, 0, 3, 1), clLime);  // stretched 2x
  EXPECT_EQ(Picture(*dst, Legend()), Art("brb...\n..rr..\n"));
}

TEST(Canvas, DrawingRaisesChangingThenChange) {
  auto b = Surface(4, 4);
  TCanvas* c = b->Canvas();
  std::string events;
  c->OnChanging = [&](TObject* sender) {
    EXPECT_EQ(sender, c);
    events += "changing ";
  };
  c->OnChange = [&](TObject*) { events += "change "; };
  int bitmapChanges = 0;
  b->OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, b.get());
    ++bitmapChanges;
  };
  c->FillRect(Rect(0, 0, 1, 1));
  EXPECT_EQ(events, "changing change ");
  EXPECT_EQ(bitmapChanges, 1);  // drawing on a bitmap's canvas changes the bitmap
  c->MoveTo(1, 1);
  c->TextExtent("x");
  c->Pixels(0, 0);
  EXPECT_EQ(events, "changing change ");  // measuring and reading change nothing
}

TEST(Canvas, PlainCanvasNeedsAHandle) {
  TCanvas c;
  EXPECT_FALSE(c.HandleAllocated());
  EXPECT_THROW(c.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation);
  // Given a DC, it draws on it and gives it back with the stock objects.
  auto b = Surface(3, 1);
  HDC dc = b->Canvas()->Handle();
  c.SetHandle(dc);
  c.Brush()->SetColor(clRed);
  c.FillRect(Rect(0, 0, 2, 1));
  c.Pen()->SetColor(clBlue);
  c.MoveTo(2, 0);
  c.LineTo(3, 0);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), c.Pen()->Handle());
  c.SetHandle(nullptr);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(Picture(*b, Legend()), Art("rrb\n"));
}

TEST(Canvas, ClipRectIsTheDrawableArea) {
  auto b = Surface(10, 7);
  EXPECT_EQ(b->Canvas()->ClipRect(), Rect(0, 0, 10, 7));
  IntersectClipRect(b->Canvas()->Handle(), 2, 3, 5, 20);
  EXPECT_EQ(b->Canvas()->ClipRect(), Rect(2, 3, 5, 7));
}

TEST(Canvas, LockSerialisesThreads) {
  auto b = Surface(100, 1);
  TCanvas* c = b->Canvas();
  c->Lock();
  EXPECT_EQ(c->LockCount(), 1);
  bool other = true;
  std::thread t([&] { other = c->TryLock(); });
  t.join();
  EXPECT_FALSE(other);
  c->Unlock();
  EXPECT_EQ(c->LockCount(), 0);
  // Two threads drawing whole rows under the lock never interleave.
  auto draw = [&](TColor colour) {
    for (int i = 0; i < 50; ++i) {
      c->Lock();
      c->Pen()->SetColor(colour);
      c->MoveTo(0, 0);
      c->LineTo(100, 0);
      const TColor first = c->Pixels(0, 0);
      const TColor last = c->Pixels(99, 0);
      EXPECT_EQ(first, last);
      c->Unlock();
    }
  };
  std::thread red(draw, clRed);
  std::thread blue(draw, clBlue);
  red.join();
  blue.join();
}

TEST(Canvas, DrawingLeavesNoPlatformObjectsBehind) {
  auto work = [] {
    auto b = Surface(20, 20);
    TCanvas* c = b->Canvas();
    for (TColor colour : {clRed, clBlue, clLime}) {
      c->Pen()->SetColor(colour);
      c->Brush()->SetColor(colour);
      c->Font()->SetSize(10);
      c->Font()->SetSize(12);
      c->Rectangle(0, 0, 10, 10);
      c->TextOut(0, 0, "x");
    }
    b->SetSize(30, 30);
    b->SetPixelFormat(pf8bit);
    c->Rectangle(0, 0, 5, 5);
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(b.get());
    c->Draw(0, 0, copy.get());
  };
  work();  // the platform makes its stock objects on first use
  const std::size_t before = platform::GdiObjectCount();
  work();
  EXPECT_EQ(platform::GdiObjectCount(), before);
}

}  // namespace
