// FFmpeg's calls, bound at run time for the WMA add-on and the ASF input
// plug-in. FFmpeg and the many libraries it depends on are loaded when the
// first ASF file is opened, not with the add-on or the plug-in, which the
// player loads at start: most runs never open one.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libswresample/swresample.h>
}

namespace velko_ffmpeg {

#define VELKO_FFMPEG_CALLS(X)                                                                        \
  X(avformat, avformat_alloc_context) X(avformat, avformat_open_input)                              \
  X(avformat, avformat_find_stream_info) X(avformat, avformat_close_input)                          \
  X(avformat, av_find_input_format) X(avformat, av_find_best_stream) X(avformat, av_read_frame)     \
  X(avformat, av_seek_frame) X(avformat, avio_alloc_context) X(avformat, avio_context_free)         \
  X(avcodec, avcodec_find_decoder) X(avcodec, avcodec_alloc_context3)                               \
  X(avcodec, avcodec_parameters_to_context) X(avcodec, avcodec_open2) X(avcodec, avcodec_free_context) \
  X(avcodec, avcodec_send_packet) X(avcodec, avcodec_receive_frame) X(avcodec, avcodec_flush_buffers) \
  X(avcodec, av_packet_alloc) X(avcodec, av_packet_free) X(avcodec, av_packet_unref)                \
  X(swresample, swr_alloc_set_opts2) X(swresample, swr_init) X(swresample, swr_free)                \
  X(swresample, swr_get_out_samples) X(swresample, swr_convert)                                     \
  X(avutil, av_malloc) X(avutil, av_free) X(avutil, av_freep) X(avutil, av_log_set_level)           \
  X(avutil, av_dict_get) X(avutil, av_channel_layout_copy) X(avutil, av_channel_layout_default)     \
  X(avutil, av_channel_layout_uninit) X(avutil, av_frame_alloc) X(avutil, av_frame_free)            \
  X(avutil, av_frame_unref) X(avutil, av_rescale) X(avutil, av_rescale_q)

struct Library {
#define VELKO_FFMPEG_MEMBER(library, name) decltype(&::name) name = nullptr;
  VELKO_FFMPEG_CALLS(VELKO_FFMPEG_MEMBER)
#undef VELKO_FFMPEG_MEMBER
};

// Loads FFmpeg once and quiets its log (broken and hostile files are
// expected; their complaints are not shown). False, and nothing bound, when
// a library or a call is missing; a later call tries again.
bool Load();
// The bound calls; only after Load has succeeded.
const Library& Ff();

}  // namespace velko_ffmpeg
