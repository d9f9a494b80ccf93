#include "network_ui/NutsTransfers.h"

#include <algorithm>
#include <cmath>

#include "classlib/Application.h"
#include "classlib/FileRoutines.h"
#include "classlib/FormatRoutines.h"
#include "classlib/PathRoutines.h"
#include "classlib/StringRoutines.h"
#include "network_ui/FormControls.h"
#include "network_ui/TransferText.h"
#include "network_ui/nuts.h"

namespace {

String Speed(double value) { return FormatFloat("0.00", value) + " bytes/s"; }

}  // namespace

String ProgressText(std::int64_t BytesDone, const String& SizeText) {
  const auto size = ParseOffset(Trim(SizeText));
  if (!size || *size <= 0) return "?";
  const double percent = std::nearbyint(static_cast<double>(BytesDone) / static_cast<double>(*size) * 100.0);
  return IntToStr(static_cast<std::int64_t>(percent)) + "%";
}

TListItem* TNutsForm::TransferRow(TGnutellaFileTransfer* T) const {
  auto it = rows_.find(T);
  return it == rows_.end() ? nullptr : it->second;
}

void TNutsForm::Track(TGnutellaFileTransfer* T, TListItem* Row) {
  transfers_.push_back(T);
  rows_[T] = Row;
  T->FreeNotification(this);
}

void TNutsForm::Forget(TGnutellaFileTransfer* T) {
  transfers_.erase(std::remove(transfers_.begin(), transfers_.end(), T), transfers_.end());
  auto it = rows_.find(T);
  if (it != rows_.end()) {
    if (it->second != nullptr) it->second->SetData(nullptr);
    rows_.erase(it);
  }
}

void TNutsForm::Notification(TComponent* AComponent, TOperation Operation) {
  TForm::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  // A transfer being freed (it may be half destroyed: compare addresses).
  for (auto it = rows_.begin(); it != rows_.end(); ++it) {
    if (static_cast<TComponent*>(it->first) != AComponent) continue;
    if (it->second != nullptr) it->second->SetData(nullptr);
    transfers_.erase(std::remove(transfers_.begin(), transfers_.end(), it->first), transfers_.end());
    rows_.erase(it);
    break;
  }
}

String TNutsForm::SaveTarget(const String& Name, bool AvoidExisting) const {
  const String target = DownloadTarget(DownloadDir, Name);
  if (target.empty()) return target;
  auto taken = [&](const String& path) {
    if (AvoidExisting && FileExists(path)) return true;
    // A partial file left by a broken download is kept for its resume.
    if (FileExists(PartialFileName(path))) return true;
    for (TGnutellaFileTransfer* t : transfers_) {
      if (auto* d = dynamic_cast<TGnutellaDownloadReply*>(t); d != nullptr && SameText(d->SaveTo, path)) return true;
    }
    return false;
  };
  if (!taken(target)) return target;
  const String ext = ExtractFileExt(target);
  const String stem = target.substr(0, target.size() - ext.size());
  for (int n = 2;; ++n) {
    const String candidate = stem + " (" + IntToStr(n) + ")" + ext;
    if (!taken(candidate)) return candidate;
  }
}

std::vector<TGnutellaFileTransfer*> TNutsForm::ReleaseTransfers() {
  std::vector<TGnutellaFileTransfer*> released;
  released.swap(transfers_);
  for (TGnutellaFileTransfer* t : released) {
    UnhookTransfer(t);
    t->RemoveFreeNotification(this);
  }
  rows_.clear();
  return released;
}

void TNutsForm::UnhookTransfer(TGnutellaFileTransfer* T) {
  T->OnError = nullptr;
  T->OnFileExists = nullptr;
  T->OnConnect = nullptr;
  T->OnProgress = nullptr;
  T->OnTransfered = nullptr;
  T->OnDisconnect = nullptr;
  T->OnStartTransfer = nullptr;
}

// Both lists show a transfer's end on its row (an error's text, or
// "Disconnected" when it neither failed nor completed) and forget it.
void TNutsForm::BindEnd(TGnutellaFileTransfer* T) {
  T->OnDisconnect = [this, T](TComponent*, const String&) {
    if (!T->Error() && !T->Transfered()) SetSubItem(TransferRow(T), 2, "Disconnected");
    Forget(T);
  };
  T->OnError = [this, T](TComponent*, const String&, int, const String& msg) {
    SetSubItem(TransferRow(T), 2, msg);
    Forget(T);
  };
}

void TNutsForm::BindDownload(TGnutellaFileTransfer* T, bool WithConnect) {
  if (WithConnect) {
    T->OnConnect = [this, T](TComponent*, const String&) { SetSubItem(TransferRow(T), 2, "Connected"); };
  }
  T->OnStartTransfer = [this, T](TComponent*, const String&) {
    TListItem* row = TransferRow(T);
    if (row == nullptr) return;
    // A hit that could not tell the size (none, or one past 32 bits) gets
    // the size the reply told.
    const String announced = SubItem(row, 0);
    if (announced == "0" || announced == IntToStr(TGnutellaDownloadReply::kUnknownHitSize)) {
      SetSubItem(row, 0, IntToStr(T->StopOffset));
    }
    SetSubItem(row, 2, "Downloading...");
    if (auto* reply = dynamic_cast<TGnutellaDownloadReply*>(T)) {
      SetSubItem(row, 3, IntToStr(reply->ContentLength));
      SetSubItem(row, 4, reply->ContentType);
      SetSubItem(row, 5, reply->ContentRange);
      SetSubItem(row, 6, reply->Server);
      SetSubItem(row, 7, reply->XGnutellaContentURN);
    }
    SetSubItem(row, 8, FormatFloat("0.00", T->CurrentSpeed()));
    SetSubItem(row, 9, FormatFloat("0.00", T->AverageSpeed()));
  };
  T->OnProgress = [this, T](TComponent*, const String&, std::int64_t bytes) {
    TListItem* row = TransferRow(T);
    if (row == nullptr) return;
    SetSubItem(row, 1, ProgressText(bytes, SubItem(row, 0)));
    SetSubItem(row, 8, Speed(T->CurrentSpeed()));
    SetSubItem(row, 9, Speed(T->AverageSpeed()));
  };
  T->OnTransfered = [this, T](TComponent*, const String&) {
    TListItem* row = TransferRow(T);
    // The body may have come with the header, before any progress event.
    if (row != nullptr) SetSubItem(row, 1, ProgressText(T->BytesDone + T->StartOffset, SubItem(row, 0)));
    SetSubItem(row, 2, "Completed");
    PlayWav1->Play(ExtractFilePath(Application->ExeName()) + "ok.wav");
    FileList->Update();
  };
  BindEnd(T);
}

void TNutsForm::BindUpload(TGnutellaFileTransfer* T) {
  T->OnStartTransfer = [this, T](TComponent*, const String&) {
    TListItem* row = TransferRow(T);
    if (row == nullptr) return;
    if (auto* push = dynamic_cast<TGnutellaPushFile*>(T)) {
      SetSubItem(row, 0, IntToStr(push->FileSize()));
      SetSubItem(row, 3, push->ContentRange());
      SetSubItem(row, 4, push->UserAgent());
    }
    SetSubItem(row, 2, "Uploading...");
  };
  T->OnProgress = [this, T](TComponent*, const String&, std::int64_t bytes) {
    TListItem* row = TransferRow(T);
    if (row == nullptr) return;
    SetSubItem(row, 0, IntToStr(T->FileSize()));
    SetSubItem(row, 1, ProgressText(bytes, IntToStr(T->FileSize())));
    SetSubItem(row, 5, Speed(T->CurrentSpeed()));
    SetSubItem(row, 6, Speed(T->AverageSpeed()));
  };
  T->OnTransfered = [this, T](TComponent*, const String&) { SetSubItem(TransferRow(T), 2, "Completed"); };
  BindEnd(T);
}

void TNutsForm::ResultDblClick(TObject* Sender) {
  auto* list = dynamic_cast<TListView*>(Sender);
  if (list == nullptr || list->Selected() == nullptr) return;
  TListItem* result = list->Selected();
  TListItem* row = DownList->Items()->Add();
  row->SetCaption(result->Caption());
  row->SubItems()->Add(SubItem(result, 0));
  row->SubItems()->Add("0%");
  const String target = SaveTarget(result->Caption(), false);
  if (target.empty()) {
    row->SubItems()->Add("Refused file name");
    return;
  }
  row->SubItems()->Add("Connecting...");
  auto* d = new TGnutellaDownloadFile(this);
  Track(d, row);
  row->SetData(d);
  d->IP = SubItem(result, 1);
  d->Port = StrToIntDef(SubItem(result, 2), 0);
  d->FileIndex = StrToIntDef(SubItem(result, 3), 0);
  d->Filename = result->Caption();
  Transfer->SetActivePage(TabSheet4);
  d->SaveTo = target;
  // Nothing past the size the hit announced is written.
  if (const auto* hit = static_cast<const TSearchHit*>(result->Data())) {
    d->HitSize = hit->FileSize;
  } else {
    d->HitSize = ParseOffset(SubItem(result, 0)).value_or(-1);
  }
  BindDownload(d, true);
  d->FreeOnDisconnect = true;
  d->StartOffset = 0;
  d->StopOffset = -1;
  d->Start();
}

void TNutsForm::Gnutella1ReceiveFile(TObject*, const String& Filename, int FileIndex, const String&,
                                     TCustomWinSocket* Socket) {
  RemoveHandedOverRow(Socket);
  TListItem* row = DownList->Items()->Add();
  row->SetCaption(Filename);
  row->SubItems()->Add("0");
  row->SubItems()->Add("0%");
  // Every GIV is unsolicited: it never replaces a file that is there.
  const String target = SaveTarget(Filename, true);
  if (target.empty()) {
    row->SubItems()->Add("Refused file name");
    delete Socket;
    return;
  }
  row->SubItems()->Add("Connecting...");
  auto* pop = new TGnutellaPopFile(this);
  Track(pop, row);
  pop->FileIndex = FileIndex;
  pop->Filename = Filename;
  pop->SaveTo = target;
  pop->Socket = Socket;
  BindDownload(pop, false);
  pop->FreeOnDisconnect = true;
  pop->StartOffset = 0;
  pop->Start();
}

void TNutsForm::Gnutella1UploadFile(TObject*, const String&, int FileIndex, std::int64_t StartOffset,
                                    std::int64_t StopOffset, const String& UserAgent, TCustomWinSocket* Socket) {
  RemoveHandedOverRow(Socket);
  auto* up = new TGnutellaUploadFile(this);
  const String name = Gnutella1->GetSharedFileName(static_cast<DWORD>(FileIndex));
  up->Socket = Socket;
  up->FileIndex = FileIndex;
  up->Filename = name;
  up->StartOffset = StartOffset;
  up->StopOffset = StopOffset;
  TListItem* row = UpList->Items()->Add();
  row->SetCaption(name);
  for (const String& s : {String("?"), String("0%"), String("Connecting..."),
                          "Range: bytes=" + IntToStr(StartOffset) + "-" + IntToStr(StopOffset), UserAgent,
                          String("0 bytes/s"), String("0 bytes/s")}) {
    row->SubItems()->Add(s);
  }
  Track(up, row);
  BindUpload(up);
  up->FreeOnDisconnect = true;
  up->Start();
}

bool TNutsForm::MayAnswerPush(const String& PushIP, DWORD FileIndex) const {
  int running = 0;
  for (TGnutellaFileTransfer* t : transfers_) {
    const auto* push = dynamic_cast<const TGnutellaPushFile*>(t);
    if (push == nullptr) continue;
    if (push->IP == PushIP && push->FileIndex == static_cast<int>(FileIndex)) return false;
    ++running;
  }
  return running < UploadSlots;
}

void TNutsForm::Gnutella1Push(TObject*, const String&, const GUID&, const String& PushIP, int Port,
                              const String& Filename, DWORD FileIndex, const GUID& ServentID) {
  // A push makes this servent dial whatever address it names: one dial per
  // address and file at a time, and no more than the upload slots.
  if (!MayAnswerPush(PushIP, FileIndex)) {
    Gnutella1->RefusePush();
    return;
  }
  auto* push = new TGnutellaPushFile(this);
  push->IP = PushIP;
  push->Port = Port;
  push->FileIndex = static_cast<int>(FileIndex);
  push->Filename = Filename;
  push->SetServentID(ServentID);
  TListItem* row = UpList->Items()->Add();
  row->SetCaption(Gnutella1->GetSharedFileName(FileIndex));
  for (const char* s : {"?", "0%", "Connecting...", "", "", "0 Bytes/S", "0 Bytes/S"}) row->SubItems()->Add(s);
  Track(push, row);
  BindUpload(push);
  push->FreeOnDisconnect = true;
  push->Start();
}

void TNutsForm::Abort1Click(TObject*) {
  TListItem* row = DownList->Selected();
  if (row == nullptr || row->Data() == nullptr) return;
  for (auto& [t, r] : rows_) {
    if (r == row) {
      if (auto* d = dynamic_cast<TGnutellaDownloadFile*>(t)) d->Close();
      return;
    }
  }
}

void TNutsForm::DeleteTransferRow(TListView* List) {
  TListItem* row = List->Selected();
  if (row == nullptr) return;
  for (auto& entry : rows_) {
    if (entry.second == row) entry.second = nullptr;  // the transfer goes on without a row
  }
  row->SetData(nullptr);
  row->Delete();
}

void TNutsForm::DownClear(TObject*) { DeleteTransferRow(DownList); }
void TNutsForm::UpAbort(TObject*) {
  // The upload stops (the peer sees the close), then its row goes.
  TListItem* row = UpList->Selected();
  if (row == nullptr) return;
  TGnutellaFileTransfer* running = nullptr;
  for (const auto& [t, r] : rows_) {
    if (r == row) running = t;
  }
  // Its disconnect handling forgets it (the row stays selected).
  if (auto* up = dynamic_cast<TGnutellaUploadFile*>(running)) up->Close();
  if (auto* push = dynamic_cast<TGnutellaPushFile*>(running)) push->Close();
  DeleteTransferRow(UpList);
}
void TNutsForm::UpClear(TObject*) { DeleteTransferRow(UpList); }
