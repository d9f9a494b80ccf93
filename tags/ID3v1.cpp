#include "tags/ID3v1.h"

#include <cstring>
#include <string_view>

#include "tags/TagFile.h"
#include "tags/TextCodec.h"

const std::array<const char*, 148> ID3v1Genres = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
    "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno",
    "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental",
    "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock", "Bass", "Soul", "Punk",
    "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic", "Darkwave",
    "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy",
    "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle", "Native American",
    "Cabaret", "New Wave", "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal",
    "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock", "Folk",
    "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival", "Celtic",
    "Bluegrass", "Avantgarde", "Gothic Rock", "Progessive Rock", "Psychedelic Rock",
    "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour",
    "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus",
    "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad",
    "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "A capella",
    "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House", "Hardcore", "Terror", "Indie",
    "BritPop", "Negerpunk", "Polsk Punk", "Beat", "Christian Gangsta Rap", "Heavy Metal",
    "Black Metal", "Crossover", "Contemporary Christian", "Christian Rock", "Merengue", "Salsa",
    "Trash Metal", "Anime", "JPop", "Synthpop"};

namespace {

constexpr int kTagSize = 128;

// A text field: its bytes without the trailing zeros and spaces.
std::string TextField(const std::uint8_t* tag, int offset, int width) {
  std::string_view raw(reinterpret_cast<const char*>(tag) + offset, width);
  return tags::Windows1252ToUtf8(tags::TrimRightBlanks(raw));
}

}  // namespace

void TID3v1::ResetData() {
  Exists = false;
  VersionID = 1;
  Title.clear();
  Artist.clear();
  Album.clear();
  Year.clear();
  Comment.clear();
  Track = 0;
  GenreID = 255;
}

bool TID3v1::ReadFromFile(const String& FileName) {
  ResetData();
  tags::TagFile file;
  return file.Open(FileName) && ReadFromFile(file);
}

bool TID3v1::ReadFromFile(tags::TagFile& file) {
  ResetData();
  std::uint8_t tag[kTagSize];
  if (file.Size() < kTagSize || file.ReadAt(file.Size() - kTagSize, tag, kTagSize) != kTagSize) {
    return false;
  }
  if (std::memcmp(tag, "TAG", 3) != 0) return true;
  Exists = true;
  // Some writers put a space, not a zero, before the track byte; both count.
  const bool v11 = (tag[125] == 0 && tag[126] != 0) || (tag[125] == ' ' && tag[126] != ' ');
  VersionID = v11 ? 2 : 1;
  Title = TextField(tag, 3, 30);
  Artist = TextField(tag, 33, 30);
  Album = TextField(tag, 63, 30);
  Year = TextField(tag, 93, 4);
  Comment = TextField(tag, 97, v11 ? 28 : 30);
  if (v11) Track = tag[126];
  GenreID = tag[127];
  return true;
}

String TID3v1::GetGenre() const {
  return GenreID < ID3v1Genres.size() ? ID3v1Genres[GenreID] : std::string();
}
