// The application object and the screen: the hidden application window,
// title, help requests, minimising and restoring, message boxes, the
// screen's sizes and cursors; and the frame a form's properties ask for.
#include <gtest/gtest.h>

#include "classlib/Label.h"
#include "platform/gdi/system_metrics.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

class TPlainForm : public TForm {
 public:
  explicit TPlainForm(TComponent* AOwner, const String& name = "PlainForm") : TForm(AOwner) {
    BeginLoad();
    SetName(name);
    SetCaption("Plain");
    SetClientSize(200, 100);
    EndLoad();
  }
};

using ApplicationTest = FormsTest;

TEST_F(ApplicationTest, TheApplicationWindowIsHiddenCarriesTheTitleAndOwnsTheForms) {
  Application->SetTitle("Velko");
  HWND app = Application->Handle();
  ASSERT_NE(app, nullptr);
  EXPECT_FALSE(IsWindowVisible(app));
  char name[64] = {};
  GetClassName(app, name, sizeof name);
  EXPECT_STREQ(name, "TApplication");
  // Another instance looks it up by class and title.
  EXPECT_EQ(FindWindow("TApplication", "Velko"), app);
  Application->SetTitle("Velko 2");
  EXPECT_EQ(FindWindow("TApplication", "Velko 2"), app);
  auto* form = NewForm<TPlainForm>();
  EXPECT_EQ(GetWindow(form->Handle(), GW_OWNER), app);
}

TEST_F(ApplicationTest, HelpRequestsAreRecordedWithTheHelpFile) {
  Application->HelpFile = "C:\\Velko\\velko.hlp";
  EXPECT_TRUE(Application->HelpCommand(HELP_FINDER, 0));
  EXPECT_TRUE(Application->HelpContext(15));
  ASSERT_EQ(Application->HelpRequests().size(), 2u);
  EXPECT_EQ(Application->HelpRequests()[0].Command, HELP_FINDER);
  EXPECT_EQ(Application->HelpRequests()[0].File, "C:\\Velko\\velko.hlp");
  EXPECT_EQ(Application->HelpRequests()[1].Command, HELP_CONTEXT);
  EXPECT_EQ(Application->HelpRequests()[1].Data, 15);
  // OnHelp can take a request itself.
  Application->OnHelp = [](Word, NativeInt, bool& call_help) {
    call_help = false;
    return true;
  };
  EXPECT_TRUE(Application->HelpCommand(HELP_CONTENTS, 0));
  EXPECT_EQ(Application->HelpRequests().size(), 2u);
  // Without a help file there is no help.
  Application->OnHelp = nullptr;
  Application->HelpFile.clear();
  EXPECT_FALSE(Application->HelpCommand(HELP_CONTENTS, 0));
}

TEST_F(ApplicationTest, MinimisingHidesEveryFormAndRestoringBringsThemBack) {
  auto* form = ShowNewForm<TPlainForm>();
  int minimised = 0;
  int restored = 0;
  Application->OnMinimize = [&](TObject*) { ++minimised; };
  Application->OnRestore = [&](TObject*) { ++restored; };
  Application->Minimize();
  Pump();
  EXPECT_TRUE(IsIconic(Application->Handle()));
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  EXPECT_TRUE(form->Visible());
  Application->Restore();
  Pump();
  EXPECT_FALSE(IsIconic(Application->Handle()));
  EXPECT_FALSE(IsWindowVisible(Application->Handle()));
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_EQ(GetActiveWindow(), form->Handle());
  EXPECT_EQ(minimised, 1);
  EXPECT_EQ(restored, 1);
  // The main form's own minimise box minimises the program.
  SendMessage(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(Application->Handle()));
  EXPECT_EQ(minimised, 2);
}

TEST_F(ApplicationTest, AnApplicationMessageBoxIsModalToEveryForm) {
  auto* form = ShowNewForm<TPlainForm>();
  bool enabled_during_box = true;
  platform::SetMessageBoxHook([&](const platform::MessageBoxRequest& request) {
    boxes.push_back(request);
    enabled_during_box = IsWindowEnabled(form->Handle()) != 0;
    return IDNO;
  });
  EXPECT_EQ(Application->MessageBox("Install the update?", "Velko", MB_YESNO | MB_ICONQUESTION), IDNO);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, Application->Handle());
  EXPECT_EQ(boxes[0].buttons(), static_cast<UINT>(MB_YESNO));
  EXPECT_FALSE(enabled_during_box);
  EXPECT_TRUE(IsWindowEnabled(form->Handle()));
  EXPECT_EQ(GetActiveWindow(), form->Handle());
}

TEST_F(ApplicationTest, TheScreenKnowsItsSizeWorkAreaCursorsAndForms) {
  EXPECT_EQ(Screen->Width(), GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(Screen->Height(), GetSystemMetrics(SM_CYSCREEN));
  const TRect area = Screen->WorkAreaRect();
  EXPECT_EQ(area.right - area.left, Screen->WorkAreaWidth());
  EXPECT_EQ(Screen->Cursors(crDefault), LoadCursor(nullptr, IDC_ARROW));
  EXPECT_EQ(Screen->Cursors(crHandPoint), LoadCursor(nullptr, IDC_HAND));
  EXPECT_EQ(Screen->Cursors(12345), LoadCursor(nullptr, IDC_ARROW));
  // A cursor of the program's own under its own number.
  platform::CursorImage image;
  image.width = 2;
  image.height = 2;
  image.argb.assign(4, 0xFF000000u);
  HCURSOR own = platform::CreateCursorFromImage(image);
  Screen->SetCursors(99, own);
  EXPECT_EQ(Screen->Cursors(99), own);
  Screen->SetCursors(99, nullptr);
  EXPECT_EQ(Screen->Cursors(99), LoadCursor(nullptr, IDC_ARROW));

  const int before = Screen->FormCount();
  auto* form = NewForm<TPlainForm>();
  EXPECT_EQ(Screen->FormCount(), before + 1);
  form->Show();
  Pump();
  EXPECT_EQ(Screen->ActiveForm(), form);
  EXPECT_EQ(Screen->Forms(0), form);
  delete form;
  EXPECT_EQ(Screen->FormCount(), before);
  EXPECT_EQ(Screen->ActiveForm(), nullptr);
}

TEST_F(ApplicationTest, TheBorderPropertiesMakeTheFrame) {
  auto* form = NewForm<TPlainForm>();
  auto style = [&] { return static_cast<DWORD>(GetWindowLongPtr(form->Handle(), GWL_STYLE)); };
  auto ex_style = [&] { return static_cast<DWORD>(GetWindowLongPtr(form->Handle(), GWL_EXSTYLE)); };
  EXPECT_EQ(style() & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
            WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
  // A fixed dialog frame without border icons, as the main window has.
  form->SetBorderStyle(bsDialog);
  form->SetBorderIcons({});
  EXPECT_EQ(style() & (WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
  EXPECT_TRUE(ex_style() & WS_EX_DLGMODALFRAME);
  // The client area keeps the size asked for.
  form->SetClientSize(474, 270);
  EXPECT_EQ(form->ClientWidth(), 474);
  EXPECT_EQ(form->ClientHeight(), 270);
  form->SetBorderStyle(bsNone);
  EXPECT_EQ(style() & WS_CAPTION, 0u);
  form->SetFormStyle(fsStayOnTop);
  EXPECT_TRUE(ex_style() & WS_EX_TOPMOST);
  form->SetFormStyle(fsNormal);
  EXPECT_FALSE(ex_style() & WS_EX_TOPMOST);
}

TEST_F(ApplicationTest, PositionsCentreOnTheScreenOrOnTheMainForm) {
  auto* main = NewForm<TPlainForm>();
  main->SetBounds(100, 100, 400, 300);
  main->Show();
  auto* other = new TPlainForm(Application, "Other");
  other->SetBounds(0, 0, 200, 100);
  other->SetPosition(poMainFormCenter);
  other->Show();
  EXPECT_EQ(other->Left(), 100 + (400 - 200) / 2);
  EXPECT_EQ(other->Top(), 100 + (300 - 100) / 2);
  other->Hide();
  other->SetPosition(poDesktopCenter);
  other->Show();
  EXPECT_EQ(other->Left(), (Screen->Width() - 200) / 2);
  EXPECT_EQ(other->Top(), (Screen->Height() - 100) / 2);
}

TEST_F(ApplicationTest, WindowStateFollowsTheWindow) {
  auto* main = NewForm<TPlainForm>();
  main->Show();
  auto* other = new TPlainForm(Application, "Other");
  other->Show();
  other->SetWindowState(wsMaximized);
  EXPECT_TRUE(IsZoomed(other->Handle()));
  ShowWindow(other->Handle(), SW_RESTORE);
  EXPECT_EQ(other->WindowState(), wsNormal);
  ShowWindow(other->Handle(), SW_MINIMIZE);
  EXPECT_EQ(other->WindowState(), wsMinimized);
}

// A window procedure put in front of a form's own, as window hooks do.
WNDPROC g_previous = nullptr;
int g_seen_texts = 0;
LRESULT Spy(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_GETTEXT) ++g_seen_texts;
  return CallWindowProc(g_previous, hwnd, msg, wparam, lparam);
}

TEST_F(ApplicationTest, ASubclassedFormWindowStillReachesTheForm) {
  auto* form = NewForm<TPlainForm>();
  g_previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(form->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Spy)));
  ASSERT_NE(g_previous, nullptr);
  g_seen_texts = 0;
  EXPECT_EQ(form->Caption(), "Plain");
  EXPECT_GE(g_seen_texts, 1);
  bool shown = false;
  form->OnShow = [&](TObject*) { shown = true; };
  form->Show();
  Pump();
  EXPECT_TRUE(shown);
  // A new window for the form does not carry the old one's procedure.
  form->RecreateWnd();
  EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtr(form->Handle(), GWLP_WNDPROC)), &Spy);
  EXPECT_EQ(form->Caption(), "Plain");
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

}  // namespace
}  // namespace velko_test
