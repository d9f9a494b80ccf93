#include "skins/QzHook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/Forms.h"
#include "skins/SkinEngine.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace {

constexpr UINT kProbe = WM_USER + 77;

class HookTest : public velko_test::FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    form = new TForm(nullptr);
    form->SetBounds(10, 10, 200, 150);
    form->HandleNeeded();
  }
  void TearDown() override {
    delete form;
    FreeHookList();
    FormsTest::TearDown();
  }
  // A hook that logs what it sees under a name and may handle the probe.
  TscHook* MakeHook(const std::string& name, bool handleProbe) {
    auto* h = new TscHook(form);
    h->BeforeMessage = [this, name, handleProbe](TObject*, TMessage& m, bool& handled) {
      if (m.Msg == kProbe || m.Msg == WM_DESTROY) log.push_back(name + " before");
      if (m.Msg == kProbe && handleProbe) {
        handled = true;
        m.Result = 5;
      }
      if (m.Msg == WM_DESTROY) handled = true;
    };
    h->AfterMessage = [this, name](TObject*, TMessage& m, bool&) {
      if (m.Msg == kProbe) log.push_back(name + " after");
    };
    h->SetWinControl(form);
    return h;
  }
  WNDPROC Proc() { return reinterpret_cast<WNDPROC>(GetWindowLongPtr(form->Handle(), GWLP_WNDPROC)); }

  TForm* form = nullptr;
  std::vector<std::string> log;
};

TEST_F(HookTest, NewerHookFirstAndHandledStopsTheChain) {
  MakeHook("old", false);
  auto* newer = MakeHook("new", true);
  EXPECT_EQ(SendMessage(form->Handle(), kProbe, 0, 0), 5);
  EXPECT_EQ(log, (std::vector<std::string>{"new before"}));
  log.clear();
  newer->SetActive(false);
  SendMessage(form->Handle(), kProbe, 0, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"old before", "old after"}));
}

TEST_F(HookTest, LastHookOffPutsBackTheProcedure) {
  const WNDPROC original = Proc();
  auto* a = MakeHook("a", false);
  auto* b = MakeHook("b", false);
  EXPECT_NE(Proc(), original);
  a->SetActive(false);
  EXPECT_NE(Proc(), original);
  b->SetActive(false);
  EXPECT_EQ(Proc(), original);
}

TEST_F(HookTest, RecreatedWindowIsHookedAgainAfterThePostedReinstall) {
  MakeHook("h", false);
  form->RecreateWnd();
  form->HandleNeeded();
  Pump();
  log.clear();
  SendMessage(form->Handle(), kProbe, 0, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"h before", "h after"}));
}

TEST_F(HookTest, HandledDestroyStillReachesTheWindow) {
  MakeHook("h", false);  // its before-hook handles WM_DESTROY
  HWND hwnd = form->Handle();
  DestroyWindow(hwnd);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(log, (std::vector<std::string>{"h before"}));
  EXPECT_FALSE(form->HandleAllocated());  // the control heard WM_DESTROY
}

// A procedure put in front of the hook's, which passes everything on.
WNDPROC g_behind = nullptr;
int g_later_calls = 0;
LRESULT LaterProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == kProbe) ++g_later_calls;
  return CallWindowProc(g_behind, h, m, w, l);
}

TEST_F(HookTest, HookRemovedUnderALaterSubclassKeepsForwarding) {
  auto* h = MakeHook("h", false);
  g_behind = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(form->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LaterProc)));
  h->SetActive(false);
  EXPECT_EQ(Proc(), &LaterProc);
  log.clear();
  g_later_calls = 0;
  // The message still reaches the form through the stub left chained.
  form->SetCaption("abc");
  char text[16] = {};
  SendMessage(form->Handle(), WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "abc");
  SendMessage(form->Handle(), kProbe, 0, 0);
  EXPECT_EQ(g_later_calls, 1);
  EXPECT_TRUE(log.empty());
  // Hooking again chains behind the later procedure once more.
  h->SetActive(true);
  SendMessage(form->Handle(), kProbe, 0, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"h before", "h after"}));
}

TEST_F(HookTest, FormsAndHooksGoneInEitherOrderLeaveNoControlHook) {
  enum Order { kFormsFirst, kHooksFirst, kEngines };
  for (Order order : {kFormsFirst, kHooksFirst, kEngines}) {
    std::vector<TForm*> forms;
    std::vector<TscHook*> hooks;
    for (int i = 0; i < 5; ++i) {
      auto* f = new TForm(nullptr);
      f->HandleNeeded();
      forms.push_back(f);
      if (order == kEngines) {
        auto* e = new TscSkinEngine(f);  // hooks its form while it shows a skin
        e->Hook->SetActive(true);
        e->Hook->SetActive(false);
        e->Hook->SetActive(true);
      } else {
        auto* h = new TscHook(nullptr);
        h->SetWinControl(f);
        hooks.push_back(h);
      }
    }
    ASSERT_EQ(GetHookList()->Items.size(), 5u) << order;
    if (order == kHooksFirst)
      for (auto* h : hooks) delete h;
    for (auto* f : forms) delete f;
    for (auto* h : hooks)
      if (order == kFormsFirst) {
        EXPECT_EQ(h->WinControl(), nullptr);
        delete h;
      }
    Pump();
    EXPECT_TRUE(GetHookList()->Items.empty()) << order;
  }
  // The last engine took back what it installed for all engines.
  EXPECT_EQ(TscSkinSource::EngineSkinChanged, nullptr);
  EXPECT_EQ(TscSkinObject_MenuBarShown, nullptr);
}

}  // namespace
