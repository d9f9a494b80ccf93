#include "library/dotags.h"

TTagForm* TagForm = nullptr;

TTagForm::TTagForm(TComponent* AOwner) : TForm(AOwner) {
  BeginLoad();
  SetName("TagForm");
  SetCaption("ID Tag Editor");
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
