#include "skins/SkinPageCtrl.h"

#include <gtest/gtest.h>

#include "platform/ctl/tab_control.h"
#include "platform/gdi/surface.h"
#include "platform/user/screen.h"
#include "skins/SkinEngine.h"
#include "tests/skins_forms/skin_form_fixture.h"

namespace {

using velko_test::RGBc;

// A form like the preferences window: an engine with no skin and a page
// control with three pages.
template <class PageControlClass>
struct PagesForm {
  explicit PagesForm(bool withEngine) {
    form = new TForm(nullptr);
    form->BeginLoad();
    form->SetBounds(120, 120, 300, 200);
    form->SetCaption("Preferences");
    if (withEngine) engine = new TscSkinEngine(form);
    pages = new PageControlClass(form);
    pages->SetParent(form);
    pages->SetBounds(8, 8, 260, 140);
    const char* captions[] = {"General", "Hidden", "Sound"};
    for (int i = 0; i < 3; ++i) {
      sheets[i] = new TTabSheet(form);
      sheets[i]->SetCaption(captions[i]);
      sheets[i]->SetPageControl(pages);
    }
    form->EndLoad();
  }
  ~PagesForm() { delete form; }
  TForm* form;
  TscSkinEngine* engine = nullptr;
  PageControlClass* pages;
  TTabSheet* sheets[3];
};

class PageControlTest : public velko_test::SkinFormTest {
 protected:
  static std::vector<COLORREF> Pixels(HWND hwnd) {
    auto s = platform::CaptureWindow(hwnd);
    std::vector<COLORREF> out;
    if (!s) return out;
    for (int y = 0; y < s->height(); ++y)
      for (int x = 0; x < s->width(); ++x) out.push_back(s->Pixel(x, y));
    return out;
  }
};

TEST_F(PageControlTest, WithoutSkinItIsAPlainPageControl) {
  PagesForm<TPageControl> plain(false);
  PagesForm<TscPageControl> skinless(true);
  // Each is captured while it is the active form.
  plain.form->Show();
  Pump();
  const auto a = Pixels(plain.pages->Handle());
  plain.form->Hide();
  skinless.form->Show();
  Pump();
  ASSERT_NE(skinless.engine, nullptr);
  EXPECT_FALSE(skinless.pages->Skinned());
  const auto b = Pixels(skinless.pages->Handle());
  ASSERT_FALSE(a.empty());
  EXPECT_TRUE(a == b);
  // The form keeps its own frame: caption, hit tests and caption buttons.
  EXPECT_EQ(skinless.form->BorderIcons(), (TBorderIcons{biSystemMenu, biMinimize, biMaximize, biHelp}));
  EXPECT_EQ(skinless.form->ClientWidth(), plain.form->ClientWidth());
  RECT r;
  GetWindowRect(skinless.form->Handle(), &r);
  EXPECT_EQ(SendMessage(skinless.form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(r.left + 60, r.top + 10)), HTCAPTION);
  EXPECT_EQ(SendMessage(skinless.form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(r.left + 150, r.top + 100)), HTCLIENT);
}

TEST_F(PageControlTest, SkinnedTabsShowTheirStateAndSkipHiddenTabs) {
  PagesForm<TscPageControl> f(true);
  f.sheets[1]->SetTabVisible(false);
  f.pages->SetSkinEngine(f.engine);
  f.engine->SetSkinFolder("S:\\TestSkin\\");
  f.form->Show();
  Pump();
  ASSERT_TRUE(f.pages->Skinned());
  EXPECT_EQ(f.pages->Color(), RGBc(224, 224, 224));
  HWND h = f.pages->Handle();
  RECT first{}, second{};
  ASSERT_TRUE(SendMessage(h, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first)));
  ASSERT_TRUE(SendMessage(h, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second)));
  auto pixel = [&](int x, int y) {
    auto s = platform::CaptureWindow(h);
    return s ? static_cast<TColor>(s->Pixel(x, y)) : -1;
  };
  // The active first tab has the red mark on top; the third page's tab
  // (tab index 1) the grey shade at the bottom, and no mark.
  EXPECT_EQ(pixel(first.left + 5, first.top + 1), RGBc(255, 0, 0));
  EXPECT_EQ(pixel(second.left + 5, second.top + 1), RGBc(160, 160, 160));
  EXPECT_EQ(pixel(second.left + 5, second.bottom - 1), RGBc(96, 96, 96));
  // The page area in the client colour.
  const TRect d = f.pages->DisplayRect();
  EXPECT_EQ(pixel(d.left + 20, d.top + 20), RGBc(224, 224, 224));
  // Selecting the last page moves the mark.
  f.pages->SetActivePageIndex(2);
  Pump();
  EXPECT_EQ(pixel(second.left + 5, second.top + 1), RGBc(255, 0, 0));
  EXPECT_EQ(pixel(first.left + 5, first.top + 1), RGBc(160, 160, 160));
  // Disabled: the tab texts turn to the disabled text colour (white).
  auto whiteIn = [&](const RECT& r) {
    int n = 0;
    for (int y = r.top + 3; y < r.bottom - 2; ++y)
      for (int x = r.left + 2; x < r.right - 2; ++x) n += pixel(x, y) == RGBc(255, 255, 255);
    return n;
  };
  EXPECT_EQ(whiteIn(first), 0);
  f.pages->SetEnabled(false);
  Pump();
  EXPECT_GT(whiteIn(first), 5);
}

TEST_F(PageControlTest, ASkinWithoutPageControlChildrenLeavesItPlain) {
  PagesForm<TscPageControl> f(true);
  f.pages->SetSkinEngine(f.engine);
  f.engine->SetSkinFolder("S:\\ButtonOnly\\");
  f.form->Show();
  Pump();
  EXPECT_FALSE(f.pages->Skinned());
}

}  // namespace
