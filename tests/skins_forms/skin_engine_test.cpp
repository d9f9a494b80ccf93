#include "skins/SkinEngine.h"

#include <gtest/gtest.h>

#include "tests/skins_forms/skin_form_fixture.h"

namespace {

using velko_test::RGBc;

class SkinEngineTest : public velko_test::SkinFormTest {};

TEST_F(SkinEngineTest, ClientInsetsAndHitTests) {
  ShowSkinned();
  ASSERT_TRUE(engine->HasSkin());
  EXPECT_EQ(form->Width(), 200);
  EXPECT_EQ(form->Height(), 150);
  EXPECT_EQ(form->ClientWidth(), 192);
  EXPECT_EQ(form->ClientHeight(), 126);
  const struct { int x, y; LRESULT hit; } cases[] = {
      {50, 10, HTCAPTION},  {1, 10, HTTOPLEFT},    {198, 10, HTTOPRIGHT}, {1, 60, HTLEFT},
      {198, 60, HTRIGHT},   {100, 148, HTBOTTOM},  {1, 148, HTBOTTOMLEFT}, {198, 148, HTBOTTOMRIGHT},
      {185, 10, HTMINBUTTON}, {100, 80, HTCLIENT},
  };
  for (const auto& c : cases) EXPECT_EQ(HitAt(c.x, c.y), c.hit) << c.x << "," << c.y;
}

}  // namespace
