// TSplashForm: the window shown while the program starts.
#pragma once

#include "classlib/Forms.h"
#include "classlib/Label.h"

class TSplashForm : public TForm {
 public:
  explicit TSplashForm(TComponent* AOwner);

  TLabel* TitleLabel = nullptr;
  TLabel* VersionLabel = nullptr;
};

extern TSplashForm* SplashForm;
