// The drive combo box on drives of the test's own (A removable, C fixed
// "SYSTEM", D CD-ROM "LABEL", X remote): the list, choosing by keys, the
// same drive raising OnClick only, the flat and 3-D borders (and the plain
// one with Ctl3D off), the right-to-left modes, and the history block
// through a subclass that switches it on.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "classlib/ControlMessages.h"
#include "classlib/Colors.h"
#include "classlib/Edit.h"
#include "controls/KavoDriveComboBox.h"
#include "platform/ctl/combo_box.h"
#include "platform/core/modules.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/gdi/system_metrics.h"
#include "tests/controls/controls_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

// The history block is not published; this subclass reaches it.
class THistoryDriveCombo : public TKavoDriveComboBox {
 public:
  using TKavoDriveComboBox::TKavoDriveComboBox;
  using TKavoCustomComboBox::HistoryCount;
  using TKavoCustomComboBox::SetHistory;
  using TKavoCustomComboBox::SetHistoryMax;
};

class DriveComboTest : public velko_test::ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    cwd_ = std::filesystem::current_path();
    // The shell's drive icons are read from the program folder.
    platform::SetProgramPath((velko_test::ProgramFolder() / "velko").string());
    platform::ResetDriveTable();
    for (char c = 'A'; c <= 'Z'; ++c) platform::UnmapDrive(c);
    for (const char* d : {"a", "c", "d", "x"}) std::filesystem::create_directories(dir_ / d);
    platform::MapDrive('A', (dir_ / "a").string(), DRIVE_REMOVABLE);
    platform::MapDrive('C', (dir_ / "c").string(), DRIVE_FIXED, "SYSTEM");
    platform::MapDrive('D', (dir_ / "d").string(), DRIVE_CDROM, "LABEL");
    platform::MapDrive('X', (dir_ / "x").string(), DRIVE_REMOTE, "", "\\\\SRV\\Share");
    ASSERT_TRUE(SetCurrentDirectory("C:\\"));
  }
  void TearDown() override {
    ControlsTest::TearDown();
    platform::ResetDriveTable();
    std::filesystem::current_path(cwd_);  // the test's drive folders go away
    platform::SetProgramPath("");
  }

  template <class T = TKavoDriveComboBox>
  T* Combo() {
    MakeForm(300, 200);
    auto* c = Place<T>(20, 20, 160, 19);
    c->OnChange = [this](TObject*) { ++changes; };
    c->OnClick = [this](TObject*) { ++clicks; };
    ShowForm();
    return c;
  }
  void Choose(TKavoDriveComboBox* c, int index) {
    SendMessage(c->Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    c->Perform(CN_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE), 0);
  }
  COLORREF WindowPixel(TWinControl* c, int x, int y) {
    Pump();
    RECT r{};
    GetWindowRect(c->Handle(), &r);
    HDC dc = GetDC(nullptr);
    const COLORREF p = GetPixel(dc, r.left + x, r.top + y);
    ReleaseDC(nullptr, dc);
    return p;
  }

  velko_test::TempDir dir_;
  std::filesystem::path cwd_;
  int changes = 0;
  int clicks = 0;
};

TEST_F(DriveComboTest, ListsTheDrivesInLetterOrder) {
  TKavoDriveComboBox* c = Combo();
  EXPECT_EQ(c->Items()->Text(), "a:\r\nc: [system]\r\nd: [label]\r\nx: \\\\srv\\share\r\n");
  EXPECT_EQ(c->Items()->Objects(2), c->CdBitmap());
  EXPECT_EQ(c->Items()->Objects(1), nullptr);
  EXPECT_EQ(c->Drive(), 'c') << "from the current directory";
  EXPECT_EQ(c->ItemIndex(), 1);
  EXPECT_EQ(changes, 1) << "selecting the start drive";
  EXPECT_EQ(c->Style(), csOwnerDrawFixed);
  // The dropped list's width goes to the window by a posted message.
  c->SetDropDownWidth(250);
  EXPECT_NE(SendMessage(c->Handle(), CB_GETDROPPEDWIDTH, 0, 0), 250);
  Pump();
  EXPECT_EQ(SendMessage(c->Handle(), CB_GETDROPPEDWIDTH, 0, 0), 250);
  EXPECT_EQ(c->CdBitmap()->Width(), 16);
}

TEST_F(DriveComboTest, ChoosingDrivesAndTheSameDrive) {
  TKavoDriveComboBox* c = Combo();
  changes = 0;
  Choose(c, 2);
  EXPECT_EQ(c->Drive(), 'd');
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(clicks, 1);
  Choose(c, 2);  // the same drive again
  EXPECT_EQ(changes, 1) << "no OnChange for the same drive";
  EXPECT_EQ(clicks, 2);

  c->SetFocus();
  Press(VK_DOWN);
  EXPECT_EQ(c->Drive(), 'x');
  EXPECT_EQ(changes, 2);

  c->SetDrive('A');
  EXPECT_EQ(c->ItemIndex(), 0);
  EXPECT_EQ(c->Drive(), 'a');
  c->SetDrive('\0');
  EXPECT_EQ(c->ItemIndex(), -1);
  EXPECT_EQ(changes, 4);
  // And by mouse.
  changes = clicks = 0;
  Click(c, c->Width() - 6, c->Height() / 2);  // the drop-down button
  ASSERT_TRUE(c->DroppedDown());
  const int h = c->ItemHeight();
  MoveMouse(c, 20, c->Height() + 2 * h + h / 2);
  Click(c, 20, c->Height() + 2 * h + h / 2);  // the third entry
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_EQ(c->Drive(), 'd');
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(clicks, 1);
}

TEST_F(DriveComboTest, StartDriveAndEntryTexts) {
  TKavoDriveComboBox probe(nullptr);
  EXPECT_EQ(probe.Drive(), 'C');  // the current directory's letter as it stands
  EXPECT_EQ(DriveEntryText('q'), "") << "unmapped letters are left out";
  EXPECT_EQ(DriveEntryText('X'), "x: \\\\srv\\share");
  // A connection name longer than a path buffer is read whole; a remote
  // drive without one takes the label form.
  std::filesystem::create_directories(dir_ / "y");
  const std::string long_name = "\\\\srv\\" + std::string(300, 'A');
  platform::MapDrive('Y', (dir_ / "y").string(), DRIVE_REMOTE, "", long_name);
  EXPECT_EQ(DriveEntryText('y'), "y: \\\\srv\\" + std::string(300, 'a'));
  platform::MapDrive('W', (dir_ / "y").string(), DRIVE_REMOTE, "NETLBL", "");
  EXPECT_EQ(DriveEntryText('w'), "w: [netlbl]");
}

TEST_F(DriveComboTest, FlatAndRaisedBorders) {
  TKavoDriveComboBox* c = Combo();
  Place<TEdit>(20, 100, 80, 20)->SetFocus();  // the focus stays away from the box
  c->SetFlat(true);
  Pump();
  const COLORREF face = GetSysColor(COLOR_BTNFACE), window = GetSysColor(COLOR_WINDOW);
  EXPECT_EQ(WindowPixel(c, 0, 0), face);
  EXPECT_EQ(WindowPixel(c, 1, 5), face);
  EXPECT_EQ(WindowPixel(c, 2, 5), window);
  c->SetFlat(false);
  Pump();
  EXPECT_EQ(WindowPixel(c, 0, 5), GetSysColor(COLOR_BTNSHADOW)) << "sunken outer edge";
  EXPECT_EQ(WindowPixel(c, c->Width() - 1, 5), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(WindowPixel(c, c->Width() - 2, 5), face);
  EXPECT_EQ(WindowPixel(c, 1, 5), GetSysColor(COLOR_WINDOWFRAME));
  // Flat again, and 3-D while focused.
  c->SetFlat(true);
  EXPECT_EQ(WindowPixel(c, 1, 5), face);
  c->SetFocus();
  Pump();
  EXPECT_EQ(WindowPixel(c, 1, 5), GetSysColor(COLOR_WINDOWFRAME));
}

// Each right-to-left mode on the field: the drop-down button at the left
// for bdRightToLeft and NoAlign, the entry (icon and text) at the right for
// bdRightToLeft only.
TEST_F(DriveComboTest, RightToLeftModesPlaceTheButtonAndTheEntry) {
  struct Case {
    TBiDiMode mode;
    bool button_left;
    bool entry_right;
  };
  const Case cases[] = {{bdLeftToRight, false, false},
                        {bdRightToLeft, true, true},
                        {bdRightToLeftNoAlign, true, false},
                        {bdRightToLeftReadingOnly, false, false}};
  TKavoDriveComboBox* c = Combo();
  c->SetWidth(220);
  Place<TEdit>(20, 100, 80, 20)->SetFocus();  // no highlight on the field
  const COLORREF dark = GetSysColor(COLOR_3DDKSHADOW), shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF paper = GetSysColor(COLOR_WINDOW);
  for (const Case& k : cases) {
    SCOPED_TRACE(static_cast<int>(k.mode));
    form_->SetBiDiMode(k.mode);
    Pump();
    ASSERT_EQ(c->BiDiMode(), k.mode);
    ASSERT_EQ(c->Items()->Strings(c->ItemIndex()), "c: [system]");
    const int w = c->Width(), mid = c->Height() / 2, h = c->ItemHeight();
    // A button's right side: a dark shadow column beside a shadow column,
    // all the way down (what no icon or text has).
    auto button_ends_at = [&](int right) {
      for (int y = 4; y < c->Height() - 4; ++y) {
        if (WindowPixel(c, right - 1, y) != dark || WindowPixel(c, right - 2, y) != shadow) return false;
      }
      return true;
    };
    const int button = GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_EQ(button_ends_at(2 + button), k.button_left);
    EXPECT_EQ(button_ends_at(w - 2), !k.button_left);
    // The text, looked for clear of both buttons and icons.
    const int margin = 2 + std::max(h, GetSystemMetrics(SM_CXVSCROLL)) + 2;
    const auto ink = velko_test::InkColumns(c, margin, 3, w - margin, c->Height() - 3);
    ASSERT_GE(ink.first, 0);
    EXPECT_EQ(ink.first > w / 2, k.entry_right) << ink.first;
    EXPECT_EQ(ink.second < w / 2, !k.entry_right) << ink.second;
    if (k.button_left) {
      // The icon beside the text: at the field's right end, or just right
      // of the button.
      int right_end = 0;
      for (int x = w - 2 - h; x < w - 2; ++x) right_end += WindowPixel(c, x, mid) != paper;
      EXPECT_EQ(right_end > 2, k.entry_right) << right_end;
    }
  }
}

// Ctl3D off: one black pixel round the field in place of the 3-D frame,
// the field's paper right inside it; taken from the form until set.
TEST_F(DriveComboTest, Ctl3DOffDrawsAFlatOnePixelBorderAndFollowsTheForm) {
  TKavoDriveComboBox* c = Combo();
  Place<TEdit>(20, 100, 80, 20)->SetFocus();
  const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME), paper = GetSysColor(COLOR_WINDOW);
  auto flat = [&] {
    const int w = c->Width(), h = c->Height();
    return WindowPixel(c, 0, 5) == frame && WindowPixel(c, 1, 5) == paper && WindowPixel(c, w / 2, 0) == frame &&
           WindowPixel(c, w / 2, 1) == paper && WindowPixel(c, w / 2, h - 1) == frame &&
           WindowPixel(c, w / 2, h - 2) == paper && WindowPixel(c, w - 1, 5) == frame;
  };
  auto raised = [&] {
    return WindowPixel(c, 0, 5) == GetSysColor(COLOR_BTNSHADOW) && WindowPixel(c, 1, 5) == frame;
  };
  EXPECT_TRUE(raised());
  form_->SetCtl3D(false);
  EXPECT_FALSE(c->Ctl3D());
  EXPECT_TRUE(c->ParentCtl3D());
  EXPECT_TRUE(flat());
  EXPECT_FALSE(raised());
  c->SetCtl3D(true);
  EXPECT_FALSE(c->ParentCtl3D());
  form_->SetCtl3D(true);
  form_->SetCtl3D(false);
  EXPECT_TRUE(raised()) << "set on the box, it no longer follows the form";
  c->SetParentCtl3D(true);
  EXPECT_TRUE(flat());
}

TEST_F(DriveComboTest, HistoryThroughTheSubclass) {
  auto* c = Combo<THistoryDriveCombo>();
  c->SetHistory(true);
  std::vector<int> selects;
  c->OnSelect = [&](TObject*) { selects.push_back(c->ItemIndex()); };
  Choose(c, 2);  // "d: [label]" goes to the top
  EXPECT_EQ(c->HistoryCount(), 1);
  EXPECT_EQ(c->Items()->Strings(0), "d: [label]");
  EXPECT_EQ(c->Items()->Objects(0), c->CdBitmap());
  EXPECT_EQ(c->ItemIndex(), 0);
  Choose(c, 4);  // x:
  EXPECT_EQ(c->HistoryCount(), 2);
  EXPECT_EQ(c->Items()->Strings(0), "x: \\\\srv\\share");
  Choose(c, 4);  // d: again: its history entry is selected
  EXPECT_EQ(c->HistoryCount(), 2);
  EXPECT_EQ(c->ItemIndex(), 1);
  c->SetHistoryMax(1);
  EXPECT_EQ(c->HistoryCount(), 1);
  EXPECT_EQ(c->Items()->Count(), 5);
  c->SetHistory(false);
  EXPECT_EQ(c->Items()->Count(), 4);
  EXPECT_EQ(selects.size(), 3u);
}


// Type-ahead is off in the published classes; this subclass switches it on.
class TTypeAheadCombo : public TKavoCustomComboBox {
 public:
  explicit TTypeAheadCombo(TComponent* AOwner) : TKavoCustomComboBox(AOwner) { SetTypeAhead(true); }
  using TKavoCustomComboBox::TypeAheadTimer;
};

TEST_F(DriveComboTest, TypeAheadCompletesAfterTheDelay) {
  MakeForm(300, 200);
  auto* c = Place<TTypeAheadCombo>(20, 20, 160, 21);
  ShowForm();
  for (const char* s : {"alpha", "beta", "bravo", "Bx"}) c->Items()->Add(s);
  c->SetFocus();
  Press('B');
  ASSERT_NE(c->TypeAheadTimer(), 0);
  EXPECT_EQ(c->Text(), "b");
  Advance(1000);
  EXPECT_EQ(c->ItemIndex(), -1) << "not before the delay";
  Advance(600);
  EXPECT_EQ(c->ItemIndex(), 1) << "the first item starting with the text, case and all";
  EXPECT_EQ(c->Text(), "beta");
  EXPECT_EQ(c->SelStart(), 1);
  EXPECT_EQ(c->SelLength(), 3);
  EXPECT_EQ(c->TypeAheadTimer(), 0) << "the one-shot item is removed";
  Advance(2000);
  EXPECT_EQ(c->ItemIndex(), 1);
}

TEST_F(DriveComboTest, IconAndTextOfAnEntry) {
  TKavoDriveComboBox* c = Combo();
  c->SetColor(clWhite);
  c->Font()->SetColor(clBlack);
  Pump();
  const int h = c->ItemHeight();
  ASSERT_GT(h, 4);
  // The field shows the selected entry: its icon in an h x h square at the
  // left, the text from h + 6 on, nothing in between.
  RECT r{};
  GetWindowRect(c->Handle(), &r);
  HDC dc = GetDC(nullptr);
  int icon_pixels = 0, text_pixels = 0, gap_pixels = 0;
  std::set<COLORREF> text_colours;
  for (int y = r.top + 3; y < r.top + 3 + h; ++y)
    for (int x = r.left + 3; x < r.left + 3 + h + 40; ++x) {
      const COLORREF p = GetPixel(dc, x, y);
      // The selected entry: highlight behind, highlight text on it.
      const bool ink = p != GetSysColor(COLOR_HIGHLIGHT);
      const int dx = x - (r.left + 3);
      if (dx < h) icon_pixels += ink;
      else if (dx >= h + 2 && dx < h + 5) gap_pixels += ink;
      else if (dx >= h + 6 && ink) {
        ++text_pixels;
        text_colours.insert(p);
      }
    }
  ReleaseDC(nullptr, dc);
  EXPECT_GT(icon_pixels, 10);
  EXPECT_EQ(gap_pixels, 0);
  EXPECT_GT(text_pixels, 10);
  EXPECT_EQ(text_colours.count(GetSysColor(COLOR_HIGHLIGHTTEXT)), 1u) << "the text in the highlight text colour";
}


// A press in the edit part of a box with one raises OnEditClick; the
// drop-down button does not.
TEST_F(DriveComboTest, APressInTheEditPartRaisesOnEditClick) {
  auto* c = Combo<TKavoCustomComboBox>();
  c->SetStyle(csDropDown);
  Pump();
  ASSERT_NE(c->EditHandle(), nullptr);
  int edit_clicks = 0;
  c->OnEditClick = [&](TObject* sender) {
    EXPECT_EQ(sender, c);
    ++edit_clicks;
  };
  Click(c, 10, c->Height() / 2);
  EXPECT_EQ(edit_clicks, 1);
  Click(c, c->Width() - 6, c->Height() / 2);
  EXPECT_EQ(edit_clicks, 1);
  // A new window keeps raising it.
  c->SetStyle(csSimple);
  c->SetStyle(csDropDown);
  Pump();
  Click(c, 10, c->Height() / 2);
  EXPECT_EQ(edit_clicks, 2);
}

}  // namespace
