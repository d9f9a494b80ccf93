// TWAVfile: reads the 44-byte header of a RIFF WAVE file.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/Object.h"

class TWAVfile : public TObject {
 public:
  TWAVfile() { ResetData(); }

  bool Valid = false;
  std::uint8_t ChannelModeID = 0;  // channel count
  std::uint32_t SampleRate = 0;    // Hz
  std::uint16_t BitsPerSample = 0;
  // The RIFF size plus the 8 bytes before it. Kept in 64 bits: a streamed
  // file may give 0xFFFFFFFF.
  std::int64_t FileSize = 0;

  void ResetData();
  // False when the file cannot be opened or holds fewer than 44 bytes.
  bool ReadFromFile(const String& FileName);
  // Seconds of audio after the 44-byte header; 0 when not valid.
  double GetDuration() const;
};
