#include "skins/SkinEngine.h"

#include <gtest/gtest.h>

#include "platform/fs/drives.h"
#include "platform/user/input.h"
#include "tests/skins_forms/skin_form_fixture.h"

namespace {

using velko_test::RGBc;

class SkinEngineTest : public velko_test::SkinFormTest {};

TEST_F(SkinEngineTest, FramePixelsMaskedCornersInsetsAndHitTests) {
  MakeForm();
  const TColor desktop = ScreenAt(100, 100);
  const TColor desktopRight = ScreenAt(299, 100);
  const TColor desktopClose = ScreenAt(281, 100);
  ShowSkinned();
  // Corners: the mask pixels are holes in the window's region.
  EXPECT_EQ(WindowPixel(0, 0), desktop);
  EXPECT_EQ(WindowPixel(1, 0), desktop);
  EXPECT_EQ(WindowPixel(0, 1), desktop);
  EXPECT_EQ(WindowPixel(199, 0), desktopRight);
  EXPECT_EQ(WindowPixel(2, 0), RGBc(0, 0, 128));
  EXPECT_EQ(WindowPixel(1, 1), RGBc(0, 0, 128));
  // The caption tiles the 7-pixel image: row 10, column 50 % 7 = 1.
  EXPECT_EQ(WindowPixel(50, 10), RGBc(0, 0, 96 + 60));
  EXPECT_EQ(WindowPixel(52, 10), RGBc(0, 0, 96 + 60 + 8));  // column 3 of the tile
  // Edges, bottom corners and the client.
  EXPECT_EQ(WindowPixel(2, 60), RGBc(0, 0, 128));
  EXPECT_EQ(WindowPixel(2, 147), RGBc(0, 0, 160));
  EXPECT_EQ(WindowPixel(100, 80), RGBc(212, 208, 200));
  // The close button (15 wide, right of the caption, left of the 4-pixel
  // corner): its red face, with its own corner mask pixels cut out.
  EXPECT_EQ(WindowPixel(188, 10), RGBc(160, 0, 0));
  EXPECT_EQ(WindowPixel(181, 0), desktopClose);
  EXPECT_EQ(WindowPixel(182, 0), RGBc(0, 0, 128));
  // The title is drawn in white somewhere in the caption.
  int white = 0;
  for (int x = 4; x < 150; ++x)
    for (int y = 2; y < 18; ++y) white += WindowPixel(x, y) == RGBc(255, 255, 255);
  EXPECT_GT(white, 10);
  // The client's insets and the frame's hit tests.
  ASSERT_TRUE(engine->HasSkin());
  EXPECT_EQ(form->Width(), 200);
  EXPECT_EQ(form->Height(), 150);
  EXPECT_EQ(form->ClientWidth(), 192);
  EXPECT_EQ(form->ClientHeight(), 126);
  const struct { int x, y; LRESULT hit; } cases[] = {
      {50, 10, HTCAPTION},  {1, 10, HTTOPLEFT},    {198, 10, HTTOPRIGHT}, {1, 60, HTLEFT},
      {198, 60, HTRIGHT},   {100, 148, HTBOTTOM},  {1, 148, HTBOTTOMLEFT}, {198, 148, HTBOTTOMRIGHT},
      {185, 10, HTMINBUTTON}, {100, 80, HTCLIENT},
  };
  for (const auto& c : cases) EXPECT_EQ(HitAt(c.x, c.y), c.hit) << c.x << "," << c.y;
}

TEST_F(SkinEngineTest, HoverAndClickOnTheCloseButton) {
  ShowSkinned();
  MoveTo(188, 10);
  Advance(30);
  EXPECT_EQ(WindowPixel(188, 10), RGBc(255, 64, 64));
  MoveTo(100, 80);
  Advance(30);
  EXPECT_EQ(WindowPixel(188, 10), RGBc(160, 0, 0));
  MoveTo(188, 10);
  Advance(30);
  ClickAt(188, 10);
  Advance(50);
  EXPECT_FALSE(form->Visible());
  ASSERT_EQ(sound->Plays().size(), 1u);
  EXPECT_EQ(sound->Plays()[0].wave.size(), 124u);
}

TEST_F(SkinEngineTest, RollUpStayOnTopAndCaptionText) {
  ShowSkinned();
  EXPECT_EQ(engine->RolledUpHeight(), 24);
  PostMessage(form->Handle(), SCM_ROLLUP, 0, 0);
  Pump();
  EXPECT_EQ(form->Height(), 24);
  EXPECT_EQ(form->ClientHeight(), 0);
  EXPECT_EQ(HitAt(100, 22), HTMINBUTTON);  // no sizing while rolled up
  PostMessage(form->Handle(), SCM_ROLLUP, 0, 0);
  Pump();
  EXPECT_EQ(form->Height(), 150);
  EXPECT_EQ(HitAt(100, 148), HTBOTTOM);
  // Stay on top toggles.
  PostMessage(form->Handle(), SCM_STAYONTOP, 0, 0);
  Pump();
  EXPECT_TRUE(GetWindowLong(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  PostMessage(form->Handle(), SCM_STAYONTOP, 0, 0);
  Pump();
  EXPECT_FALSE(GetWindowLong(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  char text[32] = {};
  // A caption of a new length: the engine repaints, the caller still gets
  // the text.
  form->SetCaption("A longer caption");
  EXPECT_EQ(SendMessage(form->Handle(), WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text)), 16);
  EXPECT_STREQ(text, "A longer caption");
}

TEST_F(SkinEngineTest, UnsizeableSkinFixesTheSize) {
  MakeForm();
  form->SetBounds(100, 100, 300, 250);
  ShowSkinned("S:\\Unsizeable\\");
  EXPECT_EQ(form->Width(), 200);
  EXPECT_EQ(form->Height(), 150);
  EXPECT_TRUE(engine->Sizeable());  // the published setting stays
  EXPECT_FALSE(engine->IsSizeable());
  EXPECT_EQ(HitAt(1, 60), HTMINBUTTON);
  EXPECT_EQ(HitAt(50, 10), HTCAPTION);
}

TEST_F(SkinEngineTest, FailedLoadsKeepTheSkinShown) {
  ShowSkinned();
  TscSkinSource* shown = engine->SkinSource();
  // A skin that is there but cannot be read shows its error; a missing one
  // loads nothing and says nothing.
  const struct {
    const char* folder;
    const char* file;
    bool error;
  } cases[] = {{"S:\\BadNumber\\", nullptr, true},   {"S:\\MissingImage\\", nullptr, true},
               {"S:\\NoSuchFolder\\", nullptr, false}, {nullptr, "S:\\CutBmp.qzp", true},
               {nullptr, "S:\\NegativeLength.qzp", true}, {nullptr, "S:\\HugeWave.qzp", true},
               {nullptr, "S:\\NoSuchFile.qzp", false}};
  for (const auto& c : cases) {
    const char* name = c.folder ? c.folder : c.file;
    boxes.clear();
    c.folder ? engine->SetSkinFolder(c.folder) : engine->SetSkinFile(c.file);
    EXPECT_EQ(engine->SkinSource(), shown) << name;
    EXPECT_EQ(boxes.size(), c.error ? 1u : 0u) << name;
  }
  boxes.clear();
  engine->SetSkinFolder("S:\\BadNumber\\");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find("8x"), std::string::npos) << boxes[0].text;
  Pump();
  EXPECT_EQ(form->ClientWidth(), 192);
  EXPECT_EQ(WindowPixel(2, 60), RGBc(0, 0, 128));
  // A package with a wrong header loads nothing: no skin at all.
  engine->SetSkinFile("S:\\BadHeader.qzp");
  Pump();
  EXPECT_FALSE(engine->HasSkin());
  EXPECT_EQ(HitAt(100, 80), HTCLIENT);
}

TEST_F(SkinEngineTest, ChildListsNamingSectionsOverAndOverLoadNothing) {
  ShowSkinned();
  TscSkinSource* shown = engine->SkinSource();
  velko_test::TempDir dir;
  platform::MapDrive('U', dir.path().string(), DRIVE_FIXED, "BOMBS");
  // Each section names the next one ten times: a tree of 10^depth
  // objects from a few hundred bytes.
  for (int depth : {5, 9}) {
    std::string text = "[Form]\r\nKind=form\r\nChild=";
    for (int level = 0; level < depth; ++level) {
      const std::string next(1, static_cast<char>('a' + level));
      for (int i = 0; i < 10; ++i) text += (i ? "," : "") + next;
      text += "\r\n[" + next + "]\r\nColor=1,2,3\r\nChild=";
    }
    text += "\r\n";
    const std::string folder = "bomb" + std::to_string(depth);
    dir.WriteFile(folder + "/bomb.qze", text);
    boxes.clear();
    engine->SetSkinFolder("U:\\" + folder + "\\");
    ASSERT_EQ(engine->SkinSource(), shown) << text.size() << " bytes";
    EXPECT_EQ(boxes.size(), 1u);
  }
  platform::UnmapDrive('U');
  // The form goes on with the skin it showed.
  Pump();
  EXPECT_EQ(form->ClientWidth(), 192);
  EXPECT_EQ(HitAt(50, 10), HTCAPTION);
  EXPECT_EQ(WindowPixel(2, 60), RGBc(0, 0, 128));
}

TEST_F(SkinEngineTest, FolderPackageAndStoreInTurn) {
  ShowSkinned();
  const TColor caption = WindowPixel(50, 10);
  engine->SetSkinFile("S:\\TestSkin.qzp");
  Pump();
  ASSERT_TRUE(engine->HasSkin());
  EXPECT_EQ(WindowPixel(50, 10), caption);
  auto* store = new TscSkinStore(form);
  store->SkinSource->LoadFromFolder("S:\\TestSkin\\");
  engine->SetSkinStore(store);
  Pump();
  ASSERT_TRUE(engine->HasSkin());
  EXPECT_NE(engine->SkinSource(), store->SkinSource);
  EXPECT_EQ(WindowPixel(50, 10), caption);
  EXPECT_EQ(form->ClientWidth(), 192);
  engine->SetSkinFolder("");
  Pump();
  EXPECT_FALSE(engine->HasSkin());
  EXPECT_GT(form->ClientWidth(), 150);
}

TEST_F(SkinEngineTest, MoveAndSizeWithTheKeyboard) {
  ShowSkinned();
  const RECT before = WindowRect();
  // The keys wait in the queue; the "size" script's command runs the loop.
  for (UINT vk : {VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_DOWN, VK_RETURN}) platform::InjectKeyPress(vk);
  TStringList script;
  script.Add("size");
  engine->SkinSource()->FormObject()->RunScript(&script);
  Pump();
  RECT r = WindowRect();
  EXPECT_EQ(r.right - r.left, 200 + 16);  // first arrow picks the right edge
  EXPECT_EQ(r.bottom - r.top, 150);
  EXPECT_EQ(r.left, before.left);
  // The region follows the new size: the right corner's mask pixel is a
  // hole at the new right edge.
  EXPECT_EQ(HitAt(214, 10), HTTOPRIGHT);
  for (UINT vk : {VK_LEFT, VK_DOWN, VK_DOWN, VK_RETURN}) platform::InjectKeyPress(vk);
  SendMessage(form->Handle(), WM_SYSCOMMAND, SC_MOVE, 0);
  r = WindowRect();
  EXPECT_EQ(r.left, before.left - 8);
  EXPECT_EQ(r.top, before.top + 16);
  for (UINT vk : {VK_RIGHT, VK_RIGHT, VK_ESCAPE}) platform::InjectKeyPress(vk);
  SendMessage(form->Handle(), WM_SYSCOMMAND, SC_MOVE, 0);
  EXPECT_EQ(WindowRect().left, before.left - 8);  // Esc puts it back
}

TEST_F(SkinEngineTest, SkinFileByExtension) {
  MakeForm();
  form->Show();
  engine->SetSkinFile("S:\\TestSkin\\testskin.txt");  // taken as a package: not one
  EXPECT_FALSE(engine->HasSkin());
  engine->SetSkinFile("S:\\TestSkin\\testskin.qze");  // its folder
  EXPECT_TRUE(engine->HasSkin());
  EXPECT_EQ(engine->SkinFolder(), "S:\\TestSkin\\");
  engine->SetSkinFile("");
  EXPECT_FALSE(engine->HasSkin());
  Pump();
  EXPECT_EQ(HitAt(100, 80), HTCLIENT);
}

}  // namespace
