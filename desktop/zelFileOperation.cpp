#include "desktop/zelFileOperation.h"

#include "classlib/PathRoutines.h"
#include "classlib/StringRoutines.h"
#include "classlib/WinControl.h"
#include "desktop/zelRoutines.h"
#include "platform/core/errors.h"
#include "platform/shell/file_operation.h"

namespace {

// Zero-terminated items followed by one more zero; empty items are left out.
std::string PackList(const std::vector<String>& items) {
  std::string out;
  for (const String& item : items) {
    if (item.empty()) continue;
    out += item;
    out += '\0';
  }
  out += '\0';
  return out;
}

}  // namespace

TzelFileOperation::TzelFileOperation(TComponent* AOwner)
    : TzelComponent(AOwner), file_list_(std::make_unique<TStringList>()) {}

TzelFileOperation::~TzelFileOperation() = default;

void TzelFileOperation::SetFileList(TStrings* Value) { file_list_->Assign(Value); }

String TzelFileOperation::DestinationOf(const String& Source, const String& Dest) const {
  return ResolveDestination(Source, ExpandRelativePath(DestFolder, Dest));
}

bool TzelFileOperation::ExecuteOperation(TzelFileOperationType Op) {
  if (file_list_->Count() == 0) return true;
  HWND parent = nullptr;
  if (auto* control = dynamic_cast<TWinControl*>(Owner())) parent = control->Handle();

  SHFILEOPSTRUCT op{};
  op.hwnd = parent;
  switch (Op) {
    case fotCopy: op.wFunc = FO_COPY; break;
    case fotDelete: op.wFunc = FO_DELETE; break;
    case fotMove: op.wFunc = FO_MOVE; break;
    case fotRename: op.wFunc = FO_RENAME; break;
  }
  const bool multi = file_list_->Text().find('=') != String::npos;
  static const FILEOP_FLAGS kFlagValues[] = {FOF_ALLOWUNDO,         FOF_FILESONLY,
                                             FOF_NOCONFIRMATION,    FOF_NOCONFIRMMKDIR,
                                             FOF_NOERRORUI,         FOF_RENAMEONCOLLISION,
                                             FOF_SILENT,            FOF_SIMPLEPROGRESS};
  FILEOP_FLAGS flags = 0;
  for (int option = fofAllowUndo; option <= fofSimpleProgress; ++option) {
    if (Options.Contains(static_cast<TzelFileOperationFlag>(option))) flags |= kFlagValues[option];
  }
  if (multi) flags |= FOF_MULTIDESTFILES;
  op.fFlags = flags;
  op.lpszProgressTitle = ProgressTitle.c_str();
  op.fAnyOperationsAborted = FALSE;
  op.hNameMappings = nullptr;

  std::vector<String> sources;
  std::vector<String> destinations;
  for (int i = 0; i < file_list_->Count(); ++i) {
    const String line = file_list_->Strings(i);
    if (!multi) {
      sources.push_back(line);
      continue;
    }
    const std::size_t eq = line.find('=');
    const String source = eq == String::npos ? line : line.substr(0, eq);
    const String dest = eq == String::npos ? String() : line.substr(eq + 1);
    sources.push_back(source);
    destinations.push_back(DestinationOf(source, dest));
  }
  const std::string from = PackList(sources);
  const std::string to = multi ? PackList(destinations) : DestFolder + std::string(2, '\0');
  op.pFrom = from.c_str();
  op.pTo = to.c_str();

  const int result = SHFileOperation(&op);
  // A cancel by the user is the user's own choice, not a failure to report.
  if (result != 0 && result != static_cast<int>(ERROR_NO_MORE_FILES) && !op.fAnyOperationsAborted) {
    DoError(GetErrorText(result));
  }
  return result == 0;
}

String TzelFileOperation::GetErrorText(int Code) {
  if (Code == 0) return String();
  return ClipUtf8(platform::ErrorMessageText(static_cast<DWORD>(Code)), 1024);
}

bool TzelFileOperation::DoError(const String& S) {
  bool handled = false;
  if (OnError) OnError(this, S, handled);
  return handled;
}

bool TzelFileOperation::Execute() { return ExecuteOperation(Operation); }
