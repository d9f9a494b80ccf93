// A page control that draws its page area and tabs from the skin of its
// engine (the skin's "PageControl" object), and is an ordinary page
// control otherwise.
#pragma once

#include <memory>

#include "classlib/PageControl.h"
#include "skins/SkinObjects.h"

class TscSkinEngine;

class TscPageControl : public TPageControl {
 public:
  explicit TscPageControl(TComponent* AOwner);
  ~TscPageControl() override;

  TscSkinEngine* SkinEngine() const { return skin_engine_; }
  void SetSkinEngine(TscSkinEngine* Value);
  // The engine shows a skin whose page-control object has children.
  bool Skinned() const;

  void Dispatch(TMessage& Message) override;

  std::unique_ptr<TscSkinObject> SkinObject;

 protected:
  void PaintWindow(HDC DC) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void SkinChanged();
  TscSkinEngine* skin_engine_ = nullptr;
};
