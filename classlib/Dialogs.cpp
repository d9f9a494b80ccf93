#include "classlib/Dialogs.h"

#include <vector>

#include "classlib/Application.h"
#include "platform/dlg/file_dialog.h"
#include "platform/dlg/message_box.h"

namespace {

// The platform's flags for the options.
DWORD FlagsOf(TOpenOptions options) {
  static const std::pair<TOpenOption, DWORD> kFlags[] = {
      {ofReadOnly, OFN_READONLY},
      {ofOverwritePrompt, OFN_OVERWRITEPROMPT},
      {ofHideReadOnly, OFN_HIDEREADONLY},
      {ofNoChangeDir, OFN_NOCHANGEDIR},
      {ofShowHelp, OFN_SHOWHELP},
      {ofNoValidate, OFN_NOVALIDATE},
      {ofAllowMultiSelect, OFN_ALLOWMULTISELECT},
      {ofExtensionDifferent, OFN_EXTENSIONDIFFERENT},
      {ofPathMustExist, OFN_PATHMUSTEXIST},
      {ofFileMustExist, OFN_FILEMUSTEXIST},
      {ofCreatePrompt, OFN_CREATEPROMPT},
      {ofShareAware, OFN_SHAREAWARE},
      {ofNoReadOnlyReturn, OFN_NOREADONLYRETURN},
      {ofNoTestFileCreate, OFN_NOTESTFILECREATE},
      {ofNoNetworkButton, OFN_NONETWORKBUTTON},
      {ofNoLongNames, OFN_NOLONGNAMES},
      {ofNoDereferenceLinks, OFN_NODEREFERENCELINKS},
      {ofEnableIncludeNotify, OFN_ENABLEINCLUDENOTIFY},
      {ofEnableSizing, OFN_ENABLESIZING},
      {ofDontAddToRecent, OFN_DONTADDTORECENT},
      {ofForceShowHidden, OFN_FORCESHOWHIDDEN},
  };
  DWORD flags = OFN_EXPLORER;
  for (const auto& [option, flag] : kFlags) {
    if (options.Contains(option)) flags |= flag;
  }
  return flags;
}

// "Text|*.txt|All|*.*" as the platform takes it: NUL-separated, ending
// with an empty string.
std::vector<char> FilterText(const String& filter) {
  std::vector<char> text;
  for (char c : filter) text.push_back(c == '|' ? '\0' : c);
  text.push_back('\0');
  text.push_back('\0');
  return text;
}

constexpr DWORD kFileBufferSize = 65536;

}  // namespace

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner), files_(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

bool TOpenDialog::Execute() { return RunDialog(false); }

bool TOpenDialog::RunDialog(bool Save) {
  const std::vector<char> filter = FilterText(Filter);
  std::vector<char> file(kFileBufferSize, '\0');
  const String start = FileName.substr(0, kFileBufferSize - 1);
  std::copy(start.begin(), start.end(), file.begin());
  OPENFILENAME ofn;
  ofn.hwndOwner = Application != nullptr ? Application->Handle() : nullptr;
  ofn.lpstrFilter = Filter.empty() ? nullptr : filter.data();
  ofn.nFilterIndex = static_cast<DWORD>(FilterIndex);
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = kFileBufferSize;
  ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
  ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
  ofn.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
  ofn.Flags = FlagsOf(Options);

  // Modal to every window of the application, as a message box is.
  HWND active = GetActiveWindow();
  std::vector<HWND> disabled;
  if (Application != nullptr) disabled = Application->DisableTaskWindows(nullptr);
  if (OnShow) OnShow(this);
  const BOOL chosen = Save ? GetSaveFileName(&ofn) : GetOpenFileName(&ofn);
  if (Application != nullptr) Application->EnableTaskWindows(disabled);
  if (active != nullptr && IsWindow(active)) SetActiveWindow(active);
  if (OnClose) OnClose(this);
  if (!chosen) return false;

  files_->Clear();
  // Several files come as the folder, then each name, NUL-separated.
  const char* first = file.data();
  const char* next = first + std::char_traits<char>::length(first) + 1;
  if ((ofn.Flags & OFN_ALLOWMULTISELECT) && *next != '\0') {
    String folder = first;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    while (*next != '\0') {
      files_->Add(folder + next);
      next += std::char_traits<char>::length(next) + 1;
    }
  } else {
    files_->Add(first);
  }
  FileName = files_->Strings(0);
  FilterIndex = static_cast<int>(ofn.nFilterIndex);
  Options.Exclude(ofReadOnly);
  Options.Exclude(ofExtensionDifferent);
  if (ofn.Flags & OFN_READONLY) Options.Include(ofReadOnly);
  if (ofn.Flags & OFN_EXTENSIONDIFFERENT) Options.Include(ofExtensionDifferent);
  return true;
}

int MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int) {
  static const char* const kCaptions[] = {"Warning", "Error", "Information", "Confirm", ""};
  static const UINT kIcons[] = {MB_ICONWARNING, MB_ICONERROR, MB_ICONINFORMATION, MB_ICONQUESTION, 0};
  UINT type = MB_OK;
  auto has = [&](TMsgDlgBtn b) { return Buttons.Contains(b); };
  if (has(mbAbort) || has(mbIgnore)) {
    type = MB_ABORTRETRYIGNORE;
  } else if (has(mbRetry)) {
    type = MB_RETRYCANCEL;
  } else if ((has(mbYes) || has(mbYesToAll)) && has(mbCancel)) {
    type = MB_YESNOCANCEL;
  } else if (has(mbYes) || has(mbNo) || has(mbYesToAll) || has(mbNoToAll)) {
    type = MB_YESNO;
  } else if (has(mbCancel)) {
    type = MB_OKCANCEL;
  }
  const String caption = DlgType == mtCustom ? (Application != nullptr ? Application->Title() : String())
                                             : String(kCaptions[DlgType]);
  HWND owner = Application != nullptr ? Application->Handle() : nullptr;
  return ::MessageBox(owner, Msg.c_str(), caption.c_str(), type | kIcons[DlgType]);
}
