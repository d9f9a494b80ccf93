#include <gtest/gtest.h>

#include "classlib/Exceptions.h"
#include "classlib/Masks.h"
#include "classlib/PathRoutines.h"
#include "tests/classlib/raised.h"

namespace {

TEST(PathRoutines, PartsOfAPlatformPath) {
  EXPECT_EQ(ExtractFilePath("C:\\Music\\a.mp3"), "C:\\Music\\");
  EXPECT_EQ(ExtractFilePath("C:a.mp3"), "C:");
  EXPECT_EQ(ExtractFilePath("a.mp3"), "");
  EXPECT_EQ(ExtractFileDir("C:\\Music\\a.mp3"), "C:\\Music");
  EXPECT_EQ(ExtractFileDir("C:\\a.mp3"), "C:\\");
  EXPECT_EQ(ExtractFileName("C:\\Music\\a.mp3"), "a.mp3");
  EXPECT_EQ(ExtractFileName("C:a.mp3"), "a.mp3");
  EXPECT_EQ(ExtractFileExt("C:\\Music\\a.b.mp3"), ".mp3");
  EXPECT_EQ(ExtractFileExt("C:\\Music.d\\song"), "");
  EXPECT_EQ(ExtractFileExt("song."), ".");
  EXPECT_EQ(ExtractFileDrive("C:\\Music"), "C:");
  EXPECT_EQ(ExtractFileDrive("\\\\server\\share\\dir\\f"), "\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive("\\dir"), "");
  // Past the drive letter a colon is part of a name, as Linux names may hold.
  EXPECT_EQ(ExtractFileName("C:\\Odd\\a:b.mp3"), "a:b.mp3");
  EXPECT_EQ(ExtractFilePath("C:\\Odd\\a:b.mp3"), "C:\\Odd\\");
  EXPECT_EQ(ExtractFileDir("C:\\x:\\a.mp3"), "C:\\x:");
  EXPECT_EQ(ExtractFileExt("C:\\Odd\\a:b.mp3"), ".mp3");
  EXPECT_EQ(ExtractFileExt("C:\\v1.0:x\\song"), "");
  EXPECT_EQ(ChangeFileExt("C:\\Odd\\live:1", ".wav"), "C:\\Odd\\live:1.wav");
}

TEST(PathRoutines, ChangingExtensionsAndBackslashes) {
  EXPECT_EQ(ChangeFileExt("C:\\a\\song.mp3", ".wav"), "C:\\a\\song.wav");
  EXPECT_EQ(ChangeFileExt("C:\\a.d\\song", ".LOG"), "C:\\a.d\\song.LOG");
  EXPECT_EQ(ChangeFileExt("song.mp3", ""), "song");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\a"), "C:\\a\\");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\a\\"), "C:\\a\\");
  EXPECT_EQ(IncludeTrailingBackslash(""), "\\");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\a\\"), "C:\\a");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\a"), "C:\\a");
  EXPECT_TRUE(IsPathDelimiter("a\\b", 2));
  EXPECT_FALSE(IsPathDelimiter("a\\b", 3));
}

TEST(Masks, StarsQuestionMarksAndSetsIgnoringCase) {
  EXPECT_TRUE(MatchesMask("song.MP3", "*.mp3"));
  EXPECT_FALSE(MatchesMask("song.mp3x", "*.mp3"));
  EXPECT_TRUE(MatchesMask("a.txt", "?.TXT"));
  EXPECT_FALSE(MatchesMask("ab.txt", "?.txt"));
  EXPECT_TRUE(MatchesMask("track07.cda", "track[0-9][0-9].cda"));
  EXPECT_FALSE(MatchesMask("trackx7.cda", "track[0-9][0-9].cda"));
  EXPECT_TRUE(MatchesMask("b.txt", "[!a].txt"));
  EXPECT_FALSE(MatchesMask("A.txt", "[!a].txt"));
  EXPECT_TRUE(MatchesMask("anything", "*"));
  EXPECT_TRUE(MatchesMask("", "*"));
  EXPECT_TRUE(MatchesMask("aXbXc", "*X*X*"));
  EXPECT_TRUE(MatchesMask("abcabcabd", "*abd"));
  EXPECT_TRUE(MatchesMask("\xC3\xA9t\xC3\xA9.txt", "\xC3\x89T?.TXT"));
}

TEST(Masks, StarDotStarNeedsADot) {
  EXPECT_TRUE(MatchesMask("readme.txt", "*.*"));
  EXPECT_TRUE(MatchesMask("folder.", "*.*"));
  EXPECT_FALSE(MatchesMask("Music", "*.*"));
}

TEST(Masks, AnOpenSetIsAnInvalidMask) {
  EXPECT_THROW(MatchesMask("a", "[abc"), EMaskException);
  EXPECT_THROW(MatchesMask("a", "x[]"), EMaskException);
  EXPECT_EQ(velko_test::RaisedMessage<EMaskException>([] { TMask("ab[c"); }), "'ab[c' is an invalid mask at (3)");
}

}  // namespace
