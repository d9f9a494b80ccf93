#include "library/dotags.h"

#include "classlib/FileRoutines.h"
#include "classlib/PathRoutines.h"
#include "classlib/StringRoutines.h"
#include "library/alvutil.h"
#include "platform/user/virtual_keys.h"

TTagForm* TagForm = nullptr;

TTagForm::TTagForm(TComponent* AOwner) : TForm(AOwner) {
  BeginLoad();
  SetName("TagForm");
  SetCaption("ID Tag Editor");
  SetBorderStyle(bsSingle);
  SetPosition(poScreenCenter);
  SetClientSize(480, 300);
  OpenDialog1 = new TOpenDialog(this);
  OpenDialog1->SetName("OpenDialog1");
  mp3Tag1 = new Tmp3Tag(this);
  mp3Tag1->SetName("mp3Tag1");
  MusicList = new TAdvListView(this);
  MusicList->SetName("MusicList");
  MusicList->SetParent(this);
  MusicList->SetBounds(8, 8, 240, 284);
  MusicList->SetViewStyle(vsReport);
  MusicList->SetRowSelect(true);
  MusicList->SetShowColumnHeaders(false);
  MusicList->SetSortType(stText);
  MusicList->Hint = "Select a song then the button of your choice";
  const std::pair<const char*, int> columns[] = {{"Song", 230}, {"Location", 1}, {"", 1}};
  for (const auto& [caption, width] : columns) {
    TListColumn* column = MusicList->Columns()->Add();
    column->SetCaption(caption);
    column->SetWidth(width);
  }
  const char* hints[] = {"Title", "Artist", "Album", "Track", "Year", "Genre", "Comment"};
  TEdit** edits[] = {&Edit1, &Edit2, &Edit3, &Edit4, &Edit5, &Edit6, &Edit7};
  for (int i = 0; i < 7; ++i) {
    TEdit* edit = *edits[i] = new TEdit(this);
    edit->SetName("Edit" + std::to_string(i + 1));
    edit->SetParent(this);
    edit->SetBounds(256, 8 + i * 30, 216, 24);
    edit->SetText("");
    edit->Hint = hints[i];
    edit->OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { Leave(Sender, Key, Shift); };
  }
  // The window's own picture, stretched over the whole window (a chosen
  // background picture is smaller than the window), until another is
  // loaded into it.
  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetBounds(0, 0, 480, 300);
  Image1->SetStretch(true);
  Image1->SendToBack();
  try {
    Image1->Picture()->Bitmap()->LoadFromResourceName("TAGFORM_IMAGE1");
  } catch (const Exception&) {
    // Without the program's resources the window shows its colour.
  }
  const auto make_button = [this](const char* name, int left, const char* caption, const char* hint) {
    auto* button = new TSpeedButton(this);
    button->SetName(name);
    button->SetParent(this);
    button->SetBounds(left, 222, 50, 26);
    button->SetCaption(caption);
    button->Hint = hint;
    return button;
  };
  PlayButton = make_button("PlayButton", 256, "Play", "Play the selected file");
  StopButton = make_button("StopButton", 310, "Stop", "Stop");
  SpeedButton2 = make_button("SpeedButton2", 364, "Save", "Write the ID Tag information to the selected file");
  SpeedButton1 = make_button("SpeedButton1", 418, "Quit", "Quit now - Keyboard command is Esc");
  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { Leave(Sender, Key, Shift); };
  MusicList->OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { Leave(Sender, Key, Shift); };
  MusicList->OnClick = [this](TObject* Sender) { FillEditors(Sender); };
  PlayButton->OnClick = [this](TObject* Sender) { AutoPlay(Sender); };
  StopButton->OnClick = [this](TObject* Sender) { StopNow(Sender); };
  SpeedButton2->OnClick = [this](TObject* Sender) { SaveInfo(Sender); };
  SpeedButton1->OnClick = [this](TObject* Sender) { Quit(Sender); };
  EndLoad();
}

String TTagForm::ListFileName() { return ExtractFilePath(Application->ExeName()) + "mp3.csv"; }

void TTagForm::FormCreate(TObject*) {
  MusicList->LoadFromFile(ListFileName());
  // A list that could not be read keeps the window definition's hint.
  if (MusicList->Items()->Count() == 0 && !FileExists(ListFileName())) return;
  MusicList->Hint = "Select a song then click the button of your choice";
  MusicList->SetShowHint(true);
}

void TTagForm::FillFromTag() {
  Edit1->SetText(mp3Tag1->Title());
  Edit2->SetText(mp3Tag1->Artist());
  Edit3->SetText(mp3Tag1->Album());
  Edit4->SetText(IntToStr(mp3Tag1->Track()));
  Edit5->SetText(mp3Tag1->Year());
  Edit6->SetText(mp3Tag1->Genre());
  Edit7->SetText(mp3Tag1->Comment());
}

void TTagForm::FillEditors(TObject*) {
  if (MusicList->Items()->Count() == 0 || MusicList->Selected() == nullptr) return;
  // The chosen row is the song from now on, read or not: a Save writes
  // into it and into no other file. The fields are emptied first, so a
  // song that cannot be read leaves none of the last song's tag to be
  // saved anywhere; its error goes to the application's handler.
  song_path_ = SongPathOfRow(MusicList->Selected());
  for (TEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7}) edit->SetText("");
  mp3Tag1->LoadFromFile(song_path_);
  FillFromTag();
}

void TTagForm::SaveInfo(TObject*) {
  // Only MP3 files carry this tag at their end; writing it into any other
  // kind of file would damage it.
  if (!SameText(ExtractFileExt(song_path_), ".mp3")) {
    Application->MessageBox("The ID Tag can only be written to MP3 files", "Confirm", MB_OK);
    return;
  }
  mp3Tag1->SetTitle(Edit1->Text());
  mp3Tag1->SetArtist(Edit2->Text());
  mp3Tag1->SetAlbum(Edit3->Text());
  mp3Tag1->SetTrack(StrToInt(Edit4->Text()));
  mp3Tag1->SetYear(Edit5->Text());
  mp3Tag1->SetGenre(Edit6->Text());
  mp3Tag1->SetComment(Edit7->Text());
  mp3Tag1->SaveToFile(song_path_);
}

void TTagForm::AutoPlay(TObject*) {
  if (MusicList->Items()->Count() == 0 || MusicList->Selected() == nullptr) return;
  song_path_ = SongPathOfRow(MusicList->Selected());
  MusicList->SetFocus();
  if (MainPlayer != nullptr && MainPlayer->BASSReady) {
    const String native = MainPlayer->GetNativeFileTypes();
    const String plugin = MainPlayer->GetPluginFileTypes();
    OpenDialog1->Filter = "All playable files |" + native + plugin + "|" + "BASS native files (" + native + ")|" +
                          native + "|" + "Plug-in supported files (" + plugin + ")|" + plugin;
    if (MainPlayer->Open(song_path_)) MainPlayer->Play();
  } else {
    Application->MessageBox("AutoPlay - Cannot open file (Velko is not ready)", "Confirm", MB_OK);
  }
}

void TTagForm::StopNow(TObject*) {
  if (MainPlayer != nullptr) MainPlayer->Stop();
}

void TTagForm::Quit(TObject* Sender) {
  StopNow(Sender);
  if (MainMusicList != nullptr) MainMusicList->SetVisible(true);
  Close();
}

void TTagForm::Leave(TObject* Sender, Word& Key, TShiftState) {
  if (Key == VK_ESCAPE) Quit(Sender);
}

void TTagForm::Button1Click(TObject*) {
  if (!OpenDialog1->Execute()) return;
  mp3Tag1->LoadFromFile(OpenDialog1->FileName);
  FillFromTag();
}
