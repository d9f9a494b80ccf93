#include "ripper/LameCoder.h"

#include <cmath>
#include <cstring>

#include "classlib/Application.h"
#include "classlib/PathRoutines.h"
#include "classlib/Streams.h"
#include "ripper/ReplacingFile.h"

namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

[[noreturn]] void ReadError() { throw ELameError("Read Error"); }

}  // namespace

TLameVersion::TLameVersion() {
  BE_VERSION v{};
  beVersion(&v);
  DLLMajorVersion = v.byDLLMajorVersion;
  DLLMinorVersion = v.byDLLMinorVersion;
  MajorVersion = v.byMajorVersion;
  MinorVersion = v.byMinorVersion;
}

void TLameVersion::Assign(TPersistent* Source) {
  if (auto* other = dynamic_cast<TLameVersion*>(Source)) {
    DLLMajorVersion = other->DLLMajorVersion;
    DLLMinorVersion = other->DLLMinorVersion;
    MajorVersion = other->MajorVersion;
    MinorVersion = other->MinorVersion;
    return;
  }
  TPersistent::Assign(Source);
}

TLameCoder::TLameCoder(TComponent* AOwner)
    : TComponent(AOwner),
      input_files_(std::make_unique<TStringList>()),
      output_files_(std::make_unique<TStringList>()),
      version_(std::make_unique<TLameVersion>()) {}

TLameCoder::~TLameCoder() { Release(); }

void TLameCoder::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TLameCoder*>(Source);
  if (!other) {
    TComponent::Assign(Source);
    return;
  }
  SampleRate = other->SampleRate;
  Mode = other->Mode;
  Bitrate = other->Bitrate;
  MaxBitrate = other->MaxBitrate;
  Quality = other->Quality;
  Private = other->Private;
  CRC = other->CRC;
  Copyright = other->Copyright;
  Original = other->Original;
  WriteVBRHeader = other->WriteVBRHeader;
  enable_vbr_ = other->enable_vbr_;
  VBRQuality = other->VBRQuality;
}

void TLameCoder::SetEnableVBR(int32_t Value) {
  enable_vbr_ = Value;
  WriteVBRHeader = Value;
}

void TLameCoder::SetInputFiles(TStrings* Value) {
  input_files_->Assign(Value);
  output_files_->Clear();
  for (int i = 0; i < input_files_->Count(); ++i)
    output_files_->Add(ChangeFileExt(input_files_->Get(i), DefaultExt));
}

void TLameCoder::SetOutputFiles(TStrings* Value) { output_files_->Assign(Value); }

uint32_t TLameCoder::InitStream() {
  std::memset(&config_, 0, sizeof(config_));
  config_.dwConfig = BE_CONFIG_LAME;
  config_.dwStructVersion = 1;
  config_.dwStructSize = sizeof(BE_CONFIG);
  config_.dwSampleRate = static_cast<uint32_t>(file_rate_);
  config_.dwReSampleRate = 0;
  config_.nMode = file_mode_;
  config_.dwBitrate = static_cast<uint32_t>(Bitrate);
  config_.dwMaxBitrate = static_cast<uint32_t>(MaxBitrate);
  config_.nPreset = Quality;
  config_.dwMpegVersion = 1;
  config_.bPrivate = Private;
  config_.bCRC = CRC;
  config_.bCopyright = Copyright;
  config_.bOriginal = Original;
  config_.bWriteVBRHeader = WriteVBRHeader;
  config_.bEnableVBR = enable_vbr_;
  config_.nVBRQuality = VBRQuality;
  const uint32_t result = beInitStream(&config_, &samples_, &output_size_, &stream_);
  if (result == BE_ERR_SUCCESSFUL) {
    stream_open_ = true;
    output_buffer_.assign(output_size_, 0);
  }
  return result;
}

void TLameCoder::Release() {
  input_buffer_.clear();
  input_.reset();
  output_.reset();
  output_buffer_.clear();
  if (stream_open_) {
    beCloseStream(stream_);
    stream_open_ = false;
  }
}

void TLameCoder::Encode() {
  abort_ = false;
  if (OnBeginProcess) OnBeginProcess(this);
  for (int i = 0; i < input_files_->Count() && !abort_; ++i) {
    try {
      EncodeFile(i);
    } catch (...) {
      Release();  // both files and the encoder stream close on every error
      throw;
    }
  }
  if (!abort_ && OnEndProcess) OnEndProcess(this);
}

void TLameCoder::EncodeFile(int Index) {
  const String input_name = input_files_->Get(Index);
  // Without an output name there is nowhere to write: fail before
  // anything is opened.
  if (Index >= output_files_->Count() || output_files_->Get(Index).empty()) throw ELameError("Write Error");
  const String output_name = output_files_->Get(Index);

  // The input's format first: a WAV file tells its own rate and channels.
  input_ = std::make_unique<TFileStream>(input_name, fmOpenRead | fmShareDenyWrite);
  const int64_t size = input_->Size();
  int64_t start = 0;
  int64_t total = size;
  uint32_t block_align = 0;
  file_rate_ = SampleRate;
  file_mode_ = Mode;
  std::memset(header_, 0, sizeof(header_));
  const int head = input_->Read(header_, 12);
  if (head == 12 && std::memcmp(header_, "RIFF", 4) == 0 && std::memcmp(header_ + 8, "WAVE", 4) == 0) {
    bool have_format = false, have_data = false;
    int64_t position = 12;
    while (!have_data) {
      uint8_t chunk[8];
      if (input_->Read(chunk, 8) != 8) break;
      const uint32_t chunk_size = Le32(chunk + 4);
      position += 8;
      if (std::memcmp(chunk, "fmt ", 4) == 0) {
        uint8_t format[16];
        if (chunk_size < 16 || input_->Read(format, 16) != 16) ReadError();
        const uint16_t tag = Le16(format), channels = Le16(format + 2), bits = Le16(format + 14);
        if (tag != 1 || bits != 16 || channels < 1 || channels > 2) ReadError();
        file_rate_ = static_cast<int32_t>(Le32(format + 4));
        block_align = Le16(format + 12);
        if (block_align != channels * 2u) ReadError();
        file_mode_ = channels == 1 ? MONO : (Mode == MONO ? STEREO : Mode);
        have_format = true;
      } else if (std::memcmp(chunk, "data", 4) == 0) {
        if (!have_format || position + chunk_size > size) ReadError();
        start = position;
        total = chunk_size;
        have_data = true;
        break;
      }
      position += chunk_size + (chunk_size & 1);
      if (position > size) ReadError();
      input_->Seek(position, soBeginning);
    }
    if (!have_data) ReadError();
  } else {
    file_mode_ = Mode;
  }
  input_->Seek(start, soBeginning);

  InitStream();
  if (OnBeginFile) OnBeginFile(this, static_cast<uint16_t>(Index), input_name);
  // An old file of the output's name stays until the new one is complete.
  output_ = std::make_unique<TReplacingFileStream>(output_name);

  const int channels = file_mode_ == MONO ? 1 : 2;
  const uint32_t chunk_bytes = block_align ? samples_ * block_align : samples_ * static_cast<uint32_t>(channels);
  input_buffer_.assign(chunk_bytes ? chunk_bytes : 2, 0);
  int64_t done = 0;
  while (done != total) {
    const int n = static_cast<int>(done + chunk_bytes >= total ? total - done : chunk_bytes);
    if (input_->Read(input_buffer_.data(), n) != n) {
      Release();
      throw ELameError("Read Error");
    }
    uint32_t bytes = 0;
    const uint32_t r = beEncodeChunk(stream_, static_cast<uint32_t>(n / 2),
                                     reinterpret_cast<const int16_t*>(input_buffer_.data()), output_buffer_.data(),
                                     &bytes);
    if (r != BE_ERR_SUCCESSFUL) {
      Release();
      throw ELameError("beEncodeChunk failed " + std::to_string(r));
    }
    if (output_->Write(output_buffer_.data(), static_cast<int>(bytes)) != static_cast<int>(bytes)) {
      Release();
      throw ELameError("Write Error");
    }
    done += n;
    const auto percent = static_cast<uint16_t>(std::lround(static_cast<double>(done) / static_cast<double>(total) * 100.0));
    if (OnProgress) OnProgress(this, percent);
    if (Application) Application->ProcessMessages();
    if (abort_) {
      Release();
      return;
    }
  }
  uint32_t bytes = 0;
  if (stream_open_) beDeinitStream(stream_, output_buffer_.data(), &bytes);
  if (output_->Write(output_buffer_.data(), static_cast<int>(bytes)) != static_cast<int>(bytes)) {
    Release();
    throw ELameError("Write error");
  }
  output_->Commit();
  Release();
  if (OnEndFile) OnEndFile(this, static_cast<uint16_t>(Index), output_name);
}
