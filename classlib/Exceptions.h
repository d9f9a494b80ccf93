// The exception classes. Every error the class library raises is an
// `Exception` (which is a std::exception whose what() is the message).
// Messages are the class library's own texts; the constants below hold the
// ones callers may want to compare with or reuse.
#pragma once

#include <exception>

#include "classlib/Object.h"

class Exception : public TObject, public std::exception {
 public:
  explicit Exception(String message) : Message(std::move(message)) {}
  Exception(const Exception& other) : TObject(), std::exception(other), Message(other.Message),
                                      HelpContext(other.HelpContext) {}

  const char* what() const noexcept override { return Message.c_str(); }

  String Message;
  int HelpContext = 0;
};

// Declares an exception class that takes the message as its constructor.
#define VELKO_DECLARE_EXCEPTION(Name, Base)   \
  class Name : public Base {                  \
   public:                                    \
    using Base::Base;                         \
  }

// Raised by Abort: a silent exception that the application's handler
// swallows without a message box.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
  using Exception::Exception;
};

VELKO_DECLARE_EXCEPTION(EHeapException, Exception);
VELKO_DECLARE_EXCEPTION(EOutOfMemory, EHeapException);
VELKO_DECLARE_EXCEPTION(EInvalidPointer, EHeapException);
VELKO_DECLARE_EXCEPTION(EExternal, Exception);
VELKO_DECLARE_EXCEPTION(EIntError, EExternal);
VELKO_DECLARE_EXCEPTION(EDivByZero, EIntError);
VELKO_DECLARE_EXCEPTION(ERangeError, EIntError);
VELKO_DECLARE_EXCEPTION(EIntOverflow, EIntError);
VELKO_DECLARE_EXCEPTION(EMathError, EExternal);
VELKO_DECLARE_EXCEPTION(EInvalidOp, EMathError);
VELKO_DECLARE_EXCEPTION(EZeroDivide, EMathError);
VELKO_DECLARE_EXCEPTION(EOverflow, EMathError);
VELKO_DECLARE_EXCEPTION(EUnderflow, EMathError);
VELKO_DECLARE_EXCEPTION(EAccessViolation, EExternal);
VELKO_DECLARE_EXCEPTION(EInvalidCast, Exception);
VELKO_DECLARE_EXCEPTION(EConvertError, Exception);
VELKO_DECLARE_EXCEPTION(EAssertionFailed, Exception);
VELKO_DECLARE_EXCEPTION(EAbstractError, Exception);

// Input/output errors of text files and file routines; ErrorCode is the
// class library's I/O error number (2 file not found, 3 path not found,
// 5 access denied, 100 disk read error, 101 disk write error, 102 file not
// assigned, 103 file not open, 104 not open for input, 105 not open for
// output) or a platform error code.
class EInOutError : public Exception {
 public:
  EInOutError(String message, int error_code)
      : Exception(std::move(message)), ErrorCode(error_code) {}
  int ErrorCode;
};

// A failed platform call; ErrorCode is the platform's error code.
class EOSError : public Exception {
 public:
  explicit EOSError(String message, std::uint32_t error_code = 0)
      : Exception(std::move(message)), ErrorCode(error_code) {}
  std::uint32_t ErrorCode;
};
using EWin32Error = EOSError;

// Classes unit.
VELKO_DECLARE_EXCEPTION(EStreamError, Exception);
VELKO_DECLARE_EXCEPTION(EFCreateError, EStreamError);
VELKO_DECLARE_EXCEPTION(EFOpenError, EStreamError);
VELKO_DECLARE_EXCEPTION(EFilerError, EStreamError);
VELKO_DECLARE_EXCEPTION(EReadError, EFilerError);
VELKO_DECLARE_EXCEPTION(EWriteError, EFilerError);
VELKO_DECLARE_EXCEPTION(EClassNotFound, EFilerError);
VELKO_DECLARE_EXCEPTION(EInvalidImage, EFilerError);
VELKO_DECLARE_EXCEPTION(EResNotFound, Exception);
VELKO_DECLARE_EXCEPTION(EListError, Exception);
VELKO_DECLARE_EXCEPTION(EStringListError, Exception);
VELKO_DECLARE_EXCEPTION(EComponentError, Exception);
// A property given a value it cannot take.
VELKO_DECLARE_EXCEPTION(EPropertyError, Exception);
VELKO_DECLARE_EXCEPTION(EOutOfResources, EOutOfMemory);
VELKO_DECLARE_EXCEPTION(EInvalidOperation, Exception);
VELKO_DECLARE_EXCEPTION(EThread, Exception);
// Ini files, registry and file masks.
VELKO_DECLARE_EXCEPTION(EIniFileException, Exception);
VELKO_DECLARE_EXCEPTION(ERegistryException, Exception);
VELKO_DECLARE_EXCEPTION(EMaskException, Exception);

// The platform's message text for an error code ("The system cannot find
// the file specified." for 2); empty for an unknown code.
String SysErrorMessage(std::uint32_t error_code);

// Raises EAbort.
[[noreturn]] void Abort();
// Raises EOSError for the calling thread's last platform error.
[[noreturn]] void RaiseLastOSError();
[[noreturn]] inline void RaiseLastWin32Error() { RaiseLastOSError(); }
// Raises EOSError for the last platform error when `ok` is false; returns ok.
bool Win32Check(bool ok);

// Texts of the class library's own messages.
namespace SysConst {
inline constexpr const char* SInvalidInteger = "'%s' is not a valid integer value";
inline constexpr const char* SInvalidFloat = "'%s' is not a valid floating point value";
inline constexpr const char* SInvalidDate = "'%s' is not a valid date";
inline constexpr const char* SInvalidTime = "'%s' is not a valid time";
inline constexpr const char* SInvalidFormat = "Format '%s' invalid or incompatible with argument";
inline constexpr const char* SArgumentMissing = "No argument for format '%s'";
inline constexpr const char* SDateEncodeError = "Invalid argument to date encode";
inline constexpr const char* STimeEncodeError = "Invalid argument to time encode";
inline constexpr const char* SOSError = "System Error.  Code: %d.\r\n%s";
inline constexpr const char* SUnkOSError = "A call to an OS function failed";
inline constexpr const char* SOperationAborted = "Operation aborted";
inline constexpr const char* SListIndexError = "List index out of bounds (%d)";
inline constexpr const char* SListCapacityError = "List capacity out of bounds (%d)";
inline constexpr const char* SListCountError = "List count out of bounds (%d)";
inline constexpr const char* SSortedListError = "Operation not allowed on sorted list";
inline constexpr const char* SDuplicateString = "String list does not allow duplicates";
inline constexpr const char* SDuplicateName = "A component named %s already exists";
inline constexpr const char* SInvalidName = "'%s' is not a valid component name";
inline constexpr const char* SAssignError = "Cannot assign a %s to a %s";
inline constexpr const char* SFCreateError = "Cannot create file %s";
inline constexpr const char* SFOpenError = "Cannot open file %s";
inline constexpr const char* SReadError = "Stream read error";
inline constexpr const char* SWriteError = "Stream write error";
inline constexpr const char* SMemoryStreamError = "Out of memory while expanding memory stream";
inline constexpr const char* SCannotCreateDir = "Unable to create directory";
inline constexpr const char* SInvalidMask = "'%s' is an invalid mask at (%d)";
inline constexpr const char* SNoTimers = "Not enough timers available";
inline constexpr const char* SThreadCreateError = "Thread creation error: %s";
inline constexpr const char* SRegCreateFailed = "Failed to create key %s";
inline constexpr const char* SRegGetDataFailed = "Failed to get data for '%s'";
inline constexpr const char* SRegSetDataFailed = "Failed to set data for '%s'";
inline constexpr const char* SInvalidRegType = "Invalid data type for '%s'";
inline constexpr const char* SIniFileWriteError = "Unable to write to %s";
inline constexpr const char* SClassNotFound = "Class %s not found";
inline constexpr const char* SInvalidPropertyValue = "Invalid property value";
}  // namespace SysConst
