#include "platform/fs/name_match.h"

#include <gtest/gtest.h>

namespace {

using platform::fs::NameMask;

bool Match(const char* mask, const char* name) { return NameMask(mask).Matches(name); }

TEST(NameMask, ExtensionMasksIgnoreCaseAndTakeTheLastDot) {
  EXPECT_TRUE(Match("*.mp3", "song.mp3"));
  EXPECT_TRUE(Match("*.mp3", "SONG.MP3"));
  EXPECT_TRUE(Match("*.mp3", "a.b.mp3"));
  EXPECT_TRUE(Match("*.mp3", ".mp3"));
  EXPECT_FALSE(Match("*.mp3", "song.mp3.bak"));
  EXPECT_FALSE(Match("*.mp3", "song.mp"));
  EXPECT_FALSE(Match("*.mp3", "mp3"));
  EXPECT_TRUE(Match("in_*.dll", "in_CDReader.dll"));
  EXPECT_TRUE(Match("in_*.dll", "IN_.DLL"));
  EXPECT_FALSE(Match("in_*.dll", "xin_a.dll"));
}

TEST(NameMask, StarDotStarAndStarMatchEverything) {
  for (const char* name : {"readme", "a.txt", ".hidden", "x.y.z", ".", ".."}) {
    EXPECT_TRUE(Match("*.*", name)) << name;
    EXPECT_TRUE(Match("*", name)) << name;
  }
}

TEST(NameMask, StarDotMatchesNamesWithoutExtension) {
  EXPECT_TRUE(Match("*.", "readme"));
  EXPECT_FALSE(Match("*.", "readme.txt"));
}

TEST(NameMask, DotStarAlsoMatchesTheBareName) {
  EXPECT_TRUE(Match("MOVIE.*", "movie"));
  EXPECT_TRUE(Match("MOVIE.*", "Movie.avi"));
  EXPECT_FALSE(Match("MOVIE.*", "movies"));
}

TEST(NameMask, QuestionMarkTakesOneCharacterButNeverADot) {
  EXPECT_TRUE(Match("?", "a"));
  EXPECT_FALSE(Match("?", "ab"));
  EXPECT_FALSE(Match("?", ".x"));
  EXPECT_TRUE(Match("??", "a"));  // at the end it may match nothing
  EXPECT_TRUE(Match("a?.txt", "ab.txt"));
  EXPECT_TRUE(Match("a?.txt", "a.txt"));  // at a dot it may match nothing
  EXPECT_FALSE(Match("a?b", "a.b"));
  EXPECT_TRUE(Match("track??.cda", "Track01.cda"));
  EXPECT_TRUE(Match("?.*", "x"));
}

TEST(NameMask, PlainNamesMatchOnlyThemselves) {
  EXPECT_TRUE(Match("Song.MP3", "song.mp3"));
  EXPECT_FALSE(Match("song.mp3", "song.mp"));
  EXPECT_FALSE(Match("song", "song.mp3"));
}

TEST(NameMask, CaseFoldingCoversAccentedAndCyrillicLetters) {
  EXPECT_TRUE(Match("ÉTÉ.MP3", "été.mp3"));
  EXPECT_TRUE(Match("ПЕСНЯ*", "песня.ogg"));
  EXPECT_TRUE(Match("?.ogg", "ž.ogg"));  // one character, two bytes
  EXPECT_TRUE(platform::fs::NamesEqualIgnoringCase("Łódź", "łÓDŹ"));
  EXPECT_FALSE(platform::fs::NamesEqualIgnoringCase("a", "b"));
}

TEST(NameMask, BrokenUtf8StaysComparable) {
  const std::string broken = std::string("a") + static_cast<char>(0xFF) + ".mp3";
  EXPECT_TRUE(NameMask("*.mp3").Matches(broken));
  EXPECT_TRUE(NameMask("a?.mp3").Matches(broken));
  EXPECT_TRUE(platform::fs::NamesEqualIgnoringCase(broken, std::string("A") + static_cast<char>(0xFF) + ".MP3"));
}

}  // namespace
