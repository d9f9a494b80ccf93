// The root of an audio CD as the platform shows it: one "TrackNN.cda" file
// per audio track, each a 44-byte RIFF "CDDA" record that names the track
// and where it lies on the disc.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/fs/drives.h"

namespace platform::fs {

constexpr DWORD kCdTrackFileSize = 44;

// "Track01.cda", "Track12.cda".
std::string CdTrackFileName(int track_number);
// The audio track a root-folder name stands for (ignoring case), if any.
const CdTrackInfo* FindCdTrack(const CdDiscContents& disc, std::string_view name);
// The volume serial number: the disc's own, or one derived from its table of contents.
DWORD CdDiscSerial(const CdDiscContents& disc);
// The 44 bytes of a track file.
std::string CdTrackFileBytes(const CdDiscContents& disc, const CdTrackInfo& track);

}  // namespace platform::fs
