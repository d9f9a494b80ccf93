#include "classlib/Streams.h"

#include <gtest/gtest.h>

#include <cstring>

#include "classlib/Exceptions.h"
#include "tests/classlib/raised.h"

namespace {

TEST(MemoryStream, WritesGrowReadsStopAtTheEnd) {
  TMemoryStream stream;
  EXPECT_EQ(stream.Write("hello", 5), 5);
  EXPECT_EQ(stream.Position(), 5);
  EXPECT_EQ(stream.Size(), 5);
  stream.SetPosition(1);
  char buffer[16] = {};
  EXPECT_EQ(stream.Read(buffer, 10), 4);
  EXPECT_STREQ(buffer, "ello");
  EXPECT_EQ(stream.Read(buffer, 10), 0);
  stream.Seek(-2, soEnd);
  stream.Write("LP!", 3);
  EXPECT_EQ(stream.Size(), 6);
  EXPECT_EQ(std::memcmp(stream.Memory(), "helLP!", 6), 0);
  // Writing past the end leaves zeros in the gap.
  stream.Seek(10, soBeginning);
  stream.Write("x", 1);
  EXPECT_EQ(stream.Size(), 11);
  EXPECT_EQ(static_cast<const char*>(stream.Memory())[8], 0);
  stream.SetSize(3);
  EXPECT_EQ(stream.Position(), 3);
  stream.SetSize(5);
  EXPECT_EQ(static_cast<const char*>(stream.Memory())[4], 0);
  stream.Clear();
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Position(), 0);
}

TEST(MemoryStream, LargeWritesKeepEveryByte) {
  TMemoryStream stream;
  for (int i = 0; i < 100000; ++i) {
    const unsigned char b = static_cast<unsigned char>(i * 7);
    stream.WriteBuffer(&b, 1);
  }
  ASSERT_EQ(stream.Size(), 100000);
  const auto* bytes = static_cast<const unsigned char*>(stream.Memory());
  for (int i = 0; i < 100000; i += 997) ASSERT_EQ(bytes[i], static_cast<unsigned char>(i * 7));
}

TEST(Stream, ReadBufferRaisesOnAShortRead) {
  TMemoryStream stream;
  stream.Write("abc", 3);
  stream.SetPosition(0);
  char buffer[8];
  EXPECT_EQ(velko_test::RaisedMessage<EReadError>([&] { stream.ReadBuffer(buffer, 4); }), "Stream read error");
}

TEST(Stream, CopyFromCopiesACountOrTheWholeSource) {
  TStringStream source("0123456789");
  TMemoryStream dest;
  source.SetPosition(2);
  EXPECT_EQ(dest.CopyFrom(&source, 3), 3);
  EXPECT_EQ(std::memcmp(dest.Memory(), "234", 3), 0);
  EXPECT_EQ(source.Position(), 5);
  EXPECT_EQ(dest.CopyFrom(&source, 0), 10);  // 0: everything, from the start
  EXPECT_EQ(dest.Size(), 13);
  EXPECT_EQ(std::memcmp(dest.Memory(), "2340123456789", 13), 0);
  source.SetPosition(8);
  EXPECT_THROW(dest.CopyFrom(&source, 5), EReadError);
  // A copy larger than the internal buffer goes in pieces.
  TMemoryStream big, copy;
  big.SetSize(200000);
  static_cast<char*>(big.Memory())[199999] = 'z';
  EXPECT_EQ(copy.CopyFrom(&big, 0), 200000);
  EXPECT_EQ(static_cast<const char*>(copy.Memory())[199999], 'z');
}

TEST(StringStream, WritingCutsTheTextAfterWhatWasWritten) {
  TStringStream stream("hello world");
  EXPECT_EQ(stream.ReadString(5), "hello");
  stream.WriteString("!");
  EXPECT_EQ(stream.DataString(), "hello!");
  stream.Seek(100, soBeginning);  // the position stays inside the text
  EXPECT_EQ(stream.Position(), 6);
  stream.Seek(-100, soCurrent);
  EXPECT_EQ(stream.Position(), 0);
  stream.SetSize(2);
  EXPECT_EQ(stream.DataString(), "he");
  EXPECT_EQ(stream.Size(), 2);
  stream.Seek(0, soEnd);
  stream.WriteString("y");
  EXPECT_EQ(stream.DataString(), "hey");
}

TEST(MemoryStream, LoadFromAndSaveToStreams) {
  TStringStream source("payload");
  source.SetPosition(3);
  TMemoryStream memory;
  memory.LoadFromStream(&source);  // whole source, whatever its position
  EXPECT_EQ(memory.Size(), 7);
  EXPECT_EQ(memory.Position(), 0);
  TStringStream out;
  memory.SaveToStream(&out);
  EXPECT_EQ(out.DataString(), "payload");
}

}  // namespace
