#include "classlib/Exceptions.h"

#include <gtest/gtest.h>

#include "platform/core/errors.h"

namespace {

TEST(Exceptions, CarryTheirMessageAndClassName) {
  try {
    throw EFOpenError("Cannot open file x");
  } catch (const EStreamError& e) {  // caught by a base class
    EXPECT_EQ(e.Message, "Cannot open file x");
    EXPECT_STREQ(e.what(), "Cannot open file x");
    EXPECT_EQ(e.ClassName(), "EFOpenError");
    EXPECT_TRUE(e.InheritsFrom<Exception>());
    EXPECT_FALSE(e.InheritsFrom<EListError>());
  }
  try {
    throw EOutOfResources("Not enough timers available");
  } catch (const EOutOfMemory& e) {
    EXPECT_EQ(e.ClassName(), "EOutOfResources");
  }
  EInOutError io("File not found", 2);
  EXPECT_EQ(io.ErrorCode, 2);
}

TEST(Exceptions, AbortRaisesTheSilentException) {
  try {
    Abort();
    FAIL();
  } catch (const EAbort& e) {
    EXPECT_EQ(e.Message, "Operation aborted");
  }
}

TEST(Exceptions, PlatformErrorsBecomeOSErrorsWithTheSystemText) {
  EXPECT_EQ(SysErrorMessage(2), "The system cannot find the file specified.");
  SetLastError(ERROR_ACCESS_DENIED);
  try {
    RaiseLastOSError();
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode, 5u);
    EXPECT_EQ(e.Message, "System Error.  Code: 5.\r\nAccess is denied.");
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  EXPECT_THROW(Win32Check(false), EOSError);
  EXPECT_TRUE(Win32Check(true));
  SetLastError(0);
  try {
    RaiseLastOSError();
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message, "A call to an OS function failed");
  }
}

}  // namespace
