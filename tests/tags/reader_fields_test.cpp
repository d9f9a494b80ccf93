// Every field of every reader, for a corpus of files built byte by byte
// (tags at both ends, frames found at the start and in the middle, big tags
// that run over many kilobytes, files from a few bytes to over 100 KB, and
// the odd cases of each format), against the record kept beside this test
// in golden/reader_fields.txt. The way the readers reach the bytes may
// change; what they make of them may not.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/MPEGaudio.h"
#include "tags/OggVorbis.h"
#include "tags/WAVfile.h"
#include "tags/WMAfile.h"
#include "tests/tags/audio_builders.h"
#include "tests/tags/tag_test_fixture.h"

namespace velko_test {
namespace {

// MPEG 1 Layer III frames of silence (417 bytes at 128 kbit/s, 44100 Hz).
std::string Frames(int count, const std::string& header = "\xFF\xFB\x90\x44", int length = 417) {
  std::string frame = header + std::string(length - 4, '\0');
  std::string out;
  for (int i = 0; i < count; ++i) out += frame;
  return out;
}

// Bytes that hold no frame header.
std::string Filler(std::size_t count, char byte = '\x11') { return std::string(count, byte); }

std::string WithAt(std::string bytes, std::size_t offset, const std::string& part) {
  return bytes.replace(offset, part.size(), part);
}

std::string V23Tag(std::size_t padding = 100) {
  return Id3v2Tag(3, {Id3v2Frame(3, "TIT2", Latin1Text("Title three")), Id3v2Frame(3, "TPE1", Latin1Text("Artist")),
                      Id3v2Frame(3, "TALB", Latin1Text("Album")), Id3v2Frame(3, "TRCK", Latin1Text("3/12")),
                      Id3v2Frame(3, "TYER", Latin1Text("1999")), Id3v2Frame(3, "TCON", Latin1Text("(17)Rock")),
                      Id3v2Frame(3, "COMM", Latin1Comment("desc", "Comment text")),
                      Id3v2Frame(3, "TCOM", Latin1Text("Composer")), Id3v2Frame(3, "WXXX", Latin1Text(std::string("\0http://x", 9)))},
                  padding);
}

std::string OggLastPage(std::uint64_t granule) {
  const std::string audio = Filler(300, '\x22');
  return OggPageHeader(granule, 3, audio.size()) + audio;
}

std::string HandMadeOgg(int channels, std::uint32_t rate, const std::vector<std::string>& comments,
                        std::size_t audio_bytes, std::uint64_t granule, std::size_t trailing = 0) {
  return HandMadeVorbisHeaders(channels, rate, 128000, VorbisCommentBody("Hand made vendor", comments)) +
         Filler(audio_bytes, '\x22') + OggLastPage(granule) + Filler(trailing, '\x22');
}

std::vector<std::pair<std::string, std::string>> Corpus() {
  const std::string v1 = Id3v1Tag("V1 title", "V1 artist", "V1 album", "2001", "V1 comment", 0, 17);
  const std::string v11 = Id3v1Tag("V11 title", "V11 artist", "V11 album", "2002", "V11 comment", 9, 147);
  std::string v11_space = v11;
  v11_space[125] = ' ';
  const std::string v22 = Id3v2Tag(2, {Id3v2Frame(2, "TT2", Latin1Text("Old title")),
                                       Id3v2Frame(2, "TP1", Latin1Text("Old artist")),
                                       Id3v2Frame(2, "TCO", Latin1Text("Pop")), Id3v2Frame(2, "TOR", Latin1Text("1987"))});
  const std::string v24 = Id3v2Tag(4, {Id3v2Frame(4, "TIT2", Utf16Text(u"Wide title é")),
                                       Id3v2Frame(4, "TPE1", std::string("\x03", 1) + "UTF-8 artist \xC3\xA9"),
                                       Id3v2Frame(4, "TDRC", Latin1Text("2003-05-01")),
                                       Id3v2Frame(4, "COMM", Utf16Comment(u"d", u"Wide comment")),
                                       Id3v2Frame(4, "TALB", Latin1Text("Skipped"), 0x80)},
                                   200, 0x10);
  // A tag of more than 40 KB: a picture-sized frame before the texts, and a
  // text frame longer than the 500 bytes that are read.
  const std::string big_tag = Id3v2Tag(3, {Id3v2Frame(3, "APIC", Filler(20000, '\x33')),
                                           Id3v2Frame(3, "TIT2", Latin1Text("After the picture")),
                                           Id3v2Frame(3, "TALB", Latin1Text(std::string(700, 'L'))),
                                           Id3v2Frame(3, "PRIV", Filler(19000, '\x44')),
                                           Id3v2Frame(3, "TPE1", Latin1Text("Last artist"))},
                                       1500);
  std::string lame_tail = Frames(300);
  lame_tail = WithAt(lame_tail, lame_tail.size() - 900, "LAME3.99r");
  std::string xing = Frames(40);
  xing = WithAt(xing, 36, "Xing" + BE32(15) + BE32(1000) + BE32(417000));
  xing = WithAt(xing, 36 + 119, std::string("\x50", 1) + "LAME3.98");
  std::string vbri = Frames(40);
  vbri = WithAt(vbri, 36, "VBRI" + std::string(5, '\0') + "\x4B" + BE32(800000) + BE32(2000));
  std::string oversized = V23Tag();
  oversized[6] = 0x7F;  // declares far more than the file holds

  const std::string file_properties = AsfFileProperties(128000);
  const std::string stream_properties = AsfStreamProperties(2, 44100, 16000);
  std::vector<AsfDescriptor> descriptors = {AsfText(u"WM/AlbumTitle", u"Wma album"), AsfText(u" wm/year ", u"2004"),
                                            AsfDescriptor{u"WM/Track", 3, LE32(7)}, AsfText(u"WM/Genre", u"Jazz"),
                                            AsfText(u"WM/Track", u" 11 ")};

  return {
      {"tiny.mp3", "ID3\x03"},
      {"bare.mp3", Frames(30)},
      {"v1.mp3", Frames(30) + v1},
      {"v11-space.mp3", Frames(30) + v11_space},
      {"v23-v11.mp3", V23Tag() + Frames(60) + v11},
      {"v22.mp3", v22 + Frames(20)},
      {"v24-footer.mp3", v24 + Frames(25, "\xFF\xF3\x64\xC4", 144)},
      {"big-tag.mp3", big_tag + Frames(100) + v1},
      {"oversized-tag.mp3", oversized + Frames(30)},
      {"middle.mp3", V23Tag() + Filler(6000) + Frames(40)},
      {"no-frames.mp3", Filler(20000)},
      {"xing.mp3", xing + v1},
      {"vbri.mp3", vbri},
      {"lame-tail.mp3", V23Tag(3000) + lame_tail + v1},
      {"cut-frame.mp3", Id3v2Tag(3, {Id3v2Frame(3, "TIT2", Latin1Text("Cut"))}).substr(0, 16)},
      {"song.ogg", HandMadeOgg(2, 44100,
                               {"TITLE=Ogg title", "artist=", "PERFORMER=Performer", "TRACKNUMBER=3/12",
                                "DATE=2005", "GENRE=Folk", "DESCRIPTION=Described", "ALBUM= Ogg  album ",
                                "COMMENT" + std::string(300, 'c'), "TITLE=Later title \xC3\xA9"},
                               5000, 441000)},
      {"behind-id3.ogg", V23Tag() + HandMadeOgg(1, 22050, {"TITLE=Behind"}, 3000, 22050)},
      {"long-tail.ogg", HandMadeOgg(2, 44100, {"TITLE=Long tail"}, 4000, 88200, 13000)},
      {"six-channels.ogg", HandMadeOgg(6, 48000, {}, 2000, 48000)},
      {"fast.ogg", HandMadeOgg(2, 96000, {"TRACKNUMBER=x"}, 2000, 96000)},
      {"not-vorbis.ogg", Filler(500)},
      {"song.wma", AsfFile({file_properties, stream_properties, AsfContentDescription(u"Wma title", u"Wma author", u"Rights",
                                                               u"Wma comment", u"Rating"),
                            AsfExtendedContentDescription(descriptors)},
                           60000)},
      {"long-title.wma", AsfFile({AsfExtendedContentDescription({AsfText(u"WM/Title", std::u16string(300, u'T'))}),
                                  file_properties, stream_properties})},
      {"fast.wma", AsfFile({AsfFileProperties(320000), AsfStreamProperties(2, 44100, 40000)})},
      {"beyond.wma", AsfFile({file_properties, stream_properties, AsfObject("75B22633-668E-11CF-A6D9-00AA0062CE6C", Filler(10))}).substr(0, 250)},
      {"not-asf.wma", Filler(100)},
      {"song.wav", WaveFile(2, 44100, 16, 176400)},
      {"six.wav", WaveFile(6, 48000, 16, 1000)},
      {"float.wav", WaveFile(2, 96000, 32, 5000, 0, 3)},
      {"short.wav", WaveFile(1, 8000, 8, 0).substr(0, 30)},
  };
}

std::string Dump(const std::string& path) {
  std::ostringstream out;
  TID3v1 v1;
  out << " id3v1 " << v1.ReadFromFile(path) << ' ' << v1.Exists << ' ' << int{v1.VersionID} << " [" << v1.Title
      << "][" << v1.Artist << "][" << v1.Album << "][" << v1.Year << "][" << v1.Comment << "] " << int{v1.Track}
      << ' ' << int{v1.GenreID} << " [" << v1.GetGenre() << "]\n";
  TID3v2 v2;
  out << " id3v2 " << v2.ReadFromFile(path) << ' ' << v2.Exists << ' ' << int{v2.VersionID} << ' ' << v2.Size
      << " [" << v2.Title << "][" << v2.Artist << "][" << v2.Album << "] " << v2.Track << " [" << v2.TrackString
      << "][" << v2.Year << "][" << v2.Genre << "][" << v2.Comment << "][" << v2.Composer << "][" << v2.Encoder
      << "][" << v2.Rights << "][" << v2.Language << "][" << v2.Link << "]\n";
  TMPEGaudio mpeg;
  out << " mpeg " << mpeg.ReadFromFile(path) << ' ' << mpeg.FileLength << " [" << mpeg.VendorID << "] "
      << mpeg.VBR.Found << " [" << mpeg.VBR.ID << "] " << mpeg.VBR.Frames << ' ' << mpeg.VBR.Bytes << ' '
      << int{mpeg.VBR.Scale} << " [" << mpeg.VBR.VendorID << "] " << mpeg.Frame.Found << ' ' << mpeg.Frame.Position
      << ' ' << mpeg.Frame.Size << ' ' << mpeg.Frame.Xing << ' ' << int{mpeg.Frame.VersionID} << ' '
      << int{mpeg.Frame.LayerID} << ' ' << int{mpeg.Frame.ModeID} << ' ' << mpeg.GetSampleRate() << ' '
      << mpeg.GetBitRate() << ' ' << mpeg.GetChannelMode() << ' ' << mpeg.GetDuration() << ' ' << mpeg.GetValid()
      << ' ' << mpeg.ID3v1.Exists << ' ' << mpeg.ID3v2.Exists << ' ' << mpeg.ID3v2.Size << '\n';
  TOggVorbis ogg;
  out << " ogg " << ogg.ReadFromFile(path) << ' ' << ogg.FileSize << ' ' << int{ogg.ChannelModeID} << ' '
      << ogg.SampleRate << ' ' << ogg.BitRateNominal << ' ' << ogg.Samples << ' ' << ogg.ID3v2Size << " ["
      << ogg.Title << "][" << ogg.Artist << "][" << ogg.Album << "] " << ogg.Track << " [" << ogg.Date << "]["
      << ogg.Genre << "][" << ogg.Comment << "][" << ogg.Vendor << "] " << ogg.GetDuration() << ' '
      << ogg.GetBitRate() << ' ' << ogg.GetValid() << '\n';
  TWMAfile wma;
  out << " wma " << wma.ReadFromFile(path) << ' ' << wma.Valid << ' ' << wma.FileSize << ' '
      << int{wma.ChannelModeID} << ' ' << wma.SampleRate << ' ' << wma.Duration << ' ' << wma.BitRate << " ["
      << wma.Title << "][" << wma.Artist << "][" << wma.Album << "] " << wma.Track << " [" << wma.Year << "]["
      << wma.Genre << "][" << wma.Comment << "]\n";
  TWAVfile wav;
  out << " wav " << wav.ReadFromFile(path) << ' ' << wav.Valid << ' ' << int{wav.ChannelModeID} << ' '
      << wav.SampleRate << ' ' << wav.BitsPerSample << ' ' << wav.FileSize << ' ' << wav.GetDuration() << '\n';
  return out.str();
}

class ReaderFieldsTest : public TagTest {};

TEST_F(ReaderFieldsTest, EveryReaderGivesTheRecordedFieldsForEveryFile) {
  std::string dump;
  for (const auto& [name, bytes] : Corpus()) dump += name + '\n' + Dump(Put(name, bytes));
  const std::string golden_path = VELKO_TAGS_GOLDEN_DIR "/reader_fields.txt";
  std::ifstream golden_file(golden_path, std::ios::binary);
  std::stringstream golden;
  golden << golden_file.rdbuf();
  if (golden.str() != dump) {
    // The whole record as these readers see it, for comparing by eye.
    const std::string seen_path = ::testing::TempDir() + "reader_fields.seen.txt";
    std::ofstream(seen_path, std::ios::binary) << dump;
    ADD_FAILURE() << "the readers' fields differ from " << golden_path << "; what they read is in " << seen_path;
  }
}

}  // namespace
}  // namespace velko_test
