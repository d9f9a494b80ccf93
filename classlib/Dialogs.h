// The common dialogs as components: TOpenDialog and TSaveDialog over the
// platform's file dialogs. Execute shows the dialog modal to every window
// of the application and returns true when the user chose a file.
//
// Filter lists pairs of description and patterns separated by "|"
// ("Wave files (*.wav)|*.wav|All files|*.*"); FilterIndex is 1-based.
// After Execute, FileName is the chosen path and Files every chosen path
// (several with ofAllowMultiSelect).
#pragma once

#include <memory>

#include "classlib/Components.h"
#include "classlib/Strings.h"

enum TOpenOption {
  ofReadOnly,
  ofOverwritePrompt,
  ofHideReadOnly,
  ofNoChangeDir,
  ofShowHelp,
  ofNoValidate,
  ofAllowMultiSelect,
  ofExtensionDifferent,
  ofPathMustExist,
  ofFileMustExist,
  ofCreatePrompt,
  ofShareAware,
  ofNoReadOnlyReturn,
  ofNoTestFileCreate,
  ofNoNetworkButton,
  ofNoLongNames,
  ofOldStyleDialog,
  ofNoDereferenceLinks,
  ofEnableIncludeNotify,
  ofEnableSizing,
  ofDontAddToRecent,
  ofForceShowHidden
};
using TOpenOptions = Set<TOpenOption>;

class TCommonDialog : public TComponent {
 public:
  explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
  virtual bool Execute() = 0;
  int HelpContext = 0;
  TNotifyEvent OnShow;
  TNotifyEvent OnClose;
};

class TOpenDialog : public TCommonDialog {
 public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;

  bool Execute() override;

  String DefaultExt;
  String FileName;
  TStrings* Files() const { return files_.get(); }
  String Filter;
  int FilterIndex = 1;
  String InitialDir;
  TOpenOptions Options{ofHideReadOnly, ofEnableSizing};
  String Title;

 protected:
  // Shows the dialog; true when a file was chosen.
  virtual bool RunDialog(bool Save);

 private:
  std::unique_ptr<TStringList> files_;
};

class TSaveDialog : public TOpenDialog {
 public:
  explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
  bool Execute() override { return RunDialog(true); }
};

// MessageDlg: a message box captioned by its kind ("Warning", "Error",
// "Information", "Confirm"; the application title for mtCustom), with the
// kind's icon and the buttons asked for, mapped onto the platform's button
// sets (OK, OK/Cancel, Yes/No, Yes/No/Cancel, Retry/Cancel,
// Abort/Retry/Ignore). Returns the modal result of the button chosen.
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = Set<TMsgDlgBtn>;
inline const TMsgDlgButtons mbYesNoCancel = {mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbOKCancel = {mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore = {mbAbort, mbRetry, mbIgnore};
int MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
