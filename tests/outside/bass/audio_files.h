// Real audio files for the audio library's tests: PCM signals, and files
// written with the real encoders (LAME for MP3, libvorbisenc for Ogg, FFmpeg's
// WMA encoder for ASF) or built byte by byte (WAV, a small MOD).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bass_test {

// Interleaved 16-bit samples with their format.
struct Pcm {
  int rate = 44100;
  int channels = 2;
  std::vector<std::int16_t> samples;
  std::size_t frames() const { return samples.size() / channels; }
};

// A sine of `hz` at `amplitude` (0..1 of full scale) in every channel.
Pcm Sine(double hz, double seconds, int rate = 44100, int channels = 2, double amplitude = 0.5);
// Samples that name their own frame: frame i holds (i mod 30000) in every
// channel, so a test can tell which frame it is hearing.
Pcm FrameCounter(std::size_t frames, int rate = 44100, int channels = 2);

// RIFF WAVE with 16-bit samples, or 8-bit (the samples' high bytes) when
// `bits` is 8.
std::string WavBytes(const Pcm& pcm, int bits = 16);
// With `info_tag` the first frame carries the exact sample count (LAME's
// Info tag); without it only a scan of every frame tells the length.
std::string Mp3Bytes(const Pcm& pcm, int kbps = 128, bool info_tag = true);
std::string OggBytes(const Pcm& pcm, float quality = 0.4f);
// An ASF file with WMA version 2 audio, written to `path`.
void WriteWma(const Pcm& pcm, const std::filesystem::path& path);

// A 4-channel ProTracker MOD: one square-wave sample played on row 0, the
// pattern broken after `rows` rows at speed 6 and 125 BPM (20 ms a tick), so
// it lasts rows * 0.12 s.
std::string ModBytes(int rows = 16);
double ModSeconds(int rows = 16);

}  // namespace bass_test
