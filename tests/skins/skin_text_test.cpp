#include <gtest/gtest.h>

#include <utility>

#include "classlib/Exceptions.h"
#include "classlib/Streams.h"
#include "classlib/StringRoutines.h"
#include "skins/SkinIniFiles.h"
#include "skins/SkinObjects.h"
#include "skins/SkinTypes.h"
#include "skins/SkinUtils.h"
#include "tests/platform/fs/fs_fixture.h"

namespace {

std::vector<String> Tokens(String v) {
  std::vector<String> out;
  String t;
  while (!v.empty()) {
    NextToken(v, t);
    out.push_back(t);
  }
  return out;
}

TEST(SkinTextTest, TokensKeywordsColoursAndLists) {
  EXPECT_EQ(Tokens("10, 20 ,30"), (std::vector<String>{"10", "20", "30"}));
  EXPECT_EQ(Tokens("move(1;2)"), (std::vector<String>{"move", "1", "2"}));
  String longValue(300, 'a');
  longValue += ",b";
  EXPECT_EQ(Tokens(longValue), (std::vector<String>{String(300, 'a'), "b"}));
  // The keywords themselves are the section reader's and writer's (see the
  // object tests); here what is not a keyword, and sets of them.
  EXPECT_EQ(TextToAlign("nowhere"), 0);
  EXPECT_EQ(TextToKind("x"), 0);
  EXPECT_EQ(KindToText(99), "");
  EXPECT_EQ(TextToTileStyle("?"), 0);
  EXPECT_EQ(TextToTextAlign("?"), 4);
  EXPECT_EQ(TextToFontStyle("bold, italic, huge"), (TFontStyles{fsBold, fsItalic}));
  EXPECT_EQ(FontStyleToText(TFontStyles{fsBold, fsItalic}), "bold,italic");
  EXPECT_EQ(TextToVisible("active,nomaximized"), (TscVisible{svActive, svNoMaximized}));
  EXPECT_TRUE(TextToVisible("foo").Empty());
  EXPECT_EQ(VisibleToText(TscVisible{svTabNoActive, svAlways, svNever}), "always,never,tabnoactive");
  // Colours and lists.
  EXPECT_EQ(TextToColor("255,0,128"), 255 + 128 * 65536);
  EXPECT_EQ(TextToColor("300,0,0"), 44);
  EXPECT_THROW(TextToColor("1,x,3"), EConvertError);
  EXPECT_EQ(ColorToText(0x804020), "32,64,128");
  TStringList l;
  TextToList(" fade 100; play click ;close", &l);
  ASSERT_EQ(l.Count(), 3);
  EXPECT_EQ(l[1], "play click");
  EXPECT_EQ(ListToText(&l), "fade 100;play click;close");
  l.Clear();
  EXPECT_EQ(ListToText(&l), "");
}

// Every kind's keyword both ways: a skin names its parts by these words,
// and a word read as another kind (the progress bar's back for its fore)
// draws the part with the other part's picture.
TEST(SkinTextTest, EveryKindHasItsOwnKeyword) {
  const std::pair<uint8_t, const char*> kinds[] = {
      {skForm, "form"},
      {skCaption, "caption"},
      {skTitle, "title"},
      {skTop, "top"},
      {skLeft, "left"},
      {skRight, "right"},
      {skBottom, "bottom"},
      {skTopLeft, "topleft"},
      {skTopRight, "topright"},
      {skBottomLeft, "bottomleft"},
      {skBottomRight, "bottomright"},
      {skMenuBar, "menubar"},
      {skMenuBarItem, "menubaritem"},
      {skPopupMenu, "popupmenu"},
      {skPopupMenuItem, "popupmenuitem"},
      {skPopupMenuClient, "popupmenuclient"},
      {skSysButton, "sysbutton"},
      {skClient, "client"},
      {skButton, "button"},
      {skButtonGlyph, "buttonglyph"},
      {skButtonText, "buttontext"},
      {skProgressBar, "progressbar"},
      {skProgressBarBack, "progressbarback"},
      {skProgressBarFore, "progressbarfore"},
      {skPanel, "panel"},
      {skPanelText, "paneltext"},
      {skCheckBox, "checkbox"},
      {skCheckBoxGlyph, "checkboxglyph"},
      {skCheckBoxText, "checkboxtext"},
      {skRadioButton, "radiobutton"},
      {skRadioButtonGlyph, "radiobuttonglyph"},
      {skRadioButtonText, "radiobuttontext"},
      {skPageControl, "pagecontrol"},
      {skPageControlTab, "pagecontroltab"},
      {skPageControlClient, "pagecontrolclient"},
  };
  for (const auto& [kind, word] : kinds) {
    EXPECT_EQ(TextToKind(word), kind) << word;
    EXPECT_EQ(TextToKind(UpperCase(word)), kind) << word;
    EXPECT_EQ(KindToText(kind), word) << static_cast<int>(kind);
  }
  EXPECT_EQ(TextToKind(""), skNone);
}

class SkinIniTest : public velko_test::DriveTest {};

TEST_F(SkinIniTest, ParsesSectionsKeysAndWritesBack) {
  Write("s.qze",
        "junk=before\n; comment\n[Form]\r\n  Align = client\r\nAlign=top\n\n[FORM]\nKind=form\n"
        "[other]\nX=1=2\n");
  TscMemIniFile ini("T:\\s.qze");
  EXPECT_EQ(ini.ReadString("form", "align", "?"), "top");  // "Align " is another key
  EXPECT_EQ(ini.ReadString("FORM", "Kind", "?"), "form");
  EXPECT_EQ(ini.ReadString("Other", "x", "?"), "1=2");
  EXPECT_EQ(ini.ReadString("none", "x", "?"), "?");
  ini.WriteString("form", "Kind", "");
  EXPECT_EQ(ini.ReadString("form", "Kind", "?"), "form");
  ini.WriteString("New", "A", "1");
  TStringList keys;
  ini.ReadSection("form", &keys);
  EXPECT_EQ(keys.Count(), 3);
  EXPECT_EQ(keys[0], "align ");
  EXPECT_TRUE(ini.SectionExists("new"));
  ini.DeleteKey("new", "a");
  EXPECT_FALSE(ini.SectionExists("new"));
  ini.EraseSection("other");
  ini.EraseSection("new");
  ini.UpdateFile();
  EXPECT_EQ(Contents("s.qze"), "[form]\r\nAlign = client\r\nAlign=top\r\nKind=form\r\n\r\n");
  TscMemIniFile missing("T:\\none.qze");
  TStringList sections;
  missing.ReadSections(&sections);
  EXPECT_EQ(sections.Count(), 0);
}

TEST(SkinStreamTest, LengthPrefixedStringsAreCheckedBeforeAllocating) {
  TMemoryStream m;
  WriteStreamString(&m, "abc");
  m.SetPosition(0);
  EXPECT_EQ(ReadStreamString(&m), "abc");
  for (int32_t bad : {-1, 1000000000, 4}) {
    TMemoryStream s;
    WriteStreamInt32(&s, bad);
    s.WriteBuffer("abc", 3);
    s.SetPosition(0);
    EXPECT_THROW(ReadStreamString(&s), EReadError) << bad;
  }
  TscStringsIniFile a;
  a.WriteString("Button", "Kind", "button");
  TMemoryStream t;
  a.SaveToStream(&t);
  t.SetPosition(0);
  TscStringsIniFile b;
  b.LoadFromStream(&t);
  EXPECT_EQ(b.ReadString("button", "kind", ""), "button");
}

}  // namespace
