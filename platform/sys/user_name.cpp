#include "platform/sys/user_name.h"

#include <pwd.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/core/errors.h"

namespace {

// The effective user's name from the password database, else the login
// name; empty when neither is known.
std::string EffectiveUserName() {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 16384));
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_name != nullptr)
    return found->pw_name;
  if (const char* login = getlogin()) return login;
  return {};
}

}  // namespace

BOOL GetUserNameA(LPSTR buffer, LPDWORD size) {
  if (size == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::string name = EffectiveUserName();
  if (name.empty()) {
    SetLastError(ERROR_INVALID_DATA);
    return FALSE;
  }
  const DWORD needed = static_cast<DWORD>(name.size() + 1);
  if (buffer == nullptr || *size < needed) {
    *size = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, name.c_str(), needed);
  *size = needed;
  return TRUE;
}
