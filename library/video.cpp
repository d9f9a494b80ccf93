#include "library/video.h"

#include "classlib/PathRoutines.h"
#include "classlib/Screen.h"
#include "library/alvutil.h"
#include "library/videohunter.h"
#include "platform/user/virtual_keys.h"

TVideoForm* VideoForm = nullptr;

TVideoForm::TVideoForm(TComponent* AOwner) : TForm(AOwner) {
  BeginLoad();
  SetName("VideoForm");
  SetBorderStyle(bsNone);
  SetPosition(poScreenCenter);
  SetClientSize(488, 415);
  SetColor(clBlack);
  KeyPreview = true;
  SetShowHint(true);

  VideoMedia = new TMediaPlayer(this);
  VideoMedia->SetName("VideoMedia");
  ViewPanel = new TPanel(this);
  ViewPanel->SetName("ViewPanel");
  ViewPanel->SetParent(this);
  ViewPanel->SetBounds(4, 4, 478, 360);
  ViewPanel->SetColor(clBlack);
  ViewPanel->SetCaption("");
  ViewPanel->SetBevelOuter(bvNone);
  VideoMedia->SetDisplay(ViewPanel);
  OpenDialog1 = new TOpenDialog(this);
  OpenDialog1->SetName("OpenDialog1");
  LengthLabel = new TLabel(this);
  LengthLabel->SetName("LengthLabel");
  Label1 = new TLabel(this);
  Label1->SetName("Label1");
  Label2 = new TLabel(this);
  Label2->SetName("Label2");
  for (TLabel* label : {LengthLabel, Label1, Label2}) {
    label->SetParent(this);
    label->SetVisible(false);
  }
  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetEnabled(false);
  Timer1->SetInterval(2000);
  VideoList = new TAdvListView(this);
  VideoList->SetName("VideoList");
  VideoList->SetParent(ViewPanel);
  VideoList->SetBounds(0, 0, 478, 360);
  VideoList->SetViewStyle(vsReport);
  VideoList->SetRowSelect(true);
  VideoList->SetSortType(stText);
  VideoList->Hint = "Just one click on a movie to play it";
  TListColumn* movie = VideoList->Columns()->Add();
  movie->SetCaption("Movie");
  movie->SetWidth(188);
  TListColumn* location = VideoList->Columns()->Add();
  location->SetCaption("Location");
  location->SetWidth(266);
  Navigate = new TVrNavigator(this);
  Navigate->SetName("Navigate");
  Navigate->SetParent(this);
  Navigate->SetBounds(4, 382, 271, 22);
  {
    const TVrButtonSet buttons{btPlay, btPause, btStop, btPrev, btBack, btStep, btNext};
    Navigate->SetVisibleButtons(buttons);
    Navigate->SetEnabledButtons(buttons);
    // An outlined frame, raised outside and lowered inside, one pixel each.
    TVrBevel* bevel = Navigate->Bevel();
    bevel->SetOuterOutline(osOuter);
    bevel->SetOuterStyle(TVrBevelStyle::bsRaised);
    bevel->SetOuterWidth(1);
    bevel->SetOuterSpace(0);
    bevel->SetInnerStyle(TVrBevelStyle::bsLowered);
    bevel->SetInnerWidth(1);
    bevel->SetInnerSpace(0);
    bevel->SetInnerOutline(osNone);
    bevel->SetBorderWidth(0);
  }
  // The window's own picture, stretched over the whole window, until
  // another is loaded into it.
  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetBounds(0, 0, 488, 415);
  Image1->SetStretch(true);
  Image1->SendToBack();
  try {
    Image1->Picture()->Bitmap()->LoadFromResourceName("VIDEOFORM_IMAGE1");
  } catch (const Exception&) {
    // Without the program's resources the window shows its colour.
  }
  const auto make_button = [this](const char* name, int left, const char* caption, const char* hint) {
    auto* button = new TSpeedButton(this);
    button->SetName(name);
    button->SetParent(this);
    button->SetBounds(left, 384, 28, 26);
    button->SetCaption(caption);
    button->Hint = hint;
    return button;
  };
  OpenButton = make_button("OpenButton", 336, "O", "Load an individual movie");
  FullButton = make_button("FullButton", 366, "F",
                           "Fullscreen Mode - Keyboard command is F\r\n\r\nPress the 'N' key for normal screen,  'P' "
                           "key to pause or play");
  SearchButton = make_button("SearchButton", 396, "M", "Search for movies and build a new Library - Keyboard command is M");
  SpeedButton1 = make_button("SpeedButton1", 426, "Q", "Quit now - Keyboard command is Esc");
  Progress = new TGProgress(this);
  Progress->SetName("Progress");
  Progress->SetParent(this);
  // Solid yellow blocks over the picture, in a black and white frame.
  Progress->SetBounds(4, 368, 478, 6);
  Progress->SetColor(clYellow);
  Progress->SetColorEnd(clYellow);
  Progress->SetGradientBar(true);
  Progress->SetSolid(true);
  Progress->SetTransparent(true);
  Progress->SetFrameColor1(clBlack);
  Progress->SetFrameColor2(clWhite);
  Progress->SetVisible(false);

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnShow = [this](TObject* Sender) { NoFull(Sender); };
  OnActivate = [this](TObject* Sender) { Activate(Sender); };
  OnClose = [this](TObject* Sender, TCloseAction& Action) { NoTimer(Sender, Action); };
  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { Abort(Sender, Key, Shift); };
  OnKeyPress = [this](TObject* Sender, char& Key) { Keys(Sender, Key); };
  OpenButton->OnClick = [this](TObject* Sender) { OpenVideo(Sender); };
  FullButton->OnClick = [this](TObject* Sender) { ShowFull(Sender); };
  SearchButton->OnClick = [this](TObject* Sender) { FindMovies(Sender); };
  SpeedButton1->OnClick = [this](TObject* Sender) { Quit(Sender); };
  VideoList->OnClick = [this](TObject* Sender) { VideoListClick(Sender); };
  Navigate->OnButtonClick = [this](TObject* Sender, TVrButtonType Button) { Controller(Sender, Button); };
  Timer1->SetOnTimer([this](TObject* Sender) { VideoTimer(Sender); });
  EndLoad();
}

String TVideoForm::ListFileName() { return ExtractFilePath(Application->ExeName()) + "movie.csv"; }

bool TVideoForm::ReadSetting(const String& Name, bool Default) {
  if (RegIni == nullptr) return Default;
  return RegIni->ReadBool("Velko", Name, Default);
}

void TVideoForm::FormCreate(TObject*) {
  Progress->SetBackgroundColor(static_cast<TColor>(65535));
  LoadMovies();
}

void TVideoForm::LoadMovies() { VideoList->LoadFromFile(ListFileName()); }

void TVideoForm::NoFull(TObject*) { FullButton->SetEnabled(false); }
void TVideoForm::Activate(TObject*) { Timer1->SetEnabled(true); }
void TVideoForm::NoTimer(TObject*, TCloseAction&) { Timer1->SetEnabled(false); }

void TVideoForm::Keys(TObject*, char& Key) {
  switch (Key) {
    case 'n':
      ShowNormal();
      break;
    case 'p':
      Pause();
      break;
    case 's':
      Step();
      break;
    case 'm':
      FindMovies(this);
      break;
    case '+':
      Next();
      break;
    case '-':
      Previous();
      break;
    case 'b':
      Back();
      break;
    case 'f':
      ShowFull(this);
      break;
    default:
      break;
  }
}

void TVideoForm::SaveAndClose() {
  ShowNormal();
  VideoList->SaveToFile(ListFileName());
  if (VideoMedia->DeviceID() != 0) VideoMedia->Close();
  Close();
}

void TVideoForm::Abort(TObject*, Word& Key, TShiftState) {
  if (Key == VK_ESCAPE) SaveAndClose();
}

void TVideoForm::Quit(TObject*) { SaveAndClose(); }

void TVideoForm::Controller(TObject*, TVrButtonType Button) {
  switch (Button) {
    case btPlay:
      Play();
      Navigate->Hint = "Play - Keyboard command is P";
      break;
    case btPause:
      Pause();
      Navigate->Hint = "Pause - Keyboard command is P";
      break;
    case btStop:
      ShowLibrary();
      Navigate->Hint = "Stop movie - Show the Selection Menu";
      break;
    case btPrev:
      Previous();
      Navigate->Hint = "Previous - Keyboard command is -";
      break;
    case btBack:
      Back();
      Navigate->Hint = "Step back to the previous scene - Keyboard command is B";
      break;
    case btStep:
      Step();
      Navigate->Hint = "Step forward to the next scene - Keyboard command is S";
      break;
    case btNext:
      Next();
      Navigate->Hint = "Next - Keyboard command is +";
      break;
    default:
      break;
  }
}

void TVideoForm::Play() {
  VideoMedia->Play();
  Progress->SetMax(VideoMedia->Length());
  VideoList->SetVisible(false);
  FullButton->SetEnabled(true);
}

void TVideoForm::ShowLibrary() {
  if (VideoMedia->DeviceID() != 0) VideoMedia->Close();
  VideoList->SetVisible(true);
}

void TVideoForm::Pause() { VideoMedia->Pause(); }
void TVideoForm::Step() { VideoMedia->Step(); }
void TVideoForm::Back() { VideoMedia->Back(); }

void TVideoForm::OpenVideo(TObject*) {
  if (!OpenDialog1->Execute()) return;
  VideoMedia->FileName = OpenDialog1->FileName;
  VideoMedia->Open();
  VideoMedia->SetDisplay(ViewPanel);
  VideoMedia->SetDisplayRect(ViewPanel->ClientRect());
  Play();
}

void TVideoForm::OpenRow(TListItem* Item) {
  movie_path_ = SongPathOfRow(Item);
  VideoMedia->FileName = movie_path_;
  VideoMedia->Open();
  VideoMedia->SetDisplayRect(ViewPanel->ClientRect());
}

void TVideoForm::VideoListClick(TObject*) {
  TListItem* selected = VideoList->Selected();
  if (selected == nullptr) return;
  OpenRow(selected);
  const bool show_big = ReadSetting("ShowBig", Checked(FullBox));
  if (show_big) {
    Navigate->SetVisible(Checked(NavigateBox));
    SetChecked(FullBox, true);
    Navigate->Hint = "Play";
    Play();
    FullButton->Click();
  } else {
    SetChecked(FullBox, false);
    Navigate->Hint = "Play";
    NoFull(this);
    Play();
  }
}

void TVideoForm::Next() {
  TListItem* selected = VideoList->Selected();
  const int count = VideoList->Items()->Count();
  // Past the last row, or with no row chosen, there is nothing to step to.
  if (count == 0 || selected == nullptr || selected->Index() + 1 >= count) return;
  TListItem* next = VideoList->Items()->Item(selected->Index() + 1);
  VideoList->SetSelected(next);
  OpenRow(next);
  if (Checked(FullBox)) ShowFull(this);
  Play();
}

void TVideoForm::Previous() {
  TListItem* selected = VideoList->Selected();
  if (VideoList->Items()->Count() == 0 || selected == nullptr || selected->Index() == 0) return;
  TListItem* previous = VideoList->Items()->Item(selected->Index() - 1);
  VideoList->SetSelected(previous);
  OpenRow(previous);
  if (Checked(FullBox)) ShowFull(this);
  Play();
}

void TVideoForm::ShowFull(TObject*) {
  ViewPanel->SetVisible(false);
  Progress->SetVisible(false);
  SetWindowState(wsMaximized);
  SetWidth(Screen->Width());
  SetHeight(Screen->Height());
  VideoMedia->Notify = false;
  VideoMedia->SetDisplay(this);
  VideoMedia->SetDisplayRect(ClientRect());
  const bool nav_switch = ReadSetting("NavSwitch", Checked(NavigateBox));
  if (Checked(NavigateBox) && nav_switch) {
    SetChecked(NavigateBox, true);
    Navigate->SetVisible(true);
    Navigate->Show();
  }
  if (!nav_switch) {
    SetChecked(NavigateBox, false);
    Navigate->SetVisible(false);
  }
  Navigate->SetTop(580);
}

void TVideoForm::ShowNormal() {
  SetWindowState(wsNormal);
  ViewPanel->SetVisible(true);
  ViewPanel->SetWidth(480);
  ViewPanel->SetHeight(360);
  Progress->SetVisible(true);
  VideoMedia->SetDisplay(ViewPanel);
  if (VideoMedia->DeviceID() != 0) VideoMedia->SetDisplayRect(ViewPanel->ClientRect());
  Navigate->SetTop(382);
  Navigate->SetVisible(true);
  Repaint();
}

void TVideoForm::VideoTimer(TObject*) {
  if (Progress->Max() != 0) Progress->SetPosition(VideoMedia->Position());
  if (Progress->Position() == Progress->Max()) {
    ShowNormal();
    ShowLibrary();
  }
}

void TVideoForm::FindMovies(TObject*) {
  SetVisible(false);
  VideoList->Items()->Clear();
  if (VideoHunterForm != nullptr) VideoHunterForm->ShowModal();
  SetVisible(true);
}

void TVideoForm::ColumnClick(TObject*, TListColumn* Column) {
  VideoList->SetSortType(stNone);
  VideoList->SetSortType(stText);
  if (Column->Index() == sort_column_) {
    descending_ = !descending_;
  } else {
    sort_column_ = Column->Index();
    descending_ = false;
  }
}
