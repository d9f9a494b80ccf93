// in_asf.dll: a Winamp 2 input plug-in for the audio of ASF files, decoded by
// FFmpeg.
#include <memory>
#include <optional>
#include <string>

#include "outside/plugins/common/decoder_module.h"
#include "outside/plugins/common/plugin_player.h"
#include "outside/plugins/in_asf/asf_decoder.h"
#include "outside/winamp/winamp_api.h"

#define PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::unique_ptr<velko_asf::AsfDecoder> OpenFile(const char* file) {
  const std::optional<std::string> native = velko_plugin::NativePath(file);
  if (!native) return nullptr;
  return velko_asf::AsfDecoder::Open(*native, file);
}

struct AsfPlugin {
  static constexpr char kDescription[] = "Velko ASF audio player 1.0";
  static constexpr char kExtensions[] = "ASF\0ASF files (*.ASF)\0";

  static std::unique_ptr<velko_plugin::Decoder> Open(const char* file, int* /*error*/) { return OpenFile(file); }

  static void FileInfo(const char* file, char* title, int* length_in_ms) {
    const std::unique_ptr<velko_asf::AsfDecoder> decoder = OpenFile(file);
    velko_plugin::CopyTitle(decoder ? decoder->title() : velko_plugin::BaseTitle(file), title);
    if (length_in_ms != nullptr) *length_in_ms = decoder ? decoder->length_ms() : 0;
  }
};

}  // namespace

PLUGIN_EXPORT In_Module* winampGetInModule2() { return velko_plugin::DecoderModule<AsfPlugin>::Get(); }
