// TzelFileStorage: keeps the bytes of a file with the stored form
// ("FileData": a 32-bit little-endian count, then the bytes) and writes
// them out again; TzelWav plays a wave sound from a file, a resource, bytes
// stored with the form or a sound event; TzelAutoRun keeps a file under a
// start-with-the-session key.
#pragma once

#include <functional>
#include <memory>

#include "classlib/Exceptions.h"
#include "classlib/Streams.h"
#include "desktop/zelComponent.h"
#include "desktop/zelRoutines.h"

VELKO_DECLARE_EXCEPTION(EzelFileStorage, Exception);

using TzelFileStorageOnFileOperation = std::function<void(TObject* Sender, bool Success)>;
using TzelFileStorageOnConfirmOverride = std::function<void(TObject* Sender, bool& Override)>;

class TzelCustomFileStorage : public TzelComponent {
 public:
  explicit TzelCustomFileStorage(TComponent* AOwner);
  ~TzelCustomFileStorage() override;

  virtual bool LoadFromFile(const String& Name);
  virtual bool SaveToFile(const String& Name);
  bool Load() { return LoadFromFile(file_name_); }
  bool Save() { return SaveToFile(SaveName()); }
  // The "FileData" form: raises EzelFileStorage when the count goes beyond
  // the stream.
  virtual void ReadData(TStream* Stream);
  virtual void WriteData(TStream* Stream);
  bool AutoSave() const { return auto_save_; }
  virtual void SetAutoSave(bool Value);
  const String& FileName() const { return file_name_; }
  virtual void SetFileName(const String& Value);
  const String& SaveName() const { return save_name_; }
  void SetSaveName(const String& Value);
  virtual int GetDataSize() const { return data_size_; }
  virtual void SetDataSize(int) {}
  virtual void ClearData();
  TMemoryStream* Data() const { return data_.get(); }

  TzelFileStorageOnFileOperation OnLoad;
  TzelFileStorageOnFileOperation OnSave;
  TzelFileStorageOnConfirmOverride OnConfirmOverride;

 protected:
  void Loaded() override;

 private:
  bool auto_save_ = false;
  int data_size_ = 0;
  String file_name_;
  String save_name_;
  std::unique_ptr<TMemoryStream> data_;
};

class TzelFileStorage : public TzelCustomFileStorage {
 public:
  using TzelCustomFileStorage::TzelCustomFileStorage;
};

enum TzelWavPlayFrom { pfFile, pfResource, pfDFM, pfSystemEvent };

class TzelWav : public TzelCustomFileStorage {
 public:
  explicit TzelWav(TComponent* AOwner);
  ~TzelWav() override;

  bool AsyncPlay() const { return async_; }
  virtual void SetAsyncPlay(bool Value);
  const String& EventAlias() const { return event_alias_; }
  virtual void SetEventAlias(const String& Value);
  bool Looped() const { return looped_; }
  virtual void SetLooped(bool Value);
  bool NoDefaultSound = true;
  bool NoStopSound = false;
  bool NoWaitIfBusy() const { return no_wait_; }
  virtual void SetNoWaitIfBusy(bool Value);
  TzelWavPlayFrom PlayFrom() const { return play_from_; }
  virtual void SetPlayFrom(TzelWavPlayFrom Value);
  const String& ResourceName() const { return resource_name_; }
  virtual void SetResourceName(const String& Value);
  void SetFileName(const String& Value) override;
  TNotifyEvent OnPlayAfter;
  TNotifyEvent OnPlayBefore;

  // The flags PrepareSound gives the sound call.
  DWORD Flags() const { return flags_; }
  virtual void PrepareSound();
  virtual void Play();
  virtual void Stop();
  bool Playing() const { return playing_; }

 private:
  bool async_ = true;
  String event_alias_ = ".Default";
  bool looped_ = false;
  bool no_wait_ = true;
  TzelWavPlayFrom play_from_ = pfFile;
  String resource_name_ = "WAVE1";
  bool playing_ = false;
  DWORD flags_ = 0;
  String sound_;
  std::vector<std::uint8_t> held_;  // the wave image for pfDFM and pfResource
};

class TzelAutoRun : public TzelComponent {
 public:
  explicit TzelAutoRun(TComponent* AOwner);

  bool AutoRun() const { return auto_run_; }
  void SetAutoRun(bool Value);
  const String& FileName() const { return file_name_; }
  void SetFileName(const String& Value);
  TzelAutoExecKind Kind() const { return kind_; }
  void SetKind(TzelAutoExecKind Value);

  virtual void Apply();
  virtual void Unregister();

 protected:
  void Loaded() override;

 private:
  bool auto_run_ = false;
  String file_name_;
  TzelAutoExecKind kind_ = aekMachineRun;
};
