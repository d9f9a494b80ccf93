#include "network_ui/nuts.h"

TNutsForm* NutsForm = nullptr;

TNutsForm::TNutsForm(TComponent* AOwner) : TForm(AOwner) {
  BeginLoad();
  SetName("NutsForm");
  SetCaption("Gnutella");
  SetBorderStyle(bsSingle);
  SetPosition(poScreenCenter);
  SetClientSize(474, 270);
  HelpContext = 15;
  Image2 = new TImage(this);
  Image2->SetName("Image2");
  Image2->SetParent(this);
  Image2->SetAlign(alClient);
  Image2->SetStretch(true);
  EndLoad();
}
