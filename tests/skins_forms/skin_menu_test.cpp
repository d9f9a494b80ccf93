#include <gtest/gtest.h>

#include "platform/user/input.h"
#include "platform/user/user.h"
#include "skins/SkinEngine.h"
#include "skins/SkinMenuWnd.h"
#include "tests/skins_forms/skin_form_fixture.h"

namespace {

using velko_test::RGBc;

TMenuItem* Item(TComponent* owner, const char* caption, std::vector<TMenuItem*> subs = {}) {
  auto* it = new TMenuItem(owner);
  it->SetCaption(caption);
  for (auto* s : subs) it->Add(s);
  return it;
}

class SkinMenuTest : public velko_test::SkinFormTest {
 protected:
  void MakeMenuForm() {
    MakeForm();
    menu = new TMainMenu(form);
    open = Item(form, "&Open");
    open->OnClick = [this](TObject*) { log.push_back("open"); };
    exitItem = Item(form, "E&xit");
    exitItem->OnClick = [this](TObject*) { log.push_back("exit"); };
    auto* disabled = Item(form, "Export");
    disabled->SetEnabled(false);
    auto* enabledE = Item(form, "Edit again");
    enabledE->OnClick = [this](TObject*) { log.push_back("edit again"); };
    menu->Items()->Add(Item(form, "&File", {open, Item(form, "-"), disabled, enabledE, exitItem}));
    auto* deep = Item(form, "Sub &A");
    deep->OnClick = [this](TObject*) { log.push_back("sub a"); };
    menu->Items()->Add(Item(form, "&Edit", {Item(form, "&More", {deep}), Item(form, "&Copy")}));
    auto* help = Item(form, "&Help");
    help->OnClick = [this](TObject*) { log.push_back("help"); };
    menu->Items()->Add(help);
    engine->SetMainMenu(menu);
    ShowSkinned();
  }
  // The centre of a menu-bar item, in window coordinates.
  POINT BarItem(int i) {
    TscSkinObject* o = engine->MenuBarItems.at(i);
    return POINT{o->Left + o->Width / 2, o->Top + o->Height / 2};
  }
  TscMenuWnd* OpenWnd() { return engine->OpenPopup ? engine->OpenPopup->MenuWnd : nullptr; }

  TMainMenu* menu = nullptr;
  TMenuItem* open = nullptr;
  TMenuItem* exitItem = nullptr;
  std::vector<std::string> log;
};

TEST_F(SkinMenuTest, MenuBarOfThreeItems) {
  MakeMenuForm();
  ASSERT_EQ(engine->MenuBarItems.size(), 3u);
  EXPECT_NE(engine->MenuBarPopups[0], nullptr);
  EXPECT_NE(engine->MenuBarPopups[1], nullptr);
  EXPECT_EQ(engine->MenuBarPopups[2], nullptr);
  EXPECT_EQ(form->ClientHeight(), 108);  // the bar takes 18 pixels
  EXPECT_EQ(engine->MenuBarItems[0]->Left, 4);
  EXPECT_EQ(engine->MenuBarItems[1]->Left, 4 + engine->MenuBarItems[0]->Width);
  EXPECT_EQ(HitAt(BarItem(0).x, BarItem(0).y), HTMINBUTTON);
  // The bar item text is drawn in black on the bar's grey.
  int black = 0;
  for (int x = 4; x < 4 + engine->MenuBarItems[0]->Width; ++x)
    for (int y = 20; y < 38; ++y) black += WindowPixel(x, y) == RGBc(0, 0, 0);
  EXPECT_GT(black, 5);
  // The third item has no popup: a click runs its OnClick.
  ClickAt(BarItem(2).x, BarItem(2).y);
  Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"help"}));
  EXPECT_FALSE(engine->MenuLoop);
  ASSERT_EQ(engine->MenuBarItems.size(), 3u);  // rebuilt after the click
  // Alt and a letter open that item's popup.
  platform::InjectKey(VK_MENU, true);
  platform::InjectKeyPress('E');
  platform::InjectKey(VK_MENU, false);
  Pump();
  ASSERT_NE(OpenWnd(), nullptr);
  EXPECT_EQ(engine->OpenPopup, engine->MenuBarPopups[1]);
  EXPECT_EQ(engine->HotObject, engine->MenuBarItems[1]);
}

TEST_F(SkinMenuTest, PopupOpensBelowItsItemAndChoosesByClick) {
  MakeMenuForm();
  ClickAt(BarItem(0).x, BarItem(0).y);
  TscMenuWnd* wnd = OpenWnd();
  ASSERT_NE(wnd, nullptr);
  const RECT wr = WindowRect();
  TscSkinObject* item0 = engine->MenuBarItems[0];
  EXPECT_EQ(wnd->Left(), wr.left + item0->Left);
  EXPECT_EQ(wnd->Top(), wr.top + item0->Top + item0->Height);
  // Five items of 18 and a 2-pixel border top and bottom.
  EXPECT_EQ(wnd->Height(), 5 * 18 + 4);
  // The separator never becomes the hot item.
  platform::InjectMouse(platform::MouseAction::kMove, wnd->Left() + 20, wnd->Top() + 2 + 18 + 9);
  Advance(40);
  EXPECT_EQ(wnd->HotItem, nullptr);
  // Hovering an item runs its hover script: dark blue face.
  platform::InjectMouse(platform::MouseAction::kMove, wnd->Left() + 20, wnd->Top() + 2 + 9);
  Advance(40);
  ASSERT_NE(wnd->HotItem, nullptr);
  EXPECT_EQ(ScreenAt(wnd->Left() + 10, wnd->Top() + 2 + 9), RGBc(0, 0, 128));
  platform::InjectClick(wnd->Left() + 20, wnd->Top() + 2 + 9);
  Pump();
  Advance(20);
  EXPECT_EQ(log, (std::vector<std::string>{"open"}));
  EXPECT_EQ(OpenWnd(), nullptr);
}

TEST_F(SkinMenuTest, AMenuChangeWhileAPopupIsOpenLeavesNoItemInUseFreed) {
  MakeMenuForm();
  ClickAt(BarItem(0).x, BarItem(0).y);
  TscMenuWnd* wnd = OpenWnd();
  ASSERT_NE(wnd, nullptr);
  const POINT openItem{wnd->Left() + 20, wnd->Top() + 2 + 9};
  // The main menu changes under the open popup: the bar is rebuilt.
  exitItem->SetChecked(true);
  Pump();
  Advance(40);
  // Hovering and clicking where "Open" was runs its handler or nothing.
  platform::InjectMouse(platform::MouseAction::kMove, openItem.x, openItem.y);
  Advance(40);
  platform::InjectClick(openItem.x, openItem.y);
  Pump();
  Advance(40);
  EXPECT_TRUE(log.empty() || log == std::vector<std::string>{"open"});
  // The rebuilt bar opens and chooses as before.
  Advance(600);
  ClickAt(BarItem(0).x, BarItem(0).y);
  wnd = OpenWnd();
  ASSERT_NE(wnd, nullptr);
  platform::InjectClick(wnd->Left() + 20, wnd->Top() + 2 + 9);
  Pump();
  Advance(40);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "open");
}

// A chosen item's handler may load another skin or set another main menu,
// either of which rebuilds the bar and frees the popup's copy of the item
// while the handler runs; the handler still reads what it captured.
TEST_F(SkinMenuTest, AHandlerThatRebuildsTheBarKeepsItsCaptures) {
  const std::vector<std::pair<const char*, std::function<void()>>> cases = {
      {"another skin", [this] { engine->SetSkinFile("S:\\TestSkin.qzp"); }},
      {"another main menu",
       [this] {
         auto* other = new TMainMenu(form);
         other->Items()->Add(Item(form, "&View", {Item(form, "&Zoom")}));
         engine->SetMainMenu(other);
       }},
  };
  for (const auto& [name, rebuild_action] : cases) {
    SCOPED_TRACE(name);
    const std::function<void()> rebuild = rebuild_action;
    MakeMenuForm();
    const std::string note = std::string("chosen, then ") + name + " came";  // kept by the handler
    open->OnClick = [this, rebuild, note](TObject*) {
      rebuild();
      log.push_back(note);
    };
    engine->SetMainMenu(menu);  // the bar's copies take the new handler
    Pump();
    ClickAt(BarItem(0).x, BarItem(0).y);
    TscMenuWnd* wnd = OpenWnd();
    ASSERT_NE(wnd, nullptr);
    platform::InjectClick(wnd->Left() + 20, wnd->Top() + 2 + 9);
    Pump();
    Advance(40);
    EXPECT_EQ(log, std::vector<std::string>{note});
    ASSERT_TRUE(engine->HasSkin());
    EXPECT_EQ(OpenWnd(), nullptr);
    log.clear();
    delete form;
    form = nullptr;
    engine = nullptr;
    Pump();
  }
}

TEST_F(SkinMenuTest, KeysChooseTheFirstMatchingEnabledItemAndEscapeClosesTheChain) {
  MakeMenuForm();
  ClickAt(BarItem(0).x, BarItem(0).y);
  ASSERT_NE(OpenWnd(), nullptr);
  // "E": "Export" is disabled, "Edit again" comes first among the enabled
  // ones; "E&xit" marks x but begins with E too and is not chosen.
  Press('E');
  Advance(20);
  EXPECT_EQ(log, (std::vector<std::string>{"edit again"}));
  EXPECT_EQ(OpenWnd(), nullptr);
  // Arrow keys choose nothing.
  Advance(600);  // past the double-click time
  ClickAt(BarItem(0).x, BarItem(0).y);
  ASSERT_NE(OpenWnd(), nullptr);
  Press(VK_DOWN);
  EXPECT_EQ(log.size(), 1u);
  EXPECT_NE(OpenWnd(), nullptr);
  // A sub-menu opens to the right of its item; Escape closes both.
  Press(VK_ESCAPE);
  Advance(20);
  EXPECT_EQ(OpenWnd(), nullptr);
  Advance(600);
  ClickAt(BarItem(1).x, BarItem(1).y);
  TscMenuWnd* wnd = OpenWnd();
  ASSERT_NE(wnd, nullptr);
  platform::InjectMouse(platform::MouseAction::kMove, wnd->Left() + 20, wnd->Top() + 2 + 9);
  Advance(40);
  ASSERT_NE(wnd->SubMenuWnd, nullptr);
  TscMenuWnd* sub = wnd->SubMenuWnd;
  EXPECT_EQ(sub->Left(), wnd->Left() + wnd->Width() - 2);  // at its item's right edge
  EXPECT_EQ(sub->Top(), wnd->Top() + 2);
  platform::InjectKeyPress(VK_ESCAPE);
  Pump();
  Advance(40);
  EXPECT_EQ(OpenWnd(), nullptr);
  EXPECT_FALSE(engine->MenuLoop);
}

TEST_F(SkinMenuTest, PlacementAtTheScreenEdges) {
  MakeMenuForm();
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  auto* popup = new TscPopupMenu(form);
  popup->SetSkinEngine(engine);
  popup->Items()->Add(Item(form, "One"));
  popup->Items()->Add(Item(form, "Two", {Item(form, "Deeper")}));
  popup->Popup(sw - 5, sh - 5);
  TscMenuWnd* wnd = popup->MenuWnd;
  ASSERT_NE(wnd, nullptr);
  EXPECT_EQ(wnd->Left(), sw - 5 - wnd->Width());
  EXPECT_EQ(wnd->Top(), sh - 5 - wnd->Height());
  // The sub-menu cannot open to the right: it opens to the left.
  platform::InjectMouse(platform::MouseAction::kMove, wnd->Left() + 20, wnd->Top() + 2 + 18 + 9);
  Advance(40);
  ASSERT_NE(wnd->SubMenuWnd, nullptr);
  EXPECT_EQ(wnd->SubMenuWnd->Left(), wnd->Left() + 2 - wnd->SubMenuWnd->Width());  // item's left edge
  Advance(100);  // the hover script's second line turns the text white
  // The sub-menu glyph is drawn in the item's text colour (white while hot).
  int marked = 0;
  for (int x = wnd->Width() - 12; x < wnd->Width() - 2; ++x)
    for (int y = 20; y < 38; ++y) marked += ScreenAt(wnd->Left() + x, wnd->Top() + y) == RGBc(255, 255, 255);
  EXPECT_GT(marked, 5);
  wnd->Close();
  Pump();
}

TEST_F(SkinMenuTest, SystemMenuEnablesByState) {
  MakeMenuForm();
  PostMessage(form->Handle(), SCM_SYSMENU, 0, 0);
  Pump();
  ASSERT_NE(engine->SystemMenu, nullptr);
  TMenuItem* items = engine->SystemMenu->Items();
  std::map<int, bool> enabled;
  for (int i = 0; i < items->Count(); ++i)
    if (!items->Items(i)->IsLine()) enabled[static_cast<int>(items->Items(i)->Tag)] = items->Items(i)->Enabled();
  for (int tag = 0; tag <= 6; ++tag) EXPECT_EQ(enabled[tag], tag != 0) << tag;  // 0, restore: not maximized
  EXPECT_EQ(items->Items(items->Count() - 1)->Caption(), "Rollu&p");
  ASSERT_NE(engine->SystemMenu->MenuWnd, nullptr);
  engine->SystemMenu->MenuWnd->Close();
  Pump();
}

}  // namespace
