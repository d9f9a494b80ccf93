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

    TopPanel = new TPanel(this);
    TopPanel->SetName("TopPanel");
    TopPanel->SetParent(this);
    TopPanel->SetAlign(alTop);
    TopPanel->SetHeight(36);
    TopPanel->SetCaption("");

    PlayButton = new TSpeedButton(this);
    PlayButton->SetName("PlayButton");
    PlayButton->SetParent(TopPanel);
    PlayButton->SetBounds(4, 4, 28, 28);
    PlayButton->SetFlat(true);
    PlayButton->SetCaption("&P");
    PlayButton->Hint = "Play";

    TitleLabel = new TLabel(this);
    TitleLabel->SetName("TitleLabel");
    TitleLabel->SetParent(TopPanel);
    TitleLabel->SetLeft(40);
    TitleLabel->SetTop(10);
    TitleLabel->SetCaption("Every standard control");

    Bevel = new TBevel(this);
    Bevel->SetName("Bevel");
    Bevel->SetParent(this);
    Bevel->SetBounds(8, 44, 180, 100);

    Shape = new TShape(this);
    Shape->SetName("Shape");
    Shape->SetParent(this);
    Shape->SetBounds(16, 52, 60, 40);
    Shape->SetShape(stRoundRect);
    Shape->Brush()->SetColor(clYellow);

    Picture = new TImage(this);
    Picture->SetName("Picture");
    Picture->SetParent(this);
    Picture->SetBounds(90, 52, 90, 80);
    Picture->SetStretch(true);
    Picture->Canvas()->Brush()->SetColor(clNavy);
    Picture->Canvas()->FillRect(Rect(0, 0, 90, 80));
    Picture->Canvas()->Brush()->SetColor(clAqua);
    Picture->Canvas()->Ellipse(10, 10, 80, 70);

    PaintBox = new TPaintBox(this);
    PaintBox->SetName("PaintBox");
    PaintBox->SetParent(this);
    PaintBox->SetBounds(16, 100, 60, 36);
    PaintBox->OnPaint = [this](TObject*) {
      TCanvas* canvas = PaintBox->Canvas();
      canvas->Brush()->SetColor(clGreen);
      canvas->FillRect(Rect(0, 0, 60, 36));
      canvas->Pen()->SetColor(clWhite);
      canvas->MoveTo(0, 0);
      canvas->LineTo(60, 36);
    };

    Grid = new TStringGrid(this);
    Grid->SetName("Grid");
    Grid->SetParent(this);
    Grid->SetBounds(196, 44, 340, 100);
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

    Options = new TGroupBox(this);
    Options->SetName("Options");
    Options->SetParent(this);
    Options->SetBounds(544, 44, 208, 100);
    Options->SetCaption("Options");

    Shuffle = new TCheckBox(this);
    Shuffle->SetName("Shuffle");
    Shuffle->SetParent(Options);
    Shuffle->SetBounds(10, 18, 180, 20);
    Shuffle->SetCaption("&Shuffle");
    Shuffle->SetChecked(true);

    Normal = new TRadioButton(this);
    Normal->SetName("Normal");
    Normal->SetParent(Options);
    Normal->SetBounds(10, 44, 180, 20);
    Normal->SetCaption("&Normal speed");
    Normal->SetChecked(true);

    Fast = new TRadioButton(this);
    Fast->SetName("Fast");
    Fast->SetParent(Options);
    Fast->SetBounds(10, 68, 180, 20);
    Fast->SetCaption("&Fast");

    NameEdit = new TEdit(this);
    NameEdit->SetName("NameEdit");
    NameEdit->SetParent(this);
    NameEdit->SetBounds(8, 152, 180, 21);
    NameEdit->SetText("Velko user");

    Kind = new TComboBox(this);
    Kind->SetName("Kind");
    Kind->SetParent(this);
    Kind->SetBounds(8, 180, 180, 21);
    Kind->SetStyle(csDropDownList);
    Kind->Items()->SetCommaText("Rock,Jazz,Blues");
    Kind->SetItemIndex(1);

    Count = new TSpinEdit(this);
    Count->SetName("Count");
    Count->SetParent(this);
    Count->SetBounds(8, 208, 80, 21);
    Count->SetMinValue(1);
    Count->SetMaxValue(99);
    Count->SetValue(5);

    OkButton = new TButton(this);
    OkButton->SetName("OkButton");
    OkButton->SetParent(this);
    OkButton->SetBounds(100, 206, 88, 25);
    OkButton->SetCaption("OK");
    OkButton->SetDefault(true);

    Progress = new TProgressBar(this);
    Progress->SetName("Progress");
    Progress->SetParent(this);
    Progress->SetBounds(8, 240, 180, 16);
    Progress->SetPosition(60);

    Notes = new TMemo(this);
    Notes->SetName("Notes");
    Notes->SetParent(this);
    Notes->SetBounds(196, 152, 170, 120);
    Notes->Lines()->Add("First line");
    Notes->Lines()->Add("Second line");

    Songs = new TListBox(this);
    Songs->SetName("Songs");
    Songs->SetParent(this);
    Songs->SetBounds(374, 152, 170, 120);
    Songs->Items()->SetCommaText("\"One song\",\"Another song\",\"A third song\"");
    Songs->SetItemIndex(1);

    Volume = new TTrackBar(this);
    Volume->SetName("Volume");
    Volume->SetParent(this);
    Volume->SetBounds(552, 152, 200, 40);
    Volume->SetMax(100);
    Volume->SetFrequency(10);
    Volume->SetPosition(70);

    Pages = new TPageControl(this);
    Pages->SetName("Pages");
    Pages->SetParent(this);
    Pages->SetBounds(8, 280, 744, 210);
    FilesPage = new TTabSheet(this);
    FilesPage->SetName("FilesPage");
    FilesPage->SetCaption("Files");
    FilesPage->SetPageControl(Pages);
    OtherPage = new TTabSheet(this);
    OtherPage->SetName("OtherPage");
    OtherPage->SetCaption("Other");
    OtherPage->SetPageControl(Pages);

    Folders = new TDirectoryListBox(this);
    Folders->SetName("Folders");
    Folders->SetParent(FilesPage);
    Folders->SetBounds(4, 4, 240, 172);

    FileList = new TFileListBox(this);
    FileList->SetName("FileList");
    FileList->SetParent(FilesPage);
    FileList->SetBounds(252, 4, 240, 172);
    FileList->SetShowGlyphs(true);
    FileList->SetMultiSelect(true);
    Folders->SetFileList(FileList);

    Songs2 = new TListView(this);
    Songs2->SetName("SongList");
    Songs2->SetParent(FilesPage);
    Songs2->SetBounds(500, 4, 232, 172);
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

    OtherLabel = new TLabel(this);
    OtherLabel->SetName("OtherLabel");
    OtherLabel->SetParent(OtherPage);
    OtherLabel->SetBounds(8, 8, 200, 16);
    OtherLabel->SetCaption("The second page");

    BottomPanel = new TPanel(this);
    BottomPanel->SetName("BottomPanel");
    BottomPanel->SetParent(this);
    BottomPanel->SetAlign(alBottom);
    BottomPanel->SetHeight(24);
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
