#include "network_ui/NutsSettings.h"

#include "classlib/Application.h"
#include "classlib/Exceptions.h"
#include "classlib/FileRoutines.h"
#include "classlib/IniFiles.h"
#include "classlib/PathRoutines.h"
#include "classlib/StringRoutines.h"
#include "network_ui/NutOptions.h"
#include "network_ui/nuts.h"

WORD PortNumber(const String& Text) {
  const int value = StrToInt(Text);
  if (value < 0 || value > 65535) throw EConvertError("'" + Text + "' is not a valid port number");
  return static_cast<WORD>(value);
}

namespace {

bool IsPortNumber(const String& Text) {
  try {
    PortNumber(Text);
    return true;
  } catch (const EConvertError&) {
    return false;
  }
}

// A port text read from the file, or `Default` when it is no port number
// (the file was edited by hand or written by an earlier copy): the window
// still opens, on the default.
String PortTextOrDefault(const String& Text, const String& Default) { return IsPortNumber(Text) ? Text : Default; }

// Only a port number goes into the file; otherwise the file keeps what it
// held, so that no later start reads a port it refuses.
void WritePortText(TMemIniFile& Ini, const String& Section, const String& Key, const String& Text) {
  if (IsPortNumber(Text)) Ini.WriteString(Section, Key, Text);
}

}  // namespace

void CheckPortTexts(TForm2* Options) {
  PortNumber(Options->PortEdit->Text());
  PortNumber(Options->SocksPortEdit->Text());
}

String TNutsForm::SettingsFileName() const { return ExtractFilePath(Application->ExeName()) + "VelkoNet.ini"; }

void TNutsForm::SaveSettings() {
  TForm2* f = Options();
  TMemIniFile ini(SettingsFileName());
  ini.WriteInteger("Connection", "Type", f->ConnectionTypeNumber());
  WritePortText(ini, "Connection", "Listenport", f->PortEdit->Text());
  ini.WriteBool("Connection", "Firewall", f->FirewallBox->Checked());
  ini.WriteBool("Connection", "ForceIP", f->ForceIPBox->Checked());
  ini.WriteString("Connection", "IP", f->IPEdit->Text());
  ini.WriteString("Socks", "Type", f->SocksBox->Text());
  ini.WriteBool("Socks", "Server", f->ServerBox->Checked());
  ini.WriteBool("Socks", "Filetransfer", f->FileTransferBox->Checked());
  ini.WriteBool("Socks", "Authentification", f->AuthBox->Checked());
  ini.WriteString("Socks", "Hostname", f->HostEdit->Text());
  WritePortText(ini, "Socks", "Port", f->SocksPortEdit->Text());
  ini.WriteString("Socks", "Username", f->UserEdit->Text());
  ini.WriteString("Socks", "Password", f->PasswordEdit->Text());
  ini.WriteString("Downloads", "Directory", f->DownloadEdit->Text());
  ini.WriteString("Sharing", "Directory", f->ShareEdit->Text());
  ini.WriteBool("Tune", "Ultra", f->UltraBox->Checked());
  ini.WriteBool("Tune", "NeedUltra", f->NeedUltraBox->Checked());
  ini.WriteInteger("Tune", "MinClients", f->MinSpin->Value());
  ini.WriteInteger("Tune", "MaxClients", f->MaxSpin->Value());
  ini.WriteBool("Tune", "Searches", f->SearchesBox->Checked());
  ini.UpdateFile();
}

bool TNutsForm::LoadSettings() {
  if (!FileExists(SettingsFileName())) return false;
  TForm2* f = Options();
  f->ShareTarget = Gnutella1;
  TMemIniFile ini(SettingsFileName());
  const int type = ini.ReadInteger("Connection", "Type", 7);
  if (type >= 1 && type <= 10) {
    f->SetConnectionTypeNumber(type);
    Gnutella1->SetConnectionType(static_cast<TConnectionType>(type - 1));
  }
  f->IPEdit->SetText(ini.ReadString("Connection", "IP", ""));
  Gnutella1->ForceIP = f->IPEdit->Text();
  f->PortEdit->SetText(PortTextOrDefault(ini.ReadString("Connection", "ListenPort", "6346"), "6346"));
  Gnutella1->SetListenPort(PortNumber(f->PortEdit->Text()));
  f->FirewallBox->SetChecked(ini.ReadBool("Connection", "Firewall", false));
  Gnutella1->SetFirewall(f->FirewallBox->Checked());
  f->ForceIPBox->SetChecked(ini.ReadBool("Connection", "ForceIP", false));
  Gnutella1->UseForceIP = f->ForceIPBox->Checked();
  const String socks = ini.ReadString("Socks", "Type", "No Socks");
  const int socks_index = f->SocksBox->Items()->IndexOf(socks);
  if (socks_index >= 0) f->SocksBox->SetItemIndex(socks_index);
  if (socks == "Socks4") Gnutella1->SetSocksVersion(svSocks4);
  if (socks == "Socks4A") Gnutella1->SetSocksVersion(svSocks4A);
  if (socks == "Socks5") Gnutella1->SetSocksVersion(svSocks5);
  f->ServerBox->SetChecked(ini.ReadBool("Socks", "Server", false));
  Gnutella1->SetSocksActive(f->ServerBox->Checked());
  f->FileTransferBox->SetChecked(ini.ReadBool("Socks", "Filetransfer", false));
  Gnutella1->SetSocksActiveFileTransfer(f->FileTransferBox->Checked());
  f->AuthBox->SetChecked(ini.ReadBool("Socks", "Authentification", false));
  f->HostEdit->SetText(ini.ReadString("Socks", "Hostname", ""));
  Gnutella1->SetSocksServer(f->HostEdit->Text());
  f->SocksPortEdit->SetText(PortTextOrDefault(ini.ReadString("Socks", "Port", "1080"), "1080"));
  Gnutella1->SetSocksPort(PortNumber(f->SocksPortEdit->Text()));
  f->UserEdit->SetText(ini.ReadString("Socks", "Username", ""));
  Gnutella1->SetSocksUsername(f->UserEdit->Text());
  f->PasswordEdit->SetText(ini.ReadString("Socks", "Password", ""));
  Gnutella1->SetSocksPassword(f->PasswordEdit->Text());
  f->DownloadEdit->SetText(ini.ReadString("Downloads", "Directory", ""));
  DownloadDir = f->DownloadEdit->Text();
  f->ShareEdit->SetText(ini.ReadString("Sharing", "Directory", ""));
  f->ShareDir(f->ShareEdit->Text());
  f->UltraBox->SetChecked(ini.ReadBool("Tune", "Ultra", false));
  f->DoUltra(f);
  f->NeedUltraBox->SetChecked(ini.ReadBool("Tune", "NeedUltra", false));
  f->DoNeed(f);
  f->MinSpin->SetValue(ini.ReadInteger("Tune", "MinClients", f->MinSpin->Value()));
  f->MinClients(f);
  f->MaxSpin->SetValue(ini.ReadInteger("Tune", "MaxClients", f->MaxSpin->Value()));
  f->MaxClients(f);
  f->SearchesBox->SetChecked(ini.ReadBool("Tune", "Searches", false));
  f->MonitorControl(f);
  return true;
}
