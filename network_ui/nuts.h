// TNutsForm: the file-sharing window. For now it carries the components the main
// window reaches: its background picture.
#pragma once

#include "classlib/Forms.h"
#include "classlib/Image.h"

class TNutsForm : public TForm {
 public:
  explicit TNutsForm(TComponent* AOwner);

  TImage* Image2 = nullptr;
};

extern TNutsForm* NutsForm;
