#include "platform/dlg/message_box.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class MessageBoxTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::SetMessageBoxHook({}); }
};

TEST_F(MessageBoxTest, TheHookSeesTheRequestAndChoosesTheButton) {
  std::vector<platform::MessageBoxRequest> shown;
  platform::SetMessageBoxHook([&](const platform::MessageBoxRequest& r) {
    shown.push_back(r);
    return IDNO;
  });
  EXPECT_EQ(MessageBox(nullptr, "Delete it?", "Confirm", MB_YESNO | MB_ICONQUESTION), IDNO);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Delete it?");
  EXPECT_EQ(shown[0].caption, "Confirm");
  EXPECT_EQ(shown[0].buttons(), MB_YESNO);
  EXPECT_EQ(shown[0].icon(), MB_ICONQUESTION);
  // No texts: empty text and the caption "Error".
  MessageBox(nullptr, nullptr, nullptr, MB_OK);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].text, "");
  EXPECT_EQ(shown[1].caption, "Error");
}

TEST_F(MessageBoxTest, WithoutHookOrPresenterTheDefaultButtonAnswers) {
  platform::MessageBoxPresenter modal = platform::SetMessageBoxPresenter({});
  ASSERT_TRUE(modal);  // the modal box is installed when the library loads
  EXPECT_EQ(MessageBox(nullptr, "x", "y", MB_OK), IDOK);
  EXPECT_EQ(MessageBox(nullptr, "x", "y", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(MessageBox(nullptr, "x", "y", MB_ABORTRETRYIGNORE | MB_DEFBUTTON3), IDIGNORE);
  // A default beyond the set's buttons falls back to the first.
  EXPECT_EQ(MessageBox(nullptr, "x", "y", MB_OKCANCEL | MB_DEFBUTTON3), IDOK);
  platform::SetMessageBoxPresenter(modal);
}

}  // namespace
