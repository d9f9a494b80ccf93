// Dragging controls with the mouse: automatic drags past the threshold,
// the cursor over targets that take or refuse the drag, dropping,
// cancelling, handlers that raise or delete controls in the middle of a
// drag, docking into a dock site, and the drag properties' values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/DragDrop.h"
#include "classlib/Exceptions.h"
#include "classlib/PaintBox.h"
#include "classlib/Panel.h"
#include "platform/gdi/system_metrics.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

std::string NameOf(TObject* object) {
  auto* control = dynamic_cast<TControl*>(object);
  return control != nullptr ? control->Name() : std::string("none");
}

std::string At(int x, int y) { return " " + std::to_string(x) + "," + std::to_string(y); }

// A form with a source to drag, a panel that takes drags, one that refuses
// them and a dock site; every drag event is written down.
class TDragForm : public TForm {
 public:
  explicit TDragForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("DragForm");
    SetClientSize(320, 240);
    Target = NewControl<TPanel>(this, this, "Target", 150, 10, 100, 80);
    Refuser = NewControl<TPanel>(this, this, "Refuser", 150, 110, 100, 60);
    Site = NewControl<TPanel>(this, this, "Site", 10, 130, 120, 90);
    Site->SetDockSite(true);
    EndLoad();
    Target->OnDragOver = [this](TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept) {
      static const char* const kStates[] = {"enter", "leave", "move"};
      events.push_back("over " + NameOf(Sender) + " " + kStates[State] + " from " + NameOf(Source) + At(X, Y));
      Accept = true;
    };
    Target->OnDragDrop = [this](TObject* Sender, TObject* Source, int X, int Y) {
      events.push_back("drop " + NameOf(Sender) + " from " + NameOf(Source) + At(X, Y));
    };
  }

  // The control to drag: a windowed panel or a windowless paint box.
  void MakeSource(bool windowed) {
    if (windowed) {
      Source = NewControl<TPanel>(this, this, "Source", 10, 10, 60, 40);
    } else {
      Source = NewControl<TPaintBox>(this, this, "Source", 10, 10, 60, 40);
    }
    Source->SetDragMode(dmAutomatic);
    Source->OnStartDrag = [this](TObject* Sender, TDragObject*&) { events.push_back("start " + NameOf(Sender)); };
    Source->OnEndDrag = [this](TObject* Sender, TObject* Target, int X, int Y) {
      events.push_back("end " + NameOf(Sender) + " on " + NameOf(Target) + At(X, Y));
    };
    Source->OnStartDock = [this](TObject* Sender, TDragObject*&) { events.push_back("start dock " + NameOf(Sender)); };
    Source->OnEndDock = [this](TObject* Sender, TObject* Target, int X, int Y) {
      events.push_back("end dock " + NameOf(Sender) + " on " + NameOf(Target) + At(X, Y));
    };
    Source->OnClick = [this](TObject*) { events.push_back("click"); };
  }

  TControl* Source = nullptr;
  TPanel* Target;
  TPanel* Refuser;
  TPanel* Site;
  std::vector<std::string> events;
};

class DragTest : public FormsTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Application->CreateForm(form);
    form->SetLeft(100);
    form->SetTop(100);
    form->MakeSource(GetParam());
    form->Show();
    Pump();
  }
  void Mouse(platform::MouseAction action, TControl* control, int x, int y) {
    const TPoint p = control->ClientToScreen(Point(x, y));
    platform::InjectMouse(action, p.x, p.y);
    Pump();
  }
  // Presses on the source and moves well past the threshold.
  void StartDrag() {
    Mouse(platform::MouseAction::kLeftDown, form->Source, 20, 20);
    Mouse(platform::MouseAction::kMove, form->Source, 40, 20);
    ASSERT_TRUE(form->Source->Dragging());
  }
  void DragTo(TControl* control, int x, int y) { Mouse(platform::MouseAction::kMove, control, x, y); }
  void DropOn(TControl* control, int x, int y) {
    DragTo(control, x, y);
    Mouse(platform::MouseAction::kLeftUp, control, x, y);
  }
  // Every way a drag ends leaves no capture, no drag and the arrow.
  void ExpectDragOver() {
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(TDragOperation::Current(), nullptr);
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
  }
  TDragForm* form = nullptr;
};

INSTANTIATE_TEST_SUITE_P(WindowedAndWindowless, DragTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "Windowed" : "Windowless";
                         });

TEST_P(DragTest, TheDragPropertiesStartAtTheirDefaults) {
  auto* plain = NewControl<TPanel>(form, form, "Plain", 260, 200, 20, 20);
  EXPECT_EQ(plain->DragMode(), dmManual);
  EXPECT_EQ(plain->DragKind(), dkDrag);
  EXPECT_EQ(plain->DragCursor(), crDrag);
  EXPECT_FALSE(plain->DockSite());
  // A manual control does not start a drag by itself.
  Mouse(platform::MouseAction::kLeftDown, plain, 5, 5);
  Mouse(platform::MouseAction::kMove, form->Target, 20, 20);
  EXPECT_FALSE(plain->Dragging());
  EXPECT_EQ(TDragOperation::Current(), nullptr);
  Mouse(platform::MouseAction::kLeftUp, form->Target, 20, 20);
}

TEST_P(DragTest, AnAutomaticDragStartsOnlyPastTheThreshold) {
  const int threshold = GetSystemMetrics(SM_CXDRAG);
  ASSERT_GT(threshold, 0);
  Mouse(platform::MouseAction::kLeftDown, form->Source, 20, 20);
  Mouse(platform::MouseAction::kMove, form->Source, 20 + threshold, 20);
  EXPECT_FALSE(form->Source->Dragging());
  EXPECT_TRUE(form->events.empty());
  Mouse(platform::MouseAction::kMove, form->Source, 20 + threshold + 1, 20);
  EXPECT_TRUE(form->Source->Dragging());
  EXPECT_EQ(form->events, (std::vector<std::string>{"start Source"}));
  EXPECT_NE(GetCapture(), nullptr);
  Press(VK_ESCAPE);
}

TEST_P(DragTest, APressReleasedBeforeTheThresholdIsAClick) {
  Mouse(platform::MouseAction::kLeftDown, form->Source, 20, 20);
  Mouse(platform::MouseAction::kMove, form->Source, 22, 21);
  Mouse(platform::MouseAction::kLeftUp, form->Source, 22, 21);
  EXPECT_EQ(form->events, (std::vector<std::string>{"click"}));
  ExpectDragOver();
}

TEST_P(DragTest, AManualDragStartsAndEndsFromCode) {
  TControl* source = form->Source;
  source->SetDragMode(dmManual);
  // From a press, waiting for the threshold: only moving starts it.
  source->OnMouseDown = [source](TObject*, TMouseButton, TShiftState, int, int) { source->BeginDrag(false); };
  Mouse(platform::MouseAction::kLeftDown, source, 20, 20);
  EXPECT_FALSE(source->Dragging());
  DragTo(form->Target, 30, 40);
  EXPECT_TRUE(source->Dragging());
  source->EndDrag(false);
  EXPECT_EQ(form->events.back(), "end Source on none 0,0");
  Mouse(platform::MouseAction::kLeftUp, form->Target, 30, 40);
  ExpectDragOver();
  // At once, and dropped where the mouse is.
  form->events.clear();
  source->OnMouseDown = [source](TObject*, TMouseButton, TShiftState, int, int) { source->BeginDrag(true); };
  Mouse(platform::MouseAction::kLeftDown, source, 20, 20);
  EXPECT_TRUE(source->Dragging());
  DragTo(form->Target, 30, 40);
  source->EndDrag(true);
  EXPECT_EQ(form->events,
            (std::vector<std::string>{"start Source", "over Target enter from Source 30,40",
                                      "drop Target from Source 30,40", "end Source on Target 30,40"}));
  Mouse(platform::MouseAction::kLeftUp, form->Target, 30, 40);
  ExpectDragOver();
}

// A drag object of the program's own: the targets see it as the source,
// and it chooses the cursor.
class TCardDrag : public TDragObject {
 public:
  TCursor GetDragCursor(bool Accepted, int, int) override { return Accepted ? crHandPoint : crNo; }
};

TEST_P(DragTest, OnStartDragMayGiveADragObjectOfItsOwnOrEndTheDragAtOnce) {
  TCardDrag card;
  TObject* seen = nullptr;
  form->Source->OnStartDrag = [&card](TObject*, TDragObject*& DragObject) {
    EXPECT_NE(DragObject, nullptr);
    DragObject = &card;
  };
  form->Target->OnDragOver = [&seen](TObject*, TObject* Source, int, int, TDragState, bool& Accept) {
    seen = Source;
    Accept = true;
  };
  ASSERT_NO_FATAL_FAILURE(StartDrag());
  DragTo(form->Target, 30, 40);
  EXPECT_EQ(seen, &card);
  EXPECT_EQ(card.Control(), form->Source);
  EXPECT_EQ(card.DragTarget(), form->Target);
  EXPECT_EQ(card.DragTargetPos(), Point(30, 40));
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));
  DragTo(form->Refuser, 30, 40);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crNo));
  DropOn(form->Target, 30, 40);
  EXPECT_TRUE(card.Dropped());
  ExpectDragOver();

  form->events.clear();
  TControl* source = form->Source;
  source->OnStartDrag = [this, source](TObject*, TDragObject*&) {
    form->events.push_back("start");
    source->EndDrag(false);
  };
  Mouse(platform::MouseAction::kLeftDown, source, 20, 20);
  Mouse(platform::MouseAction::kMove, form->Target, 30, 40);
  EXPECT_EQ(form->events, (std::vector<std::string>{"start", "end Source on none 0,0"}));
  EXPECT_FALSE(source->Dragging());
  Mouse(platform::MouseAction::kLeftUp, form->Target, 30, 40);
  ExpectDragOver();
}

TEST_P(DragTest, TheCursorShowsWhetherTheControlUnderItTakesTheDrag) {
  const HCURSOR drag = Screen->Cursors(crDrag);
  const HCURSOR no_drop = Screen->Cursors(crNoDrop);
  ASSERT_NE(drag, LoadCursor(nullptr, IDC_ARROW));
  ASSERT_NE(drag, no_drop);
  ASSERT_NO_FATAL_FAILURE(StartDrag());
  DragTo(form->Target, 30, 40);
  EXPECT_EQ(GetCursor(), drag);
  DragTo(form->Refuser, 30, 30);
  EXPECT_EQ(GetCursor(), no_drop);
  form->Source->SetDragCursor(crHandPoint);
  DragTo(form->Target, 31, 41);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));
  DragTo(form, 300, 230);
  EXPECT_EQ(GetCursor(), no_drop);
  Press(VK_ESCAPE);
  ASSERT_GE(form->events.size(), 4u);
  EXPECT_EQ((std::vector<std::string>(form->events.begin(), form->events.begin() + 4)),
            (std::vector<std::string>{"start Source", "over Target enter from Source 30,40",
                                      "over Target leave from Source 30,130",
                                      "over Target enter from Source 31,41"}));
}

TEST_P(DragTest, ReleasingOverATargetDropsThenEndsTheDrag) {
  ASSERT_NO_FATAL_FAILURE(StartDrag());
  DragTo(form->Target, 30, 40);
  DropOn(form->Target, 35, 45);
  EXPECT_EQ(form->events,
            (std::vector<std::string>{"start Source", "over Target enter from Source 30,40",
                                      "over Target move from Source 35,45", "drop Target from Source 35,45",
                                      "end Source on Target 35,45"}));
  EXPECT_FALSE(form->Source->Dragging());
  ExpectDragOver();
}

TEST_P(DragTest, EscapeAndReleasingOverNothingThatTakesItCancel) {
  struct Case {
    const char* how;
    std::vector<std::string> last;
  };
  const std::vector<Case> cases = {
      {"escape", {"over Target leave from Source 30,40", "end Source on none 0,0"}},
      {"refuser", {"over Target leave from Source 10,110", "end Source on none 0,0"}},
      {"form", {"over Target leave from Source 150,220", "end Source on none 0,0"}},
      {"capture lost", {"over Target leave from Source 30,40", "end Source on none 0,0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    form->events.clear();
    ASSERT_NO_FATAL_FAILURE(StartDrag());
    DragTo(form->Target, 30, 40);
    const std::string how = c.how;
    if (how == "escape") {
      Press(VK_ESCAPE);
    } else if (how == "refuser") {
      DropOn(form->Refuser, 10, 10);
    } else if (how == "capture lost") {
      form->Refuser->SetMouseCapture(true);
      form->Refuser->SetMouseCapture(false);
    } else {
      DropOn(form, 300, 230);
    }
    ASSERT_GE(form->events.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(form->events.end() - 2, form->events.end()), c.last);
    ExpectDragOver();
    Mouse(platform::MouseAction::kLeftUp, form, 300, 230);
  }
}

TEST_P(DragTest, AHandlerThatRaisesLeavesNoCaptureBehind) {
  struct Case {
    const char* handler;
    bool ends;  // the source still hears the drag end
  };
  // Taken by the application's handler, which shows nothing (a message
  // box would take the capture itself).
  std::vector<std::string> raised;
  Application->OnException = [&](TObject*, Exception& E) { raised.push_back(E.Message); };
  for (const Case& c : {Case{"over", false}, Case{"drop", true}, Case{"end", true}}) {
    SCOPED_TRACE(c.handler);
    form->events.clear();
    const std::string handler = c.handler;
    auto accept = form->Target->OnDragOver;
    auto drop = form->Target->OnDragDrop;
    auto end = form->Source->OnEndDrag;
    if (handler == "over") {
      form->Target->OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool&) { throw Exception("over"); };
    } else if (handler == "drop") {
      form->Target->OnDragDrop = [](TObject*, TObject*, int, int) { throw Exception("drop"); };
    } else {
      form->Source->OnEndDrag = [&, end](TObject* s, TObject* t, int x, int y) {
        end(s, t, x, y);
        throw Exception("end");
      };
    }
    ASSERT_NO_FATAL_FAILURE(StartDrag());
    DragTo(form->Target, 30, 40);
    // Raising while the drag goes on ends it there and then.
    if (handler == "over") ExpectDragOver();
    DropOn(form->Target, 30, 40);
    ExpectDragOver();
    EXPECT_EQ(!form->events.empty() && form->events.back().rfind("end Source on Target", 0) == 0, c.ends);
    EXPECT_EQ(raised, std::vector<std::string>{handler});
    raised.clear();
    form->Target->OnDragOver = accept;
    form->Target->OnDragDrop = drop;
    form->Source->OnEndDrag = end;
  }
}

TEST_P(DragTest, TheSourceDeletedDuringTheDragEndsItCleanly) {
  for (const char* when : {"in a handler", "between moves"}) {
    SCOPED_TRACE(when);
    if (form->Source == nullptr) form->MakeSource(GetParam());
    form->events.clear();
    ASSERT_NO_FATAL_FAILURE(StartDrag());
    if (std::string(when) == "in a handler") {
      form->Target->OnDragOver = [this](TObject*, TObject*, int, int, TDragState, bool& Accept) {
        delete form->Source;
        form->Source = nullptr;
        Accept = true;
      };
      DragTo(form->Target, 30, 40);
    } else {
      delete form->Source;
      form->Source = nullptr;
    }
    DropOn(form->Target, 35, 45);
    EXPECT_EQ(form->events, (std::vector<std::string>{"start Source"}));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(TDragOperation::Current(), nullptr);
    form->Target->OnDragOver = nullptr;
  }
}

TEST_P(DragTest, ATargetDeletedDuringTheDragHearsNoMore) {
  // Deleted while the drag is over it: the drag goes on over what is left.
  form->Target->OnDragOver = [this](TObject*, TObject*, int, int, TDragState State, bool& Accept) {
    form->events.push_back("over Target");
    Accept = true;
    if (State == dsDragMove) {
      // The handler goes with its control: only locals from here on.
      TDragForm* f = form;
      delete f->Target;
      f->Target = nullptr;
    }
  };
  ASSERT_NO_FATAL_FAILURE(StartDrag());
  DragTo(form->Target, 30, 40);
  const TPoint where = form->Target->ClientToScreen(Point(35, 45));
  DragTo(form->Target, 35, 45);
  ASSERT_EQ(form->Target, nullptr);
  platform::InjectMouse(platform::MouseAction::kMove, where.x + 1, where.y);
  platform::InjectMouse(platform::MouseAction::kLeftUp, where.x + 1, where.y);
  Pump();
  EXPECT_EQ(form->events,
            (std::vector<std::string>{"start Source", "over Target", "over Target", "end Source on none 0,0"}));
  ExpectDragOver();
}

TEST_P(DragTest, ATargetDeletedByItsDropIsNotReportedAsTheTarget) {
  form->Target->OnDragDrop = [this](TObject*, TObject*, int, int) {
    form->events.push_back("drop");
    TDragForm* f = form;
    delete f->Target;
    f->Target = nullptr;
  };
  ASSERT_NO_FATAL_FAILURE(StartDrag());
  DropOn(form->Target, 30, 40);
  EXPECT_EQ(form->events, (std::vector<std::string>{"start Source", "over Target enter from Source 30,40", "drop",
                                                   "end Source on none 0,0"}));
  ExpectDragOver();
}

TEST_P(DragTest, AControlDeletedInsideADragEventLeavesNothingInUse) {
  // Each handler deletes the control it is raised for.
  for (const char* event : {"start", "end", "start dock", "end dock"}) {
    SCOPED_TRACE(event);
    if (form->Source == nullptr) form->MakeSource(GetParam());
    const std::string which = event;
    auto free_source = [this](auto&&...) {
      TDragForm* f = form;
      delete f->Source;
      f->Source = nullptr;
    };
    if (which == "start") form->Source->OnStartDrag = free_source;
    if (which == "end") form->Source->OnEndDrag = free_source;
    if (which == "start dock" || which == "end dock") form->Source->SetDragKind(dkDock);
    if (which == "start dock") form->Source->OnStartDock = free_source;
    if (which == "end dock") form->Source->OnEndDock = free_source;
    Mouse(platform::MouseAction::kLeftDown, form->Source, 20, 20);
    Mouse(platform::MouseAction::kMove, form, 60, 60);
    DropOn(form->Site, 30, 30);
    EXPECT_EQ(form->Source, nullptr);
    ExpectDragOver();
  }
}

TEST_P(DragTest, DockingMovesTheControlIntoADockSiteWhereItWasDropped) {
  form->Source->SetDragKind(dkDock);
  ASSERT_NO_FATAL_FAILURE(StartDrag());  // pressed at 20,20 of the source
  DropOn(form->Site, 50, 40);
  EXPECT_EQ(form->events, (std::vector<std::string>{"start dock Source", "end dock Source on Site 50,40"}));
  EXPECT_EQ(form->Source->Parent(), form->Site);
  EXPECT_EQ(form->Source->BoundsRect(), Bounds(30, 20, 60, 40));
  ExpectDragOver();
}

TEST_P(DragTest, DockingAnywhereElseLeavesTheControlWhereItWas) {
  form->Source->SetDragKind(dkDock);
  for (TControl* elsewhere : std::vector<TControl*>{form->Target, form}) {
    SCOPED_TRACE(elsewhere->Name());
    form->events.clear();
    ASSERT_NO_FATAL_FAILURE(StartDrag());
    DropOn(elsewhere, 70, 30);
    EXPECT_EQ(form->events, (std::vector<std::string>{"start dock Source", "end dock Source on none 0,0"}));
    EXPECT_EQ(form->Source->Parent(), form);
    EXPECT_EQ(form->Source->BoundsRect(), Bounds(10, 10, 60, 40));
    ExpectDragOver();
  }
}

TEST_P(DragTest, ADragEnumerationOutOfRangeRaisesAndKeepsTheOldValue) {
  TControl* source = form->Source;
  for (int bad : {-1, 2, 7}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(source->SetDragMode(static_cast<TDragMode>(bad)), EPropertyError);
    EXPECT_EQ(source->DragMode(), dmAutomatic);
    source->SetDragKind(dkDock);
    EXPECT_THROW(source->SetDragKind(static_cast<TDragKind>(bad)), EPropertyError);
    EXPECT_EQ(source->DragKind(), dkDock);
    source->SetDragKind(dkDrag);
  }
  try {
    source->SetDragMode(static_cast<TDragMode>(2));
  } catch (const EPropertyError& e) {
    EXPECT_EQ(e.Message, "Invalid property value");
  }
}

}  // namespace
}  // namespace velko_test
