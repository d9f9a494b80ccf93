// Forms built in code: loading and OnCreate, showing and painting, the
// window handle made on demand, clicks on windowed and windowless
// controls, and the exception handler during creation.
#include <gtest/gtest.h>

#include "classlib/Exceptions.h"
#include "platform/display/display.h"
#include "platform/gdi/gdi.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

// A windowed control that fills itself with its colour and counts clicks.
class TFilledBox : public TCustomControl {
 public:
  explicit TFilledBox(TComponent* AOwner) : TCustomControl(AOwner) { SetColor(clRed); }
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
  }
};

// A windowless control that fills itself with its colour.
class TFilledSpot : public TGraphicControl {
 public:
  explicit TFilledSpot(TComponent* AOwner) : TGraphicControl(AOwner) { SetColor(clBlue); }

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
  }
};

class TBoxForm : public TForm {
 public:
  explicit TBoxForm(TComponent* AOwner, bool fail_in_create = false) : TForm(AOwner) {
    BeginLoad();
    SetName("BoxForm");
    SetCaption("Boxes");
    SetBorderStyle(bsSingle);
    SetClientSize(200, 120);
    Box = NewControl<TFilledBox>(this, this, "Box", 10, 10, 60, 40);
    Spot = NewControl<TFilledSpot>(this, this, "Spot", 100, 10, 30, 30);
    OnCreate = [this, fail_in_create](TObject*) {
      created_with_box = Box != nullptr && Box->Parent() == this;
      if (fail_in_create) throw EConvertError("'x' is not a valid integer value");
      after_throw = true;
    };
    EndLoad();
  }

  TFilledBox* Box = nullptr;
  TFilledSpot* Spot = nullptr;
  bool created_with_box = false;
  bool after_throw = false;
};

using FormBasicsTest = FormsTest;

TEST_F(FormBasicsTest, AFormBuiltInCodeRaisesOnCreateAfterItsComponentsAreLoaded) {
  auto* form = NewForm<TBoxForm>();
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->created_with_box);
  EXPECT_EQ(Application->MainForm(), form);
  EXPECT_EQ(form->Owner(), Application);
  EXPECT_FALSE(form->ComponentState().Contains(csLoading));
  EXPECT_FALSE(form->Box->ComponentState().Contains(csLoading));
  EXPECT_FALSE(form->Visible());
  // The main form has its window (hidden) as soon as it is made; its
  // controls get theirs when shown.
  EXPECT_TRUE(form->HandleAllocated());
  EXPECT_FALSE(form->Box->HandleAllocated());
}

class TSelfAware;
TSelfAware* SelfAwareForm = nullptr;

// Reads the program-wide variable from inside its own constructor.
class TSelfAware : public TForm {
 public:
  explicit TSelfAware(TComponent* AOwner) : TForm(AOwner), seen(SelfAwareForm) {}
  TSelfAware* seen;
};

TEST_F(FormBasicsTest, TheVariableNamesTheFormWhileItsConstructorRuns) {
  Application->CreateForm(SelfAwareForm);
  ASSERT_NE(SelfAwareForm, nullptr);
  EXPECT_EQ(SelfAwareForm->seen, SelfAwareForm);
  EXPECT_EQ(Application->MainForm(), SelfAwareForm);
  SelfAwareForm = nullptr;
}

TEST_F(FormBasicsTest, AnExceptionInOnCreateIsShownAndCreationGoesOn) {
  Application->SetTitle("Velko");
  TBoxForm* form = new TBoxForm(Application, true);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "'x' is not a valid integer value.");
  EXPECT_EQ(boxes[0].caption, "Velko");
  EXPECT_EQ(boxes[0].icon(), static_cast<UINT>(MB_ICONSTOP));
  EXPECT_TRUE(form->created_with_box);
  EXPECT_FALSE(form->after_throw);
  // The form is whole and works.
  form->Show();
  Pump();
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

TEST_F(FormBasicsTest, AShowThatRaisesLeavesTheFormHiddenAndTheNextShowTriesAgain) {
  auto* form = NewForm<TBoxForm>();
  int shows = 0;
  form->OnShow = [&](TObject*) {
    if (++shows == 1) throw EConvertError("'70000' is not a valid port number");
  };
  EXPECT_THROW(form->Show(), EConvertError);
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  form->Show();
  Pump();
  EXPECT_EQ(shows, 2);
  EXPECT_TRUE(form->Visible());
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

TEST_F(FormBasicsTest, ShowingMakesTheWindowsAndPaintsBothKindsOfControl) {
  auto* form = NewForm<TBoxForm>();
  form->SetPosition(poScreenCenter);
  form->Show();
  Pump();
  ASSERT_TRUE(form->Box->HandleAllocated());
  EXPECT_TRUE(IsWindowVisible(form->Box->Handle()));
  EXPECT_GE(form->Box->paints, 1);
  // Centred on the 1024 x 768 screen.
  EXPECT_EQ(form->Left(), (1024 - form->Width()) / 2);
  EXPECT_EQ(form->Top(), (768 - form->Height()) / 2);

  auto screen = platform::ComposeScreen();
  const TPoint box = form->Box->ClientToScreen(Point(30, 20));
  const TPoint spot = form->Spot->ClientToScreen(Point(15, 15));
  const TPoint face = form->ClientToScreen(Point(150, 100));
  EXPECT_EQ(screen->Pixel(box.x, box.y), RGB(255, 0, 0));
  EXPECT_EQ(screen->Pixel(spot.x, spot.y), RGB(0, 0, 255));
  EXPECT_EQ(screen->Pixel(face.x, face.y), GetSysColor(COLOR_BTNFACE));
}

// Fails to paint the first time.
class TFailingBox : public TCustomControl {
 public:
  explicit TFailingBox(TComponent* AOwner) : TCustomControl(AOwner) {}
  int paints = 0;

 protected:
  void Paint() override {
    if (++paints == 1) throw Exception("The picture cannot be drawn");
  }
};

TEST_F(FormBasicsTest, AFailedPaintIsShownOnceAndLeavesTheWindowPainted) {
  auto* form = NewForm<TBoxForm>();
  auto* failing = NewControl<TFailingBox>(form, form, "", 10, 60, 50, 30);
  form->Show();
  Pump();
  Pump();
  EXPECT_EQ(failing->paints, 1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "The picture cannot be drawn.");
  failing->Invalidate();
  Pump();
  EXPECT_EQ(failing->paints, 2);
  EXPECT_EQ(boxes.size(), 1u);
}

}  // namespace
}  // namespace velko_test
