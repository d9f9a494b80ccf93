// TzelFileOperation: runs a shell file operation (copy, delete, move,
// rename) on a list of files, with the shell's progress window and the
// system's error text.
#pragma once

#include <functional>
#include <memory>

#include "classlib/Strings.h"
#include "desktop/zelComponent.h"

enum TzelFileOperationType { fotCopy, fotDelete, fotMove, fotRename };

enum TzelFileOperationFlag {
  fofAllowUndo,
  fofFilesOnly,
  fofNoConfirmation,
  fofNoConfirmMkDir,
  fofNoErrorUI,
  fofRenameCollision,
  fofSilent,
  fofSimpleProgress
};
using TzelFileOperationFlags = Set<TzelFileOperationFlag>;

using TzelFileOperationEvent =
    std::function<void(TObject* Sender, const String& S, bool& Handled)>;

class TzelFileOperation : public TzelComponent {
 public:
  explicit TzelFileOperation(TComponent* AOwner);
  ~TzelFileOperation() override;

  // One entry per line: a source path, or a source, "=" and a destination.
  TStringList* FileList() const { return file_list_.get(); }
  // Copies the given list into the owned one.
  void SetFileList(TStrings* Value);
  String DestFolder;
  String ProgressTitle;
  TzelFileOperationType Operation = fotCopy;
  TzelFileOperationFlags Options = {fofAllowUndo, fofFilesOnly, fofRenameCollision};
  TzelFileOperationEvent OnError;

  // Runs `Op` on the list; true exactly when the shell reports success. A
  // failure other than "nothing to do" is reported through OnError with
  // the system's text; an operation the user cancelled is not.
  virtual bool ExecuteOperation(TzelFileOperationType Op);
  // The system message text of an error code; empty for 0.
  virtual String GetErrorText(int Code);
  // Calls OnError; returns whether the handler handled it.
  virtual bool DoError(const String& S);
  virtual bool Execute();

  // The destination of a source in the multi-destination form: `Dest` is
  // the text after the "=" (empty without one), taken relative to
  // DestFolder when it has no drive; missing parts come from the source
  // (the pack's ResolveDestination).
  String DestinationOf(const String& Source, const String& Dest) const;

 private:
  std::unique_ptr<TStringList> file_list_;
};
