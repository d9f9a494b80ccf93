#include "network_ui/NutOptions.h"

#include "classlib/Application.h"
#include "classlib/FileCtrl.h"
#include "classlib/FileRoutines.h"
#include "classlib/StringRoutines.h"
#include "network/Gnutella.h"
#include "network_ui/FormControls.h"

TForm2* Form2 = nullptr;

const std::array<const char*, 10> kConnectionTypeCaptions = {
    "14.4K Modem", "28.8K Modem", "33.6K Modem", "56K Modem", "64K ISDN",
    "128K ISDN",   "Cable",       "DSL",         "T1",        "T3"};

namespace {

TCheckBox* MakeCheck(TForm2* form, TWinControl* parent, const char* name, int left, int top,
                     int width, const char* caption) {
  auto* box = MakeControl<TCheckBox>(form, parent, name, left, top, width, 17);
  box->SetCaption(caption);
  return box;
}

TEdit* MakeEdit(TForm2* form, TWinControl* parent, const char* name, int left, int top, int width,
                const char* text) {
  auto* edit = MakeControl<TEdit>(form, parent, name, left, top, width, 21);
  edit->SetText(text);
  return edit;
}

bool IsSocksText(const String& text) {
  return text == "Socks4" || text == "Socks4A" || text == "Socks5";
}

}  // namespace

TForm2::~TForm2() {
  if (Form2 == this) Form2 = nullptr;
}

TForm2::TForm2(TComponent* AOwner) : TForm(AOwner) {
  BeginLoad();
  SetName("Form2");
  SetCaption("Options");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientSize(440, 420);
  SetShowHint(true);

  Image2 = MakeControl<TImage>(this, this, "Image2", 0, 0, 440, 420);

  PageControl1 = MakeControl<TPageControl>(this, this, "PageControl1", 4, 4, 432, 376);
  SettingsTab = new TTabSheet(this);
  SettingsTab->SetName("SettingsTab");
  SettingsTab->SetPageControl(PageControl1);
  SettingsTab->SetCaption("Settings");
  ShareTab = new TTabSheet(this);
  ShareTab->SetName("ShareTab");
  ShareTab->SetPageControl(PageControl1);
  ShareTab->SetCaption("Share");

  // Connection type: two columns of five.
  static const char* const kTypeNames[10] = {"Modem14", "Modem28", "Modem33", "Modem56", "ISDN64",
                                             "ISDN128", "Cable",   "DSL",     "T1",      "T3"};
  for (int i = 0; i < 10; ++i) {
    auto* button = MakeControl<TRadioButton>(this, SettingsTab, kTypeNames[i], 8 + (i / 5) * 96,
                                      8 + (i % 5) * 18, 92, 17);
    button->SetCaption(kConnectionTypeCaptions[static_cast<std::size_t>(i)]);
    TypeButtons[static_cast<std::size_t>(i)] = button;
  }
  TypeButtons[6]->SetChecked(true);

  MakeLabel(this, SettingsTab, "PortLabel", 208, 10, "Port:");
  PortEdit = MakeEdit(this, SettingsTab, "PortEdit", 250, 6, 60, "6346");
  PortEdit->Hint = ("Port Number - Default is 6346");
  FirewallBox = MakeCheck(this, SettingsTab, "FirewallBox", 208, 32, 90, "Firewall");
  ForceIPBox = MakeCheck(this, SettingsTab, "ForceIPBox", 208, 52, 90, "Force IP");
  IPEdit = MakeEdit(this, SettingsTab, "IPEdit", 300, 50, 110, "");
  IPEdit->SetMaxLength(15);
  FirewallBox->OnClick = [this](TObject*) { UpdateEnabling(); };
  ForceIPBox->OnClick = [this](TObject*) { UpdateEnabling(); };

  SocksBox = MakeControl<TComboBox>(this, SettingsTab, "SocksBox", 8, 106, 100, 21);
  SocksBox->SetStyle(csDropDownList);
  for (const char* text : {"No Socks", "Socks4", "Socks4A", "Socks5"}) SocksBox->Items()->Add(text);
  SocksBox->SetItemIndex(0);
  SocksBox->OnChange = [this](TObject*) { UpdateEnabling(); };
  ServerBox = MakeCheck(this, SettingsTab, "ServerBox", 116, 108, 70, "Server");
  FileTransferBox = MakeCheck(this, SettingsTab, "FileTransferBox", 190, 108, 90, "File Transfer");
  AuthBox = MakeCheck(this, SettingsTab, "AuthBox", 284, 108, 130, "Use Authentication");
  AuthBox->OnClick = [this](TObject*) { UpdateEnabling(); };
  HostLabel = MakeLabel(this, SettingsTab, "HostLabel", 8, 136, "Hostname:");
  HostEdit = MakeEdit(this, SettingsTab, "HostEdit", 70, 132, 130, "");
  SocksPortLabel = MakeLabel(this, SettingsTab, "SocksPortLabel", 212, 136, "Socks port:");
  SocksPortEdit = MakeEdit(this, SettingsTab, "SocksPortEdit", 280, 132, 60, "1080");
  UserLabel = MakeLabel(this, SettingsTab, "UserLabel", 8, 162, "Username:");
  UserEdit = MakeEdit(this, SettingsTab, "UserEdit", 70, 158, 130, "");
  PasswordLabel = MakeLabel(this, SettingsTab, "PasswordLabel", 212, 162, "Password:");
  PasswordEdit = MakeEdit(this, SettingsTab, "PasswordEdit", 280, 158, 130, "");

  MakeLabel(this, SettingsTab, "DownloadLabel", 8, 192, "Download folder:");
  DownloadEdit = MakeEdit(this, SettingsTab, "DownloadEdit", 8, 208, 320, "c:\\");
  DownloadEdit->Hint = ("Save downloads to this folder");
  Button3 = MakeControl<TButton>(this, SettingsTab, "Button3", 336, 206, 75, 25);
  Button3->SetCaption("Browse");
  Button3->OnClick = [this](TObject* s) { Button3Click(s); };

  UltraBox = MakeCheck(this, SettingsTab, "UltraBox", 8, 242, 260, "Act as UltraPeer - Fast connections only");
  UltraBox->OnClick = [this](TObject* s) { DoUltra(s); };
  NeedUltraBox = MakeCheck(this, SettingsTab, "NeedUltraBox", 8, 262, 200, "UltraPeer Needed");
  NeedUltraBox->OnClick = [this](TObject* s) { DoNeed(s); };
  MinSpin = MakeControl<TSpinEdit>(this, SettingsTab, "MinSpin", 8, 286, 50, 22);
  MinSpin->SetMinValue(1);
  MinSpin->SetMaxValue(20);
  MinSpin->SetValue(1);
  MinSpin->Hint = ("Maintain a Minimum number of clients");
  MinSpin->OnChange = [this](TObject* s) { MinClients(s); };
  MaxSpin = MakeControl<TSpinEdit>(this, SettingsTab, "MaxSpin", 70, 286, 50, 22);
  MaxSpin->SetMinValue(1);
  MaxSpin->SetMaxValue(100);
  MaxSpin->SetValue(1);
  MaxSpin->Hint = ("Maintain a Maximum number of clients");
  MaxSpin->OnChange = [this](TObject* s) { MaxClients(s); };
  SearchesBox = MakeCheck(this, SettingsTab, "SearchesBox", 8, 316, 260, "Monitor searches on the network");
  SearchesBox->OnClick = [this](TObject* s) { MonitorControl(s); };

  ShareList = MakeControl<TListView>(this, ShareTab, "ShareList", 4, 4, 416, 300);
  ShareList->SetViewStyle(vsReport);
  AddColumns(ShareList, {{"Filename", 412}});
  ShareEdit = MakeEdit(this, ShareTab, "ShareEdit", 4, 312, 200, "");
  ShareEdit->SetVisible(false);
  Button5 = MakeControl<TButton>(this, ShareTab, "Button5", 4, 312, 90, 25);
  Button5->SetCaption("Share Folder");
  Button5->OnClick = [this](TObject* s) { Button5Click(s); };
  Button4 = MakeControl<TButton>(this, ShareTab, "Button4", 100, 312, 90, 25);
  Button4->SetCaption("Share file");
  Button4->OnClick = [this](TObject* s) { Button4Click(s); };
  OpenDialog1 = new TOpenDialog(this);
  OpenDialog1->SetName("OpenDialog1");
  OpenDialog1->Options.Include(ofAllowMultiSelect);

  OKButton = MakeControl<TButton>(this, this, "OKButton", 272, 388, 75, 25);
  OKButton->SetCaption("OK");
  OKButton->ModalResult = mrOk;
  CancelButton = MakeControl<TButton>(this, this, "CancelButton", 356, 388, 75, 25);
  CancelButton->SetCaption("Cancel");
  CancelButton->ModalResult = mrCancel;

  OnShow = [this](TObject* s) { FormShow(s); };
  EndLoad();
}

int TForm2::ConnectionTypeNumber() const {
  for (std::size_t i = 0; i < TypeButtons.size(); ++i) {
    if (TypeButtons[i]->Checked()) return static_cast<int>(i) + 1;
  }
  return 0;
}

void TForm2::SetConnectionTypeNumber(int Value) {
  if (Value < 1 || Value > 10) return;
  TypeButtons[static_cast<std::size_t>(Value - 1)]->SetChecked(true);
}

void TForm2::FormShow(TObject* Sender) {
  DoUltra(Sender);
  DoNeed(Sender);
  MonitorControl(Sender);
  UpdateEnabling();
}

void TForm2::UpdateEnabling() {
  if (FirewallBox->Checked()) {
    ForceIPBox->SetEnabled(true);
    if (!ForceIPBox->Checked()) ForceIPBox->SetChecked(true);
    IPEdit->SetEnabled(ForceIPBox->Checked());
  } else {
    ForceIPBox->SetEnabled(false);
    IPEdit->SetEnabled(false);
  }
  const bool socks = IsSocksText(SocksBox->Text());
  for (TControl* c : std::initializer_list<TControl*>{AuthBox, ServerBox, FileTransferBox, HostLabel,
                                                      HostEdit, SocksPortLabel, SocksPortEdit}) {
    c->SetEnabled(socks);
  }
  const bool auth = socks && AuthBox->Checked();
  for (TControl* c : std::initializer_list<TControl*>{UserLabel, UserEdit, PasswordLabel, PasswordEdit}) {
    c->SetEnabled(auth);
  }
}

void TForm2::DoUltra(TObject*) {
  if (ShareTarget != nullptr) ShareTarget->SetUltrapeer(UltraBox->Checked());
}

void TForm2::DoNeed(TObject*) {
  if (ShareTarget != nullptr) ShareTarget->SetUltrapeerNeeded(NeedUltraBox->Checked());
}

void TForm2::MinClients(TObject*) {
  if (ShareTarget != nullptr) ShareTarget->MinConnections = MinSpin->Value();
}

void TForm2::MaxClients(TObject*) {
  if (ShareTarget != nullptr) ShareTarget->SetMaxConnections(MaxSpin->Value());
}

void TForm2::MonitorControl(TObject*) {
  if (MonitorList != nullptr) MonitorList->SetVisible(SearchesBox->Checked());
}

void TForm2::Button3Click(TObject*) {
  String folder;
  if (SelectDirectory("Select directory", "", folder)) DownloadEdit->SetText(folder + "\\");
}

void TForm2::Button5Click(TObject*) {
  String folder;
  if (!SelectDirectory("Select a directory", "", folder)) return;
  ShareDir(folder);
  ShareEdit->SetText(folder);
}

void TForm2::Button4Click(TObject*) {
  if (!OpenDialog1->Execute() || ShareTarget == nullptr) return;
  for (int i = 0; i < OpenDialog1->Files()->Count(); ++i) ShareOne(OpenDialog1->Files()->Strings(i));
}

void TForm2::ShareOne(const String& Path) {
  // A path is shared once: a reload or a second OK adds nothing twice.
  if (!shared_.insert(UpperCase(Path)).second) return;
  if (ShareTarget != nullptr) ShareTarget->AddShare(Path);
  ShareList->Items()->Add()->SetCaption(Path);
}

void TForm2::ShareDir(const String& Folder) {
  if (Folder.empty()) return;
  String base = Folder;
  if (base.back() != '\\' && base.back() != '/') base += "\\";
  TSearchRec rec;
  std::vector<String> folders;
  if (FindFirst(base + "*.*", faReadOnly | faSysFile | faDirectory, rec) == 0) {
    do {
      if ((rec.Attr & faDirectory) != 0) {
        if (rec.Name == "." || rec.Name == "..") continue;
        // Linked folders are left out: they may loop back or lead anywhere.
        if ((rec.FindData.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) continue;
        folders.push_back(base + rec.Name);
      } else {
        ShareOne(base + rec.Name);
        Application->ProcessMessages();
      }
    } while (FindNext(rec) == 0);
    FindClose(rec);
  }
  for (const String& sub : folders) ShareDir(sub);
}
