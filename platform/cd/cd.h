// The CD layer: what lies in each CD drive letter, read through libcdio.
// A letter is either a detected drive (its device node) or, for tests, a
// disc image (.cue with its .bin) that the letter holds as if it were a
// disc in the drive. Drive letters, the ripping library, MCI and the CD
// input plug-in all go through here.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/fs/drives.h"

namespace platform::cd {

constexpr int kSectorBytes = 2352;     // one raw audio sector: 1/75 s of 44100 Hz stereo 16-bit
constexpr int kSectorsPerSecond = 75;
constexpr int kLeadInSectors = 150;    // LSN 0 is 00:02:00

// One entry of a table of contents. Starts are logical sector numbers.
struct TocEntry {
  int number = 1;
  int32_t start = 0;
  bool audio = true;
};
struct Toc {
  int first_track = 1;
  int last_track = 0;
  std::vector<TocEntry> tracks;  // in disc order, first_track .. last_track
  int32_t lead_out = 0;          // the sector after the last track
};

// The table of contents of the disc in `letter`; nothing when the letter is
// no CD drive, the drive is empty, or the disc cannot be read.
std::optional<Toc> ReadToc(char letter);
// The same table as the drive letters list it.
std::optional<CdDiscContents> ReadDiscContents(char letter);
// Turns a table into the drive letters' form: counts from the next start.
CdDiscContents DiscContentsOf(const Toc& toc);

// The lister a detected drive letter gets (reads the device each time).
CdTrackLister DeviceTrackLister(const std::string& device);

// Tells every top-level window (WM_DEVICECHANGE, DBT_DEVICEARRIVAL or
// DBT_DEVICEREMOVECOMPLETE) that a disc came or went. An image's insert,
// eject and close announce themselves at once.
void AnnounceMediaChange(bool arrived);
// Starts watching the detected drives (about once a second) for discs
// coming and going; does nothing without drives. Once per process.
void StartMediaChangePolling();

// The CD drive letters, in order (detected drives and image letters).
std::vector<char> CdLetters();

// Test seam: `letter` becomes a CD drive holding the image `cue_path` (a
// Linux path). The image counts as inserted. Returns false when libcdio
// cannot open it (the letter is then left as it was).
bool InsertImage(char letter, const std::string& cue_path);
// Forgets the image; the letter stays a CD drive with no disc.
void RemoveImage(char letter);
bool HoldsImage(char letter);

// Whether a disc is in the drive.
bool HasDisc(char letter);
// Takes the disc out (an image: at once) / puts it back (an image: the one
// it held). False when the drive refuses or the letter is no CD drive.
bool Eject(char letter);
bool CloseTray(char letter);
// Locks or unlocks the drive door; images have no door (false).
bool LockDoor(char letter, bool locked);

// Analogue play through the drive's own audio output. Images have none:
// these fail (false / kAudioNoStatus) without touching anything.
enum class AudioStatus { kNoStatus, kPlaying, kPaused, kCompleted, kError };
bool PlayAudio(char letter, int32_t from_lsn, int32_t to_lsn);
bool PauseAudio(char letter);
bool ResumeAudio(char letter);
bool StopAudio(char letter);
AudioStatus GetAudioStatus(char letter, int32_t* position_lsn = nullptr);

// Digital audio reads from one letter's disc. Not shared between threads.
class AudioReader {
 public:
  // Nothing when the letter holds no readable disc.
  static std::unique_ptr<AudioReader> Open(char letter);
  ~AudioReader();
  AudioReader(const AudioReader&) = delete;
  AudioReader& operator=(const AudioReader&) = delete;

  const Toc& toc() const { return toc_; }

  // Plain reads of `count` sectors from `lsn` into `buffer` (count *
  // kSectorBytes). Returns the sectors read; fewer only at a read error.
  long ReadSectors(int32_t lsn, long count, void* buffer);

  // Reads with error correction, one sector at a time from the position
  // set by Seek. `uncorrected` tells whether the correction gave up on any
  // part of the sector. False when the sector could not be read at all.
  bool Seek(int32_t lsn);
  bool ReadCorrected(void* sector, bool* uncorrected = nullptr);
  // Correction mode flags (0 turns correction off; the default is full).
  void SetCorrection(int mode);

 private:
  AudioReader() = default;
  struct Handles;
  std::unique_ptr<Handles> handles_;
  Toc toc_;
};

}  // namespace platform::cd
