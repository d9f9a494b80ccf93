#include "skins/SkinSound.h"

#include "classlib/Exceptions.h"
#include "platform/mm/sound.h"
#include "skins/SkinIniFiles.h"

namespace {

// The wave whose sound was started last (the one a stop would end).
const TscWave* g_playing = nullptr;

}  // namespace

TscWave::TscWave() : Data(std::make_unique<TMemoryStream>()) {}

TscWave::~TscWave() {
  if (g_playing == this) {
    sndPlaySound(nullptr, 0);
    g_playing = nullptr;
  }
}

void TscWave::Play() {
  // The player reads as many bytes as the RIFF size field claims: a wave
  // whose field claims more than is held is not handed over at all.
  if (!Data || !platform::WaveImageFits(Data->Memory(), static_cast<std::size_t>(Data->Size()))) return;
  if (sndPlaySound(static_cast<LPCSTR>(Data->Memory()), SND_MEMORY | SND_ASYNC)) g_playing = this;
}

void TscWave::LoadFromFile(const String& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  Data->SetSize(f.Size());
  Data->SetPosition(0);
  if (f.Size() > 0) f.ReadBuffer(Data->Memory(), static_cast<int>(f.Size()));
  Loaded = true;
}

void TscWave::SaveToFile(const String& FileName) {
  if (Data)
    WriteSkinFile(FileName, *Data);
  else
    WriteSkinFile(FileName, String());
}

void TscWave::LoadFromStream(TStream* Stream) {
  int32_t n = ReadStreamInt32(Stream);
  if (n < 0 || n > Stream->Size() - Stream->Position()) throw EReadError("Stream read error");
  Data->SetSize(n);
  Data->SetPosition(0);
  if (n > 0) Stream->ReadBuffer(Data->Memory(), n);
  Loaded = true;
}

void TscWave::SaveToStream(TStream* Stream) {
  int32_t n = Data ? static_cast<int32_t>(Data->Size()) : 0;
  WriteStreamInt32(Stream, n);
  if (n > 0) Stream->WriteBuffer(Data->Memory(), n);
}

void TscWave::Assign(TPersistent* Source) {
  if (Source == nullptr) {
    Data->Clear();
    Loaded = true;
    return;
  }
  if (auto* w = dynamic_cast<TscWave*>(Source)) {
    if (w == this) return;
    Data->Clear();
    if (w->Data && w->Data->Size() > 0)
      Data->WriteBuffer(w->Data->Memory(), static_cast<int>(w->Data->Size()));
    Data->SetPosition(0);
    Loaded = true;
    return;
  }
  TscSound::Assign(Source);
}
