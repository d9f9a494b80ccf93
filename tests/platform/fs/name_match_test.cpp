#include "platform/fs/name_match.h"

#include <gtest/gtest.h>

namespace {

using platform::fs::NameMask;

TEST(NameMask, MasksFollowThePlatformsRules) {
  const std::string broken = std::string("a") + static_cast<char>(0xFF) + ".mp3";
  struct Case {
    const char* mask;
    std::string name;
    bool matches;
  } cases[] = {
      // Extension masks ignore case and take the last dot.
      {"*.mp3", "song.mp3", true},
      {"*.mp3", "SONG.MP3", true},
      {"*.mp3", "a.b.mp3", true},
      {"*.mp3", ".mp3", true},
      {"*.mp3", "song.mp3.bak", false},
      {"*.mp3", "song.mp", false},
      {"*.mp3", "mp3", false},
      {"in_*.dll", "in_CDReader.dll", true},
      {"in_*.dll", "IN_.DLL", true},
      {"in_*.dll", "xin_a.dll", false},
      // "*." is a name without extension; "NAME.*" is also the bare name.
      {"*.", "readme", true},
      {"*.", "readme.txt", false},
      {"MOVIE.*", "movie", true},
      {"MOVIE.*", "Movie.avi", true},
      {"MOVIE.*", "movies", false},
      // "?" takes one character but never a dot; at the end or before a
      // dot it may take nothing.
      {"?", "a", true},
      {"?", "ab", false},
      {"?", ".x", false},
      {"??", "a", true},
      {"a?.txt", "ab.txt", true},
      {"a?.txt", "a.txt", true},
      {"a?b", "a.b", false},
      {"track??.cda", "Track01.cda", true},
      {"?.*", "x", true},
      // Plain names match only themselves.
      {"Song.MP3", "song.mp3", true},
      {"song.mp3", "song.mp", false},
      {"song", "song.mp3", false},
      // Case folding covers accented and Cyrillic letters; a character is
      // one "?" however many bytes it takes; broken UTF-8 stays comparable.
      {"ÉTÉ.MP3", "été.mp3", true},
      {"ПЕСНЯ*", "песня.ogg", true},
      {"?.ogg", "ž.ogg", true},
      {"*.mp3", broken, true},
      {"a?.mp3", broken, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NameMask(c.mask).Matches(c.name), c.matches) << c.mask << " / " << c.name;
  }
  // "*.*" and "*" match everything.
  for (const char* name : {"readme", "a.txt", ".hidden", "x.y.z", ".", ".."}) {
    EXPECT_TRUE(NameMask("*.*").Matches(name)) << name;
    EXPECT_TRUE(NameMask("*").Matches(name)) << name;
  }
  EXPECT_TRUE(platform::fs::NamesEqualIgnoringCase("Łódź", "łÓDŹ"));
  EXPECT_FALSE(platform::fs::NamesEqualIgnoringCase("a", "b"));
  EXPECT_TRUE(
      platform::fs::NamesEqualIgnoringCase(broken, std::string("A") + static_cast<char>(0xFF) + ".MP3"));
}

}  // namespace
