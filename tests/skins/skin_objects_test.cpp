#include "skins/SkinObjects.h"

#include <gtest/gtest.h>

#include "classlib/Exceptions.h"
#include "classlib/StringRoutines.h"
#include "skins/SkinIniFiles.h"
#include "skins/SkinUtils.h"

namespace {

TscSkinObject* Child(TscSkinObject* parent, uint8_t align, int w, int h) {
  auto* c = new TscSkinObject();
  c->Align = align;
  c->Width = w;
  c->Height = h;
  parent->AddChild(c);
  return c;
}

RECT Bounds(TscSkinObject* o) { return o->GetBoundsRect(); }

TEST(SkinObjectTest, HorizontalPassesPlaceChildren) {
  TscSkinObject p;
  auto* ml = Child(&p, saMostLeft, 10, 0);
  auto* l = Child(&p, saLeft, 20, 0);
  auto* r = Child(&p, saRight, 30, 0);
  auto* c = Child(&p, saClient, 0, 0);
  auto* hidden = Child(&p, saLeft, 50, 0);
  hidden->Shown = false;
  p.SetBoundsRect(RECT{0, 0, 100, 40});
  EXPECT_EQ(Bounds(ml), (RECT{0, 0, 10, 40}));
  EXPECT_EQ(Bounds(l), (RECT{10, 0, 30, 40}));
  EXPECT_EQ(Bounds(r), (RECT{70, 0, 100, 40}));
  EXPECT_EQ(Bounds(c), (RECT{30, 0, 70, 40}));
}

TEST(SkinObjectTest, VerticalPassesKeepListOrder) {
  TscSkinObject p;
  auto* t1 = Child(&p, saMostTop, 0, 5);
  auto* t2 = Child(&p, saMostTop, 0, 6);
  auto* b1 = Child(&p, saMostBottom, 0, 7);
  auto* b2 = Child(&p, saMostBottom, 0, 8);
  p.SetBoundsRect(RECT{0, 0, 50, 100});
  EXPECT_EQ(Bounds(t1).top, 0);
  EXPECT_EQ(Bounds(t2).top, 5);
  EXPECT_EQ(Bounds(b2), (RECT{0, 92, 50, 100}));  // last in the list lowest
  EXPECT_EQ(Bounds(b1), (RECT{0, 85, 50, 92}));
}

TEST(SkinObjectTest, TextCornerAndCenterPasses) {
  TscSkinObject p;
  Child(&p, saLeft, 60, 0);
  auto* text = Child(&p, saText, 25, 0);
  p.SetBoundsRect(RECT{0, 0, 100, 20});
  EXPECT_EQ(p.Width, 85);
  EXPECT_EQ(Bounds(text), (RECT{60, 0, 85, 20}));

  TscSkinObject q;
  auto* tr = Child(&q, saTopRight, 16, 16);
  tr->DesignLeft = 20;
  auto* br = Child(&q, saBottomRight, 16, 16);
  br->DesignLeft = 30;
  br->DesignTop = 25;
  auto* ce = Child(&q, saCenter, 40, 3);
  q.SetBoundsRect(RECT{0, 10, 300, 110});
  EXPECT_EQ(tr->Left, 280);
  EXPECT_EQ(br->Left, 270);
  EXPECT_EQ(br->Top, 75);
  EXPECT_EQ(Bounds(ce), (RECT{130, 10, 170, 110}));

  // A text child wider than its parent never makes the width negative.
  TscSkinObject n;
  Child(&n, saLeft, 500, 0);
  Child(&n, saText, 10, 0);
  n.SetBoundsRect(RECT{0, 0, 100, 10});
  EXPECT_GE(n.Width, 0);
}

TEST(SkinObjectTest, VisibilityTerms) {
  TscSkinObject o;
  const TscBorderIcons none;
  const struct {
    TscVisible vis;
    bool active;
    TscBorderIcons icons;
    TscWindowState state;
    bool expect;
  } cases[] = {
      {{svAlways, svNever}, true, none, {}, false},
      {{}, false, none, {}, true},
      {{svMinMax}, true, none, {}, true},
      {{svNoMinMax}, true, {sbMaximize}, {}, false},
      {{svActive, svNoMaximized}, true, none, {}, true},
      {{svActive, svNoMaximized}, true, none, {swMaximized}, false},
      {{svInactive}, true, none, {}, false},
      {{svClose, svRollup}, true, {sbClose}, {swRollup}, true},
      {{svNoSizeable}, true, none, {swSizeable}, false},
      {{svMenuBar}, true, none, {}, false},
      {{svTabActive, svChecked}, false, none, {}, true},
  };
  for (const auto& c : cases) {
    o.Visible = c.vis;
    EXPECT_EQ(o.IsVisible(c.active, c.icons, nullptr, c.state), c.expect) << c.vis.Bits();
  }
}

TEST(SkinObjectTest, RegionsHitTestsAndAssign) {
  auto* img = new TqzBmp(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) QzColorToPixel(x == 0 && y == 0 ? 0xFF00FF : 0x202020, img->Pixel(x, y));
  TscSkinObject p;
  auto* leaf = Child(&p, saLeft, 4, 0);
  leaf->Image = img;  // the tree holds the only reference
  leaf->SetMaskColor(0xFF00FF);
  auto* plain = Child(&p, saClient, 0, 0);
  p.SetBoundsRect(RECT{10, 10, 30, 14});
  HRGN r = p.GetRegion();
  EXPECT_FALSE(PtInRegion(r, 10, 10));
  EXPECT_TRUE(PtInRegion(r, 11, 10));
  EXPECT_TRUE(PtInRegion(r, 29, 13));
  EXPECT_FALSE(PtInRegion(r, 30, 13));
  DeleteObject(r);
  EXPECT_EQ(p.ObjectAtPoint(POINT{11, 11}), leaf);
  EXPECT_EQ(p.ObjectAtPoint(POINT{20, 11}), plain);
  EXPECT_EQ(p.ObjectAtPoint(POINT{40, 11}), nullptr);
  EXPECT_EQ(p.FindChild(skNone), &p);

  leaf->SetMaskColor(0);
  EXPECT_EQ(leaf->MaskKind, mkNone);
  r = leaf->GetRegion();
  EXPECT_TRUE(PtInRegion(r, 10, 10));
  DeleteObject(r);

  TscSkinObject copy;
  copy.Image = new TqzBmp(2, 2);
  copy.Assign(&p);
  ASSERT_EQ(copy.ChildCount(), 2);
  EXPECT_EQ(copy.Child(0)->Image, img);
  EXPECT_EQ(img->RefCount, 2);
  EXPECT_EQ(copy.Image, nullptr);  // the source had none
  EXPECT_EQ(Bounds(copy.Child(1)), Bounds(plain));

  // A masked leaf of no size has an empty region.
  TscSkinObject empty;
  empty.Image = img->AddRef();
  empty.SetMaskColor(0xFF00FF);
  r = empty.GetRegion();
  RECT box;
  EXPECT_EQ(GetRgnBox(r, &box), NULLREGION);
  DeleteObject(r);
}

// Reads and writes sections against a 40 x 20 image named "frame".
class ObjectSectionTest : public ::testing::Test {
 protected:
  ObjectSectionTest() {
    auto* f = new TqzBmp(40, 20);
    f->Name = "frame";
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 40; ++x) QzColorToPixel(x, f->Pixel(x, y));
    images_.push_back(f);
  }
  ~ObjectSectionTest() override {
    for (auto* i : images_) i->Release();
  }
  std::vector<TqzBmp*> images_;
};

TEST_F(ObjectSectionTest, ReadsKeysWithImageCutsAndChildren) {
  TscStringsIniFile ini;
  ini.SetText(
      "[Form]\nKind=form\nAlign=client\nChild=Left,Caption,Form\nVisible=\n"
      "[left]\nAlign=left\nKind=left\nImage=frame,0,0,9,19\nMaskColor=255,0,255\n"
      "[caption]\nAlign=mosttop\nHeight=18\nImage=frame,3,0,5,19\nTextAlign=bogus\n"
      "ClickEvent=fade 10; close\nChild=Form\n");
  TscSkinObject form;
  ReadObject(images_, &form, "form", &ini);
  EXPECT_EQ(form.Kind, skForm);
  EXPECT_EQ(form.Visible, TscVisible{svAlways});
  ASSERT_EQ(form.ChildCount(), 2);  // Form itself is on the path
  auto* left = form.Child(0);
  ASSERT_NE(left->Image, nullptr);
  EXPECT_EQ(left->Image->Width, 10);
  EXPECT_EQ(left->Image->Height, 20);
  EXPECT_EQ(left->Width, 10);
  EXPECT_EQ(left->MaskKind, mkColor);
  EXPECT_EQ(ImageToReference(left->Image), "frame,0,0,9,19");
  auto* caption = form.Child(1);
  EXPECT_EQ(caption->ChildCount(), 0);
  EXPECT_EQ(caption->TextAlign, 4);
  EXPECT_EQ(caption->Image->Width, 3);
  EXPECT_EQ(caption->ClickEvent.Count(), 2);

  TscStringsIniFile out;
  WriteObject(&form, &out);
  EXPECT_EQ(out.ReadString("FORM", "Child", ""), "Left,Caption");
  EXPECT_EQ(out.ReadString("left", "Image", ""), "frame,0,0,9,19");
  EXPECT_EQ(out.ReadString("caption", "Image", ""), "frame,3,0,5,19");  // a cut at row 0 stays one
  EXPECT_EQ(out.ReadString("caption", "ClickEvent", ""), "fade 10;close");
  EXPECT_EQ(out.ReadString("left", "MaskColor", ""), "255,0,255");
  EXPECT_EQ(out.ReadString("left", "FontName", "none"), "none");

  TscSkinObject again;
  ReadObject(images_, &again, "form", &out);
  ASSERT_EQ(again.ChildCount(), 2);
  EXPECT_EQ(again.Child(0)->Image->SourceRect, (RECT{0, 0, 9, 19}));
  EXPECT_EQ(again.Child(1)->Height, 18);
  EXPECT_EQ(again.Child(1)->ClickEvent[1], "close");
}

TEST_F(ObjectSectionTest, DeepChainsOfChildrenRaise) {
  // Each section names the next as its only child, 20,000 levels down.
  String text;
  for (int i = 0; i < 20000; ++i)
    text += "[s" + IntToStr(i) + "]\nColor=1,2,3\nChild=s" + IntToStr(i + 1) + "\n";
  TscStringsIniFile ini;
  ini.SetText(text);
  TscSkinObject root;
  EXPECT_THROW(ReadObject(images_, &root, "s0", &ini), EReadError);
  EXPECT_EQ(root.ChildCount(), 0);
  // A chain of a sane depth reads whole.
  TscSkinObject shallow;
  ReadObject(images_, &shallow, "s19990", &ini);
  int depth = 0;
  for (TscSkinObject* o = &shallow; o->ChildCount() > 0; o = o->Child(0)) ++depth;
  EXPECT_EQ(depth, 10);
}

TEST_F(ObjectSectionTest, DeepChainsOfTextChildrenLayOut) {
  // Each level is a top strip holding a text child and the next level: a
  // text child lays its parent out again, so every level doubled the work
  // of the levels below it (a chain of 60 would take years).
  const struct {
    int levels;
    bool whole;  // small enough to be laid out in full
  } cases[] = {{3, true}, {8, true}, {60, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.levels);
    String text = "[Form]\nKind=form\nChild=l1\n";
    for (int i = 1; i <= c.levels; ++i) {
      const String n = IntToStr(i);
      text += "[l" + n + "]\nAlign=top\nHeight=20\nChild=t" + n;
      if (i < c.levels) text += ",l" + IntToStr(i + 1);
      text += "\n[t" + n + "]\nAlign=text\nWidth=" + IntToStr(10 + i) + "\n";
    }
    TscStringsIniFile ini;
    ini.SetText(text);
    TscSkinObject form;
    ReadObject(images_, &form, "Form", &ini);
    form.SetBoundsRect(RECT{0, 0, 200, 150});
    EXPECT_EQ(form.GetBoundsRect(), (RECT{0, 0, 200, 150}));
    // The first strip is as wide as its text and starts at the top.
    TscSkinObject* first = form.Child(0);
    EXPECT_EQ(first->GetBoundsRect(), (RECT{0, 0, 11, 20}));
    if (!c.whole) continue;
    // Every level is as wide as its own text, which takes what the level
    // below (a strip of 20 at the top) leaves.
    TscSkinObject* level = first;
    for (int i = 1; i <= c.levels; ++i) {
      const int below = i < c.levels ? 20 : 0;
      EXPECT_EQ(level->GetBoundsRect(), (RECT{0, 0, 10 + i, 20})) << i;
      EXPECT_EQ(level->Child(0)->GetBoundsRect(), (RECT{0, below, 10 + i, 20})) << i;
      if (below) level = level->Child(1);
    }
  }
}

TEST_F(ObjectSectionTest, BadNumbersRaiseAndBadRectanglesGiveNoImage) {
  TscStringsIniFile ini;
  ini.SetText("[a]\nWidth=12x\n[b]\nImage=frame,9,0,3,5\n[c]\nImage=frame,a,b\n[d]\nImage=frame,50,0\n");
  TscSkinObject a;
  EXPECT_THROW(ReadObject(images_, &a, "a", &ini), EConvertError);
  for (const char* s : {"b", "c", "d"}) {
    TscSkinObject o;
    ReadObject(images_, &o, s, &ini);
    EXPECT_EQ(o.Image, nullptr) << s;
  }
  // A part reaching past the image is cut at its edges.
  ini.WriteString("e", "Image", "frame,30,10,99,99");
  TscSkinObject e;
  ReadObject(images_, &e, "e", &ini);
  ASSERT_NE(e.Image, nullptr);
  EXPECT_EQ(e.Image->Width, 10);
  EXPECT_EQ(e.Image->Height, 10);
}

TEST(SkinEffectStateTest, DurationsAreCappedAndTargetsGoWithTheObject) {
  TscSkinObject o;
  o.SetBoundsRect(RECT{0, 0, 10, 10});
  o.FadeColor(0x0000FF, 100000);
  EXPECT_EQ(o.Duration, 10000);
  // Without a window nothing is drawn; the effect still ends in bounded steps.
  int steps = 0;
  while (o.EffectRunning && steps < 1000) {
    o.Step();
    ++steps;
  }
  EXPECT_EQ(steps, 10000 / 20 + 1);
  EXPECT_EQ(o.Color, 0x0000FF);
  // An object freed in the middle of an image effect gives its target back
  // (the leak checker of the sanitizer build holds this).
  auto* img = new TqzBmp(4, 4);
  auto* p = new TscSkinObject();
  p->SetBoundsRect(RECT{0, 0, 4, 4});
  p->FadeImage(img, 500);
  EXPECT_EQ(img->RefCount, 2);
  p->Step();
  delete p;
  EXPECT_EQ(img->RefCount, 1);
  img->Release();
}

}  // namespace
