#include "ripper/Ripper.h"

TRipperForm* RipperForm = nullptr;

TRipperForm::TRipperForm(TComponent* AOwner) : TForm(AOwner) {
  BeginLoad();
  SetName("RipperForm");
  SetCaption("CD Ripper");
  SetBorderStyle(bsSingle);
  SetPosition(poScreenCenter);
  SetClientSize(474, 270);
  HelpContext = 15;
  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetAlign(alClient);
  Image1->SetStretch(true);
  RipperList = new TAdvListView(this);
  RipperList->SetName("RipperList");
  RipperList->SetParent(this);
  RipperList->SetBounds(8, 8, 458, 220);
  EndLoad();
}
