#include "ripper/SetAlbumInfo.h"

TAlbumInfoForm* AlbumInfoForm = nullptr;

TAlbumInfoForm::TAlbumInfoForm(TComponent* AOwner) : TForm(AOwner) {
  BeginLoad();
  SetName("AlbumInfoForm");
  SetCaption("Album Information");
  SetBorderStyle(bsSingle);
  SetPosition(poScreenCenter);
  SetClientSize(474, 270);
  HelpContext = 15;
  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetAlign(alClient);
  Image1->SetStretch(true);
  EndLoad();
}
