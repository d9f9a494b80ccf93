// TVideoHunterForm: the movie search window. For now it carries the components the main
// window reaches: its background picture.
#pragma once

#include "classlib/Forms.h"
#include "classlib/Image.h"

class TVideoHunterForm : public TForm {
 public:
  explicit TVideoHunterForm(TComponent* AOwner);

  TImage* Image1 = nullptr;
};

extern TVideoHunterForm* VideoHunterForm;
