#include "tests/outside/bass/audio_files.h"

#include <lame/lame.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cmath>
#include <cstring>
#include <ctime>
#include <numbers>
#include <stdexcept>

#include "tests/support/vorbis_writer.h"

namespace bass_test {

namespace {

void Put16(std::string& s, std::uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& s, std::uint32_t v) {
  Put16(s, static_cast<std::uint16_t>(v & 0xFFFF));
  Put16(s, static_cast<std::uint16_t>(v >> 16));
}
void PutBe16(std::string& s, std::uint16_t v) {
  s.push_back(static_cast<char>(v >> 8));
  s.push_back(static_cast<char>(v & 0xFF));
}

}  // namespace

Pcm Sine(double hz, double seconds, int rate, int channels, double amplitude) {
  Pcm pcm;
  pcm.rate = rate;
  pcm.channels = channels;
  const auto frames = static_cast<std::size_t>(seconds * rate);
  pcm.samples.resize(frames * channels);
  for (std::size_t i = 0; i < frames; ++i) {
    const double v = amplitude * 32767.0 * std::sin(2.0 * std::numbers::pi * hz * i / rate);
    for (int c = 0; c < channels; ++c) pcm.samples[i * channels + c] = static_cast<std::int16_t>(std::lround(v));
  }
  return pcm;
}

Pcm FrameCounter(std::size_t frames, int rate, int channels) {
  Pcm pcm;
  pcm.rate = rate;
  pcm.channels = channels;
  pcm.samples.resize(frames * channels);
  for (std::size_t i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) pcm.samples[i * channels + c] = static_cast<std::int16_t>(i % 30000);
  }
  return pcm;
}

std::string WavBytes(const Pcm& pcm, int bits) {
  const std::uint32_t bytes_per_sample = bits / 8;
  const std::uint32_t data_bytes =
      static_cast<std::uint32_t>(pcm.samples.size()) * bytes_per_sample;
  std::string s = "RIFF";
  Put32(s, 36 + data_bytes);
  s += "WAVEfmt ";
  Put32(s, 16);
  Put16(s, 1);
  Put16(s, static_cast<std::uint16_t>(pcm.channels));
  Put32(s, static_cast<std::uint32_t>(pcm.rate));
  Put32(s, static_cast<std::uint32_t>(pcm.rate * pcm.channels) * bytes_per_sample);
  Put16(s, static_cast<std::uint16_t>(pcm.channels * bytes_per_sample));
  Put16(s, static_cast<std::uint16_t>(bits));
  s += "data";
  Put32(s, data_bytes);
  for (std::int16_t v : pcm.samples) {
    if (bits == 8) {
      s.push_back(static_cast<char>((v >> 8) + 128));
    } else {
      Put16(s, static_cast<std::uint16_t>(v));
    }
  }
  return s;
}

std::string Mp3Bytes(const Pcm& pcm, int kbps, bool info_tag) {
  lame_global_flags* lame = lame_init();
  lame_set_in_samplerate(lame, pcm.rate);
  lame_set_out_samplerate(lame, pcm.rate);
  lame_set_num_channels(lame, pcm.channels);
  lame_set_mode(lame, pcm.channels == 1 ? MONO : JOINT_STEREO);
  lame_set_brate(lame, kbps);
  lame_set_bWriteVbrTag(lame, info_tag ? 1 : 0);
  if (lame_init_params(lame) < 0) throw std::runtime_error("lame_init_params failed");
  std::string out;
  std::vector<unsigned char> buffer(pcm.frames() * 5 / 4 + 7200 + 16384);
  int n = 0;
  if (pcm.channels == 2) {
    n = lame_encode_buffer_interleaved(lame, const_cast<short*>(pcm.samples.data()),
                                       static_cast<int>(pcm.frames()), buffer.data(),
                                       static_cast<int>(buffer.size()));
  } else {
    n = lame_encode_buffer(lame, pcm.samples.data(), pcm.samples.data(),
                           static_cast<int>(pcm.frames()), buffer.data(),
                           static_cast<int>(buffer.size()));
  }
  if (n < 0) throw std::runtime_error("lame_encode_buffer failed");
  out.append(reinterpret_cast<char*>(buffer.data()), static_cast<std::size_t>(n));
  n = lame_encode_flush(lame, buffer.data(), static_cast<int>(buffer.size()));
  out.append(reinterpret_cast<char*>(buffer.data()), static_cast<std::size_t>(n));
  // The Info frame at the start carries the exact sample count.
  std::size_t tag = info_tag ? lame_get_lametag_frame(lame, buffer.data(), buffer.size()) : 0;
  if (tag > 0 && tag <= out.size()) std::memcpy(out.data(), buffer.data(), tag);
  lame_close(lame);
  return out;
}

std::string OggBytes(const Pcm& pcm, float quality) {
  std::vector<float> samples(pcm.samples.size());
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = pcm.samples[i] / 32768.0f;
  velko_test::VorbisParameters parameters;
  parameters.sample_rate = pcm.rate;
  parameters.channels = pcm.channels;
  parameters.quality = quality;
  return velko_test::EncodeVorbis(samples, parameters);
}

void WriteWma(const Pcm& pcm, const std::filesystem::path& path) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
  if (codec == nullptr) throw std::runtime_error("no WMA encoder");
  AVFormatContext* oc = nullptr;
  if (avformat_alloc_output_context2(&oc, nullptr, "asf", path.c_str()) < 0) {
    throw std::runtime_error("no ASF muxer");
  }
  AVStream* stream = avformat_new_stream(oc, nullptr);
  AVCodecContext* enc = avcodec_alloc_context3(codec);
  enc->sample_fmt = AV_SAMPLE_FMT_FLTP;
  enc->sample_rate = pcm.rate;
  av_channel_layout_default(&enc->ch_layout, pcm.channels);
  enc->bit_rate = 128000;
  enc->time_base = AVRational{1, pcm.rate};
  if (oc->oformat->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (avcodec_open2(enc, codec, nullptr) < 0) throw std::runtime_error("cannot open WMA encoder");
  avcodec_parameters_from_context(stream->codecpar, enc);
  stream->time_base = enc->time_base;
  if (avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) throw std::runtime_error("avio_open");
  if (avformat_write_header(oc, nullptr) < 0) throw std::runtime_error("write header");
  AVPacket* packet = av_packet_alloc();
  auto drain = [&] {
    while (avcodec_receive_packet(enc, packet) == 0) {
      av_packet_rescale_ts(packet, enc->time_base, stream->time_base);
      packet->stream_index = stream->index;
      av_interleaved_write_frame(oc, packet);
    }
  };
  const int frame_size = enc->frame_size;
  AVFrame* frame = av_frame_alloc();
  std::size_t done = 0;
  while (done < pcm.frames()) {
    const int n = static_cast<int>(std::min<std::size_t>(frame_size, pcm.frames() - done));
    frame->nb_samples = frame_size;
    frame->format = enc->sample_fmt;
    av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
    frame->sample_rate = pcm.rate;
    av_frame_get_buffer(frame, 0);
    for (int c = 0; c < pcm.channels; ++c) {
      auto* plane = reinterpret_cast<float*>(frame->data[c]);
      for (int i = 0; i < frame_size; ++i) {
        plane[i] = i < n ? pcm.samples[(done + i) * pcm.channels + c] / 32768.0f : 0.0f;
      }
    }
    frame->pts = static_cast<std::int64_t>(done);
    avcodec_send_frame(enc, frame);
    av_frame_unref(frame);
    drain();
    done += static_cast<std::size_t>(n);
  }
  avcodec_send_frame(enc, nullptr);
  drain();
  av_write_trailer(oc);
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&enc);
  avio_closep(&oc->pb);
  avformat_free_context(oc);
}

std::string ModBytes(int rows) {
  constexpr std::uint16_t kSampleWords = 2000;
  std::string s(20, '\0');
  std::memcpy(s.data(), "velko test", 10);
  for (int i = 0; i < 31; ++i) {
    std::string header(22, '\0');
    if (i == 0) {
      std::memcpy(header.data(), "square", 6);
      s += header;
      PutBe16(s, kSampleWords);
      s.push_back(0);           // finetune
      s.push_back(64);          // volume
      PutBe16(s, 0);            // repeat offset
      PutBe16(s, kSampleWords); // repeat length: loops for the whole song
    } else {
      s += header;
      PutBe16(s, 0);
      s.push_back(0);
      s.push_back(0);
      PutBe16(s, 0);
      PutBe16(s, 1);
    }
  }
  s.push_back(1);    // song length: one order
  s.push_back(127);  // restart byte
  std::string orders(128, '\0');
  s += orders;
  s += "M.K.";
  // One pattern: 64 rows x 4 channels x 4 bytes.
  std::string pattern(64 * 4 * 4, '\0');
  auto cell = [&](int row, int channel) { return pattern.data() + (row * 4 + channel) * 4; };
  // Row 0, channel 0: sample 1 at period 428 (C-3).
  char* c = cell(0, 0);
  c[0] = static_cast<char>(0x00 | (428 >> 8));
  c[1] = static_cast<char>(428 & 0xFF);
  c[2] = static_cast<char>(0x10);
  c[3] = 0;
  // Pattern break on the last row wanted ends the song there.
  if (rows < 64) {
    char* b = cell(rows - 1, 1);
    b[2] = 0x0D;
    b[3] = 0x00;
  }
  s += pattern;
  for (int i = 0; i < kSampleWords * 2; ++i) s.push_back(static_cast<char>((i / 20) % 2 ? 80 : -80));
  return s;
}

double ModSeconds(int rows) { return rows * 6 * 0.02; }

}  // namespace bass_test
