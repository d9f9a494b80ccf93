// TLameCoder: encodes WAV (or raw 16-bit PCM) files to MP3 through
// lame_enc.dll, pumping the message queue after every chunk.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "classlib/Components.h"
#include "classlib/Exceptions.h"
#include "classlib/Strings.h"
#include "outside/lame_enc/lame_enc_api.h"

enum MPEG_QUALITY { NORMAL_QUALITY = 0, LOW_QUALITY = 1, HIGH_QUALITY = 2, VOICE_QUALITY = 3 };
enum TLameMode { STEREO = 0, JSTEREO = 1, DUALCHANNEL = 2, MONO = 3 };

VELKO_DECLARE_EXCEPTION(ELameError, Exception);

class TLameVersion : public TPersistent {
 public:
  TLameVersion();
  void Assign(TPersistent* Source) override;
  uint8_t DLLMajorVersion = 0;
  uint8_t DLLMinorVersion = 0;
  uint8_t MajorVersion = 0;
  uint8_t MinorVersion = 0;
};

using TLameFileEvent = std::function<void(TObject* Sender, uint16_t Index, const String& FileName)>;
using TLameProgressEvent = std::function<void(TObject* Sender, uint16_t Percent)>;

class TLameCoder : public TComponent {
 public:
  explicit TLameCoder(TComponent* AOwner);
  ~TLameCoder() override;
  void Assign(TPersistent* Source) override;

  int32_t SampleRate = 44100;
  int32_t Bitrate = 128;
  int32_t MaxBitrate = 320;
  MPEG_QUALITY Quality = NORMAL_QUALITY;
  int32_t Private = 0;
  int32_t CRC = -1;
  TLameMode Mode = STEREO;
  int32_t Copyright = 0;
  int32_t Original = 0;
  int32_t WriteVBRHeader = 0;
  int32_t EnableVBR() const { return enable_vbr_; }
  // Also sets WriteVBRHeader to the same value.
  void SetEnableVBR(int32_t Value);
  int32_t VBRQuality = 4;

  TStrings* InputFiles() const { return input_files_.get(); }
  // Assigns the list and derives one output name for each input.
  void SetInputFiles(TStrings* Value);
  TStrings* OutputFiles() const { return output_files_.get(); }
  void SetOutputFiles(TStrings* Value);
  TLameVersion* LameVersion() const { return version_.get(); }
  String DefaultExt = ".mp3";
  String Mp3FileName;

  TNotifyEvent OnBeginProcess;
  TLameFileEvent OnBeginFile;
  TLameFileEvent OnEndFile;
  TNotifyEvent OnEndProcess;
  TLameProgressEvent OnProgress;

  // Fills the configuration and opens an encoder stream; the library's result.
  uint32_t InitStream();
  // Encodes every input to its output. Raises ELameError.
  void Encode();

 private:
  void EncodeFile(int Index);
  void Release();

  int32_t enable_vbr_ = 0;
  std::unique_ptr<TStringList> input_files_;
  std::unique_ptr<TStringList> output_files_;
  std::unique_ptr<TLameVersion> version_;
  BE_CONFIG config_{};
  HBE_STREAM stream_ = 0;
  bool stream_open_ = false;
  uint32_t samples_ = 0;
  uint32_t output_size_ = 0;
  std::vector<uint8_t> input_buffer_;
  std::vector<uint8_t> output_buffer_;
  std::unique_ptr<class TFileStream> input_;
  // Written beside the output name and moved over it once complete.
  std::unique_ptr<class TReplacingFileStream> output_;
  uint8_t header_[44] = {};
  bool abort_ = false;
  // The format of the file being encoded.
  int32_t file_rate_ = 44100;
  TLameMode file_mode_ = STEREO;
};
