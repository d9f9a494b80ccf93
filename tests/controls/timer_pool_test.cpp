// The pack's application object and its timer pool on the manual clock.
#include <gtest/gtest.h>

#include "classlib/Exceptions.h"
#include "controls/ControlPack.h"
#include "classlib/Screen.h"
#include "controls/kavoclass.h"
#include "platform/core/clock.h"
#include "tests/controls/controls_fixture.h"

namespace {

class TimerPoolTest : public velko_test::ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    ControlPackStartup();
    app = KavoApplication;
    ASSERT_NE(app, nullptr);
  }
  TKavoApplication* app = nullptr;
};

TEST_F(TimerPoolTest, ItemsTakeSlotsAndTicks) {
  const std::uint16_t id = app->Add(1500, nullptr);
  EXPECT_EQ(id, 64768 + 1);
  ASSERT_NE(app->Item(id), nullptr);
  EXPECT_EQ(app->Item(id)->Ticks(), 30u);
  EXPECT_EQ(app->Item(id)->Interval(), 1500);
  EXPECT_EQ(app->Add(100, nullptr), 64768 + 2);
  app->Remove(id);
  EXPECT_EQ(app->Item(id), nullptr);
  EXPECT_EQ(app->Add(100, nullptr), 64768 + 1);  // the first free slot again

  try {
    app->Add(75, nullptr);
    ADD_FAILURE() << "75 ms accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, "Interval not compatible with MinInterval property!");
  }
  try {
    app->TimerPool()->AddItem(64768 + 1, 100, nullptr);
    ADD_FAILURE() << "duplicate accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, "List index out of bounds (%d)");
  }

  // An interval that is not a multiple of 50 leaves the item as it was.
  TKavoTimerItem* item = app->Item(64768 + 2);
  item->SetInterval(120);
  EXPECT_EQ(item->Interval(), 100);
  item->SetInterval(0);
  EXPECT_EQ(item->Interval(), 50);
  EXPECT_EQ(item->Ticks(), 1u);

  // Identifiers of 64,768 or less are never the pool's.
  const int before = app->TimerPool()->Count();
  app->Remove(64768);
  app->Remove(5);
  EXPECT_EQ(app->TimerPool()->Count(), before);
  // A full table refuses cleanly.
  while (app->TimerPool()->Count() < 250) ASSERT_NE(app->Add(50, nullptr), 0);
  EXPECT_EQ(app->Add(50, nullptr), 0);
  EXPECT_EQ(app->TimerPool()->Count(), 250);
  app->Remove(64768 + 250);
  EXPECT_EQ(app->Add(50, nullptr), 64768 + 250);
}

TEST_F(TimerPoolTest, FirstTicksComeAtMultiplesOfTheItemsTicks) {
  std::vector<std::pair<int, std::uint64_t>> fired;
  const std::uint64_t start = GetTickCount();
  app->Add(100, [&](TObject* sender) {
    EXPECT_EQ(sender, app->TimerPool());
    fired.emplace_back(100, GetTickCount() - start);
  });
  app->Add(150, [&](TObject*) { fired.emplace_back(150, GetTickCount() - start); });
  Advance(300);
  // The pool's count starts at 1 with the last start: the 100 ms item
  // first fires on the second base tick, the 150 ms one on the third.
  const std::vector<std::pair<int, std::uint64_t>> expected = {{100, 100}, {150, 150}, {100, 200}, {100, 300},
                                                              {150, 300}};
  EXPECT_EQ(fired, expected);
  // An item without a callback raises the pool's event.
  std::vector<std::pair<std::uint16_t, std::uint32_t>> events;
  app->TimerPool()->OnTimer = [&](TObject*, std::uint16_t id, std::uint32_t n) { events.emplace_back(id, n); };
  const std::uint16_t id = app->Add(50, nullptr);
  Advance(100);
  EXPECT_EQ(events, (std::vector<std::pair<std::uint16_t, std::uint32_t>>{{id, 1}, {id, 2}}));
}

TEST_F(TimerPoolTest, MaxCountStopsAnItemAndEnablingOneStartsThePool) {
  int count = 0;
  const std::uint16_t id = app->Add(50, [&](TObject*) { ++count; });
  TKavoTimerItem* item = app->Item(id);
  item->MaxCount = 3;
  Advance(400);
  EXPECT_EQ(count, 3);
  EXPECT_FALSE(item->Enabled());
  EXPECT_EQ(item->Counter, 3);

  // Enabling is refused while MaxCount is 0.
  item->MaxCount = 0;
  item->SetEnabled(true);
  EXPECT_FALSE(item->Enabled());
  // Enabling an item starts a stopped pool.
  int ticks = 0;
  TKavoTimerItem* other = app->Item(app->Add(50, [&](TObject*) { ++ticks; }));
  other->SetEnabled(false);
  app->TimerPool()->UpdateTimer(true);  // nothing enabled: the timer stays off
  EXPECT_FALSE(app->TimerPool()->Running());
  Advance(100);
  EXPECT_EQ(ticks, 0);
  other->SetEnabled(true);
  EXPECT_TRUE(app->TimerPool()->Running());
  Advance(100);
  EXPECT_EQ(ticks, 2);
}

TEST_F(TimerPoolTest, RemovalInsideACallbackSkipsNoOtherItem) {
  std::vector<char> fired;
  std::uint16_t a = 0, b = 0, c = 0;
  a = app->Add(50, [&](TObject*) {
    fired.push_back('a');
    app->Remove(a);  // itself, as the type-ahead tick does
    app->Remove(b);
  });
  b = app->Add(50, [&](TObject*) { fired.push_back('b'); });
  c = app->Add(50, [&](TObject*) { fired.push_back('c'); });
  Advance(50);
  EXPECT_EQ(fired, (std::vector<char>{'a', 'c'}));
  EXPECT_EQ(app->TimerPool()->Count(), 1);
  Advance(50);
  EXPECT_EQ(fired, (std::vector<char>{'a', 'c', 'c'}));
  app->Remove(c);
  EXPECT_FALSE(app->TimerPool()->Running());  // the last item stops the timer
  Advance(100);
  EXPECT_EQ(fired.size(), 3u);
}

TEST_F(TimerPoolTest, ApplicationObjectDefaults) {
  EXPECT_EQ(app->TimerPool()->MinInterval(), 50);
  app->TimerPool()->SetMinInterval(100);  // only while loading or designing
  EXPECT_EQ(app->TimerPool()->MinInterval(), 50);
  EXPECT_EQ(app->LogPrefix, ppProgram);
  EXPECT_TRUE(app->LogName().ends_with(".LOG"));
  EXPECT_GT(app->CounterFrequency(), 0);
  app->LogPrefix = ppFixed;
  app->SetLogName("C:\\logs\\run");
  EXPECT_EQ(app->LogName(), "C:\\logs\\run.LOG");
  app->SetLogName("C:\\logs\\run.txt");
  EXPECT_EQ(app->LogName(), "C:\\logs\\run.txt");

  TBitmap* pattern = app->GetPatternBitmap(clRed);
  EXPECT_EQ(pattern->Width(), 8);
  EXPECT_EQ(pattern->Canvas()->Pixels(0, 0), clWhite);
  EXPECT_EQ(pattern->Canvas()->Pixels(1, 1), clWhite);
  EXPECT_EQ(pattern->Canvas()->Pixels(1, 0), clRed);
  EXPECT_EQ(app->GetPatternBitmap(clBlue), pattern);
  EXPECT_EQ(pattern->Canvas()->Pixels(0, 1), clBlue);
}

TEST(KavoRoutines, PathsAndNumbers) {
  EXPECT_TRUE(IsBlank(""));
  EXPECT_TRUE(IsBlank("   "));
  EXPECT_FALSE(IsBlank(" a "));
  EXPECT_EQ(Kavo::AddBackslash(""), "\\");
  EXPECT_EQ(Kavo::AddBackslash("C:\\x"), "C:\\x\\");
  EXPECT_EQ(Kavo::AddBackslash("C:\\x\\"), "C:\\x\\");
  EXPECT_EQ(RemoveBackslash("C:\\x\\"), "C:\\x");
  EXPECT_EQ(RemoveBackslash("C:\\x"), "C:\\x");
  EXPECT_EQ(GetPrefixPath(ppFixed, true), "");
  EXPECT_TRUE(GetPrefixPath(ppProgram, true).ends_with("\\"));
  EXPECT_FALSE(GetPrefixPath(ppWindows, false).ends_with("\\"));
  TRect r = Rect(1, 2, 3, 4);
  GrowRect(r, 5, 6);
  EXPECT_EQ(r, Rect(1, 2, 8, 10));
  r = Rect(0, 0, 40, 20);
  RotatedBounds(r, 90);
  EXPECT_EQ(r, Rect(0, 0, 20, 40));
  r = Rect(0, 0, 40, 20);
  RotatedBounds(r, 0);
  EXPECT_EQ(r, Rect(0, 0, 40, 20));
  const int values[] = {4, -9, 12, 3};
  EXPECT_EQ(MaxOf(values, 3), 12);
  EXPECT_EQ(MinOf(values, 3), -9);
  EXPECT_EQ(MaxOf(values, 1), 4);
  EXPECT_EQ(Average(-3, 0), -1);
  EXPECT_EQ(Average(7, 8), 7);
}

TEST(KavoIniCtrl, WriteRules) {
  TKavoIniCtrl ini(nullptr);
  EXPECT_EQ(ini.EffectiveTarget(), itRegistry);
  ini.SetMaxEntries(40);
  EXPECT_EQ(ini.MaxEntries(), 40);
  ini.SetAlphaCounter(true);
  EXPECT_EQ(ini.MaxEntries(), 26);
  ini.SetMaxEntries(30);
  EXPECT_EQ(ini.MaxEntries(), 26);
  ini.SetIniFile("settings");
  EXPECT_EQ(ini.IniFile(), "settings.INI");
  ini.SetIniFile("settings.cfg");
  EXPECT_EQ(ini.IniFile(), "settings.cfg");
  EXPECT_EQ(ini.User, "");
  ini.SetNetUser(true);
  EXPECT_FALSE(ini.User.empty());
  EXPECT_EQ(ini.User, GetCurrentUserName());
  EXPECT_NE(ini.User, "(Unknown)");
}

TEST(KavoErrors, OneInstanceTexts) {
  EXPECT_STREQ(KavoEOneInstError("TKavoShapeHint", 0).what(),
               "TKavoShapeHint:\rInvalid owner (<>TForm) or second instance on a form");
  EXPECT_STREQ(KavoEOneInstError("TKavoShapeHint", 1).what(),
               "TKavoShapeHint:\rAlready one TKavoShapeHint control in this project!");
}

class PackStartupTest : public velko_test::ControlsTest {};

TEST_F(PackStartupTest, CursorsAndTheApplicationObjectComeOnce) {
  EXPECT_EQ(KavoApplication, nullptr);  // nothing runs before the first control
  ControlPackStartup();
  TKavoApplication* first = KavoApplication;
  ASSERT_NE(first, nullptr);
  ControlPackStartup();
  EXPECT_EQ(KavoApplication, first);
  const HCURSOR arrow = Screen->Cursors(12345);  // nothing installed there
  for (int index : {14000, 99, -255}) EXPECT_NE(Screen->Cursors(index), arrow) << index;
  ResetControlPack();
  EXPECT_EQ(KavoApplication, nullptr);
}

}  // namespace
