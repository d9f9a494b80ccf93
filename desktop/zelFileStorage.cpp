#include "desktop/zelFileStorage.h"

#include <fstream>

#include "classlib/Application.h"
#include "classlib/AtomicFile.h"
#include "classlib/FileRoutines.h"
#include "classlib/FormatRoutines.h"
#include "classlib/Resources.h"
#include "platform/dlg/message_box.h"
#include "platform/fs/drives.h"
#include "platform/mm/sound.h"

// ---- file storage ----

TzelCustomFileStorage::TzelCustomFileStorage(TComponent* AOwner)
    : TzelComponent(AOwner), data_(std::make_unique<TMemoryStream>()) {}

TzelCustomFileStorage::~TzelCustomFileStorage() = default;

void TzelCustomFileStorage::ClearData() {
  data_size_ = 0;
  data_->Clear();
}

bool TzelCustomFileStorage::LoadFromFile(const String& Name) {
  ClearData();
  bool result = false;
  if (!Name.empty() && FileExists(Name)) {
    try {
      data_->LoadFromFile(Name);
    } catch (const Exception&) {
      ClearData();
      throw EzelFileStorage(Format("Can not load data from the \"%s\" file", {Name}));
    }
    data_size_ = static_cast<int>(data_->Size());
    result = true;
  }
  if (OnLoad) OnLoad(this, result);
  return result;
}

bool TzelCustomFileStorage::SaveToFile(const String& Name) {
  bool override_file = true;
  const bool exists = FileExists(Name);
  if (exists && OnConfirmOverride) OnConfirmOverride(this, override_file);
  bool result = false;
  if (!exists || override_file) {
    // Written beside the target and moved over it once whole: a failed
    // write leaves the old file as it was.
    String contents;
    if (data_->Size() > 0) contents.assign(static_cast<const char*>(data_->Memory()), data_->Size());
    if (Name.empty() || !classlib::WriteFileAtomically(Name, contents)) {
      throw EzelFileStorage(Format("Can not save data to the \"%s\" file", {Name}));
    }
    result = true;
  }
  if (OnSave) OnSave(this, result);
  return result;
}

void TzelCustomFileStorage::ReadData(TStream* Stream) {
  ClearData();
  std::uint8_t count_bytes[4];
  if (Stream->Read(count_bytes, 4) != 4) throw EzelFileStorage("The stored file data is cut short");
  const std::uint32_t count = count_bytes[0] | (count_bytes[1] << 8) | (count_bytes[2] << 16) |
                              (static_cast<std::uint32_t>(count_bytes[3]) << 24);
  // A count beyond what the stream holds is corrupt data, not a size to trust.
  if (count > 0x7FFFFFFFu || static_cast<std::int64_t>(count) > Stream->Size() - Stream->Position()) {
    throw EzelFileStorage("The stored file data is cut short");
  }
  if (count > 0) data_->CopyFrom(Stream, count);
  data_->SetPosition(0);
  data_size_ = static_cast<int>(count);
}

void TzelCustomFileStorage::WriteData(TStream* Stream) {
  const auto count = static_cast<std::uint32_t>(data_->Size());
  const std::uint8_t count_bytes[4] = {static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8),
                                       static_cast<std::uint8_t>(count >> 16),
                                       static_cast<std::uint8_t>(count >> 24)};
  Stream->WriteBuffer(count_bytes, 4);
  if (count > 0) Stream->WriteBuffer(data_->Memory(), static_cast<int>(count));
}

void TzelCustomFileStorage::SetAutoSave(bool Value) {
  if (Value && ComponentState().Contains(csDesigning) && !CanCreateFile(save_name_)) {
    MessageBox(nullptr, "AutoSave can not be set because the SaveName property contains wrong file name",
               "Warning", MB_OK | MB_ICONWARNING);
    auto_save_ = false;
    return;
  }
  auto_save_ = Value;
}

void TzelCustomFileStorage::SetFileName(const String& Value) {
  file_name_ = Value;
  if (ComponentState().Contains(csDesigning)) Load();
}

void TzelCustomFileStorage::SetSaveName(const String& Value) {
  if (Value == save_name_) return;
  save_name_ = Value;
  if (ComponentState().Contains(csDesigning) && !CanCreateFile(save_name_)) auto_save_ = false;
}

void TzelCustomFileStorage::Loaded() {
  TzelComponent::Loaded();
  if (auto_save_ && !ComponentState().Contains(csDesigning)) Save();
}

// ---- wave ----

TzelWav::TzelWav(TComponent* AOwner) : TzelCustomFileStorage(AOwner) {}

TzelWav::~TzelWav() { Stop(); }

void TzelWav::PrepareSound() {
  flags_ = 0;
  if (async_) flags_ |= SND_ASYNC;
  if (looped_) flags_ |= SND_LOOP;
  if (NoDefaultSound) flags_ |= SND_NODEFAULT;
  if (NoStopSound) flags_ |= SND_NOSTOP;
  if (no_wait_) flags_ |= SND_NOWAIT;
  switch (play_from_) {
    case pfFile:
      flags_ |= SND_FILENAME;
      sound_ = FileName();
      break;
    case pfResource:
      flags_ |= SND_RESOURCE;
      sound_ = resource_name_;
      break;
    case pfDFM: {
      flags_ |= SND_MEMORY;
      const auto* bytes = static_cast<const std::uint8_t*>(Data()->Memory());
      held_.assign(bytes, bytes + Data()->Size());
      break;
    }
    case pfSystemEvent:
      flags_ |= SND_ALIAS;
      sound_ = event_alias_;
      break;
  }
}

void TzelWav::Play() {
  PrepareSound();
  playing_ = true;
  if (OnPlayBefore) OnPlayBefore(this);
  if (play_from_ == pfDFM) {
    // The sound call reads as far as the image's RIFF header claims: bytes
    // whose header claims more than is held play nothing.
    if (platform::WaveImageFits(held_.data(), held_.size())) {
      PlaySound(reinterpret_cast<LPCSTR>(held_.data()), nullptr, flags_);
    }
  } else {
    PlaySound(sound_.c_str(), nullptr, flags_);
  }
  if (OnPlayAfter) OnPlayAfter(this);
  playing_ = false;
}

void TzelWav::Stop() {
  playing_ = false;
  PlaySound(nullptr, nullptr, 0);
}

void TzelWav::SetAsyncPlay(bool Value) {
  if (Value == async_) return;
  async_ = Value;
  if (async_ && playing_) Stop();
}

void TzelWav::SetEventAlias(const String& Value) {
  if (Value == event_alias_) return;
  event_alias_ = Value;
  if (play_from_ == pfSystemEvent) {
    if (playing_) {
      Play();
    } else {
      Stop();
    }
  }
}

void TzelWav::SetFileName(const String& Value) {
  if (Value == FileName()) return;
  if (play_from_ == pfDFM) {
    TzelCustomFileStorage::SetFileName(Value);
    if (playing_) {
      Play();
    } else {
      Stop();
    }
  } else {
    TzelCustomFileStorage::SetFileName(Value);
  }
}

void TzelWav::SetLooped(bool Value) {
  if (Value == looped_) return;
  looped_ = Value;
  if (playing_) {
    Stop();
    if (looped_) Play();
  }
}

void TzelWav::SetNoWaitIfBusy(bool Value) {
  if (Value == no_wait_) return;
  no_wait_ = Value;
  if (no_wait_ && playing_) {
    Stop();
    Play();
  }
}

void TzelWav::SetPlayFrom(TzelWavPlayFrom Value) {
  if (Value == play_from_) return;
  play_from_ = Value;
  if (play_from_ == pfDFM) {
    LoadFromFile(FileName());
  } else {
    ClearData();
  }
}

void TzelWav::SetResourceName(const String& Value) {
  if (Value == resource_name_) return;
  resource_name_ = Value;
  if (play_from_ == pfResource && playing_) Play();
}

// ---- auto-run ----

TzelAutoRun::TzelAutoRun(TComponent* AOwner) : TzelComponent(AOwner) {
  if (!ComponentState().Contains(csDesigning) && Application != nullptr) file_name_ = Application->ExeName();
}

void TzelAutoRun::Unregister() {
  if (!ComponentState().Contains(csDesigning)) AutoExecUnregister(kind_, file_name_);
}

void TzelAutoRun::Apply() {
  if (ComponentState().Contains(csDesigning)) return;
  Unregister();
  if (auto_run_) AutoExecRegister(kind_, file_name_);
}

void TzelAutoRun::Loaded() {
  TzelComponent::Loaded();
  Apply();
}

void TzelAutoRun::SetAutoRun(bool Value) {
  if (Value == auto_run_) return;
  Unregister();
  auto_run_ = Value;
  Apply();
}

void TzelAutoRun::SetFileName(const String& Value) {
  if (Value == file_name_) return;
  Unregister();
  file_name_ = Value;
  Apply();
}

void TzelAutoRun::SetKind(TzelAutoExecKind Value) {
  if (Value == kind_) return;
  Unregister();
  kind_ = Value;
  Apply();
}
