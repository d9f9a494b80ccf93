#include "classlib/TextFiles.h"

#include <gtest/gtest.h>

#include "classlib/Exceptions.h"
#include "tests/classlib/raised.h"
#include "tests/platform/fs/fs_fixture.h"

namespace {

using TextFileTest = velko_test::DriveTest;

TEST_F(TextFileTest, WritesCrLfLinesAndReadsEveryKindOfLineEnd) {
  TextFile f;
  AssignFile(f, "T:\\list.csv");
  Rewrite(f);
  WriteLn(f, "a.mp3,C:\\Music\\");
  ::Write(f, "b.mp3");
  WriteLn(f);
  CloseFile(f);
  EXPECT_EQ(Contents("list.csv"), "a.mp3,C:\\Music\\\r\nb.mp3\r\n");
  Append(f);
  WriteLn(f, "c.mp3");
  CloseFile(f);
  Write("mixed.txt", "one\ntwo\r\nthree\rfour");
  AssignFile(f, "T:\\mixed.txt");
  Reset(f);
  std::vector<String> lines;
  while (!Eof(f)) {
    String s;
    ReadLn(f, s);
    lines.push_back(s);
  }
  CloseFile(f);
  EXPECT_EQ(lines, (std::vector<String>{"one", "two", "three", "four"}));
  AssignFile(f, "T:\\list.csv");
  Reset(f);
  EXPECT_EQ(f.ReadLn(), "a.mp3,C:\\Music\\");
  EXPECT_EQ(f.ReadLn(), "b.mp3");
  EXPECT_EQ(f.ReadLn(), "c.mp3");
  EXPECT_TRUE(f.Eof());
  EXPECT_EQ(f.ReadLn(), "");
}

TEST_F(TextFileTest, LongLinesCrossTheBuffer) {
  const String long_line(10000, 'x');
  TextFile f;
  f.Assign("T:\\long.txt");
  f.Rewrite();
  f.WriteLn(long_line);
  f.WriteLn("end");
  f.Close();
  f.Reset();
  EXPECT_EQ(f.ReadLn(), long_line);
  EXPECT_EQ(f.ReadLn(), "end");
}

TEST_F(TextFileTest, FailuresRaiseInputOutputErrors) {
  TextFile f;
  // The code and the message of what an action raises.
  auto failure = [](auto action) {
    const std::optional<EInOutError> e = velko_test::Raised<EInOutError>(action);
    return e ? std::to_string(e->ErrorCode) + " " + e->Message : String("(nothing raised)");
  };
  EXPECT_EQ(failure([&] { f.Reset(); }), "102 File not assigned");
  f.Assign("T:\\missing.txt");
  EXPECT_EQ(failure([&] { f.Reset(); }), "2 File not found");
  EXPECT_EQ(failure([&] { f.ReadLn(); }).substr(0, 4), "103 ");
  f.Assign("T:\\out.txt");
  f.Rewrite();
  EXPECT_THROW(f.ReadLn(), EInOutError);
  f.Close();
  f.Reset();
  EXPECT_THROW(f.WriteLn("x"), EInOutError);
  f.Close();
  f.Assign("T:\\no folder\\x.txt");
  EXPECT_EQ(failure([&] { f.Rewrite(); }), "3 Path not found");
}

}  // namespace
