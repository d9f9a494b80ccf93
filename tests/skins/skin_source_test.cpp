#include "skins/SkinSource.h"

#include <gtest/gtest.h>


#include <cstring>
#include <functional>
#include <memory>

#include "classlib/Exceptions.h"
#include "classlib/Streams.h"
#include "classlib/StringRoutines.h"
#include "skins/SkinUtils.h"
#include "tests/skins/skin_fixture.h"
#include "tests/support/file_size_limit.h"

namespace {

using velko_test::SkinDriveTest;

// Everything a tree holds that the configuration fills, as one text.
String TreeText(TscSkinObject* o) {
  TscStringsIniFile ini;
  WriteObject(o, &ini);
  return ini.GetText();
}

bool SamePixels(const TqzBmp* a, const TqzBmp* b) {
  if (a->Width != b->Width || a->Height != b->Height) return false;
  for (int y = 0; y < a->Height; ++y)
    if (std::memcmp(a->Rows[y], b->Rows[y], static_cast<size_t>(a->Width) * 3) != 0) return false;
  return true;
}

void ExpectSameSkin(TscSkinSource& a, TscSkinSource& b) {
  EXPECT_EQ(a.SkinName, b.SkinName);
  EXPECT_EQ(a.Sizeable, b.Sizeable);
  ASSERT_EQ(a.Images.size(), b.Images.size());
  for (size_t i = 0; i < a.Images.size(); ++i) {
    EXPECT_EQ(a.Images[i]->Name, b.Images[i]->Name);
    EXPECT_TRUE(SamePixels(a.Images[i], b.Images[i])) << a.Images[i]->Name;
  }
  ASSERT_EQ(a.Sounds.size(), b.Sounds.size());
  for (size_t i = 0; i < a.Sounds.size(); ++i) {
    auto* wa = static_cast<TscWave*>(a.Sounds[i]);
    auto* wb = static_cast<TscWave*>(b.Sounds[i]);
    EXPECT_EQ(wa->Name, wb->Name);
    ASSERT_EQ(wa->Data->Size(), wb->Data->Size());
    EXPECT_EQ(std::memcmp(wa->Data->Memory(), wb->Data->Memory(), wa->Data->Size()), 0);
  }
  ASSERT_EQ(a.Objects.size(), b.Objects.size());
  for (size_t i = 0; i < a.Objects.size(); ++i)
    EXPECT_EQ(TreeText(a.Objects[i]), TreeText(b.Objects[i]));
}

class SkinSourceTest : public SkinDriveTest {};

TEST_F(SkinSourceTest, FolderLoadsTheWholeSkin) {
  TscSkinSource s(nullptr);
  s.LoadFromFolder("S:\\TestSkin\\");
  EXPECT_TRUE(s.Loaded);
  EXPECT_EQ(s.SkinName, "Test Skin");
  EXPECT_TRUE(s.Sizeable);  // "TRUE" in capitals
  ASSERT_EQ(s.Images.size(), 3u);
  EXPECT_EQ(s.Images[1]->Name, "caption");
  EXPECT_EQ(s.Images[1]->Width, 7);  // the 8-bit palette image, odd width
  ASSERT_EQ(s.Sounds.size(), 1u);
  EXPECT_EQ(s.FindSound("CLICK"), s.Sounds[0]);
  ASSERT_EQ(s.Objects.size(), 3u);  // Form, PopupMenu, PageControl in that order
  EXPECT_EQ(s.Objects[0], s.FormObject());
  EXPECT_EQ(s.Objects[1], s.PopupMenuObject());
  EXPECT_EQ(s.Objects[2], s.PageControlObject());
  ASSERT_NE(s.MenuBarItemObject(), nullptr);
  EXPECT_EQ(s.MenuBarItemObject()->Parent, s.MenuBarObject());
  ASSERT_NE(s.ClientObject(), nullptr);
  EXPECT_EQ(s.FormObject()->Child(0)->Child(2)->Image->Width, 15);
  // The package gives the same skin.
  TscSkinSource package(nullptr);
  package.LoadFromFile("S:\\TestSkin.qzp");
  ExpectSameSkin(s, package);
}

TEST_F(SkinSourceTest, SaveAndLoadRoundTrips) {
  TscSkinSource s(nullptr);
  s.LoadFromFolder("S:\\TestSkin\\");
  // An older skin in the target folder leaves nothing behind.
  Write("Saved/config.qze", "[Stale]\r\nKind=button\r\n");
  s.SaveToFolder("T:\\Saved\\");
  EXPECT_EQ(Contents("Saved/config.qze").find("Stale"), std::string::npos);
  TscSkinSource fromFolder(nullptr);
  fromFolder.LoadFromFolder("T:\\Saved\\");
  ExpectSameSkin(s, fromFolder);
  s.SaveToFile("T:\\saved.qzp");
  TscSkinSource fromPackage(nullptr);
  fromPackage.LoadFromFile("T:\\saved.qzp");
  ExpectSameSkin(s, fromPackage);

  TscSkinStore store(nullptr);
  EXPECT_FALSE(store.StoresSkinStream());
  TMemoryStream m;
  s.SaveToStream(&m);
  m.SetPosition(0);
  store.ReadSkinStream(&m);
  EXPECT_TRUE(store.StoresSkinStream());
  ExpectSameSkin(s, *store.SkinSource);
}

TEST_F(SkinSourceTest, VariantsOfTheFolder) {
  TscSkinSource two(nullptr);
  two.LoadFromFolder("S:\\TwoConfigs\\");
  EXPECT_EQ(two.SkinName, "First");

  TscSkinSource button(nullptr);
  button.LoadFromFolder("S:\\ButtonOnly\\");
  ASSERT_EQ(button.Objects.size(), 1u);
  EXPECT_EQ(button.Objects[0]->Kind, skButton);
  EXPECT_EQ(button.FormObject(), nullptr);

  TscSkinSource unsizeable(nullptr);
  unsizeable.LoadFromFolder("S:\\Unsizeable\\");
  EXPECT_FALSE(unsizeable.Sizeable);

  TscSkinSource cycle(nullptr);
  cycle.LoadFromFolder("S:\\ChildCycle\\");
  ASSERT_NE(cycle.FormObject(), nullptr);
  EXPECT_EQ(cycle.FormObject()->Child(0)->ChildCount(), 4);

  TscSkinSource longChild(nullptr);
  longChild.LoadFromFolder("S:\\LongChild\\");
  ASSERT_NE(longChild.ClientObject(), nullptr);
  EXPECT_EQ(longChild.FormObject()->ChildCount(), 22);

  TscSkinSource none(nullptr);
  none.LoadFromFolder("S:\\NoSuchFolder\\");
  none.LoadFromFolder("");
  EXPECT_FALSE(none.Loaded);
}

TEST_F(SkinSourceTest, BadSkinsLoadNothing) {
  const struct {
    const char* folder;
    const char* file;
  } cases[] = {{"S:\\BadNumber\\", nullptr},      {"S:\\MissingImage\\", nullptr},
               {nullptr, "S:\\CutBmp.qzp"},       {nullptr, "S:\\NegativeLength.qzp"},
               {nullptr, "S:\\HugeWave.qzp"}};
  for (const auto& c : cases) {
    TscSkinSource s(nullptr);
    EXPECT_THROW(c.folder ? s.LoadFromFolder(c.folder) : s.LoadFromFile(c.file), Exception)
        << (c.folder ? c.folder : c.file);
    EXPECT_TRUE(s.Objects.empty());
    EXPECT_TRUE(s.Images.empty());
    EXPECT_TRUE(s.Sounds.empty());
  }
  TscSkinSource header(nullptr);
  header.LoadFromFile("S:\\BadHeader.qzp");
  EXPECT_TRUE(header.Loaded);
  EXPECT_TRUE(header.Objects.empty());
}

TEST_F(SkinSourceTest, ASaveThatRunsOutOfDiskKeepsTheOldFiles) {
  TscSkinSource skin(nullptr);
  skin.LoadFromFolder("S:\\TestSkin\\");
  const std::string old = "old contents kept";
  const struct {
    const char* name;
    std::vector<std::string> files;  // each holds `old` before the save
    std::function<void()> save;
  } cases[] = {
      {"ini file", {"ini/config.qze"},
       [] {
         TscMemIniFile ini("T:\\ini\\config.qze");
         for (int i = 0; i < 20; ++i) ini.WriteString("Section", "Key" + IntToStr(i), "a value");
         ini.UpdateFile();
       }},
      {"folder", {"dir/config.qze", "dir/click.wav", "dir/corners.bmp", "dir/caption.bmp"},
       [&] { skin.SaveToFolder("T:\\dir\\"); }},
      {"package", {"skin.qzp"}, [&] { skin.SaveToFile("T:\\skin.qzp"); }},
  };
  for (const auto& c : cases) {
    for (const auto& f : c.files) Write(f, old);
    {
      velko_test::FileSizeLimit limit(old.size() + 8);
      EXPECT_THROW(c.save(), EFCreateError) << c.name;
    }
    for (const auto& f : c.files) EXPECT_EQ(Contents(f), old) << c.name << ": " << f;
    // With room again the same save goes through.
    c.save();
    for (const auto& f : c.files) EXPECT_NE(Contents(f), old) << c.name << ": " << f;
  }
}

TEST_F(SkinSourceTest, NamesWithPathsAreRefused) {
  Write("Evil/skin.qze", "[Images]\r\nx=..\\outside.bmp\r\n[Button]\r\nKind=button\r\n");
  TscSkinSource s(nullptr);
  EXPECT_THROW(s.LoadFromFolder("T:\\Evil\\"), Exception);
  EXPECT_TRUE(s.Objects.empty());
  TscSkinSource good(nullptr);
  good.LoadFromFolder("S:\\TestSkin\\");
  good.Images[0]->Name = "..\\escape";
  EXPECT_THROW(good.SaveToFolder("T:\\Out\\"), Exception);
  EXPECT_FALSE(std::filesystem::exists(Native("escape.bmp")));
}

TEST_F(SkinSourceTest, AssignSharesImagesAndCopiesTrees) {
  TscSkinSource s(nullptr);
  s.LoadFromFolder("S:\\TestSkin\\");
  std::unique_ptr<TscSkinSource> c(s.Clone());
  EXPECT_EQ(c->Images[0], s.Images[0]);
  EXPECT_EQ(s.Images[0]->RefCount, 2);
  EXPECT_NE(c->FormObject(), s.FormObject());
  s.FormObject()->SetBoundsRect(RECT{0, 0, 200, 150});  // the copy is laid out by Assign
  EXPECT_EQ(TreeText(c->FormObject()), TreeText(s.FormObject()));
  EXPECT_EQ(c->FormObject()->Source, c.get());
}

// A package whose image reads back empty (no pixels) shared by an object
// of the tree: freeing the skin gives each holder's reference back once,
// whichever of them goes first.
TEST_F(SkinSourceTest, AnEmptyImageSharedByTheTreeIsFreedOnce) {
  TscSkinSource made(nullptr);
  auto* blank = new TqzBmp(0, 0);
  blank->Name = "blank";
  made.Images.push_back(blank);
  auto* form = new TscSkinObject();
  form->Name = "Form";
  form->Kind = skForm;
  form->Image = blank->AddRef();
  made.AddObject(form);
  TMemoryStream package;
  made.SaveToStream(&package);
  package.SetPosition(0);

  // The source frees its images before its objects; the tree may also go
  // first.
  const struct {
    const char* how;
    bool tree_first;
  } cases[] = {{"the skin freed whole", false}, {"the tree freed first", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    package.SetPosition(0);
    auto loaded = std::make_unique<TscSkinSource>(nullptr);
    loaded->LoadFromStream(&package);
    ASSERT_EQ(loaded->Images.size(), 1u);
    TqzBmp* image = loaded->Images[0];
    EXPECT_TRUE(image->Empty());
    ASSERT_NE(loaded->FormObject(), nullptr);
    EXPECT_EQ(loaded->FormObject()->Image, image);
    EXPECT_EQ(image->RefCount, 2);
    if (c.tree_first) {
      for (auto* o : loaded->Objects) delete o;
      loaded->Objects.clear();
      EXPECT_EQ(image->RefCount, 1);
    }
    loaded.reset();  // ASan reports a use after free or a leak otherwise
  }
}

}  // namespace
