// TParAbout: the about box (F1, the main window's help button), with the
// maker's mail and news addresses.
#pragma once

#include "app/URL.h"
#include "classlib/Forms.h"
#include "classlib/Image.h"
#include "classlib/Label.h"
#include "classlib/SpeedButton.h"

// The maker's addresses (without their scheme).
inline constexpr char kMakerMail[] = "velko@example.com";
inline constexpr char kMakerNewsPage[] = "www.example.com/velko/news.html";

class TParAbout : public TForm {
 public:
  explicit TParAbout(TComponent* AOwner);

  TImage* Image1 = nullptr;
  TImage* Image3 = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TLabel* Label3 = nullptr;
  TSpeedButton* SpeedButton1 = nullptr;
  TSpeedButton* SpeedButton4 = nullptr;
  TURL* MailMe = nullptr;
  TURL* NewsPage = nullptr;

  void OKClick(TObject* Sender);
  void SendMail(TObject* Sender);
  void TellMe(TObject* Sender);
  void Abort(TObject* Sender, Word& Key, TShiftState Shift);
  void FormCreate(TObject* Sender);
};

extern TParAbout* ParAbout;
