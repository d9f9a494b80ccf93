// TAlbumInfoForm: asks for the artist, album and title that go into the
// Ogg stream's comments. The texts persist from one rip to the next.
#pragma once

#include "classlib/Buttons.h"
#include "classlib/Edit.h"
#include "classlib/Forms.h"
#include "classlib/Image.h"

class TAlbumInfoForm : public TForm {
 public:
  explicit TAlbumInfoForm(TComponent* AOwner);

  TImage* Image1 = nullptr;
  TEdit* strArtist = nullptr;
  TEdit* strAlbum = nullptr;
  TEdit* strTitle = nullptr;
  TEdit* strTrackNum = nullptr;
  TSpeedButton* SaveButton = nullptr;
  TSpeedButton* CancelButton = nullptr;

  void FormShow(TObject* Sender);
  void btnOKClick(TObject* Sender);
  void btnCancelClick(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
};

extern TAlbumInfoForm* AlbumInfoForm;
// Whether the dialog was last closed with its save button.
bool AlbumInfoOK();
