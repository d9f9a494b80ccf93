// TTagForm: the tag editor window. For now it carries the components the main
// window reaches: its background picture.
#pragma once

#include "classlib/Forms.h"
#include "classlib/Image.h"

class TTagForm : public TForm {
 public:
  explicit TTagForm(TComponent* AOwner);

  TImage* Image1 = nullptr;
};

extern TTagForm* TagForm;
