#include "ripper/SetAlbumInfo.h"

TAlbumInfoForm* AlbumInfoForm = nullptr;

namespace {

bool g_album_info_ok = false;
// The texts as they were when the dialog was shown.
String g_artist, g_album, g_title;

TEdit* MakeEdit(TAlbumInfoForm* form, const char* name, const char* hint, int top) {
  auto* edit = new TEdit(form);
  edit->SetName(name);
  edit->SetParent(form);
  edit->SetBounds(16, top, 260, 21);
  edit->SetText("");
  edit->Hint = hint;
  edit->SetShowHint(true);
  return edit;
}

}  // namespace

bool AlbumInfoOK() { return g_album_info_ok; }

TAlbumInfoForm::TAlbumInfoForm(TComponent* AOwner) : TForm(AOwner) {
  BeginLoad();
  SetName("AlbumInfoForm");
  SetCaption("Please enter the Album Information");
  SetBorderStyle(bsSingle);
  SetBorderIcons({});
  SetPosition(poScreenCenter);
  SetClientSize(292, 176);
  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetAlign(alClient);
  Image1->SetStretch(true);
  try {
    Image1->Picture()->Bitmap()->LoadFromResourceName("ALBUMINFOFORM_IMAGE1");
  } catch (const Exception&) {
    // Without the program's resources the window shows its colour.
  }
  strArtist = MakeEdit(this, "strArtist", "Artist", 12);
  strAlbum = MakeEdit(this, "strAlbum", "Album", 40);
  strTitle = MakeEdit(this, "strTitle", "Title", 68);
  strTrackNum = MakeEdit(this, "strTrackNum", "Track Number", 96);
  strTrackNum->SetReadOnly(true);
  SaveButton = new TSpeedButton(this);
  SaveButton->SetName("SaveButton");
  SaveButton->SetParent(this);
  SaveButton->SetBounds(16, 136, 120, 28);
  SaveButton->SetCaption("Save");
  SaveButton->Hint = "Save the Album Information";
  SaveButton->SetShowHint(true);
  SaveButton->OnClick = [this](TObject* s) { btnOKClick(s); };
  CancelButton = new TSpeedButton(this);
  CancelButton->SetName("CancelButton");
  CancelButton->SetParent(this);
  CancelButton->SetBounds(156, 136, 120, 28);
  CancelButton->SetCaption("Cancel");
  CancelButton->Hint = "Cancel";
  CancelButton->SetShowHint(true);
  CancelButton->OnClick = [this](TObject* s) { btnCancelClick(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
  EndLoad();
}

void TAlbumInfoForm::FormShow(TObject*) {
  g_artist = strArtist->Text();
  g_album = strAlbum->Text();
  g_title = strTitle->Text();
  g_album_info_ok = false;
}

void TAlbumInfoForm::btnOKClick(TObject*) {
  g_album_info_ok = true;
  Close();
}

void TAlbumInfoForm::btnCancelClick(TObject*) { Close(); }

void TAlbumInfoForm::FormClose(TObject*, TCloseAction&) {
  if (g_album_info_ok) return;
  strArtist->SetText(g_artist);
  strAlbum->SetText(g_album);
  strTitle->SetText(g_title);
}
