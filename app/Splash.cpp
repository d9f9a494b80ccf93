#include "app/Splash.h"

TSplashForm* SplashForm = nullptr;

TSplashForm::TSplashForm(TComponent* AOwner) : TForm(AOwner) {
  BeginLoad();
  SetName("SplashForm");
  SetBorderStyle(bsNone);
  SetPosition(poScreenCenter);
  SetClientSize(300, 120);
  SetColor(clBlack);
  TitleLabel = new TLabel(this);
  TitleLabel->SetName("TitleLabel");
  TitleLabel->SetParent(this);
  TitleLabel->SetLeft(24);
  TitleLabel->SetTop(20);
  TitleLabel->Font()->SetSize(28);
  TitleLabel->Font()->SetColor(clYellow);
  TitleLabel->SetCaption("Velko");
  VersionLabel = new TLabel(this);
  VersionLabel->SetName("VersionLabel");
  VersionLabel->SetParent(this);
  VersionLabel->SetLeft(28);
  VersionLabel->SetTop(80);
  VersionLabel->Font()->SetColor(clWhite);
  VersionLabel->SetCaption("Version 5.3");
  EndLoad();
}
