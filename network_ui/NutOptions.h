// TForm2: the file-sharing options dialog. For now it carries the components the main
// window reaches: its background picture.
#pragma once

#include "classlib/Forms.h"
#include "classlib/Image.h"

class TForm2 : public TForm {
 public:
  explicit TForm2(TComponent* AOwner);

  TImage* Image1 = nullptr;
};

extern TForm2* Form2;
