#include "platform/mm/mci_cdaudio.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "platform/cd/cd.h"

namespace platform::mm {

namespace {

constexpr DWORD kLeadIn = 150;

DWORD MakeMsf(DWORD frames) { return (frames / 4500) | ((frames / 75) % 60) << 8 | (frames % 75) << 16; }
DWORD MsfFrames(DWORD msf) { return (msf & 0xFF) * 4500 + ((msf >> 8) & 0xFF) * 75 + ((msf >> 16) & 0xFF); }

class CdAudioDevice : public MciDevice {
 public:
  explicit CdAudioDevice(char letter) : letter_(letter) {}

  // A track file ("K:\\Track02.cda") opens the device of its letter.
  MCIERROR Open(const std::string& element, DWORD) override {
    if (element.size() >= 2 && element[1] == ':') {
      const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(element[0])));
      const std::vector<char> letters = cd::CdLetters();
      if (std::find(letters.begin(), letters.end(), letter) == letters.end()) return MCIERR_INVALID_FILE;
      letter_ = letter;
    }
    return 0;
  }

  MCIERROR Command(UINT message, DWORD_PTR flags, DWORD_PTR params) override {
    switch (message) {
      case MCI_CLOSE: return 0;
      case MCI_SET: return Set(flags, reinterpret_cast<MCI_SET_PARMS*>(params));
      case MCI_STATUS: return Status(flags, reinterpret_cast<MCI_STATUS_PARMS*>(params));
      case MCI_PLAY: return Play(flags, reinterpret_cast<MCI_PLAY_PARMS*>(params));
      case MCI_SEEK: return Seek(flags, reinterpret_cast<MCI_SEEK_PARMS*>(params));
      case MCI_STOP: return cd::StopAudio(letter_) ? 0 : MCIERR_HARDWARE;
      case MCI_PAUSE: return cd::PauseAudio(letter_) ? 0 : MCIERR_HARDWARE;
      case MCI_RESUME: return cd::ResumeAudio(letter_) ? 0 : MCIERR_HARDWARE;
      default: return MCIERR_UNSUPPORTED_FUNCTION;
    }
  }

 private:
  // A position (lead-in counted) or length in the device's time format.
  DWORD Encode(DWORD frames, bool position, int track) const {
    switch (format_) {
      case MCI_FORMAT_MSF: return MakeMsf(frames);
      case MCI_FORMAT_FRAMES: return frames;
      case MCI_FORMAT_TMSF: {
        const DWORD msf = MakeMsf(position && track > 0 ? frames - StartFrames(track) : frames);
        return static_cast<DWORD>(track) | msf << 8;
      }
      default: return static_cast<DWORD>(static_cast<uint64_t>(frames) * 1000 / 75);
    }
  }
  // A position given in the device's time format, as a sector number.
  std::optional<int32_t> DecodePosition(DWORD value) const {
    switch (format_) {
      case MCI_FORMAT_MSF: return static_cast<int32_t>(MsfFrames(value)) - static_cast<int32_t>(kLeadIn);
      case MCI_FORMAT_FRAMES: return static_cast<int32_t>(value) - static_cast<int32_t>(kLeadIn);
      case MCI_FORMAT_TMSF: {
        const int track = static_cast<int>(value & 0xFF);
        if (!Entry(track)) return std::nullopt;
        return Entry(track)->start + static_cast<int32_t>(MsfFrames(value >> 8));
      }
      default: return static_cast<int32_t>(static_cast<uint64_t>(value) * 75 / 1000) - static_cast<int32_t>(kLeadIn);
    }
  }

  std::optional<cd::Toc> Toc() const { return cd::ReadToc(letter_); }
  std::optional<cd::TocEntry> Entry(int track) const {
    auto toc = Toc();
    if (!toc) return std::nullopt;
    for (const cd::TocEntry& e : toc->tracks)
      if (e.number == track) return e;
    return std::nullopt;
  }
  DWORD StartFrames(int track) const {
    auto e = Entry(track);
    return e ? static_cast<DWORD>(e->start) + kLeadIn : 0;
  }

  MCIERROR Set(DWORD_PTR flags, MCI_SET_PARMS* p) {
    if (flags & MCI_SET_DOOR_OPEN) return cd::Eject(letter_) ? 0 : MCIERR_HARDWARE;
    if (flags & MCI_SET_DOOR_CLOSED) return cd::CloseTray(letter_) ? 0 : MCIERR_HARDWARE;
    if (flags & MCI_SET_TIME_FORMAT) {
      if (!p) return MCIERR_MISSING_PARAMETER;
      if (p->dwTimeFormat != MCI_FORMAT_MILLISECONDS && p->dwTimeFormat != MCI_FORMAT_MSF &&
          p->dwTimeFormat != MCI_FORMAT_FRAMES && p->dwTimeFormat != MCI_FORMAT_TMSF)
        return MCIERR_OUTOFRANGE;
      format_ = p->dwTimeFormat;
      return 0;
    }
    return MCIERR_MISSING_PARAMETER;
  }

  MCIERROR Status(DWORD_PTR flags, MCI_STATUS_PARMS* p) {
    if (!p || !(flags & MCI_STATUS_ITEM)) return MCIERR_MISSING_PARAMETER;
    const bool by_track = (flags & MCI_TRACK) != 0;
    switch (p->dwItem) {
      case MCI_STATUS_MEDIA_PRESENT: p->dwReturn = cd::HasDisc(letter_) ? 1 : 0; return 0;
      case MCI_STATUS_READY: p->dwReturn = 1; return 0;
      case MCI_STATUS_TIME_FORMAT: p->dwReturn = format_; return 0;
      case MCI_STATUS_MODE: {
        switch (cd::GetAudioStatus(letter_)) {
          case cd::AudioStatus::kPlaying: p->dwReturn = MCI_MODE_PLAY; break;
          case cd::AudioStatus::kPaused: p->dwReturn = MCI_MODE_PAUSE; break;
          default: p->dwReturn = cd::HasDisc(letter_) ? MCI_MODE_STOP : MCI_MODE_OPEN; break;
        }
        return 0;
      }
      default: break;
    }
    auto toc = Toc();
    if (!toc) return MCIERR_DEVICE_NOT_READY;
    const int count = static_cast<int>(toc->tracks.size());
    const auto index_of = [&](int track) { return track - toc->first_track; };
    if (by_track && (index_of(static_cast<int>(p->dwTrack)) < 0 || index_of(static_cast<int>(p->dwTrack)) >= count))
      return MCIERR_OUTOFRANGE;
    const int i = by_track ? index_of(static_cast<int>(p->dwTrack)) : 0;
    const auto end_of = [&](int index) { return index + 1 < count ? toc->tracks[index + 1].start : toc->lead_out; };
    switch (p->dwItem) {
      case MCI_STATUS_NUMBER_OF_TRACKS: p->dwReturn = static_cast<DWORD>(count); return 0;
      case MCI_STATUS_LENGTH: {
        const DWORD frames = by_track ? static_cast<DWORD>(end_of(i) - toc->tracks[i].start)
                                      : static_cast<DWORD>(toc->lead_out - toc->tracks[0].start);
        p->dwReturn = format_ == MCI_FORMAT_TMSF ? MakeMsf(frames) : Encode(frames, false, 0);
        return 0;
      }
      case MCI_STATUS_POSITION: {
        if (by_track) {
          p->dwReturn = Encode(static_cast<DWORD>(toc->tracks[i].start) + kLeadIn, true, toc->tracks[i].number);
          return 0;
        }
        int32_t lsn = position_;
        if (cd::GetAudioStatus(letter_, &lsn) == cd::AudioStatus::kNoStatus) lsn = position_;
        int track = toc->first_track;
        for (const cd::TocEntry& e : toc->tracks)
          if (e.start <= lsn) track = e.number;
        p->dwReturn = Encode(static_cast<DWORD>(lsn) + kLeadIn, true, track);
        return 0;
      }
      case MCI_STATUS_CURRENT_TRACK: {
        int track = toc->first_track;
        for (const cd::TocEntry& e : toc->tracks)
          if (e.start <= position_) track = e.number;
        p->dwReturn = static_cast<DWORD>(track);
        return 0;
      }
      default: return MCIERR_UNSUPPORTED_FUNCTION;
    }
  }

  MCIERROR Play(DWORD_PTR flags, MCI_PLAY_PARMS* p) {
    auto toc = Toc();
    if (!toc) return MCIERR_DEVICE_NOT_READY;
    int32_t from = position_, to = toc->lead_out - 1;
    if (p && (flags & MCI_FROM)) {
      auto f = DecodePosition(p->dwFrom);
      if (!f) return MCIERR_OUTOFRANGE;
      from = *f;
    }
    if (p && (flags & MCI_TO)) {
      auto t = DecodePosition(p->dwTo);
      if (!t) return MCIERR_OUTOFRANGE;
      to = *t - 1;
    }
    if (from < 0 || to < from || to >= toc->lead_out) return MCIERR_OUTOFRANGE;
    position_ = from;
    return cd::PlayAudio(letter_, from, to) ? 0 : MCIERR_HARDWARE;
  }

  MCIERROR Seek(DWORD_PTR flags, MCI_SEEK_PARMS* p) {
    auto toc = Toc();
    if (!toc) return MCIERR_DEVICE_NOT_READY;
    cd::StopAudio(letter_);
    if (flags & MCI_SEEK_TO_START) position_ = toc->tracks.front().start;
    else if (flags & MCI_SEEK_TO_END) position_ = toc->lead_out;
    else if (p && (flags & MCI_TO)) {
      auto to = DecodePosition(p->dwTo);
      if (!to || *to < 0 || *to > toc->lead_out) return MCIERR_OUTOFRANGE;
      position_ = *to;
    } else {
      return MCIERR_MISSING_PARAMETER;
    }
    return 0;
  }

  char letter_;
  DWORD format_ = MCI_FORMAT_MSF;
  int32_t position_ = 0;
};

}  // namespace

std::unique_ptr<MciDevice> MakeCdAudioDevice(int ordinal) {
  const std::vector<char> letters = cd::CdLetters();
  if (ordinal < 0 || ordinal >= static_cast<int>(letters.size())) return nullptr;
  return std::make_unique<CdAudioDevice>(letters[static_cast<size_t>(ordinal)]);
}

DWORD CdAudioDeviceCount() { return static_cast<DWORD>(cd::CdLetters().size()); }

}  // namespace platform::mm
