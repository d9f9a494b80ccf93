// A form built in code with every standard control, the way the program's
// windows are built: used by the headless and the SDL2 display tests.
#pragma once

#include "classlib/Buttons.h"
#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/FileCtrl.h"
#include "classlib/Forms.h"
#include "classlib/Grids.h"
#include "classlib/Menus.h"
#include "classlib/Spin.h"
#include "classlib/StdCtrls.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {

class TAllControlsForm : public TForm {
 public:
  explicit TAllControlsForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("AllControlsForm");
    SetCaption("Every control");
    SetBorderStyle(bsSingle);
    SetPosition(poScreenCenter);
    SetClientSize(760, 520);

    MainMenu = new TMainMenu(this);
    MainMenu->SetName("MainMenu");
    auto* file = new TMenuItem(this);
    file->SetName("FileMenu");
    file->SetCaption("&File");
    MainMenu->Items()->Add(file);
    auto* quit = new TMenuItem(this);
    quit->SetName("QuitItem");
    quit->SetCaption("E&xit");
    quit->SetShortCut(ShortCut('Q', {ssCtrl}));
    file->Add(quit);
    SetMenu(MainMenu);

    TopPanel = NewControl<TPanel>(this, this, "TopPanel", 0, 0, 760, 36);
    TopPanel->SetAlign(alTop);
    TopPanel->SetCaption("");

    PlayButton = NewControl<TSpeedButton>(this, TopPanel, "PlayButton", 4, 4, 28, 28);
    PlayButton->SetFlat(true);
    PlayButton->SetCaption("&P");
    PlayButton->Hint = "Play";

    TitleLabel = NewControl<TLabel>(this, TopPanel, "TitleLabel", 40, 10, 0, 0);
    TitleLabel->SetCaption("Every standard control");

    Bevel = NewControl<TBevel>(this, this, "Bevel", 8, 44, 180, 100);

    Shape = NewControl<TShape>(this, this, "Shape", 16, 52, 60, 40);
    Shape->SetShape(stRoundRect);
    Shape->Brush()->SetColor(clYellow);

    Picture = NewControl<TImage>(this, this, "Picture", 90, 52, 90, 80);
    Picture->SetStretch(true);
    Picture->Canvas()->Brush()->SetColor(clNavy);
    Picture->Canvas()->FillRect(Rect(0, 0, 90, 80));
    Picture->Canvas()->Brush()->SetColor(clAqua);
    Picture->Canvas()->Ellipse(10, 10, 80, 70);

    PaintBox = NewControl<TPaintBox>(this, this, "PaintBox", 16, 100, 60, 36);
    PaintBox->OnPaint = [this](TObject*) {
      TCanvas* canvas = PaintBox->Canvas();
      canvas->Brush()->SetColor(clGreen);
      canvas->FillRect(Rect(0, 0, 60, 36));
      canvas->Pen()->SetColor(clWhite);
      canvas->MoveTo(0, 0);
      canvas->LineTo(60, 36);
    };

    Grid = NewControl<TStringGrid>(this, this, "Grid", 196, 44, 340, 100);
    Grid->SetColCount(3);
    Grid->SetRowCount(4);
    Grid->SetFixedCols(0);
    Grid->SetDefaultRowHeight(20);
    Grid->SetColWidths(0, 100);
    Grid->SetColWidths(1, 110);
    Grid->SetColWidths(2, 110);
    Grid->SetOptions(Grid->Options() + TGridOptions{goRowSelect, goColSizing});
    Grid->Rows(0)->SetCommaText("Name,Description,\"File types\"");
    Grid->Rows(1)->SetCommaText("in_cdreader.dll,\"CD audio\",CDA");
    Grid->Rows(2)->SetCommaText("in_midi.dll,MIDI,\"MID;RMI\"");

    Options = NewControl<TGroupBox>(this, this, "Options", 544, 44, 208, 100);
    Options->SetCaption("Options");

    Shuffle = NewControl<TCheckBox>(this, Options, "Shuffle", 10, 18, 180, 20);
    Shuffle->SetCaption("&Shuffle");
    Shuffle->SetChecked(true);

    Normal = NewControl<TRadioButton>(this, Options, "Normal", 10, 44, 180, 20);
    Normal->SetCaption("&Normal speed");
    Normal->SetChecked(true);

    Fast = NewControl<TRadioButton>(this, Options, "Fast", 10, 68, 180, 20);
    Fast->SetCaption("&Fast");

    NameEdit = NewControl<TEdit>(this, this, "NameEdit", 8, 152, 180, 21);
    NameEdit->SetText("Velko user");

    Kind = NewControl<TComboBox>(this, this, "Kind", 8, 180, 180, 21);
    Kind->SetStyle(csDropDownList);
    Kind->Items()->SetCommaText("Rock,Jazz,Blues");
    Kind->SetItemIndex(1);

    Count = NewControl<TSpinEdit>(this, this, "Count", 8, 208, 80, 21);
    Count->SetMinValue(1);
    Count->SetMaxValue(99);
    Count->SetValue(5);

    OkButton = NewControl<TButton>(this, this, "OkButton", 100, 206, 88, 25);
    OkButton->SetCaption("OK");
    OkButton->SetDefault(true);

    Progress = NewControl<TProgressBar>(this, this, "Progress", 8, 240, 180, 16);
    Progress->SetPosition(60);

    Notes = NewControl<TMemo>(this, this, "Notes", 196, 152, 170, 120);
    Notes->Lines()->Add("First line");
    Notes->Lines()->Add("Second line");

    Songs = NewControl<TListBox>(this, this, "Songs", 374, 152, 170, 120);
    Songs->Items()->SetCommaText("\"One song\",\"Another song\",\"A third song\"");
    Songs->SetItemIndex(1);

    Volume = NewControl<TTrackBar>(this, this, "Volume", 552, 152, 200, 40);
    Volume->SetMax(100);
    Volume->SetFrequency(10);
    Volume->SetPosition(70);

    Pages = NewControl<TPageControl>(this, this, "Pages", 8, 280, 744, 210);
    FilesPage = new TTabSheet(this);
    FilesPage->SetName("FilesPage");
    FilesPage->SetCaption("Files");
    FilesPage->SetPageControl(Pages);
    OtherPage = new TTabSheet(this);
    OtherPage->SetName("OtherPage");
    OtherPage->SetCaption("Other");
    OtherPage->SetPageControl(Pages);

    Folders = NewControl<TDirectoryListBox>(this, FilesPage, "Folders", 4, 4, 240, 172);

    FileList = NewControl<TFileListBox>(this, FilesPage, "FileList", 252, 4, 240, 172);
    FileList->SetShowGlyphs(true);
    FileList->SetMultiSelect(true);
    Folders->SetFileList(FileList);

    Songs2 = NewControl<TListView>(this, FilesPage, "SongList", 500, 4, 232, 172);
    Songs2->SetViewStyle(vsReport);
    Songs2->SetRowSelect(true);
    Songs2->SetSortType(stText);
    Songs2->SetHideSelection(false);
    TListColumn* song = Songs2->Columns()->Add();
    song->SetCaption("Song");
    song->SetWidth(120);
    TListColumn* where = Songs2->Columns()->Add();
    where->SetCaption("Location");
    where->SetAutoSize(true);
    const char* const songs[][2] = {
        {"Yellow.mp3", "C:\\Music\\"}, {"Blue.mp3", "C:\\Music\\"}, {"Green.ogg", "D:\\Rips\\"}};
    for (const auto& row : songs) {
      TListItem* item = Songs2->Items()->Add();
      item->SetCaption(row[0]);
      item->SubItems()->Add(row[1]);
    }
    Songs2->Items()->Item(1)->SetSelected(true);

    OtherLabel = NewControl<TLabel>(this, OtherPage, "OtherLabel", 8, 8, 200, 16);
    OtherLabel->SetCaption("The second page");

    BottomPanel = NewControl<TPanel>(this, this, "BottomPanel", 0, 496, 760, 24);
    BottomPanel->SetAlign(alBottom);
    BottomPanel->SetBevelOuter(bvLowered);
    BottomPanel->SetAlignment(taLeftJustify);
    BottomPanel->SetCaption(" Ready");

    EndLoad();
  }

  TMainMenu* MainMenu;
  TPanel* TopPanel;
  TSpeedButton* PlayButton;
  TLabel* TitleLabel;
  TBevel* Bevel;
  TShape* Shape;
  TImage* Picture;
  TPaintBox* PaintBox;
  TStringGrid* Grid;
  TGroupBox* Options;
  TCheckBox* Shuffle;
  TRadioButton* Normal;
  TRadioButton* Fast;
  TEdit* NameEdit;
  TComboBox* Kind;
  TSpinEdit* Count;
  TButton* OkButton;
  TProgressBar* Progress;
  TMemo* Notes;
  TListBox* Songs;
  TTrackBar* Volume;
  TPageControl* Pages;
  TTabSheet* FilesPage;
  TTabSheet* OtherPage;
  TDirectoryListBox* Folders;
  TFileListBox* FileList;
  TListView* Songs2;
  TLabel* OtherLabel;
  TPanel* BottomPanel;
};

}  // namespace velko_test
