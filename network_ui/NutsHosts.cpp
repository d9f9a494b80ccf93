#include "network_ui/NutsHosts.h"

#include <cstring>

#include "classlib/StringRoutines.h"
#include "network_ui/FormControls.h"
#include "network_ui/nuts.h"

String HostVersionText(int Version) {
  switch (Version) {
    case 1: return "0.4";
    case 2: return "0.6";
    case 3: return "0.6+";
    default: return "Unknown";
  }
}

void TNutsForm::AutoConnect(TObject*) {
  SetCaption("Auto connecting - Please wait until at least 1 connection has stabilized before searching");
  Gnutella1->Connect();
  Transfer->SetActivePage(TabSheet2);
}

void TNutsForm::DoHost(TObject*) {
  if (in_do_host_) return;  // setting the box's text below changes it again
  in_do_host_ = true;
  for (int i = 0; i + 1 < HostBox->Items()->Count(); ++i) {
    HostBox->SetText(HostBox->Items()->Strings(i));
    Gnutella1->ConnectTo(HostBox->Items()->Strings(i), 6346);
  }
  in_do_host_ = false;
}

void TNutsForm::UpdateCaption() {
  const int n = Gnutella1->GetLoggedInCount();
  SetCaption(n >= 1 ? "Connected to " + IntToStr(n) + " clients" : String("No Connections - Searching for clients"));
}

TListItem* TNutsForm::AddHostRow(const String& IP, const String& Kind) {
  TListItem* row = HostList->Items()->Add();
  row->SetCaption(IP);
  for (const String& s : {String("Connecting..."), String(""), String(""), Kind, String("0")}) row->SubItems()->Add(s);
  return row;
}

int TNutsForm::FindHostRow(const String& IP, const GUID& ID, bool Bind) {
  TListItems* items = HostList->Items();
  for (int i = 0; i < items->Count(); ++i) {
    auto* id = static_cast<GUID*>(items->Item(i)->Data());
    if (id != nullptr && std::memcmp(id, &ID, sizeof(GUID)) == 0) return i;
  }
  for (int i = 0; i < items->Count(); ++i) {
    if (items->Item(i)->Data() == nullptr && items->Item(i)->Caption() == IP) {
      if (Bind) items->Item(i)->SetData(new GUID(ID));
      return i;
    }
  }
  return -1;
}

void TNutsForm::DeleteHostRow(int Index) {
  TListItem* row = HostList->Items()->Item(Index);
  delete static_cast<GUID*>(row->Data());
  row->SetData(nullptr);
  HostList->Items()->Delete(Index);
}

void TNutsForm::Gnutella1Connect(TObject*, const String& IP, const GUID& ID) {
  AddHostRow(IP, "Outgoing")->SetData(new GUID(ID));
}

void TNutsForm::Gnutella1IncomingConnection(TObject*, const String& IP, bool&) { AddHostRow(IP, "Incoming"); }

void TNutsForm::Gnutella1Login(TObject*, const String& IP, const GUID& ID, TGnutellaClientVersion Version,
                               const String& UserAgent, const String&) {
  const int i = FindHostRow(IP, ID, true);
  if (i >= 0) {
    TListItem* row = HostList->Items()->Item(i);
    SetSubItem(row, 0, "Connected");
    SetSubItem(row, 1, UserAgent);
    SetSubItem(row, 2, HostVersionText(Version));
  }
  UpdateCaption();
}

void TNutsForm::Gnutella1Disconnect(TObject*, const String& IP, const GUID& ID) {
  const int i = FindHostRow(IP, ID, true);
  if (i >= 0) SetSubItem(HostList->Items()->Item(i), 0, "Disconnect");
  UpdateCaption();
}

void TNutsForm::Gnutella1Error(TObject*, const String& IP, const GUID& ID, int, int, const String& ErrorMsg) {
  const int i = FindHostRow(IP, ID, true);
  if (i >= 0) SetSubItem(HostList->Items()->Item(i), 0, ErrorMsg);
}

void TNutsForm::Gnutella1DestroyClient(TObject*, const String& IP, const GUID& ID) {
  const int i = FindHostRow(IP, ID, false);
  if (i >= 0) DeleteHostRow(i);
}

void TNutsForm::RemoveHandedOverRow(TCustomWinSocket* Socket) {
  if (Socket == nullptr) return;
  const String address = Socket->RemoteAddress();
  TListItems* items = HostList->Items();
  // Only the unbound incoming row of that address: logged-in links keep theirs.
  for (int i = 0; i < items->Count(); ++i) {
    TListItem* row = items->Item(i);
    if (row->Data() == nullptr && row->Caption() == address && SubItem(row, 3) == "Incoming") {
      SetSubItem(row, 0, "Disconnect");
      DeleteHostRow(i);
      return;
    }
  }
}

void TNutsForm::Gnutella1Query(TObject*, const String&, const GUID&, int, const String& SearchText) {
  ListBox1->Items()->Insert(0, SearchText);
  while (ListBox1->Items()->Count() > kQueryMonitorLines) ListBox1->Items()->Delete(kQueryMonitorLines);
}

void TNutsForm::Gnutella1Pong(TObject*, const String&, const GUID&, const String& PongIP, int Port, DWORD, DWORD) {
  if (!Gnutella1->Connected() && Gnutella1->GetClientCount() < Gnutella1->MaxConnections()) {
    Gnutella1->ConnectTo(PongIP, Port);
  }
}
