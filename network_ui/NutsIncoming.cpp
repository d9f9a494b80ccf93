#include "network_ui/NutsIncoming.h"

#include "classlib/FileRoutines.h"
#include "classlib/PathRoutines.h"
#include "classlib/StringRoutines.h"
#include "network_ui/NutOptions.h"
#include "network_ui/nuts.h"
#include "platform/dlg/message_box.h"

void TNutsForm::RubFile(TObject*) {
  for (int i = 0; i < FileList->Items()->Count(); ++i) {
    if (!FileList->Selected(i)) continue;
    const String name = FileList->Items()->Strings(i);
    String folder = FileList->Directory();
    if (!folder.empty() && folder.back() != '\\') folder += "\\";
    if (FileExists(folder + name)) {
      if (!DeleteFile(folder + name)) RaiseLastOSError();
      FileList->Update();
      return;  // the list was re-read: the selection is gone
    }
    MessageBox(Handle(), ("File: " + name + " not found").c_str(), "Error", MB_OK | MB_ICONERROR);
  }
}

void TNutsForm::DoMove(TObject*) { PrepareFileOperation(FolderBox); }

void TNutsForm::MoveStuff(TObject*) { RunFileOperation(FolderBox); }

void TNutsForm::DoCopy(TObject* Sender) { DoMove(Sender); }

void TNutsForm::DoName(TObject*) { PrepareFileOperation(Edit4); }

void TNutsForm::RenameKeys(TObject* Sender, Word& Key, TShiftState Shift) {
  if (Key == VK_RETURN && !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt)) {
    NameStuff(Sender);
  }
}

// The rename box in place of the folder box; the typed name is not used.
void TNutsForm::NameStuff(TObject*) { RunFileOperation(Edit4); }

void TNutsForm::PrepareFileOperation(TControl* Box) {
  FolderBox->SetDirectory(FileList->Directory());
  zelFiler->FileList()->Clear();  // each operation lists only its own files
  const String folder = ExtractFilePath(Options()->DownloadEdit->Text());
  for (int i = 0; i < FileList->Items()->Count(); ++i) {
    if (!FileList->Selected(i)) continue;
    SourceName = FileList->Items()->Strings(i);
    SourcePath = folder + SourceName;
    zelFiler->FileList()->Add(SourcePath);
  }
  Box->SetVisible(true);
  FolderChosen = false;
}

void TNutsForm::RunFileOperation(TControl* Box) {
  DestFolder = FolderBox->Directory();
  zelFiler->DestFolder = DestFolder;
  Box->SetVisible(false);
  FolderChosen = true;
  // A move into the files' own folder has nothing to do.
  const String own = ExcludeTrailingPathDelimiter(ExtractFilePath(SourcePath));
  if (!SameText(own, ExcludeTrailingPathDelimiter(DestFolder)) && zelFiler->FileList()->Count() > 0) {
    zelFiler->Execute();
  }
  zelFiler->FileList()->Clear();
  FileList->Update();
}

void TNutsForm::StuffUp(TObject*, const String&, bool& Handled) {
  MessageBox(Handle(), "File operation has failed", "Error", MB_OK | MB_ICONERROR);
  Handled = true;
}

void TNutsForm::Controller(TObject*, TVrButtonType Button) {
  auto title = [this] {
    if (PlayerCommands.CurrentTitle) MusicLabel->SetText(PlayerCommands.CurrentTitle());
  };
  switch (Button) {
    case btPlay:
      Navigator->Hint = ("Play");
      if (PlayerCommands.Play) PlayerCommands.Play();
      title();
      break;
    case btStop:
      Navigator->Hint = ("Stop");
      if (PlayerCommands.Stop) PlayerCommands.Stop();
      break;
    case btPause:
      if (PlayerCommands.Pause) PlayerCommands.Pause();
      Navigator->Hint = ("Pause");
      break;
    case btPrev:
    case btNext:
      Navigator->Hint = (Button == btPrev ? "Previous Song" : "Next Song");
      if (PlayerCommands.ShufflePlay) PlayerCommands.ShufflePlay();
      title();
      break;
    default:
      break;
  }
}
