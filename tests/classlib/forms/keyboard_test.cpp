// Keys and focus: tab order, OnEnter and OnExit, key preview, dialog keys
// and characters, label accelerators, menu shortcuts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/Label.h"
#include "classlib/Menus.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

// A windowed control that takes the focus, wants the arrow keys when told
// to, and writes down what reaches it.
class TKeyBox : public TCustomControl {
 public:
  explicit TKeyBox(TComponent* AOwner) : TCustomControl(AOwner) { SetTabStop(true); }
  bool wants_arrows = false;
  std::vector<std::string>* log = nullptr;

  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_GETDLGCODE) {
      Message.Result = wants_arrows ? DLGC_WANTARROWS : 0;
      return;
    }
    if (Message.Msg == CM_DIALOGKEY && Message.WParam == VK_RETURN && log != nullptr) {
      log->push_back(Name() + " dialog-enter");
      Message.Result = 1;
      return;
    }
    TCustomControl::Dispatch(Message);
  }

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override {
    if (log != nullptr) log->push_back(Name() + " down " + std::to_string(Key));
    TCustomControl::KeyDown(Key, Shift);
  }
  void KeyPress(char& Key) override {
    if (log != nullptr) log->push_back(Name() + " char " + std::string(1, Key));
    TCustomControl::KeyPress(Key);
  }
};

class TKeyForm : public TForm {
 public:
  explicit TKeyForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("KeyForm");
    SetClientSize(300, 200);
    A = Make("A", 10);
    B = Make("B", 110);
    C = Make("C", 210);
    ColdLabel = new TLabel(this);
    ColdLabel->SetName("CaptionLabel");
    ColdLabel->SetParent(this);
    ColdLabel->SetCaption("&Cold");
    ColdLabel->SetBounds(10, 150, 60, 15);
    ColdLabel->SetFocusControl(C);
    OnKeyDown = [this](TObject*, Word& key, TShiftState) {
      log.push_back("form down " + std::to_string(key));
      if (key == VK_F2) key = 0;  // taken here
    };
    EndLoad();
  }

  TKeyBox* Make(const String& name, int left) {
    auto* box = NewControl<TKeyBox>(this, this, name, left, 10, 80, 40);
    box->log = &log;
    box->OnEnter = [this, name](TObject*) { log.push_back(name + " enter"); };
    box->OnExit = [this, name](TObject*) { log.push_back(name + " exit"); };
    return box;
  }

  TKeyBox* A;
  TKeyBox* B;
  TKeyBox* C;
  TLabel* ColdLabel;
  std::vector<std::string> log;
};

class KeyboardTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    form = ShowNewForm<TKeyForm>();
  }
  TKeyForm* form = nullptr;
};

TEST_F(KeyboardTest, TheFirstTabStopGetsTheFocusAndTabWalksTheTabOrder) {
  EXPECT_TRUE(form->A->Focused());
  EXPECT_EQ(form->ActiveControl(), form->A);
  EXPECT_EQ(Screen->ActiveControl(), form->A);
  form->log.clear();
  Press(VK_TAB);
  EXPECT_TRUE(form->B->Focused());
  EXPECT_EQ((std::vector<std::string>{"A exit", "B enter"}), form->log);
  form->C->SetTabOrder(0);
  Press(VK_TAB);  // B is last now: around to C
  EXPECT_TRUE(form->C->Focused());
  // Shift+Tab goes back.
  PressWith(VK_SHIFT, VK_TAB);
  EXPECT_TRUE(form->B->Focused());
  // A disabled control is passed over.
  form->C->SetEnabled(false);
  Press(VK_TAB);
  EXPECT_TRUE(form->A->Focused());
}

TEST_F(KeyboardTest, KeyPreviewShowsTheFormTheKeyFirstAndItCanTakeIt) {
  form->log.clear();
  Press('X');
  EXPECT_EQ((std::vector<std::string>{"A down 88", "A char x"}), form->log);
  form->KeyPreview = true;
  form->log.clear();
  Press('X');
  EXPECT_EQ((std::vector<std::string>{"form down 88", "A down 88", "A char x"}), form->log);
  form->log.clear();
  Press(VK_F2);
  EXPECT_EQ((std::vector<std::string>{"form down 113"}), form->log);
}

TEST_F(KeyboardTest, ArrowsMoveTheFocusUnlessTheControlAsksForThem) {
  Press(VK_RIGHT);
  EXPECT_TRUE(form->B->Focused());
  form->B->wants_arrows = true;
  form->log.clear();
  Press(VK_RIGHT);
  EXPECT_TRUE(form->B->Focused());
  EXPECT_EQ((std::vector<std::string>{"B down 39"}), form->log);
}

TEST_F(KeyboardTest, EnterIsOfferedToTheControlsAsADialogKey) {
  form->log.clear();
  Press(VK_RETURN);
  // The first control that answers takes it; the key goes no further.
  EXPECT_EQ((std::vector<std::string>{"A dialog-enter"}), form->log);
}

TEST_F(KeyboardTest, ALabelsAcceleratorFocusesItsControl) {
  PressWith(VK_MENU, 'C');
  EXPECT_TRUE(form->C->Focused());
}

TEST_F(KeyboardTest, AMenuShortcutRunsItsItemInsteadOfReachingTheControl) {
  auto* menu = new TMainMenu(form);
  auto* file = new TMenuItem(form);
  file->SetCaption("&File");
  menu->Items()->Add(file);
  auto* open = new TMenuItem(form);
  open->SetCaption("&Open...");
  open->SetShortCut(ShortCut('O', {ssCtrl}));
  int opened = 0;
  open->OnClick = [&](TObject*) { ++opened; };
  file->Add(open);
  form->SetMenu(menu);
  form->log.clear();
  PressWith(VK_CONTROL, 'O');
  EXPECT_EQ(opened, 1);
  for (const std::string& entry : form->log) EXPECT_EQ(entry.find("down 79"), std::string::npos) << entry;
  // A disabled item is no shortcut.
  open->SetEnabled(false);
  PressWith(VK_CONTROL, 'O');
  EXPECT_EQ(opened, 1);
}

}  // namespace
}  // namespace velko_test
