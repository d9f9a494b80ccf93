// The Ogg Vorbis encoder library Vorbis.DLL, bound at run time.
#pragma once

#include <cstdint>

#include "classlib/Object.h"

struct TVorbisEncParams {
  int32_t Reserved0 = 0;
  int32_t Reserved1 = 0;
  int32_t Size = 260;
  int32_t Channels = 2;
  int32_t SampleRate = 44100;
  int32_t Reserved2[4] = {};
  float Quality = 0.4f;
  uint8_t Rest[260 - 40] = {};
};
static_assert(sizeof(TVorbisEncParams) == 260);

// Texts stay valid until the encoding ends.
struct TVorbisEncInfo {
  int32_t Size = sizeof(TVorbisEncInfo);
  int32_t Reserved[4] = {1, 1, 44, 1};
  const char* Artist = nullptr;
  const char* Album = nullptr;
  const char* Title = nullptr;
  const char* Comment = nullptr;
  int32_t TrackNumber = 0;
  int32_t TrackCount = 0;
  const char* Genre = nullptr;
  const char* Name = nullptr;
  const char* Date = nullptr;
};

#pragma pack(push, 1)
struct TVorbisVersion {
  uint8_t Major;
  uint8_t Minor;
  uint8_t EngineMajor;
  uint8_t EngineMinor;
  uint8_t Day;
  uint8_t Month;
  uint16_t Year;
  uint8_t Reserved[8];
};
#pragma pack(pop)

using TvbEncOpen = int32_t (*)(const TVorbisEncParams*, const TVorbisEncInfo*, uint32_t*, uint32_t*, uint32_t*);
using TvbEncWrite = int32_t (*)(uint32_t, uint32_t, const int16_t*, uint8_t*, uint32_t*);
using TvbEncClose = int32_t (*)(uint32_t, uint8_t*, uint32_t*);
using TvbDecOpen = int32_t (*)(const char*, void*, uint32_t*);
using TvbDecRead = int32_t (*)(uint32_t, void*, uint32_t, uint32_t*);
using TvbDecSeek = int32_t (*)(uint32_t, uint32_t);
using TvbDecClose = int32_t (*)(uint32_t);
using TvbVersion = int32_t (*)(TVorbisVersion*);

extern TvbEncOpen vbEncOpen;
extern TvbEncWrite vbEncWrite;
extern TvbEncClose vbEncClose;
extern TvbDecOpen vbDecOpen;
extern TvbDecRead vbDecRead;
extern TvbDecSeek vbDecSeek;
extern TvbDecClose vbDecClose;
extern TvbVersion vbVersion;

// Loads "Vorbis.DLL" and binds its eight calls (once); true when loaded.
bool LoadVorbisDLL();
bool VorbisLoaded();
// Frees the library (the program does this at its end).
void FreeVorbisDLL();
// "Ver 1.05 (Engine Ver : 1.03, Date : 2024-5-7)"; empty when not loaded.
String VorbisVersionText();
