// TVideoForm: the movie window. For now it carries the components the main
// window reaches: its background picture.
#pragma once

#include "classlib/Forms.h"
#include "classlib/Image.h"

class TVideoForm : public TForm {
 public:
  explicit TVideoForm(TComponent* AOwner);

  TImage* Image1 = nullptr;
};

extern TVideoForm* VideoForm;
