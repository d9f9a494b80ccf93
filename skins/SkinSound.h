// Skin sounds: reference-counted, named, and played from memory.
#pragma once

#include <memory>

#include "classlib/Components.h"
#include "classlib/Streams.h"

class TscSound : public TPersistent {
 public:
  TscSound() = default;

  virtual bool IsEmpty() = 0;
  virtual void Play() = 0;
  virtual void LoadFromFile(const String& FileName) = 0;
  virtual void SaveToFile(const String& FileName) = 0;
  virtual void LoadFromStream(TStream* Stream) = 0;
  virtual void SaveToStream(TStream* Stream) = 0;

  static TscSound* AddRef(TscSound* Sound) {
    if (Sound) ++Sound->RefCount;
    return Sound;
  }
  // Frees the sound when the count reaches 0.
  static void Release(TscSound* Sound) {
    if (Sound && --Sound->RefCount <= 0) delete Sound;
  }

  int32_t RefCount = 1;
  bool Loaded = false;
  String Name;

 protected:
  ~TscSound() override = default;
};

// A complete RIFF WAVE image in memory.
class TscWave : public TscSound {
 public:
  TscWave();

  bool IsEmpty() override { return Data == nullptr; }
  // Plays Data asynchronously (the sound is copied, so the wave may go);
  // nothing when its RIFF size field claims fewer than 4 or more bytes
  // than Data holds after the 8-byte header.
  void Play() override;
  void LoadFromFile(const String& FileName) override;
  // Written whole or not at all (the old file stays, EFCreateError).
  void SaveToFile(const String& FileName) override;
  // An int32 byte count, then the bytes; a negative count or one past the
  // stream's end raises EReadError before anything is allocated.
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  // From another wave: its bytes; from nothing: empty.
  void Assign(TPersistent* Source) override;

  std::unique_ptr<TMemoryStream> Data;

 protected:
  // Stops the sound playing only when it is this wave's.
  ~TscWave() override;
};
