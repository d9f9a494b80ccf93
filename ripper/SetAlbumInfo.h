// TAlbumInfoForm: the album information dialog. For now it carries the components the main
// window reaches: its background picture.
#pragma once

#include "classlib/Forms.h"
#include "classlib/Image.h"

class TAlbumInfoForm : public TForm {
 public:
  explicit TAlbumInfoForm(TComponent* AOwner);

  TImage* Image1 = nullptr;
};

extern TAlbumInfoForm* AlbumInfoForm;
