#include "tags/mp3Tag.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "classlib/Exceptions.h"
#include "classlib/Streams.h"
#include "tags/ID3v1.h"
#include "tags/TextCodec.h"

namespace {

constexpr int kTagSize = 128;

// Where each text lies in the tag, and how wide it is.
struct Field {
  int offset;
  int width;
};
constexpr Field kTitle{3, 30};
constexpr Field kArtist{33, 30};
constexpr Field kAlbum{63, 30};
constexpr Field kYear{93, 4};
constexpr Field kComment{97, 30};
constexpr int kCommentWidthWithTrack = 28;
constexpr int kTrackMarker = 125;
constexpr int kTrackByte = 126;
constexpr int kGenreByte = 127;

// The names of the genre list differ from the ID3v1 readers' in eight places.
String GenreListName(int number) {
  switch (number) {
    case 67: return "Psychedelic";
    case 81: return "Folk/Rock";
    case 92: return "Progressive Rock";
    case 123: return "Acapella";
    case 136: return "Christian Gangs";
    case 140: return "Contemporary Ch?";
    case 141: return "Cristian Rock";
    case 144: return "Thrash Metal";
    default: return ID3v1Genres[number];
  }
}

// A text of the tag: its bytes up to the first zero, without trailing blanks.
String ReadField(const std::uint8_t* tag, Field field) {
  std::string_view bytes(reinterpret_cast<const char*>(tag) + field.offset, field.width);
  bytes = bytes.substr(0, bytes.find('\0'));
  return tags::Windows1252ToUtf8(tags::TrimRightBlanks(bytes));
}

// The text's first bytes up to the field's width, the rest spaces.
void WriteField(std::uint8_t* tag, Field field, const String& text) {
  const std::string bytes = tags::Utf8ToWindows1252(text);
  const auto length = std::min<std::size_t>(bytes.size(), field.width);
  std::memcpy(tag + field.offset, bytes.data(), length);
  std::memset(tag + field.offset + length, ' ', field.width - length);
}

}  // namespace

Tmp3Tag::Tmp3Tag(TComponent* AOwner)
    : TComponent(AOwner), about_("Tmp3Tag 1.0"), genres_(std::make_unique<TStringList>()) {
  for (int number = 0; number < static_cast<int>(ID3v1Genres.size()); ++number) {
    genres_->Add(GenreListName(number));
  }
  genres_->Add("");  // the list's 149th entry
  genre_ = genres_->Get(0);
}

Tmp3Tag::~Tmp3Tag() = default;

void Tmp3Tag::Clear() {
  genre_id_ = NoGenre;
  genre_.clear();
  artist_.clear();
  title_.clear();
  album_.clear();
  year_.clear();
  comment_.clear();
  // A file without a tag must not inherit the last file's track or layout.
  track_ = 0;
  v1_tag_ = true;
}

void Tmp3Tag::LoadFromFile(const String& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyNone);
  LoadFromStream(&stream, stream.Size());
}

void Tmp3Tag::LoadFromStream(TStream* Stream, std::int64_t Size) {
  Clear();
  if (Size < kTagSize) {
    TagPresent = false;
    return;
  }
  Stream->Seek(Size - kTagSize, soCurrent);
  std::uint8_t tag[kTagSize];
  Stream->ReadBuffer(tag, kTagSize);
  LoadFromBuffer(tag, kTagSize);
}

void Tmp3Tag::LoadFromBuffer(const void* Buffer, int Size) {
  Clear();
  tag_modified_ = false;
  TagPresent = false;
  const auto* tag = static_cast<const std::uint8_t*>(Buffer);
  if (Size < kTagSize || std::memcmp(tag, "TAG", 3) != 0) return;
  TagPresent = true;
  title_ = ReadField(tag, kTitle);
  artist_ = ReadField(tag, kArtist);
  album_ = ReadField(tag, kAlbum);
  year_ = ReadField(tag, kYear);
  comment_ = ReadField(tag, kComment);  // in ID3v1.1 the zero at 125 ends it
  v1_tag_ = !(tag[kTrackMarker] == 0 && tag[kTrackByte] != 0);
  track_ = v1_tag_ ? 0 : tag[kTrackByte];
  genre_id_ = tag[kGenreByte];
  genre_ = GenreName(genre_id_);
}

void Tmp3Tag::SaveToFile(const String& FileName) {
  TFileStream stream(FileName, fmOpenReadWrite | fmShareDenyNone);
  const std::int64_t size = stream.Size();
  std::int64_t position = size;
  if (size >= kTagSize) {
    char marker[3];
    stream.Seek(size - kTagSize, soBeginning);
    stream.ReadBuffer(marker, 3);
    if (std::memcmp(marker, "TAG", 3) == 0) position = size - kTagSize;
  }
  stream.Seek(position, soBeginning);
  SaveToStream(&stream);
}

void Tmp3Tag::SaveToStream(TStream* Stream) {
  std::uint8_t tag[kTagSize];
  SaveToBuffer(tag, kTagSize);
  Stream->WriteBuffer(tag, kTagSize);
}

void Tmp3Tag::SaveToBuffer(void* Buffer, int Size) {
  if (Size < kTagSize) throw Exception("TID3v1Tag.Save: Buffer too small");
  auto* tag = static_cast<std::uint8_t*>(Buffer);
  std::memcpy(tag, "TAG", 3);
  WriteField(tag, kTitle, title_);
  WriteField(tag, kArtist, artist_);
  WriteField(tag, kAlbum, album_);
  WriteField(tag, kYear, year_);
  WriteField(tag, kComment, comment_);
  if (!v1_tag_) {
    tag[kTrackMarker] = 0;
    tag[kTrackByte] = static_cast<std::uint8_t>(track_);
  }
  tag[kGenreByte] = static_cast<std::uint8_t>(genre_id_);  // -1 is saved as 255
  tag_modified_ = false;
}

void Tmp3Tag::Setv1Tag(bool Value) {
  if (Value == v1_tag_) return;
  v1_tag_ = Value;
  tag_modified_ = true;
}

void Tmp3Tag::SetTrack(int Value) {
  if (Value == track_) return;
  track_ = Value;
  v1_tag_ = Value == 0;
  tag_modified_ = true;
}

void Tmp3Tag::SetGenreID(int Value) {
  if (Value == genre_id_) return;
  genre_id_ = Value;
  genre_ = GenreName(Value);
  tag_modified_ = true;
}

void Tmp3Tag::SetGenre(const String& Value) {
  if (Value == genre_) return;
  genre_ = Value;
  genre_id_ = Value.empty() ? NoGenre : genres_->IndexOf(Value);
  tag_modified_ = true;
}

void Tmp3Tag::SetTextField(int Index, const String& Text) {
  switch (Index) {
    case 1: ChangeText(title_, Text, kTitle.width); break;
    case 2: ChangeText(artist_, Text, kArtist.width); break;
    case 3: ChangeText(year_, Text, kYear.width); break;
    case 4: ChangeText(album_, Text, kAlbum.width); break;
    case 5: ChangeText(comment_, Text, v1_tag_ ? kComment.width : kCommentWidthWithTrack); break;
    default: break;
  }
}

void Tmp3Tag::ChangeText(String& Field, const String& Text, int Width) {
  String cut = tags::FirstCharacters(Text, static_cast<std::size_t>(Width));
  if (cut == Field) return;
  Field = std::move(cut);
  tag_modified_ = true;
}

String Tmp3Tag::GenreName(int Number) const {
  return Number >= 0 && Number < genres_->Count() ? genres_->Get(Number) : String();
}
