#include "classlib/Exceptions.h"

#include "classlib/FormatRoutines.h"
#include "platform/core/errors.h"

void Abort() { throw EAbort(); }

String SysErrorMessage(std::uint32_t error_code) { return platform::ErrorMessageText(error_code); }

void RaiseLastOSError() {
  const DWORD code = GetLastError();
  if (code == ERROR_SUCCESS) throw EOSError(SysConst::SUnkOSError, 0);
  throw EOSError(Format(SysConst::SOSError, code, SysErrorMessage(code)), code);
}

bool Win32Check(bool ok) {
  if (!ok) RaiseLastOSError();
  return ok;
}
