// The standard controls over the platform's built-in window classes:
// buttons, check boxes, radio buttons, edit fields, memos, list boxes and
// combo boxes, driven by injected mouse and keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/Button.h"
#include "classlib/ComboBox.h"
#include "classlib/Edit.h"
#include "classlib/GroupBox.h"
#include "classlib/ListBox.h"
#include "platform/core/clock.h"
#include "platform/ctl/button.h"
#include "platform/gdi/gdi.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

// The dialog of the modal test: a button, a check box and a list box.
class TChoiceDialog : public TForm {
 public:
  explicit TChoiceDialog(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("ChoiceDialog");
    SetCaption("Choose");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(300, 200);
    OkButton = NewControl<TButton>(this, this, "OkButton", 210, 160, 75, 25);
    OkButton->SetCaption("&OK");
    OkButton->ModalResult = mrOk;
    OkButton->SetDefault(true);
    CancelButton = NewControl<TButton>(this, this, "CancelButton", 120, 160, 75, 25);
    CancelButton->SetCaption("Cancel");
    CancelButton->ModalResult = mrCancel;
    CancelButton->Cancel = true;
    PluginFirst = NewControl<TCheckBox>(this, this, "PluginFirst", 10, 10, 120, 20);
    PluginFirst->SetCaption("Plugin First");
    PluginList = NewControl<TListBox>(this, this, "PluginList", 10, 40, 180, 100);
    EndLoad();
  }
  TButton* OkButton;
  TButton* CancelButton;
  TCheckBox* PluginFirst;
  TListBox* PluginList;
};

class StandardControlsTest : public FormsTest {
 protected:
  static void QueueClick(TControl* control, int x, int y) {
    const TPoint p = control->ClientToScreen(Point(x, y));
    platform::InjectClick(p.x, p.y);
  }
};

TEST_F(StandardControlsTest, AModalDialogWithAButtonACheckBoxAndAListBoxAnswersClicksAndClosesWithItsResult) {
  auto* dialog = new TChoiceDialog(Application);
  dialog->PluginList->Items()->Add("in_cdreader.dll");
  dialog->PluginList->Items()->Add("in_midi.dll");
  dialog->PluginList->Items()->Add("in_asf.dll");
  int box_clicks = 0;
  dialog->PluginFirst->OnClick = [&](TObject*) { ++box_clicks; };
  int list_clicks = 0;
  dialog->PluginList->OnClick = [&](TObject*) { ++list_clicks; };
  bool clicked = false;
  dialog->OnActivate = [&](TObject*) {
    if (clicked) return;
    clicked = true;
    QueueClick(dialog->PluginFirst, 8, 10);
    // The second row of the list (rows are as high as the font's line).
    const TRect row = dialog->PluginList->ItemRect(1);
    QueueClick(dialog->PluginList, row.left + 20, (row.top + row.bottom) / 2);
    QueueClick(dialog->OkButton, 30, 12);
  };
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_TRUE(dialog->PluginFirst->Checked());
  EXPECT_EQ(box_clicks, 1);
  EXPECT_EQ(dialog->PluginList->ItemIndex(), 1);
  EXPECT_EQ(list_clicks, 1);
  EXPECT_FALSE(dialog->Visible());
}

TEST_F(StandardControlsTest, SettingCheckedInCodeRaisesOnClickOnceAndNotWhenUnchanged) {
  auto* dialog = new TChoiceDialog(Application);
  int clicks = 0;
  dialog->PluginFirst->OnClick = [&](TObject*) { ++clicks; };
  dialog->PluginFirst->SetChecked(true);
  EXPECT_EQ(clicks, 1);
  dialog->PluginFirst->SetChecked(true);
  EXPECT_EQ(clicks, 1);
  dialog->PluginFirst->SetChecked(false);
  EXPECT_EQ(clicks, 2);
  // The window shows the state, also set before it existed.
  dialog->PluginFirst->SetChecked(true);
  dialog->Show();
  Pump();
  EXPECT_EQ(SendMessage(dialog->PluginFirst->Handle(), BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
  EXPECT_EQ(clicks, 3);
  // A click by the user goes through the same road.
  Click(dialog->PluginFirst, 8, 10);
  EXPECT_FALSE(dialog->PluginFirst->Checked());
  EXPECT_EQ(clicks, 4);
  // With AllowGrayed a click passes through the grey state.
  dialog->PluginFirst->AllowGrayed = true;
  platform::UseManualClock(1'000'000);
  Click(dialog->PluginFirst, 8, 10);
  EXPECT_EQ(dialog->PluginFirst->State(), cbGrayed);
}

TEST_F(StandardControlsTest, EnterPressesTheDefaultButtonAndEscapeTheCancelOne) {
  auto* dialog = new TChoiceDialog(Application);
  dialog->OnActivate = [&](TObject*) { platform::InjectKeyPress(VK_RETURN); };
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  dialog->OnActivate = [&](TObject*) { platform::InjectKeyPress(VK_ESCAPE); };
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  // Alt and the accelerator press the button too.
  dialog->OnActivate = [&](TObject*) {
    platform::InjectKey(VK_MENU, true);
    platform::InjectKeyPress('O');
    platform::InjectKey(VK_MENU, false);
  };
  EXPECT_EQ(dialog->ShowModal(), mrOk);
}

class TRadioForm : public TForm {
 public:
  explicit TRadioForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("RadioForm");
    SetClientSize(300, 200);
    Group = NewControl<TGroupBox>(this, this, "Group", 10, 10, 200, 120);
    Group->SetCaption("Connection");
    const char* names[] = {"Modem", "Isdn", "Cable"};
    for (int i = 0; i < 3; ++i) {
      Radios[i] = NewControl<TRadioButton>(this, Group, names[i], 10, 20 + i * 25, 150, 20);
      Radios[i]->SetCaption(names[i]);
    }
    EndLoad();
  }
  TGroupBox* Group;
  TRadioButton* Radios[3];
};

TEST_F(StandardControlsTest, CheckingARadioButtonUnchecksTheOthersOfItsGroup) {
  auto* form = NewForm<TRadioForm>();
  std::vector<std::string> clicks;
  for (TRadioButton* radio : form->Radios) radio->OnClick = [&, radio](TObject*) { clicks.push_back(radio->Name()); };
  form->Radios[2]->SetChecked(true);
  EXPECT_TRUE(form->Radios[2]->Checked());
  EXPECT_TRUE(form->Radios[2]->TabStop());
  form->Show();
  Pump();
  Click(form->Radios[0], 8, 10);
  EXPECT_TRUE(form->Radios[0]->Checked());
  EXPECT_FALSE(form->Radios[2]->Checked());
  EXPECT_EQ(SendMessage(form->Radios[2]->Handle(), BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
  EXPECT_EQ((std::vector<std::string>{"Cable", "Modem"}), clicks);
}

class TFieldsForm : public TForm {
 public:
  explicit TFieldsForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("FieldsForm");
    SetClientSize(400, 300);
    Port = NewControl<TEdit>(this, this, "Port", 10, 10, 100, 21);
    Notes = NewControl<TMemo>(this, this, "Notes", 10, 40, 200, 100);
    Notes->SetWordWrap(false);
    Types = NewControl<TComboBox>(this, this, "Types", 10, 150, 150, 21);
    Kinds = new TComboBox(this);
    Kinds->SetName("Kinds");
    Kinds->SetParent(this);
    Kinds->SetStyle(csDropDownList);
    Kinds->SetBounds(200, 150, 150, 21);
    EndLoad();
  }
  TEdit* Port;
  TMemo* Notes;
  TComboBox* Types;
  TComboBox* Kinds;
};

TEST_F(StandardControlsTest, AnEditFieldTakesTypedTextAndTellsOfChanges) {
  auto* form = NewForm<TFieldsForm>();
  int changes = 0;
  form->Port->OnChange = [&](TObject*) { ++changes; };
  form->Port->SetText("6346");
  EXPECT_EQ(changes, 1);
  form->Show();
  Pump();
  // Sized to its font: the line and the sunken edge with its margin.
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, form->Port->Font()->Handle());
  TEXTMETRIC metrics{};
  GetTextMetrics(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  EXPECT_EQ(form->Port->Height(), metrics.tmHeight + 8);
  EXPECT_TRUE(form->Port->Focused());
  // Entering selected it all: typing replaces it.
  EXPECT_EQ(form->Port->SelLength(), 4);
  platform::InjectText("1080");
  Pump();
  EXPECT_EQ(form->Port->Text(), "1080");
  EXPECT_TRUE(form->Port->Modified());
  EXPECT_GE(changes, 2);
  form->Port->SetSelStart(1);
  form->Port->SetSelLength(2);
  EXPECT_EQ(form->Port->SelText(), "08");
  form->Port->SetSelText("11");
  EXPECT_EQ(form->Port->Text(), "1110");
  form->Port->SetMaxLength(4);
  form->Port->SetSelStart(4);
  platform::InjectText("5");
  Pump();
  EXPECT_EQ(form->Port->Text(), "1110");
  form->Port->SetReadOnly(true);
  form->Port->SelectAll();
  platform::InjectText("9");
  Pump();
  EXPECT_EQ(form->Port->Text(), "1110");
}

TEST_F(StandardControlsTest, AMemosLinesAreAStringList) {
  auto* form = NewForm<TFieldsForm>();
  TStrings* lines = form->Notes->Lines();
  EXPECT_EQ(lines->Count(), 0);
  lines->Add("Title: Song");
  lines->Add("Artist: Band");
  lines->Insert(1, "Album: Record");
  EXPECT_EQ(lines->Count(), 3);
  EXPECT_EQ(lines->Strings(1), "Album: Record");
  // Each line added ends with a line break.
  EXPECT_EQ(form->Notes->Text(), "Title: Song\r\nAlbum: Record\r\nArtist: Band\r\n");
  lines->Delete(0);
  EXPECT_EQ(lines->Strings(0), "Album: Record");
  lines->SetStrings(1, "Artist: Other");
  EXPECT_EQ(lines->Text(), "Album: Record\r\nArtist: Other\r\n");
  lines->SetText("a\r\nb\r\n");
  EXPECT_EQ(lines->Count(), 2);
  lines->Clear();
  EXPECT_EQ(lines->Count(), 0);
  EXPECT_THROW(lines->Strings(5), EStringListError);
}

TEST_F(StandardControlsTest, AListBoxKeepsItsItemsThroughANewWindowAndSelectsSeveral) {
  auto* dialog = new TChoiceDialog(Application);
  TListBox* list = dialog->PluginList;
  list->Items()->Add("b");
  list->Items()->Add("a");
  list->Items()->Add("c");
  TObject marker;
  list->Items()->SetObjects(2, &marker);
  list->SetItemIndex(1);
  list->SetSorted(true);  // a new window, sorted
  EXPECT_EQ(list->Items()->Strings(0), "a");
  EXPECT_EQ(list->Items()->Strings(2), "c");
  EXPECT_EQ(list->Items()->Objects(2), &marker);
  EXPECT_EQ(list->Items()->IndexOf("B"), 1);
  list->SetMultiSelect(true);
  list->SetSelected(0, true);
  list->SetSelected(2, true);
  EXPECT_EQ(list->SelCount(), 2);
  EXPECT_TRUE(list->Selected(2));
  EXPECT_FALSE(list->Selected(1));
  list->Clear();
  EXPECT_EQ(list->Items()->Count(), 0);
}

TEST_F(StandardControlsTest, AnOwnerDrawnListBoxDrawsItsItemsThroughOnDrawItem) {
  auto* dialog = new TChoiceDialog(Application);
  TListBox* list = dialog->PluginList;
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(20);
  list->Items()->Add("one");
  list->Items()->Add("two");
  list->SetItemIndex(1);
  std::vector<int> drawn;
  bool selected_seen = false;
  list->OnDrawItem = [&](TWinControl*, int index, TRect rect, TOwnerDrawState state) {
    drawn.push_back(index);
    EXPECT_EQ(rect.bottom - rect.top, 20);
    if (index == 1 && state.Contains(odSelected)) selected_seen = true;
  };
  dialog->Show();
  Pump();
  EXPECT_NE(std::find(drawn.begin(), drawn.end(), 0), drawn.end());
  EXPECT_TRUE(selected_seen);
  EXPECT_EQ(list->ItemRect(1).top, 20);
}

TEST_F(StandardControlsTest, AComboBoxOffersItsItemsAndTellsOfChoicesAndTyping) {
  auto* form = NewForm<TFieldsForm>();
  form->Kinds->Items()->Add("14.4K Modem");
  form->Kinds->Items()->Add("Cable");
  form->Kinds->Items()->Add("DSL");
  int selects = 0;
  form->Kinds->OnSelect = [&](TObject*) { ++selects; };
  int kind_changes = 0;
  form->Kinds->OnChange = [&](TObject*) { ++kind_changes; };
  form->Show();
  Pump();
  form->Kinds->SetFocus();
  Press(VK_DOWN);
  EXPECT_EQ(form->Kinds->ItemIndex(), 0);
  EXPECT_EQ(form->Kinds->Text(), "14.4K Modem");
  EXPECT_EQ(selects, 1);
  EXPECT_EQ(kind_changes, 0);  // OnSelect took it
  form->Kinds->SetItemIndex(2);
  EXPECT_EQ(form->Kinds->Text(), "DSL");

  // Typing into the edit part: the combo box's own key events see it.
  std::string typed;
  form->Types->OnKeyPress = [&](TObject*, char& key) { typed += key; };
  int changes = 0;
  form->Types->OnChange = [&](TObject*) { ++changes; };
  form->Types->SetFocus();
  platform::InjectText("No Socks");
  Pump();
  EXPECT_EQ(form->Types->Text(), "No Socks");
  EXPECT_EQ(typed, "No Socks");
  EXPECT_GE(changes, 1);
  ASSERT_NE(form->Types->EditHandle(), nullptr);
  // Items survive a new window.
  form->Kinds->SetSorted(true);
  EXPECT_EQ(form->Kinds->Items()->Count(), 3);
  EXPECT_EQ(form->Kinds->Items()->Strings(1), "Cable");
}

TEST_F(StandardControlsTest, AClickOpensAComboBoxListAndAClickOnARowChoosesIt) {
  auto* form = NewForm<TFieldsForm>();
  for (const char* kind : {"14.4K Modem", "Cable", "DSL"}) form->Kinds->Items()->Add(kind);
  int changes = 0;
  form->Kinds->OnChange = [&](TObject*) { ++changes; };
  form->Show();
  Pump();
  Click(form->Kinds, 140, 10);  // the arrow
  ASSERT_TRUE(form->Kinds->DroppedDown());
  // The list opens below the box; its rows are as high as the box's items.
  const int row = form->Kinds->ItemHeight();
  Click(form->Kinds, 40, form->Kinds->Height() + row + row / 2);
  EXPECT_FALSE(form->Kinds->DroppedDown());
  EXPECT_EQ(form->Kinds->ItemIndex(), 1);
  EXPECT_EQ(form->Kinds->Text(), "Cable");
  EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace velko_test
