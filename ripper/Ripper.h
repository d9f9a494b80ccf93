// TRipperForm: the ripper window. For now it carries the components the main
// window reaches: its background picture, RipperList.
#pragma once

#include "classlib/Forms.h"
#include "classlib/Image.h"
#include "library/advlistv.h"

class TRipperForm : public TForm {
 public:
  explicit TRipperForm(TComponent* AOwner);

  TImage* Image1 = nullptr;
  TAdvListView* RipperList = nullptr;
};

extern TRipperForm* RipperForm;
