// Anchors and size constraints: controls that keep their distance to the
// parent's edges, stretch or stay centred as a form is resized by code or
// by dragging its frame, through nested panels and next to aligned
// controls; and sizes held within Constraints whoever sets them.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "classlib/Exceptions.h"
#include "classlib/ExtCtrls.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

// A form of 300 x 200 (client) at (100, 100) with a control anchored in
// each way, a stretching panel holding anchored controls of its own, and
// an aligned header and side bar.
class TAnchorForm : public TForm {
 public:
  explicit TAnchorForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("AnchorForm");
    SetBounds(100, 100, 320, 240);
    LeftTop = Make<TShape>(this, "LeftTop", 10, 10, 50, 20, {akLeft, akTop});
    RightEdge = Make<TShape>(this, "RightEdge", 240, 10, 50, 20, {akTop, akRight});
    BottomRight = Make<TPanel>(this, "BottomRight", 240, 170, 50, 20, {akRight, akBottom});
    Centred = Make<TShape>(this, "Centred", 125, 90, 50, 20, {});
    Stretched = Make<TPanel>(this, "Stretched", 10, 40, 280, 120, {akLeft, akTop, akRight, akBottom});
    Inner = Make<TShape>(Stretched, "Inner", 200, 80, 60, 20, {akRight, akBottom});
    InnerWide = Make<TPanel>(Stretched, "InnerWide", 10, 10, 260, 20, {akLeft, akTop, akRight});
    // The size comes after the controls, as in a stored window definition:
    // every place above is meant for this client area.
    SetClientSize(300, 200);
    EndLoad();
  }

  template <class T>
  T* Make(TWinControl* parent, const String& name, int x, int y, int w, int h, TAnchors anchors) {
    T* control = NewControl<T>(this, parent, name, x, y, w, h);
    control->SetAnchors(anchors);
    return control;
  }

  TShape* LeftTop;
  TShape* RightEdge;
  TPanel* BottomRight;
  TShape* Centred;
  TPanel* Stretched;
  TShape* Inner;
  TPanel* InnerWide;
};

// The form's outer size by the bottom-right corner of its frame, as a
// person drags it: the press starts the platform's sizing loop, which then
// sees the pointer move by (dx, dy) and the button let go.
void DragFrameCorner(TCustomForm* form, int dx, int dy) {
  const TRect r = form->BoundsRect();
  const TPoint corner{r.right - 2, r.bottom - 2};
  const TWndMethod inner = form->WindowProc;
  form->WindowProc = [&, inner](TMessage& Message) {
    if (Message.Msg == WM_ENTERSIZEMOVE) {
      platform::InjectMouse(platform::MouseAction::kMove, corner.x + dx, corner.y + dy);
      platform::InjectMouse(platform::MouseAction::kLeftUp, corner.x + dx, corner.y + dy);
    }
    inner(Message);
  };
  platform::InjectMouse(platform::MouseAction::kLeftDown, corner.x, corner.y);
  Application->ProcessMessages();
  form->WindowProc = inner;
}

void ExpectDesignedPlaces(TAnchorForm* form) {
  EXPECT_EQ(form->RightEdge->BoundsRect(), Bounds(240, 10, 50, 20));
  EXPECT_EQ(form->BottomRight->BoundsRect(), Bounds(240, 170, 50, 20));
  EXPECT_EQ(form->Stretched->BoundsRect(), Bounds(10, 40, 280, 120));
  EXPECT_EQ(form->Inner->BoundsRect(), Bounds(200, 80, 60, 20));
  EXPECT_EQ(form->Centred->BoundsRect(), Bounds(125, 90, 50, 20));
}

class AnchorsTest : public FormsTest {
 protected:
  TAnchorForm* ShowAnchorForm() {
    auto* form = ShowNewForm<TAnchorForm>();
    EXPECT_EQ(form->ClientWidth(), 300);
    EXPECT_EQ(form->ClientHeight(), 200);
    ExpectDesignedPlaces(form);
    return form;
  }
};

struct AnchoredPlace {
  const char* name;
  std::function<TControl*(TAnchorForm*)> control;
  TRect after;  // its bounds once the client area grew by 100 x 60
};

const std::vector<AnchoredPlace>& PlacesAfterGrowing() {
  static const std::vector<AnchoredPlace> places = {
      {"left and top stay put", [](TAnchorForm* f) { return f->LeftTop; }, Bounds(10, 10, 50, 20)},
      {"right keeps its distance", [](TAnchorForm* f) { return f->RightEdge; }, Bounds(340, 10, 50, 20)},
      {"right and bottom", [](TAnchorForm* f) { return f->BottomRight; }, Bounds(340, 230, 50, 20)},
      // Centre 150 of 300 becomes 200 of 400, 100 of 200 becomes 130 of 260.
      {"no anchors keep the centre", [](TAnchorForm* f) { return f->Centred; }, Bounds(175, 120, 50, 20)},
      {"all four stretch", [](TAnchorForm* f) { return f->Stretched; }, Bounds(10, 40, 380, 180)},
      {"inside the stretched panel", [](TAnchorForm* f) { return f->Inner; }, Bounds(300, 140, 60, 20)},
      {"stretched across the panel", [](TAnchorForm* f) { return f->InnerWide; }, Bounds(10, 10, 360, 20)},
  };
  return places;
}

void ExpectPlaces(TAnchorForm* form, const std::string& how) {
  for (const AnchoredPlace& place : PlacesAfterGrowing()) {
    EXPECT_EQ(place.control(form)->BoundsRect(), place.after) << place.name << ", " << how;
  }
}

TEST_F(AnchorsTest, ControlsFollowTheirAnchoredEdgesWhenTheFormIsResized) {
  const std::vector<std::pair<std::string, std::function<void(TAnchorForm*)>>> resizes = {
      {"by code", [](TAnchorForm* f) { f->SetClientSize(400, 260); }},
      {"by its frame", [](TAnchorForm* f) { DragFrameCorner(f, 100, 60); }},
  };
  for (const auto& [how, resize] : resizes) {
    auto* form = ShowAnchorForm();
    resize(form);
    Pump();
    ASSERT_EQ(form->ClientWidth(), 400) << how;
    ASSERT_EQ(form->ClientHeight(), 260) << how;
    ExpectPlaces(form, how);
    // And back: every control returns to where it was designed.
    form->SetClientSize(300, 200);
    Pump();
    ExpectDesignedPlaces(form);
    delete form;
  }
}

TEST_F(AnchorsTest, APlaceSetInCodeIsTheNewAnchorAndTheDefaultIsLeftAndTop) {
  auto* form = ShowAnchorForm();
  auto* plain = new TShape(form);
  EXPECT_EQ(plain->Anchors(), (TAnchors{akLeft, akTop}));
  // Moved by code, the control keeps its new distance to the right edge.
  form->RightEdge->SetLeft(200);
  form->SetClientSize(350, 200);
  Pump();
  EXPECT_EQ(form->RightEdge->Left(), 250);
  // Anchors set later measure from where the control is then.
  form->LeftTop->SetAnchors({akLeft, akTop, akRight});
  EXPECT_EQ(form->LeftTop->Anchors(), (TAnchors{akLeft, akTop, akRight}));
  form->SetClientSize(370, 200);
  Pump();
  EXPECT_EQ(form->LeftTop->BoundsRect(), Bounds(10, 10, 70, 20));
  // So does a control with a window.
  form->BottomRight->SetTop(150);
  form->SetClientSize(370, 230);
  Pump();
  EXPECT_EQ(form->BottomRight->Top(), 180);
  // A control moved to another parent anchors to that one where it lands.
  const TRect before = form->Inner->BoundsRect();
  form->Inner->SetParent(form);
  EXPECT_EQ(form->Inner->BoundsRect(), before);
  const int distance = form->ClientWidth() - form->Inner->Left();
  form->SetClientSize(400, 230);
  Pump();
  EXPECT_EQ(form->ClientWidth() - form->Inner->Left(), distance);
}

TEST_F(AnchorsTest, AlignedControlsAreLaidOutByTheirAlignmentAndTheirChildrenFollowAnchors) {
  auto* form = ShowAnchorForm();
  auto* header = form->Make<TPanel>(form, "Header", 0, 0, 50, 30, {akLeft, akTop, akRight, akBottom});
  header->SetAlign(alTop);
  auto* side = form->Make<TPanel>(form, "Side", 0, 0, 40, 10, {akLeft, akTop, akRight, akBottom});
  side->SetAlign(alLeft);
  auto* body = form->Make<TPanel>(form, "Body", 0, 0, 10, 10, {akLeft, akTop});
  body->SetAlign(alClient);
  auto* ok = form->Make<TShape>(body, "Ok", 180, 130, 60, 30, {akRight, akBottom});
  EXPECT_EQ(body->BoundsRect(), Rect(40, 30, 300, 200));
  form->SetClientSize(400, 260);
  Pump();
  // The alignment, not the anchors, gives the header its height and the
  // side bar its width.
  EXPECT_EQ(header->BoundsRect(), Rect(0, 0, 400, 30));
  EXPECT_EQ(side->BoundsRect(), Rect(0, 30, 40, 260));
  EXPECT_EQ(body->BoundsRect(), Rect(40, 30, 400, 260));
  // The body grew by 100 x 60: its anchored child kept its corner distance.
  EXPECT_EQ(ok->BoundsRect(), Bounds(280, 190, 60, 30));
  // No longer aligned, the header is anchored where it stands.
  header->SetAlign(alNone);
  form->SetClientSize(420, 280);
  Pump();
  EXPECT_EQ(header->BoundsRect(), Rect(0, 0, 420, 50));
}

TEST_F(AnchorsTest, AControlFreedByAResizeHandlerDuringTheLayoutIsLeftAlone) {
  struct Case {
    const char* what;
    TAlign align;
    TAnchors anchors;
    bool frees_itself;
    TRect survivor;  // where the one left is placed
  };
  const TAnchors all{akLeft, akTop, akRight, akBottom};
  const std::vector<Case> cases = {
      {"anchored, freeing a sibling", alNone, all, false, Rect(0, 0, 200, 80)},
      {"anchored, freeing itself", alNone, all, true, Rect(0, 50, 200, 130)},
      {"aligned, freeing a sibling", alTop, kDefaultAnchors, false, Rect(0, 0, 400, 20)},
      {"aligned, freeing itself", alTop, kDefaultAnchors, true, Rect(0, 0, 400, 20)},
  };
  for (const Case& c : cases) {
    auto* form = ShowAnchorForm();
    auto* first = form->Make<TShape>(form, "First", 0, 0, 100, 20, c.anchors);
    first->SetAlign(c.align);
    auto* second = form->Make<TShape>(form, "Second", 0, 50, 100, 20, c.anchors);
    second->SetAlign(c.align);
    TShape* doomed = c.frees_itself ? first : second;
    TShape* survivor = c.frees_itself ? second : first;
    // Freeing itself frees this handler too: nothing in it runs after that.
    first->OnResize = [slot = &doomed](TObject*) {
      TShape* victim = *slot;
      *slot = nullptr;
      delete victim;
    };
    form->SetClientSize(400, 260);
    Pump();
    EXPECT_EQ(doomed, nullptr) << c.what;
    EXPECT_EQ(survivor->BoundsRect(), c.survivor) << c.what;
    delete form;
  }
}

TEST_F(AnchorsTest, AValueOutsideTheAnchorKindsIsRefused) {
  auto* form = ShowAnchorForm();
  const TAnchors before = form->RightEdge->Anchors();
  try {
    form->RightEdge->SetAnchors(TAnchors::FromBits(1u << 7));
    ADD_FAILURE() << "no error";
  } catch (const EPropertyError& e) {
    EXPECT_STREQ(e.what(), "Invalid property value");
  }
  EXPECT_EQ(form->RightEdge->Anchors(), before);
}

// --- constraints ---

class ConstraintsTest : public AnchorsTest {};

struct LimitedControl {
  const char* kind;
  std::function<TControl*(TAnchorForm*)> make;
};

TEST_F(ConstraintsTest, SizesSetInCodeStayWithinTheLimits) {
  const std::vector<LimitedControl> kinds = {
      {"windowless", [](TAnchorForm* f) { return NewControl<TShape>(f, f, "Shape", 5, 5, 60, 40); }},
      {"windowed", [](TAnchorForm* f) { return NewControl<TPanel>(f, f, "Panel", 5, 5, 60, 40); }},
      {"the form", [](TAnchorForm* f) { return f; }},
  };
  for (const LimitedControl& kind : kinds) {
    auto* form = ShowAnchorForm();
    TControl* control = kind.make(form);
    TSizeConstraints* limits = control->Constraints();
    limits->SetMinWidth(150);
    limits->SetMinHeight(120);
    limits->SetMaxWidth(350);
    limits->SetMaxHeight(330);
    // Setting the limits brought the size within them at once.
    EXPECT_GE(control->Width(), 150) << kind.kind;
    EXPECT_GE(control->Height(), 120) << kind.kind;
    EXPECT_LE(control->Width(), 350) << kind.kind;
    control->SetBounds(control->Left(), control->Top(), 20, 10);
    Pump();
    EXPECT_EQ(control->Width(), 150) << kind.kind;
    EXPECT_EQ(control->Height(), 120) << kind.kind;
    control->SetWidth(900);
    control->SetHeight(900);
    Pump();
    EXPECT_EQ(control->Width(), 350) << kind.kind;
    EXPECT_EQ(control->Height(), 330) << kind.kind;
    // 0 is no limit.
    limits->SetMaxWidth(0);
    control->SetWidth(500);
    Pump();
    EXPECT_EQ(control->Width(), 500) << kind.kind;
    delete form;
  }
}

TEST_F(ConstraintsTest, AlignmentAndAnchorsAreClampedToo) {
  auto* form = ShowAnchorForm();
  auto* side = NewControl<TPanel>(form, form, "Side", 0, 0, 40, 10);
  side->Constraints()->SetMinWidth(80);
  side->SetAlign(alLeft);
  auto* body = NewControl<TPanel>(form, form, "Body", 0, 0, 10, 10);
  body->Constraints()->SetMaxWidth(150);
  body->Constraints()->SetMaxHeight(120);
  body->SetAlign(alClient);
  // The side bar took its minimum and the body starts after it.
  EXPECT_EQ(side->BoundsRect(), Rect(0, 0, 80, 200));
  EXPECT_EQ(body->BoundsRect(), Bounds(80, 0, 150, 120));
  form->Stretched->Constraints()->SetMaxWidth(320);
  form->Stretched->Constraints()->SetMinHeight(110);
  form->SetClientSize(400, 150);
  Pump();
  // Stretching would give 380 x 70.
  EXPECT_EQ(form->Stretched->BoundsRect(), Bounds(10, 40, 320, 110));
  // The clamped size is no new design: back at the old size, so is it.
  form->SetClientSize(300, 200);
  Pump();
  EXPECT_EQ(form->Stretched->BoundsRect(), Bounds(10, 40, 280, 120));
}

TEST_F(ConstraintsTest, AFormsFrameCannotBeDraggedPastTheLimits) {
  auto* form = ShowAnchorForm();
  form->Constraints()->SetMinWidth(250);
  form->Constraints()->SetMinHeight(180);
  form->Constraints()->SetMaxWidth(420);
  form->Constraints()->SetMaxHeight(300);
  DragFrameCorner(form, 300, 300);
  Pump();
  EXPECT_EQ(form->BoundsRect(), Bounds(100, 100, 420, 300));
  // The controls followed the frame as far as it went.
  EXPECT_EQ(form->RightEdge->Left(), form->ClientWidth() - 60);
  DragFrameCorner(form, -300, -300);
  Pump();
  EXPECT_EQ(form->BoundsRect(), Bounds(100, 100, 250, 180));
  EXPECT_EQ(form->RightEdge->Left(), form->ClientWidth() - 60);
}

struct LimitPair {
  const char* what;
  std::function<void(TSizeConstraints*)> set;
  int min_width, max_width, min_height, max_height;
};

TEST_F(ConstraintsTest, AMinimumAndMaximumNeverContradictEachOther) {
  const std::vector<LimitPair> pairs = {
      {"max below min takes min down", [](TSizeConstraints* c) { c->SetMinWidth(100); c->SetMaxWidth(50); },
       50, 50, 0, 0},
      {"min above max takes max up", [](TSizeConstraints* c) { c->SetMaxWidth(50); c->SetMinWidth(100); },
       100, 100, 0, 0},
      {"no maximum leaves the minimum", [](TSizeConstraints* c) { c->SetMinWidth(100); c->SetMaxWidth(0); },
       100, 0, 0, 0},
      {"heights alike, max first", [](TSizeConstraints* c) { c->SetMinHeight(90); c->SetMaxHeight(40); },
       0, 0, 40, 40},
      {"heights alike, min first", [](TSizeConstraints* c) { c->SetMaxHeight(40); c->SetMinHeight(90); },
       0, 0, 90, 90},
      {"in order they stand", [](TSizeConstraints* c) { c->SetMinHeight(40); c->SetMaxHeight(90); },
       0, 0, 40, 90},
  };
  for (const LimitPair& pair : pairs) {
    TSizeConstraints limits;
    pair.set(&limits);
    EXPECT_EQ(limits.MinWidth(), pair.min_width) << pair.what;
    EXPECT_EQ(limits.MaxWidth(), pair.max_width) << pair.what;
    EXPECT_EQ(limits.MinHeight(), pair.min_height) << pair.what;
    EXPECT_EQ(limits.MaxHeight(), pair.max_height) << pair.what;
  }
}

TEST_F(ConstraintsTest, ANegativeLimitIsRefusedAndTheOldOneKept) {
  auto* form = ShowAnchorForm();
  TSizeConstraints* limits = form->Stretched->Constraints();
  limits->SetMinWidth(30);
  limits->SetMinHeight(31);
  limits->SetMaxWidth(300);
  limits->SetMaxHeight(301);
  const std::vector<std::pair<const char*, std::function<void()>>> setters = {
      {"MinWidth", [&] { limits->SetMinWidth(-1); }},
      {"MinHeight", [&] { limits->SetMinHeight(-5); }},
      {"MaxWidth", [&] { limits->SetMaxWidth(-1); }},
      {"MaxHeight", [&] { limits->SetMaxHeight(-100); }},
  };
  for (const auto& [name, set] : setters) {
    try {
      set();
      ADD_FAILURE() << name << ": no error";
    } catch (const EPropertyError& e) {
      EXPECT_STREQ(e.what(), "Invalid property value") << name;
    }
  }
  EXPECT_EQ(limits->MinWidth(), 30);
  EXPECT_EQ(limits->MinHeight(), 31);
  EXPECT_EQ(limits->MaxWidth(), 300);
  EXPECT_EQ(limits->MaxHeight(), 301);
  EXPECT_EQ(form->Stretched->BoundsRect(), Bounds(10, 40, 280, 120));
}

TEST_F(ConstraintsTest, ConstraintsAreAssignedAsAWhole) {
  auto* form = ShowAnchorForm();
  TSizeConstraints wanted;
  wanted.SetMaxWidth(100);
  wanted.SetMaxHeight(50);
  form->Stretched->SetConstraints(&wanted);
  EXPECT_EQ(form->Stretched->Constraints()->MaxWidth(), 100);
  EXPECT_EQ(form->Stretched->Constraints()->MaxHeight(), 50);
  EXPECT_EQ(form->Stretched->BoundsRect(), Bounds(10, 40, 100, 50));
}

}  // namespace
}  // namespace velko_test
