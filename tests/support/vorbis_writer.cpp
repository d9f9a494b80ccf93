#include "tests/support/vorbis_writer.h"

#include <ogg/ogg.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <stdexcept>

namespace velko_test {

std::string EncodeVorbis(const std::vector<float>& interleaved, const VorbisParameters& parameters) {
  const int channels = parameters.channels;
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, channels, parameters.sample_rate, parameters.quality) != 0) {
    vorbis_info_clear(&info);
    throw std::runtime_error("vorbis_encode_init_vbr failed");
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  for (const auto& [name, value] : parameters.comments) vorbis_comment_add_tag(&comment, name.c_str(), value.c_str());
  vorbis_dsp_state dsp;
  vorbis_block block;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, parameters.serial);

  std::string out;
  ogg_page page;
  auto write_page = [&] {
    out.append(reinterpret_cast<const char*>(page.header), static_cast<std::size_t>(page.header_len));
    out.append(reinterpret_cast<const char*>(page.body), static_cast<std::size_t>(page.body_len));
  };
  ogg_packet header, header_comment, header_code;
  vorbis_analysis_headerout(&dsp, &comment, &header, &header_comment, &header_code);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &header_comment);
  ogg_stream_packetin(&stream, &header_code);
  while (ogg_stream_flush(&stream, &page) != 0) write_page();

  const std::size_t frames = interleaved.size() / static_cast<std::size_t>(channels);
  constexpr std::size_t kChunk = 1024;
  std::size_t done = 0;
  bool end = false;
  while (!end) {
    const std::size_t n = std::min(kChunk, frames - done);
    if (n > 0) {
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
      for (std::size_t i = 0; i < n; ++i) {
        for (int c = 0; c < channels; ++c) buffer[c][i] = interleaved[(done + i) * channels + c];
      }
      vorbis_analysis_wrote(&dsp, static_cast<int>(n));
      done += n;
    } else {
      vorbis_analysis_wrote(&dsp, 0);
    }
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
        ogg_stream_packetin(&stream, &packet);
        while (!end && ogg_stream_pageout(&stream, &page) != 0) {
          write_page();
          if (ogg_page_eos(&page)) end = true;
        }
      }
    }
    if (n == 0 && !end) {
      while (ogg_stream_flush(&stream, &page) != 0) write_page();
      end = true;
    }
  }
  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return out;
}

}  // namespace velko_test
