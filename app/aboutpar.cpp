#include "app/aboutpar.h"

#include "platform/user/virtual_keys.h"

TParAbout* ParAbout = nullptr;

namespace {

TLabel* MakeLabel(TParAbout* Form, const char* Name, int Left, int Top, const char* Caption,
                  int Size, TColor Color) {
  auto* label = new TLabel(Form);
  label->SetName(Name);
  label->SetParent(Form);
  label->SetLeft(Left);
  label->SetTop(Top);
  label->SetTransparent(true);
  label->Font()->SetSize(Size);
  label->Font()->SetColor(Color);
  label->SetCaption(Caption);
  return label;
}

TSpeedButton* MakeButton(TParAbout* Form, const char* Name, int Left, const char* Caption,
                         const char* Hint) {
  auto* button = new TSpeedButton(Form);
  button->SetName(Name);
  button->SetParent(Form);
  button->SetBounds(Left, 232, 30, 30);
  button->SetFlat(true);
  button->SetCaption(Caption);
  // Flat buttons show the picture behind them: white text reads on it.
  button->Font()->SetColor(clWhite);
  button->Hint = (Hint);
  button->SetShowHint(true);
  return button;
}

}  // namespace

TParAbout::TParAbout(TComponent* AOwner) : TForm(AOwner) {
  BeginLoad();
  SetName("ParAbout");
  SetCaption("About");
  SetBorderStyle(bsNone);
  SetPosition(poScreenCenter);
  SetClientSize(360, 270);
  SetColor(clBlack);
  HelpContext = 15;
  KeyPreview = true;
  Hint = ("Click on Velko for the latest product news");
  SetShowHint(true);

  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetAlign(alClient);
  Image1->SetStretch(true);
  // The box's own picture until the settings choose one.
  try {
    Image1->Picture()->Bitmap()->LoadFromResourceName("PARABOUT_IMAGE1");
  } catch (const Exception&) {
    // Without the program's resources the box shows its colour.
  }
  Image3 = new TImage(this);
  Image3->SetName("Image3");
  Image3->SetParent(this);
  Image3->SetBounds(16, 16, 64, 64);

  Label1 = MakeLabel(this, "Label1", 96, 24, "Velko", 24, clWhite);
  Label1->OnClick = [this](TObject* Sender) { TellMe(Sender); };
  Label2 = MakeLabel(this, "Label2", 100, 70, "Version 5.3", 10, clWhite);
  Label3 = MakeLabel(this, "Label3", 16, 120,
                     "A music player, library, CD ripper and file sharer.\r\n"
                     "Made by the Velko developers. Mail and news at example.com.",
                     8, clSilver);

  SpeedButton1 = MakeButton(this, "SpeedButton1", 16, "@", "Click here to send us an Email");
  SpeedButton1->OnClick = [this](TObject* Sender) { SendMail(Sender); };
  SpeedButton4 = MakeButton(this, "SpeedButton4", 314, "OK", "Quit now - Keyboard command is Esc");
  SpeedButton4->OnClick = [this](TObject* Sender) { OKClick(Sender); };

  MailMe = new TURL(this);
  MailMe->SetName("MailMe");
  MailMe->SetURLType(utMailto);
  MailMe->SetURL(kMakerMail);
  NewsPage = new TURL(this);
  NewsPage->SetName("NewsPage");
  NewsPage->SetURLType(utHttp);
  NewsPage->SetURL(kMakerNewsPage);

  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { Abort(Sender, Key, Shift); };
  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  EndLoad();
}

void TParAbout::OKClick(TObject*) { ModalResult = mrOk; }

void TParAbout::SendMail(TObject*) { MailMe->Execute(); }

void TParAbout::TellMe(TObject*) { NewsPage->Execute(); }

void TParAbout::Abort(TObject*, Word& Key, TShiftState) {
  if (Key == 27) Close();
}

void TParAbout::FormCreate(TObject*) {}
