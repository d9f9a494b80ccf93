// OnContextPopup: raised before a control's pop-up menu shows, on a right
// click and from the keyboard (Shift+F10, the menu key), where Handled
// keeps the menu away; a control deleted in it leaves nothing in use.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/Menus.h"
#include "classlib/PaintBox.h"
#include "classlib/Panel.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

class TPopupForm : public TForm {
 public:
  explicit TPopupForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("PopupForm");
    SetClientSize(300, 200);
    Popup = new TPopupMenu(this);
    auto* item = new TMenuItem(this);
    item->SetCaption("&Copy");
    Popup->Items()->Add(item);
    Panel = NewControl<TPanel>(this, this, "Panel", 10, 10, 120, 80);
    Panel->SetPopupMenu(Popup);
    Box = NewControl<TPaintBox>(this, this, "Box", 150, 10, 60, 60);
    Box->SetPopupMenu(Popup);
    EndLoad();
    Popup->OnPopup = [this](TObject*) {
      events.push_back("menu at " + std::to_string(Popup->PopupPoint().x) + "," +
                       std::to_string(Popup->PopupPoint().y));
    };
  }
  TPopupMenu* Popup;
  TPanel* Panel;
  TPaintBox* Box;
  std::vector<std::string> events;
};

class ContextPopupTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Application->CreateForm(form);
    form->SetLeft(100);
    form->SetTop(100);
    form->Show();
    Pump();
  }
  void Watch(TControl* control, bool handled) {
    control->OnContextPopup = [this, handled](TObject* Sender, TPoint MousePos, bool& Handled) {
      form->events.push_back(NameOf(Sender) + " asks at " + std::to_string(MousePos.x) + "," +
                             std::to_string(MousePos.y));
      Handled = handled;
    };
  }
  static std::string NameOf(TObject* object) { return static_cast<TControl*>(object)->Name(); }
  void RightClick(TControl* control, int x, int y) {
    const TPoint p = control->ClientToScreen(Point(x, y));
    platform::InjectMouse(platform::MouseAction::kRightDown, p.x, p.y);
    platform::InjectMouse(platform::MouseAction::kRightUp, p.x, p.y);
  }
  // The way a menu is asked for; Escape follows, closing a menu that shows.
  void AskForMenu(const std::string& how) {
    if (how == "right click") {
      RightClick(form->Panel, 20, 25);
    } else if (how == "windowless right click") {
      RightClick(form->Box, 5, 6);
    } else {
      form->Panel->SetFocus();
      Pump();
      if (how == "shift+f10") {
        platform::InjectKey(VK_SHIFT, true);
        platform::InjectKeyPress(VK_F10);
        platform::InjectKey(VK_SHIFT, false);
      } else {
        platform::InjectKeyPress(VK_APPS);
      }
    }
    platform::InjectKeyPress(VK_ESCAPE);
    Pump();
  }
  std::string ScreenAt(TControl* control, int x, int y) {
    const TPoint p = control->ClientToScreen(Point(x, y));
    return std::to_string(p.x) + "," + std::to_string(p.y);
  }
  TPopupForm* form = nullptr;
};

TEST_F(ContextPopupTest, ItIsAskedBeforeTheMenuShowsAndHandledKeepsTheMenuAway) {
  struct Case {
    std::string how;
    std::string asks;
    std::string menu;
  };
  const std::vector<Case> cases = {
      {"right click", "Panel asks at 20,25", "menu at " + ScreenAt(form->Panel, 20, 25)},
      {"windowless right click", "Box asks at 5,6", "menu at " + ScreenAt(form->Box, 5, 6)},
      {"shift+f10", "Panel asks at -1,-1", "menu at " + ScreenAt(form->Panel, 0, 0)},
      {"menu key", "Panel asks at -1,-1", "menu at " + ScreenAt(form->Panel, 0, 0)},
  };
  for (const Case& c : cases) {
    for (bool handled : {false, true}) {
      SCOPED_TRACE(c.how + (handled ? ", handled" : ""));
      form->events.clear();
      Watch(form->Panel, handled);
      Watch(form->Box, handled);
      AskForMenu(c.how);
      const std::vector<std::string> expected =
          handled ? std::vector<std::string>{c.asks} : std::vector<std::string>{c.asks, c.menu};
      EXPECT_EQ(form->events, expected);
    }
  }
}

TEST_F(ContextPopupTest, AControlDeletedInOnContextPopupShowsNoMenu) {
  for (const std::string how : {"right click", "windowless right click", "menu key"}) {
    SCOPED_TRACE(how);
    form->events.clear();
    TControl* asked = how == "windowless right click" ? static_cast<TControl*>(form->Box) : form->Panel;
    asked->OnContextPopup = [this](TObject* Sender, TPoint, bool&) {
      TPopupForm* f = form;
      f->events.push_back("deleted");
      if (Sender == f->Panel) f->Panel = nullptr;
      if (Sender == f->Box) f->Box = nullptr;
      delete Sender;
    };
    AskForMenu(how);
    EXPECT_EQ(form->events, std::vector<std::string>{"deleted"});
    EXPECT_EQ(GetCapture(), nullptr);
    if (form->Panel == nullptr) {
      form->Panel = NewControl<TPanel>(form, form, "Panel", 10, 10, 120, 80);
      form->Panel->SetPopupMenu(form->Popup);
    }
  }
}

}  // namespace
}  // namespace velko_test
