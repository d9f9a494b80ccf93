// The pixels of the self-drawn controls on a shown form: panels and their
// bevels, labels sized to their text, bevels, shapes, images and speed
// buttons with glyphs (paint boxes: the every-control form's test).
#include <gtest/gtest.h>

#include <memory>

#include "classlib/Buttons.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Label.h"
#include "platform/display/display.h"
#include "platform/gdi/gdi.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

COLORREF Sys(int index) { return GetSysColor(index); }

class TPictureForm : public TForm {
 public:
  explicit TPictureForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("PictureForm");
    SetBorderStyle(bsNone);
    SetClientSize(400, 300);
    SetColor(clWhite);
    Panel = NewControl<TPanel>(this, this, "Panel", 10, 10, 120, 50);
    Panel->SetBevelInner(bvLowered);
    Panel->SetCaption("");
    Label = NewControl<TLabel>(this, this, "Label", 150, 10, 0, 0);
    Label->Font()->SetName(kTestFontName);
    Label->Font()->SetHeight(16);
    Label->SetCaption("Hello");
    Label->Font()->SetColor(clRed);
    Bevel = NewControl<TBevel>(this, this, "Bevel", 250, 10, 40, 30);
    Shape = NewControl<TShape>(this, this, "Shape", 10, 80, 60, 40);
    Shape->Brush()->SetColor(clYellow);
    Image = NewControl<TImage>(this, this, "Image", 100, 80, 40, 40);
    Button = NewControl<TSpeedButton>(this, this, "Button", 10, 150, 40, 30);
    EndLoad();
  }
  TPanel* Panel;
  TLabel* Label;
  TBevel* Bevel;
  TShape* Shape;
  TImage* Image;
  TSpeedButton* Button;
};

class GraphicControlsTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Application->CreateForm(form);
    form->SetBounds(50, 50, 400, 300);
  }
  void ShowAndLook() {
    if (!form->Visible()) form->Show();
    form->Repaint();
    Pump();
    screen = platform::ComposeScreen();
  }
  COLORREF At(TControl* control, int x, int y) {
    const TPoint p = control->ClientToScreen(Point(x, y));
    return screen->Pixel(p.x, p.y);
  }
  TPictureForm* form = nullptr;
  std::shared_ptr<platform::Surface> screen;
};

TEST_F(GraphicControlsTest, APanelDrawsItsTwoBevelsAndTheFaceInside) {
  ShowAndLook();
  TPanel* panel = form->Panel;
  EXPECT_EQ(At(panel, 0, 0), Sys(COLOR_BTNHIGHLIGHT));       // raised outer: light top-left
  EXPECT_EQ(At(panel, 119, 49), Sys(COLOR_BTNSHADOW));       // dark bottom-right
  EXPECT_EQ(At(panel, 1, 1), Sys(COLOR_BTNSHADOW));          // lowered inner: dark top-left
  EXPECT_EQ(At(panel, 118, 48), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(At(panel, 60, 25), Sys(COLOR_BTNFACE));
  // Aligned children fill the area inside both bevels.
  auto* inner = new TPanel(form);
  inner->SetParent(panel);
  inner->SetAlign(alClient);
  EXPECT_EQ(inner->BoundsRect(), Rect(2, 2, 118, 48));
}

TEST_F(GraphicControlsTest, ALabelSizesItselfToItsTextAndDrawsIt) {
  // The test font: 16 pixels high, 8 wide per character.
  EXPECT_EQ(form->Label->Width(), 40);
  EXPECT_EQ(form->Label->Height(), 16);
  form->Label->SetCaption("Hello, world");
  EXPECT_EQ(form->Label->Width(), 96);
  form->Label->SetAlignment(taRightJustify);
  form->Label->SetCaption("Hi");  // keeps its right edge
  EXPECT_EQ(form->Label->Left(), 150 + 96 - 16);
  ShowAndLook();
  EXPECT_EQ(At(form->Label, 3, 8), RGB(255, 0, 0));
  EXPECT_EQ(At(form->Label, 3, 14), RGB(255, 255, 255));  // below the baseline: the form's colour
}

TEST_F(GraphicControlsTest, ABevelAndAShape) {
  ShowAndLook();
  EXPECT_EQ(At(form->Bevel, 0, 0), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(At(form->Bevel, 39, 29), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(At(form->Bevel, 20, 15), RGB(255, 255, 255));
  EXPECT_EQ(At(form->Shape, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(At(form->Shape, 30, 20), RGB(255, 255, 0));
  form->Shape->SetShape(stCircle);
  ShowAndLook();
  EXPECT_EQ(At(form->Shape, 1, 1), RGB(255, 255, 255));  // outside the circle
  EXPECT_EQ(At(form->Shape, 30, 20), RGB(255, 255, 0));
}

TEST_F(GraphicControlsTest, AnImageShowsItsPictureAsToldAndHasACanvasOfItsOwn) {
  TBitmap red;
  red.SetSize(20, 10);
  red.Canvas()->Brush()->SetColor(clRed);
  red.Canvas()->FillRect(Rect(0, 0, 20, 10));
  form->Image->Picture()->SetGraphic(&red);
  ShowAndLook();
  EXPECT_EQ(At(form->Image, 5, 5), RGB(255, 0, 0));
  EXPECT_EQ(At(form->Image, 30, 30), RGB(255, 255, 255));
  form->Image->SetStretch(true);
  ShowAndLook();
  EXPECT_EQ(At(form->Image, 39, 39), RGB(255, 0, 0));
  form->Image->SetStretch(false);
  form->Image->SetCenter(true);
  ShowAndLook();
  EXPECT_EQ(At(form->Image, 10, 15), RGB(255, 0, 0));
  EXPECT_EQ(At(form->Image, 5, 5), RGB(255, 255, 255));
  // Drawing on the image's canvas draws on its bitmap.
  form->Image->Canvas()->Brush()->SetColor(clBlue);
  form->Image->Canvas()->FillRect(Rect(0, 0, 5, 5));
  ShowAndLook();
  EXPECT_EQ(At(form->Image, 11, 16), RGB(0, 0, 255));
  // An empty image gets a bitmap of its own size to draw on.
  form->Image->Picture()->SetGraphic(nullptr);
  EXPECT_NO_THROW(form->Image->Canvas());
  EXPECT_EQ(form->Image->Picture()->Width(), 40);
  EXPECT_NE(dynamic_cast<TBitmap*>(form->Image->Picture()->Graphic()), nullptr);
}

TEST_F(GraphicControlsTest, ASpeedButtonDrawsItsGlyphTransparentlyAndSinksWhenDown) {
  TBitmap glyph;
  glyph.SetSize(10, 10);
  glyph.Canvas()->Brush()->SetColor(clOlive);  // the bottom-left pixel: transparent
  glyph.Canvas()->FillRect(Rect(0, 0, 10, 10));
  glyph.Canvas()->Brush()->SetColor(clBlue);
  glyph.Canvas()->FillRect(Rect(3, 3, 7, 7));
  form->Button->SetGlyph(&glyph);
  ShowAndLook();
  // The glyph is centred: (40 - 10) / 2 = 15 across, (30 - 10) / 2 = 10 down.
  EXPECT_EQ(At(form->Button, 15 + 4, 10 + 4), RGB(0, 0, 255));
  EXPECT_EQ(At(form->Button, 15 + 1, 10 + 1), Sys(COLOR_BTNFACE));
  EXPECT_EQ(At(form->Button, 0, 0), Sys(COLOR_BTNHIGHLIGHT));
  form->Button->SetGroupIndex(1);
  form->Button->SetDown(true);
  ShowAndLook();
  // Down: moved one pixel right and down, the frame sunk.
  EXPECT_EQ(At(form->Button, 15 + 7, 10 + 7), RGB(0, 0, 255));
  EXPECT_NE(At(form->Button, 0, 0), Sys(COLOR_BTNHIGHLIGHT));
}

}  // namespace
}  // namespace velko_test
