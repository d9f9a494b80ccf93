// TForm2: the modal "Options" dialog of the file-sharing window. It holds
// the network settings the window keeps in "VelkoNet.ini" (the window reads
// and writes the file; the dialog only holds the values) and the list of
// files this servent shares.
#pragma once

#include <array>
#include <set>

#include "classlib/ComCtrls.h"
#include "classlib/Dialogs.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Spin.h"
#include "classlib/StdCtrls.h"

class TGnutella;

// The captions of the ten connection-type buttons, "Type" 1 to 10.
extern const std::array<const char*, 10> kConnectionTypeCaptions;

class TForm2 : public TForm {
 public:
  explicit TForm2(TComponent* AOwner);
  ~TForm2() override;

  TPageControl* PageControl1;
  TTabSheet* SettingsTab;
  TTabSheet* ShareTab;
  std::array<TRadioButton*, 10> TypeButtons{};
  TEdit* PortEdit;
  TCheckBox* FirewallBox;
  TCheckBox* ForceIPBox;
  TEdit* IPEdit;
  TComboBox* SocksBox;
  TCheckBox* ServerBox;
  TCheckBox* FileTransferBox;
  TCheckBox* AuthBox;
  TLabel* HostLabel;
  TEdit* HostEdit;
  TLabel* SocksPortLabel;
  TEdit* SocksPortEdit;
  TLabel* UserLabel;
  TEdit* UserEdit;
  TLabel* PasswordLabel;
  TEdit* PasswordEdit;
  TEdit* DownloadEdit;
  TButton* Button3;  // "Browse"
  TEdit* ShareEdit;  // hidden shared-folder box
  TButton* Button5;  // "Share Folder"
  TButton* Button4;  // "Share file"
  TCheckBox* UltraBox;
  TCheckBox* NeedUltraBox;
  TSpinEdit* MinSpin;
  TSpinEdit* MaxSpin;
  TCheckBox* SearchesBox;
  TListView* ShareList;
  TOpenDialog* OpenDialog1;
  TButton* OKButton;
  TButton* CancelButton;
  TImage* Image2;

  // The servent that shares files (set by the file-sharing window).
  TGnutella* ShareTarget = nullptr;
  // The query monitor list shown or hidden by MonitorControl.
  TControl* MonitorList = nullptr;

  // The selected connection type, 1..10 (0 when none).
  int ConnectionTypeNumber() const;
  // Selects a connection type; values outside 1..10 change nothing.
  void SetConnectionTypeNumber(int Value);

  void FormShow(TObject* Sender);
  void DoUltra(TObject* Sender);
  void DoNeed(TObject* Sender);
  void MinClients(TObject* Sender);
  void MaxClients(TObject* Sender);
  void MonitorControl(TObject* Sender);
  void Button3Click(TObject* Sender);
  void Button5Click(TObject* Sender);
  void Button4Click(TObject* Sender);
  // The enabling rules of the firewall and SOCKS controls.
  void UpdateEnabling();

  // Shares every file under `Folder` (a platform path), recursively:
  // hidden entries and folders that are symbolic links are left out, and a
  // path already shared is not shared again.
  void ShareDir(const String& Folder);

 private:
  void ShareOne(const String& Path);
  std::set<String> shared_;
};

extern TForm2* Form2;
