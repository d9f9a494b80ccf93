#include <gtest/gtest.h>

#include "classlib/Dialogs.h"
#include "classlib/Form.h"
#include "platform/dlg/message_box.h"

namespace {

TEST(MessageDlg, CaptionIconButtonsAndResult) {
  std::vector<platform::MessageBoxRequest> boxes;
  platform::SetMessageBoxHook([&](const platform::MessageBoxRequest& request) {
    boxes.push_back(request);
    return request.buttons() == MB_YESNOCANCEL ? IDNO : IDOK;
  });
  EXPECT_EQ(MessageDlg("Save?", mtConfirmation, mbYesNoCancel, 0), mrNo);
  EXPECT_EQ(MessageDlg("Done", mtInformation, {mbOK}, 0), mrOk);
  EXPECT_EQ(MessageDlg("Careful", mtWarning, mbOKCancel, 0), mrOk);
  platform::SetMessageBoxHook(nullptr);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].caption, "Confirm");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
  EXPECT_EQ(boxes[1].caption, "Information");
  EXPECT_EQ(boxes[1].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
  EXPECT_EQ(boxes[2].caption, "Warning");
  EXPECT_EQ(boxes[2].type, static_cast<UINT>(MB_OKCANCEL | MB_ICONWARNING));
}

}  // namespace
