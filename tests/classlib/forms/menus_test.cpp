// Menus: shortcut texts, the item tree (radio groups, change
// notification, commands), the platform menus made from the items and kept
// in step, a form's menu bar chosen from the keyboard, pop-up menus opened
// in code and by a right click, and owner-drawn items.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/ImgList.h"
#include "classlib/Menus.h"
#include "classlib/Timers.h"
#include "platform/user/menu.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

String MenuText(HMENU menu, int position) {
  char buffer[128] = {};
  GetMenuString(menu, static_cast<UINT>(position), buffer, sizeof buffer, MF_BYPOSITION);
  return buffer;
}

TEST(ShortCutTest, TextsOfShortcutsAndBack) {
  EXPECT_EQ(ShortCutToText(ShortCut('O', {ssCtrl})), "Ctrl+O");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_F5, {})), "F5");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_DELETE, {ssShift})), "Shift+Del");
  EXPECT_EQ(ShortCutToText(ShortCut('X', {ssShift, ssCtrl, ssAlt})), "Shift+Ctrl+Alt+X");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_RETURN, {ssAlt})), "Alt+Enter");
  EXPECT_EQ(ShortCutToText(0), "");
  EXPECT_EQ(TextToShortCut("ctrl+o"), ShortCut('O', {ssCtrl}));
  EXPECT_EQ(TextToShortCut("F12"), ShortCut(VK_F12, {}));
  EXPECT_EQ(TextToShortCut("Shift+Ctrl+PgDn"), ShortCut(VK_NEXT, {ssShift, ssCtrl}));
  EXPECT_EQ(TextToShortCut("nonsense"), 0);
  EXPECT_EQ(StripHotkey("&Open && Save"), "Open & Save");
  EXPECT_EQ(GetHotkey("Save &As"), 'A');
  EXPECT_EQ(GetHotkey("Fish && &Chips"), 'C');
  EXPECT_EQ(GetHotkey("None"), 0);
}

// A menu built as the forms build theirs: File (Open, -, Exit) and
// View (Big, Small as radio items).
class TMenuForm : public TForm {
 public:
  explicit TMenuForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("MenuForm");
    SetClientSize(300, 200);
    MainMenu = new TMainMenu(this);
    File = Item("&File");
    MainMenu->Items()->Add(File);
    Open = Item("&Open");
    Open->SetShortCut(ShortCut('O', {ssCtrl}));
    File->Add(Open);
    File->Add(Item("-"));
    Exit = Item("E&xit");
    File->Add(Exit);
    View = Item("&View");
    MainMenu->Items()->Add(View);
    Big = Item("&Big");
    Big->SetRadioItem(true);
    Big->SetChecked(true);
    View->Add(Big);
    Small = Item("&Small");
    Small->SetRadioItem(true);
    View->Add(Small);
    SetMenu(MainMenu);
    Popup = new TPopupMenu(this);
    Copy = Item("&Copy");
    Popup->Items()->Add(Copy);
    Paste = Item("&Paste");
    Popup->Items()->Add(Paste);
    Panel = NewControl<TPanel>(this, this, "", 10, 10, 100, 80);
    Panel->SetPopupMenu(Popup);
    EndLoad();
  }
  TMenuItem* Item(const String& caption) {
    auto* item = new TMenuItem(this);
    item->SetCaption(caption);
    return item;
  }
  TMainMenu* MainMenu;
  TMenuItem* File;
  TMenuItem* Open;
  TMenuItem* Exit;
  TMenuItem* View;
  TMenuItem* Big;
  TMenuItem* Small;
  TPopupMenu* Popup;
  TMenuItem* Copy;
  TMenuItem* Paste;
  TPanel* Panel;
};

class MenusTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Application->CreateForm(form);
  }
  void Show() {
    form->Show();
    Pump();
  }
  TMenuForm* form = nullptr;
};

TEST_F(MenusTest, RadioItemsOfAGroupCheckOneAtATimeAndChangesAreTold) {
  std::vector<std::pair<TMenuItem*, bool>> changes;
  form->MainMenu->OnChange = [&](TObject*, TMenuItem* source, bool rebuild) { changes.emplace_back(source, rebuild); };
  form->Small->SetChecked(true);
  EXPECT_FALSE(form->Big->Checked());
  EXPECT_TRUE(form->Small->Checked());
  ASSERT_FALSE(changes.empty());
  EXPECT_FALSE(changes.back().second);
  changes.clear();
  auto* extra = new TMenuItem(form);
  form->View->Add(extra);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_TRUE(changes[0].second);
  EXPECT_EQ(form->View->IndexOf(extra), 2);
  EXPECT_EQ(form->MainMenu->FindItem(extra->Command(), fkCommand), extra);
  EXPECT_EQ(form->MainMenu->Items()->Find("file"), form->File);
  int clicks = 0;
  extra->OnClick = [&](TObject*) { ++clicks; };
  EXPECT_TRUE(form->MainMenu->DispatchCommand(extra->Command()));
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(form->MainMenu->DispatchCommand(form->Copy->Command()));
  delete extra;
  EXPECT_EQ(form->View->Count(), 2);
}

TEST_F(MenusTest, ThePlatformMenuFollowsTheItems) {
  HMENU bar = form->MainMenu->Handle();
  ASSERT_TRUE(IsMenu(bar));
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  EXPECT_EQ(MenuText(bar, 0), "&File");
  HMENU file = GetSubMenu(bar, 0);
  EXPECT_EQ(file, form->File->Handle());
  ASSERT_EQ(GetMenuItemCount(file), 3);
  EXPECT_EQ(MenuText(file, 0), "&Open\tCtrl+O");
  EXPECT_TRUE(GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_EQ(GetMenuItemID(file, 2), form->Exit->Command());
  HMENU view = GetSubMenu(bar, 1);
  MENUITEMINFO info;
  info.fMask = MIIM_FTYPE | MIIM_STATE;
  GetMenuItemInfo(view, 0, TRUE, &info);
  EXPECT_TRUE(info.fType & MFT_RADIOCHECK);
  EXPECT_TRUE(info.fState & MFS_CHECKED);
  // Changes reach it at once.
  form->Exit->SetEnabled(false);
  EXPECT_TRUE(GetMenuState(file, 2, MF_BYPOSITION) & MF_GRAYED);
  form->Open->SetCaption("&Open...");
  EXPECT_EQ(MenuText(file, 0), "&Open...\tCtrl+O");
  form->Small->SetChecked(true);
  EXPECT_FALSE(GetMenuState(view, 0, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_TRUE(GetMenuState(view, 1, MF_BYPOSITION) & MF_CHECKED);
  form->Open->SetVisible(false);
  EXPECT_EQ(GetMenuItemCount(file), 2);
  form->Open->SetVisible(true);
  form->Exit->SetDefault(true);
  EXPECT_EQ(GetMenuDefaultItem(file, FALSE, 1 /* disabled ones too */), form->Exit->Command());
  // A new item with sub-items gets a sub-menu of its own.
  auto* help = new TMenuItem(form);
  help->SetCaption("&Help");
  form->MainMenu->Items()->Add(help);
  EXPECT_EQ(GetMenuItemCount(bar), 3);
  EXPECT_EQ(GetSubMenu(bar, 2), nullptr);
  auto* about = new TMenuItem(form);
  about->SetCaption("&About");
  help->Add(about);
  EXPECT_NE(GetSubMenu(bar, 2), nullptr);
  EXPECT_EQ(MenuText(GetSubMenu(bar, 2), 0), "&About");
  delete help;
  EXPECT_EQ(GetMenuItemCount(bar), 2);
}

TEST_F(MenusTest, AFormShowsItsMenuBarAndKeepsItsClientSize) {
  Show();
  EXPECT_EQ(GetMenu(form->Handle()), form->MainMenu->Handle());
  EXPECT_EQ(form->ClientWidth(), 300);
  EXPECT_EQ(form->ClientHeight(), 200);
  // Without the menu the window keeps its size and the client grows.
  const int height = form->Height();
  form->SetMenu(nullptr);
  EXPECT_EQ(GetMenu(form->Handle()), nullptr);
  EXPECT_EQ(form->Height(), height);
  EXPECT_GT(form->ClientHeight(), 200);
  form->SetMenu(form->MainMenu);
  EXPECT_EQ(GetMenu(form->Handle()), form->MainMenu->Handle());
}

TEST_F(MenusTest, AnItemChosenFromTheBarRunsAfterItsMenuTitleClicked) {
  Show();
  std::vector<String> clicks;
  form->File->OnClick = [&](TObject*) {
    clicks.push_back("File");
    // The program may fix the items before the menu opens.
    form->Exit->SetEnabled(true);
  };
  form->Exit->SetEnabled(false);
  form->Exit->OnClick = [&](TObject*) { clicks.push_back("Exit"); };
  platform::InjectKey(VK_MENU, true);
  platform::InjectKeyPress('F');
  platform::InjectKey(VK_MENU, false);
  platform::InjectKeyPress('X');
  Pump();
  EXPECT_EQ(clicks, (std::vector<String>{"File", "Exit"}));
}

TEST_F(MenusTest, APopupMenuRaisesOnPopupAndRunsTheChosenItem) {
  Show();
  std::vector<String> events;
  form->Popup->OnPopup = [&](TObject*) {
    events.push_back("popup");
    form->Paste->SetEnabled(true);
  };
  form->Paste->SetEnabled(false);
  form->Paste->OnClick = [&](TObject*) { events.push_back("paste"); };
  platform::InjectKeyPress(VK_DOWN);
  platform::InjectKeyPress(VK_DOWN);
  platform::InjectKeyPress(VK_RETURN);
  form->Popup->Popup(100, 100);
  EXPECT_EQ(form->Popup->PopupPoint(), Point(100, 100));
  Pump();
  EXPECT_EQ(events, (std::vector<String>{"popup", "paste"}));
}

TEST_F(MenusTest, ARightClickOnAControlOpensItsPopupMenu) {
  Show();
  int copies = 0;
  form->Copy->OnClick = [&](TObject*) { ++copies; };
  const TPoint p = form->Panel->ClientToScreen(Point(20, 20));
  platform::InjectMouse(platform::MouseAction::kMove, p.x, p.y);
  platform::InjectMouse(platform::MouseAction::kRightDown, p.x, p.y);
  platform::InjectMouse(platform::MouseAction::kRightUp, p.x, p.y);
  platform::InjectKeyPress(VK_DOWN);
  platform::InjectKeyPress(VK_RETURN);
  Pump();
  EXPECT_EQ(copies, 1);
  EXPECT_EQ(form->Popup->PopupComponent, form->Panel);
}

TEST_F(MenusTest, OwnerDrawnItemsAreMeasuredAndDrawnByTheItems) {
  Show();
  form->Popup->SetOwnerDraw(true);
  std::vector<String> measured;
  std::vector<String> drawn;
  form->Copy->OnMeasureItem = [&](TObject*, TCanvas*, int& width, int& height) {
    measured.push_back("Copy");
    width = 120;
    height = 30;
  };
  form->Copy->OnDrawItem = [&](TObject*, TCanvas* canvas, TRect rect, bool) {
    if (drawn.empty()) platform::InjectKeyPress(VK_ESCAPE);  // seen: close it
    drawn.push_back("Copy");
    canvas->Brush()->SetColor(clRed);
    canvas->FillRect(rect);
  };
  // Should the menu never be drawn, it is closed all the same.
  TTimer safety(nullptr);
  safety.SetInterval(2000);
  safety.SetOnTimer([](TObject*) { EndMenu(); });
  form->Popup->Popup(50, 50);
  Pump();
  EXPECT_EQ(measured, (std::vector<String>{"Copy"}));
  EXPECT_FALSE(drawn.empty());
  // Images make the items owner-drawn too; the list going is noticed.
  form->Popup->SetOwnerDraw(false);
  auto* images = new TImageList(form);
  form->Popup->SetImages(images);
  MENUITEMINFO info;
  info.fMask = MIIM_FTYPE;
  GetMenuItemInfo(form->Popup->Handle(), 0, TRUE, &info);
  EXPECT_TRUE(info.fType & MFT_OWNERDRAW);
  delete images;
  EXPECT_EQ(form->Popup->Images(), nullptr);
  GetMenuItemInfo(form->Popup->Handle(), 0, TRUE, &info);
  EXPECT_FALSE(info.fType & MFT_OWNERDRAW);
}

TEST_F(MenusTest, MenusGoneLeaveNoPlatformMenusBehind) {
  const std::size_t before = platform::LiveMenuCount();
  {
    TPopupMenu popup(nullptr);
    auto* a = new TMenuItem(&popup);
    popup.Items()->Add(a);
    auto* b = new TMenuItem(&popup);
    a->Add(b);
    popup.Handle();
    EXPECT_EQ(platform::LiveMenuCount(), before + 2);
  }
  EXPECT_EQ(platform::LiveMenuCount(), before);
}

}  // namespace
}  // namespace velko_test
