#include "library/CDHunter.h"

TCDHunterForm* CDHunterForm = nullptr;

TCDHunterForm::TCDHunterForm(TComponent* AOwner) : TForm(AOwner) {
  BeginLoad();
  SetName("CDHunterForm");
  SetCaption("CD Hunter");
  SetBorderStyle(bsSingle);
  SetPosition(poScreenCenter);
  SetClientSize(474, 270);
  HelpContext = 15;
  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetAlign(alClient);
  Image1->SetStretch(true);
  FoundFiles = new TAdvListView(this);
  FoundFiles->SetName("FoundFiles");
  FoundFiles->SetParent(this);
  FoundFiles->SetBounds(8, 8, 458, 220);
  mp3hunt = new TFindFile(this);
  mp3hunt->SetName("mp3hunt");
  EndLoad();
}
