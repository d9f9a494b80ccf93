// Tmp3Tag: loads, edits and saves the 128-byte ID3v1 or ID3v1.1 tag at the
// end of an MP3 file; the tag editor binds its fields to the properties.
//
// The tag's text is Windows-1252, one byte a character; the properties
// hold it as UTF-8. A text set through a property is cut to the field's
// width in characters, which is its width in bytes once converted, so a
// character is never cut in half. Characters Windows-1252 lacks are saved
// as "?".
#pragma once

#include <cstdint>
#include <memory>

#include "classlib/Components.h"
#include "classlib/Strings.h"

class TStream;

class Tmp3Tag : public TComponent {
 public:
  explicit Tmp3Tag(TComponent* AOwner);
  ~Tmp3Tag() override;

  // The genre number that stands for no genre.
  static constexpr int NoGenre = 255;

  // Published properties.
  bool TagPresent = false;
  bool TagModified() const { return tag_modified_; }
  // True: the ID3v1.0 layout (a 30-byte comment); false: ID3v1.1 (a 28-byte
  // comment, then a zero and the track number).
  bool v1Tag() const { return v1_tag_; }
  void Setv1Tag(bool Value);
  const String& Title() const { return title_; }
  void SetTitle(const String& Value) { SetTextField(1, Value); }
  const String& Artist() const { return artist_; }
  void SetArtist(const String& Value) { SetTextField(2, Value); }
  const String& Year() const { return year_; }
  void SetYear(const String& Value) { SetTextField(3, Value); }
  const String& Album() const { return album_; }
  void SetAlbum(const String& Value) { SetTextField(4, Value); }
  int Track() const { return track_; }
  // A track other than 0 switches to the ID3v1.1 layout, 0 back to ID3v1.0.
  void SetTrack(int Value);
  const String& Comment() const { return comment_; }
  void SetComment(const String& Value) { SetTextField(5, Value); }
  int GenreID() const { return genre_id_; }
  // Genre becomes the number's name (empty for numbers beyond the list).
  void SetGenreID(int Value);
  const String& Genre() const { return genre_; }
  // GenreID becomes the name's number in Genres (ignoring case), -1 for a
  // name not in the list, NoGenre for an empty name.
  void SetGenre(const String& Value);
  // The genre names by number, then one empty entry (149 in all).
  TStringList* Genres() const { return genres_.get(); }
  const String& About() const { return about_; }
  void SetAbout(const String& /*Value*/) {}

  void LoadFromFile(const String& FileName);
  // Reads the tag from the last 128 of the Size bytes that follow the
  // stream's position.
  void LoadFromStream(TStream* Stream, std::int64_t Size);
  void LoadFromBuffer(const void* Buffer, int Size);
  // Overwrites the file's tag, or appends one when it has none.
  void SaveToFile(const String& FileName);
  void SaveToStream(TStream* Stream);
  // Writes the 128 bytes of the tag; raises Exception "TID3v1Tag.Save:
  // Buffer too small" for a buffer shorter than that.
  void SaveToBuffer(void* Buffer, int Size);
  // Empties the texts and the genre (NoGenre), track 0, ID3v1.0 layout.
  void Clear();

 private:
  // Index: 1 Title, 2 Artist, 3 Year, 4 Album, 5 Comment.
  void SetTextField(int Index, const String& Text);
  void ChangeText(String& Field, const String& Text, int Width);
  String GenreName(int Number) const;

  String about_;
  bool tag_modified_ = false;
  bool v1_tag_ = false;
  int track_ = 0;
  int genre_id_ = 0;
  String artist_, title_, album_, year_, comment_, genre_;
  std::unique_ptr<TStringList> genres_;
};
