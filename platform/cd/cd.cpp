#include "platform/cd/cd.h"

// cdio.h first: the other headers use its types.
#include <cdio/cdio.h>
#include <cdio/audio.h>
#include <cdio/logging.h>
#include <cdio/mmc.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/fs/drive_table.h"
#include "platform/user/message_queue.h"
#include "platform/user/messages.h"
#include "platform/user/window_styles.h"

namespace platform::cd {

namespace {

constexpr int kMaxTracks = 99;

// What a letter holds besides its drive: an image the tests put there.
struct ImageSlot {
  std::string cue_path;
  bool inserted = true;
};

struct LayerState {
  std::mutex mutex;
  std::map<char, ImageSlot> images;
};

LayerState& State() {
  static LayerState* state = new LayerState;  // never destroyed: used during exit
  return *state;
}

char Upper(char letter) { return static_cast<char>(std::toupper(static_cast<unsigned char>(letter))); }

// libcdio reports through stderr by default; the layer reports through its
// results instead.
void QuietLog(cdio_log_level_t, const char*) {}

void QuietenLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { cdio_log_set_handler(QuietLog); });
}

struct CdioCloser {
  void operator()(CdIo_t* cdio) const {
    if (cdio != nullptr) cdio_destroy(cdio);
  }
};
using CdioPtr = std::unique_ptr<CdIo_t, CdioCloser>;

// Where a letter's disc is: an inserted image, a device node, or nothing.
struct Source {
  bool image = false;
  std::string path;
};

std::optional<Source> SourceOf(char letter) {
  letter = Upper(letter);
  {
    LayerState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    auto it = state.images.find(letter);
    if (it != state.images.end()) {
      if (!it->second.inserted) return std::nullopt;
      return Source{true, it->second.cue_path};
    }
  }
  const std::optional<fs::DriveEntry> drive = fs::LookupDrive(letter);
  if (!drive || drive->type != DRIVE_CDROM || drive->device.empty()) return std::nullopt;
  return Source{false, drive->device};
}

CdioPtr OpenSource(const Source& source) {
  QuietenLibrary();
  return CdioPtr(cdio_open(source.path.c_str(), source.image ? DRIVER_BINCUE : DRIVER_DEVICE));
}

std::optional<Toc> TocOf(CdIo_t* cdio) {
  const track_t first = cdio_get_first_track_num(cdio);
  const track_t count = cdio_get_num_tracks(cdio);
  if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0 || count > kMaxTracks) {
    return std::nullopt;
  }
  Toc toc;
  toc.first_track = first;
  toc.last_track = first + count - 1;
  int32_t previous = -1;
  for (int number = toc.first_track; number <= toc.last_track; ++number) {
    const lsn_t start = cdio_get_track_lsn(cdio, static_cast<track_t>(number));
    if (start == CDIO_INVALID_LSN || start <= previous) return std::nullopt;
    previous = start;
    TocEntry entry;
    entry.number = number;
    entry.start = start;
    entry.audio = cdio_get_track_format(cdio, static_cast<track_t>(number)) == TRACK_FORMAT_AUDIO;
    toc.tracks.push_back(entry);
  }
  toc.lead_out = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
  if (toc.lead_out == CDIO_INVALID_LSN || toc.lead_out <= previous) return std::nullopt;
  return toc;
}

bool ImageLetter(char letter) {
  LayerState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.images.count(Upper(letter)) != 0;
}

// The real drive behind a letter, for the commands images do not have.
std::string DeviceOf(char letter) {
  if (ImageLetter(letter)) return std::string();
  const std::optional<fs::DriveEntry> drive = fs::LookupDrive(Upper(letter));
  if (!drive || drive->type != DRIVE_CDROM) return std::string();
  return drive->device;
}

CdioPtr OpenDevice(char letter) {
  const std::string device = DeviceOf(letter);
  if (device.empty()) return nullptr;
  return OpenSource(Source{false, device});
}

// Paranoia calls back without a context; reads run one per thread at a time.
thread_local bool g_uncorrected = false;

void ParanoiaCallback(long, paranoia_cb_mode_t mode) {
  if (mode == PARANOIA_CB_SKIP || mode == PARANOIA_CB_DRIFT || mode == PARANOIA_CB_READERR ||
      mode == PARANOIA_CB_CACHEERR) {
    g_uncorrected = true;
  }
}

}  // namespace

CdDiscContents DiscContentsOf(const Toc& toc) {
  CdDiscContents disc;
  for (std::size_t i = 0; i < toc.tracks.size(); ++i) {
    const TocEntry& entry = toc.tracks[i];
    const int32_t end = i + 1 < toc.tracks.size() ? toc.tracks[i + 1].start : toc.lead_out;
    CdTrackInfo track;
    track.number = entry.number;
    track.start_sector = static_cast<DWORD>(entry.start);
    track.sector_count = static_cast<DWORD>(end - entry.start);
    track.audio = entry.audio;
    disc.tracks.push_back(track);
  }
  return disc;
}

std::optional<Toc> ReadToc(char letter) {
  const std::optional<Source> source = SourceOf(letter);
  if (!source) return std::nullopt;
  CdioPtr cdio = OpenSource(*source);
  if (!cdio) return std::nullopt;
  return TocOf(cdio.get());
}

std::optional<CdDiscContents> ReadDiscContents(char letter) {
  const std::optional<Toc> toc = ReadToc(letter);
  if (!toc) return std::nullopt;
  return DiscContentsOf(*toc);
}

CdTrackLister DeviceTrackLister(const std::string& device) {
  return [device]() -> std::optional<CdDiscContents> {
    CdioPtr cdio = OpenSource(Source{false, device});
    if (!cdio) return std::nullopt;
    std::optional<Toc> toc = TocOf(cdio.get());
    if (!toc) return std::nullopt;
    return DiscContentsOf(*toc);
  };
}

void AnnounceMediaChange(bool arrived) {
  PostMessage(HWND_BROADCAST, WM_DEVICECHANGE, arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE, 0);
}

namespace {

// Watches the detected drives (not images, which announce their own
// changes) about once a second and announces discs coming and going.
class MediaPoller {
 public:
  void StartOnce() {
    std::call_once(started_, [this] {
      if (platform::CdDrives().empty()) return;
      thread_ = std::thread([this] { Run(); });
    });
  }
  ~MediaPoller() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

 private:
  void Run() {
    std::map<char, bool> present;
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
      lock.unlock();
      for (const auto& [letter, device] : platform::CdDrives()) {
        if (ImageLetter(letter)) continue;
        CdioPtr cdio = OpenSource(Source{false, device});
        const bool has = cdio && TocOf(cdio.get()).has_value();
        auto it = present.find(letter);
        if (it != present.end() && it->second != has) AnnounceMediaChange(has);
        present[letter] = has;
      }
      lock.lock();
      wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stop_; });
    }
  }

  std::once_flag started_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
};

MediaPoller& Poller() {
  static MediaPoller poller;
  return poller;
}

}  // namespace

void StartMediaChangePolling() { Poller().StartOnce(); }

std::vector<char> CdLetters() {
  std::vector<char> letters;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::optional<fs::DriveEntry> drive = fs::LookupDrive(letter);
    if (drive && drive->type == DRIVE_CDROM) letters.push_back(letter);
  }
  return letters;
}

bool InsertImage(char letter, const std::string& cue_path) {
  letter = Upper(letter);
  if (letter < 'A' || letter > 'Z') return false;
  CdioPtr cdio = OpenSource(Source{true, cue_path});
  if (!cdio || !TocOf(cdio.get())) return false;
  {
    LayerState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.images[letter] = ImageSlot{cue_path, true};
  }
  AnnounceMediaChange(true);
  const std::optional<fs::DriveEntry> drive = fs::LookupDrive(letter);
  if (!drive || drive->type != DRIVE_CDROM || !drive->root.empty()) MapDrive(letter, "", DRIVE_CDROM);
  SetCdTrackLister(letter, [letter] { return ReadDiscContents(letter); });
  return true;
}

void RemoveImage(char letter) {
  LayerState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.images.erase(Upper(letter));
}

bool HoldsImage(char letter) { return ImageLetter(letter); }

bool HasDisc(char letter) { return ReadToc(letter).has_value(); }

bool Eject(char letter) {
  {
    LayerState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    auto it = state.images.find(Upper(letter));
    if (it != state.images.end()) {
      const bool was_in = it->second.inserted;
      it->second.inserted = false;
      if (was_in) AnnounceMediaChange(false);
      return true;
    }
  }
  const std::string device = DeviceOf(letter);
  if (device.empty()) return false;
  QuietenLibrary();
  return cdio_eject_media_drive(device.c_str()) == DRIVER_OP_SUCCESS;
}

bool CloseTray(char letter) {
  {
    LayerState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    auto it = state.images.find(Upper(letter));
    if (it != state.images.end()) {
      const bool was_in = it->second.inserted;
      it->second.inserted = true;
      if (!was_in) AnnounceMediaChange(true);
      return true;
    }
  }
  const std::string device = DeviceOf(letter);
  if (device.empty()) return false;
  QuietenLibrary();
  driver_id_t driver = DRIVER_DEVICE;
  return cdio_close_tray(device.c_str(), &driver) == DRIVER_OP_SUCCESS;
}

bool LockDoor(char letter, bool locked) {
  CdioPtr cdio = OpenDevice(letter);
  if (!cdio) return false;
  // PREVENT ALLOW MEDIUM REMOVAL
  mmc_cdb_t cdb{};
  CDIO_MMC_SET_COMMAND(cdb.field, CDIO_MMC_GPCMD_PREVENT_ALLOW_MEDIUM_REMOVAL);
  cdb.field[4] = locked ? 1 : 0;
  return mmc_run_cmd(cdio.get(), 2000, &cdb, SCSI_MMC_DATA_NONE, 0, nullptr) == DRIVER_OP_SUCCESS;
}

bool PlayAudio(char letter, int32_t from_lsn, int32_t to_lsn) {
  if (from_lsn < 0 || to_lsn <= from_lsn) return false;
  CdioPtr cdio = OpenDevice(letter);
  if (!cdio) return false;
  msf_t start{}, end{};
  cdio_lsn_to_msf(from_lsn, &start);
  cdio_lsn_to_msf(to_lsn, &end);
  return cdio_audio_play_msf(cdio.get(), &start, &end) == DRIVER_OP_SUCCESS;
}

bool PauseAudio(char letter) {
  CdioPtr cdio = OpenDevice(letter);
  return cdio && cdio_audio_pause(cdio.get()) == DRIVER_OP_SUCCESS;
}

bool ResumeAudio(char letter) {
  CdioPtr cdio = OpenDevice(letter);
  return cdio && cdio_audio_resume(cdio.get()) == DRIVER_OP_SUCCESS;
}

bool StopAudio(char letter) {
  CdioPtr cdio = OpenDevice(letter);
  return cdio && cdio_audio_stop(cdio.get()) == DRIVER_OP_SUCCESS;
}

AudioStatus GetAudioStatus(char letter, int32_t* position_lsn) {
  CdioPtr cdio = OpenDevice(letter);
  if (!cdio) return AudioStatus::kNoStatus;
  cdio_subchannel_t sub{};
  if (cdio_audio_read_subchannel(cdio.get(), &sub) != DRIVER_OP_SUCCESS) return AudioStatus::kNoStatus;
  if (position_lsn != nullptr) *position_lsn = cdio_msf_to_lsn(&sub.abs_addr);
  switch (sub.audio_status) {
    case CDIO_MMC_READ_SUB_ST_PLAY:
      return AudioStatus::kPlaying;
    case CDIO_MMC_READ_SUB_ST_PAUSED:
      return AudioStatus::kPaused;
    case CDIO_MMC_READ_SUB_ST_COMPLETED:
      return AudioStatus::kCompleted;
    case CDIO_MMC_READ_SUB_ST_ERROR:
      return AudioStatus::kError;
    default:
      return AudioStatus::kNoStatus;
  }
}

struct AudioReader::Handles {
  CdioPtr cdio;
  cdrom_drive_t* drive = nullptr;
  cdrom_paranoia_t* paranoia = nullptr;

  ~Handles() {
    if (paranoia != nullptr) cdio_paranoia_free(paranoia);
    if (drive != nullptr) cdio_cddap_close_no_free_cdio(drive);
  }
};

std::unique_ptr<AudioReader> AudioReader::Open(char letter) {
  const std::optional<Source> source = SourceOf(letter);
  if (!source) return nullptr;
  auto handles = std::make_unique<Handles>();
  handles->cdio = OpenSource(*source);
  if (!handles->cdio) return nullptr;
  std::optional<Toc> toc = TocOf(handles->cdio.get());
  if (!toc) return nullptr;
  handles->drive = cdio_cddap_identify_cdio(handles->cdio.get(), CDDA_MESSAGE_FORGETIT, nullptr);
  if (handles->drive == nullptr) return nullptr;
  cdio_cddap_verbose_set(handles->drive, CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
  if (cdio_cddap_open(handles->drive) != 0) return nullptr;
  handles->paranoia = cdio_paranoia_init(handles->drive);
  if (handles->paranoia == nullptr) return nullptr;
  cdio_paranoia_modeset(handles->paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
  std::unique_ptr<AudioReader> reader(new AudioReader);
  reader->handles_ = std::move(handles);
  reader->toc_ = std::move(*toc);
  return reader;
}

AudioReader::~AudioReader() = default;

long AudioReader::ReadSectors(int32_t lsn, long count, void* buffer) {
  if (lsn < 0 || count <= 0 || buffer == nullptr) return 0;
  // Reads past the lead-out are cut to it.
  if (lsn >= toc_.lead_out) return 0;
  if (count > toc_.lead_out - lsn) count = toc_.lead_out - lsn;
  auto* out = static_cast<unsigned char*>(buffer);
  long done = 0;
  while (done < count) {
    const long got = cdio_cddap_read(handles_->drive, out + done * kSectorBytes, lsn + done, count - done);
    if (got <= 0) break;  // the library may return fewer than asked; none is an error
    done += got;
  }
  return done;
}

bool AudioReader::Seek(int32_t lsn) {
  if (lsn < 0 || lsn > toc_.lead_out) return false;
  return cdio_paranoia_seek(handles_->paranoia, lsn, SEEK_SET) >= 0;
}

bool AudioReader::ReadCorrected(void* sector, bool* uncorrected) {
  g_uncorrected = false;
  const int16_t* data = cdio_paranoia_read_limited(handles_->paranoia, ParanoiaCallback, 5);
  if (uncorrected != nullptr) *uncorrected = g_uncorrected;
  if (data == nullptr) return false;
  std::memcpy(sector, data, kSectorBytes);
  return true;
}

void AudioReader::SetCorrection(int mode) { cdio_paranoia_modeset(handles_->paranoia, mode); }

}  // namespace platform::cd
