#include "classlib/Exceptions.h"

#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "tests/classlib/raised.h"

namespace {

using velko_test::RaisedMessage;

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
}

TEST(Exceptions, AbortRaisesTheSilentException) {
  EXPECT_EQ(RaisedMessage<EAbort>([] { Abort(); }), "Operation aborted");
}

TEST(Exceptions, PlatformErrorsBecomeOSErrorsWithTheSystemText) {
  EXPECT_EQ(SysErrorMessage(2), "The system cannot find the file specified.");
  SetLastError(ERROR_ACCESS_DENIED);
  const std::optional<EOSError> denied = velko_test::Raised<EOSError>([] { RaiseLastOSError(); });
  ASSERT_TRUE(denied);
  EXPECT_EQ(denied->ErrorCode, 5u);
  EXPECT_EQ(denied->Message, "System Error.  Code: 5.\r\nAccess is denied.");
  SetLastError(ERROR_FILE_NOT_FOUND);
  EXPECT_THROW(Win32Check(false), EOSError);
  EXPECT_TRUE(Win32Check(true));
  SetLastError(0);
  EXPECT_EQ(RaisedMessage<EOSError>([] { RaiseLastOSError(); }), "A call to an OS function failed");
}

}  // namespace
