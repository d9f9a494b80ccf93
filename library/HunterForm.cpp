#include "library/HunterForm.h"

#include <chrono>
#include <thread>

#include "classlib/FormatRoutines.h"
#include "classlib/StringRoutines.h"
#include "platform/core/clock.h"

namespace {

constexpr TColor kHunterColor = static_cast<TColor>(14058494);
constexpr int kDriveBoxHeight = 19;

}  // namespace

THunterForm::THunterForm(TComponent* AOwner) : TForm(AOwner) {}

void THunterForm::SetUpWindow(const String& Caption) {
  SetCaption(Caption);
  SetBorderStyle(bsSingle);
  SetBorderIcons({});
  SetPosition(poScreenCenter);
  SetShowHint(true);
  SetColor(kHunterColor);
  SetClientSize(330, 250);
  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnActivate = [this](TObject* Sender) { TriggerSearch(Sender); };
}

void THunterForm::SetUpFoundFiles(const String& FirstColumn) {
  FoundFiles->SetParent(this);
  FoundFiles->SetBounds(8, 8, 314, 170);
  FoundFiles->SetViewStyle(vsReport);
  FoundFiles->SetColor(clBlack);
  FoundFiles->Font()->SetColor(clWhite);
  TListColumn* first = FoundFiles->Columns()->Add();
  first->SetCaption(FirstColumn);
  first->SetWidth(161);
  TListColumn* location = FoundFiles->Columns()->Add();
  location->SetCaption("Location");
  location->SetAutoSize(true);
  FoundFiles->OnColumnClick = [this](TObject* Sender, TListColumn* Column) { ColumnClick(Sender, Column); };
}

void THunterForm::SetUpImage() {
  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetBounds(0, 0, 330, 250);
  Image1->SetStretch(true);
  Image1->SendToBack();
  try {
    Image1->Picture()->Bitmap()->LoadFromResourceName(Name() + "_" + Image1->Name());
  } catch (const Exception&) {
    // Without the program's resources the window shows its colour.
  }
}

void THunterForm::SetUpButtons(TButtonOrder Order, const String& WipeHint, const String& DriveHint,
                               TNotifyEvent OnDriveSelect) {
  auto make_wipe = [&] {
    WipeButton = new TSpeedButton(this);
    WipeButton->SetName("WipeButton");
    WipeButton->SetParent(this);
    WipeButton->SetBounds(8, 186, 100, 24);
    WipeButton->SetCaption("Clear");
    WipeButton->Hint = WipeHint;
    WipeButton->OnClick = [this](TObject* Sender) { ClearMenu(Sender); };
  };
  auto make_stop = [&] {
    StopButton = new TSpeedButton(this);
    StopButton->SetName("StopButton");
    StopButton->SetParent(this);
    StopButton->SetBounds(8, 218, 314, 24);
    StopButton->SetCaption("Stop");
    StopButton->Hint = "Abort the search or quit now - Keyboard command is Esc";
    StopButton->OnClick = [this](TObject* Sender) { StopNow(Sender); };
    StopButton->OnMouseMove = [this](TObject* Sender, TShiftState Shift, int X, int Y) {
      DoAbort(Sender, Shift, X, Y);
    };
  };
  auto make_drive = [&] {
    DriveCombo = new TKavoDriveComboBox(this);
    DriveCombo->SetName("DriveCombo");
    DriveCombo->SetParent(this);
    // A small black drive button beside the clear button (its height is
    // set by FitDriveCombo).
    DriveCombo->SetBounds(116, 188, 33, kDriveBoxHeight);
    DriveCombo->SetColor(clBlack);
    // The dropped list shares the box's black, so its drive names are white.
    DriveCombo->Font()->SetColor(clWhite);
    DriveCombo->SetCursor(crHandPoint);
    DriveCombo->SetEnabled(false);
    DriveCombo->Hint = DriveHint;
    DriveCombo->OnSelect = std::move(OnDriveSelect);
  };
  if (Order == TButtonOrder::WipeFirst) {
    make_wipe();
    make_drive();
    make_stop();
  } else {
    make_stop();
    make_drive();
    make_wipe();
  }
}

void THunterForm::FitDriveCombo() {
  // A drop-down box is as high as its field: the item height and a
  // 3-pixel frame above and below. The box takes its item height from its
  // font when the window has loaded; here the item height is what makes
  // the box as high as the window places it.
  DriveCombo->SetItemHeight(kDriveBoxHeight - 6);
  DriveCombo->SetHeight(kDriveBoxHeight);
}

void THunterForm::FormCreate(TObject*) { DriveCombo->SetEnabled(true); }

void THunterForm::TriggerSearch(TObject*) {
  // An activation while a chain runs or during its closing wait starts
  // nothing: one chain, one wait.
  if (searching_) return;
  searching_ = true;
  // AllDone, at the end of the chain, clears the flag.
  StartChain();
}

void THunterForm::StartFinder(TFindFile* Finder, const String& Mask, const String& Location) {
  Finder->Threaded = true;
  Finder->SetFilename(Mask);
  Finder->SetLocation(Location);
  Finder->Subfolders = true;
  Finder->IgnoreCase = true;
  Finder->ModifiedBefore = Finder->ModifiedAfter = 0;
  Finder->CreatedBefore = Finder->CreatedAfter = 0;
  Finder->AccessedBefore = Finder->AccessedAfter = 0;
  sort_column_ = -1;
  FoundFiles->SetSortType(stText);
  StopButton->SetEnabled(true);
  Finder->Execute();
}

void THunterForm::FileFound(TObject* Sender, const String& Folder, WIN32_FIND_DATA& FileInfo) {
  std::vector<TAdvListView*> lists{FoundFiles};
  for (TAdvListView* list : TargetLists()) {
    if (list != nullptr) lists.push_back(list);
  }
  for (TAdvListView* list : lists) {
    TListItem* item = list->Items()->Add();
    item->SetCaption(FileInfo.cFileName);
    item->SubItems()->Add(Folder);
  }
  auto* finder = dynamic_cast<TFindFile*>(Sender);
  if (finder != nullptr && !finder->Threaded) Application->ProcessMessages();
}

void THunterForm::AllDone(TObject*) {
  SetCaption("Search has completed - " + Format(FoundFormat(), FoundFiles->Items()->Count()));
  bool aborted = false;
  for (TFindFile* finder : Finders()) aborted = aborted || finder->Aborted();
  if (aborted) SetCaption("Search aborted at your request...");
  const DWORD start = GetTickCount();
  while (GetTickCount() - start <= WaitMs()) {
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  searching_ = false;
  if (!DriveCombo->DroppedDown()) Close();
}

void THunterForm::StopNow(TObject*) { Close(); }

void THunterForm::DoAbort(TObject*, TShiftState, int, int) {
  for (TFindFile* finder : Finders()) finder->Abort();
}

void THunterForm::Quit(TObject*) { Close(); }

void THunterForm::ClearMenu(TObject*) {
  if (TAdvListView* target = ClearedList()) {
    target->Items()->BeginUpdate();
    target->Items()->Clear();
    target->Items()->EndUpdate();
  }
  FoundFiles->Items()->BeginUpdate();
  FoundFiles->Items()->Clear();
  FoundFiles->Items()->EndUpdate();
}

void THunterForm::ColumnClick(TObject*, TListColumn* Column) {
  FoundFiles->SetSortType(stText);
  if (Column->Index() != sort_column_) {
    sort_column_ = Column->Index();
    descending_ = false;
  } else {
    descending_ = !descending_;
  }
}

void THunterForm::Compared(TObject*, TListItem* Item1, TListItem* Item2, int, int& Compare) {
  if (sort_column_ == -1) return;
  if (sort_column_ == 0) {
    Compare = AnsiCompareText(Item1->Caption(), Item2->Caption());
  } else {
    const int sub = sort_column_ - 1;
    const String a = sub < Item1->SubItems()->Count() ? Item1->SubItems()->Strings(sub) : String();
    const String b = sub < Item2->SubItems()->Count() ? Item2->SubItems()->Strings(sub) : String();
    Compare = AnsiCompareText(a, b);
  }
  if (descending_) Compare = -Compare;
}
