// A form built in code with every standard control, the way the program's
// windows are built: used by the headless and the SDL2 display tests.
#pragma once

#include "classlib/Buttons.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Grids.h"
#include "classlib/Label.h"
#include "classlib/Menus.h"

namespace velko_test {

class TAllControlsForm : public TForm {
 public:
  explicit TAllControlsForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("AllControlsForm");
    SetCaption("Every control");
    SetBorderStyle(bsSingle);
    SetPosition(poScreenCenter);
    SetClientSize(600, 420);

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
    Grid->SetBounds(200, 44, 390, 100);
    Grid->SetColCount(3);
    Grid->SetRowCount(4);
    Grid->SetFixedCols(0);
    Grid->SetDefaultRowHeight(20);
    Grid->SetColWidths(0, 100);
    Grid->SetColWidths(1, 150);
    Grid->SetColWidths(2, 130);
    Grid->SetOptions(Grid->Options() + TGridOptions{goRowSelect, goColSizing});
    Grid->Rows(0)->SetCommaText("Name,Description,\"File types\"");
    Grid->Rows(1)->SetCommaText("in_cdreader.dll,\"CD audio\",CDA");
    Grid->Rows(2)->SetCommaText("in_midi.dll,MIDI,\"MID;RMI\"");

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
  TPanel* BottomPanel;
};

}  // namespace velko_test
