// TCDHunterForm: the CD track search window. For now it carries the components the main
// window reaches: its background picture, FoundFiles, mp3hunt.
#pragma once

#include "classlib/Forms.h"
#include "classlib/Image.h"
#include "library/FindFile.h"
#include "library/advlistv.h"

class TCDHunterForm : public TForm {
 public:
  explicit TCDHunterForm(TComponent* AOwner);

  TImage* Image1 = nullptr;
  TAdvListView* FoundFiles = nullptr;
  TFindFile* mp3hunt = nullptr;
};

extern TCDHunterForm* CDHunterForm;
