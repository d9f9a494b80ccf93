#include "ripper/VorbisDll.h"

#include "platform/core/modules.h"

TvbEncOpen vbEncOpen;
TvbEncWrite vbEncWrite;
TvbEncClose vbEncClose;
TvbDecOpen vbDecOpen;
TvbDecRead vbDecRead;
TvbDecSeek vbDecSeek;
TvbDecClose vbDecClose;
TvbVersion vbVersion;

namespace {

HMODULE g_vorbis = nullptr;

template <class F>
void Bind(F& variable, const char* name) {
  variable = g_vorbis ? reinterpret_cast<F>(GetProcAddress(g_vorbis, name)) : nullptr;
}

void BindAll() {
  Bind(vbEncOpen, "vbEncOpen");
  Bind(vbEncWrite, "vbEncWrite");
  Bind(vbEncClose, "vbEncClose");
  Bind(vbDecOpen, "vbDecOpen");
  Bind(vbDecRead, "vbDecRead");
  Bind(vbDecSeek, "vbDecSeek");
  Bind(vbDecClose, "vbDecClose");
  Bind(vbVersion, "vbVersion");
}

struct UnitLife {
  ~UnitLife() { FreeVorbisDLL(); }
};
UnitLife g_unit_life;

String TwoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

}  // namespace

bool LoadVorbisDLL() {
  if (!g_vorbis) {
    g_vorbis = LoadLibrary("Vorbis.DLL");
    BindAll();
  }
  return g_vorbis != nullptr;
}

bool VorbisLoaded() { return g_vorbis != nullptr; }

void FreeVorbisDLL() {
  if (g_vorbis) FreeLibrary(g_vorbis);
  g_vorbis = nullptr;
  BindAll();
}

String VorbisVersionText() {
  if (!g_vorbis || !vbVersion) return String();
  TVorbisVersion v{};
  if (vbVersion(&v) != 0) return String();
  return "Ver " + std::to_string(v.Major) + "." + TwoDigits(v.Minor) + " (Engine Ver : " + std::to_string(v.EngineMajor) +
         "." + TwoDigits(v.EngineMinor) + ", Date : " + std::to_string(v.Year) + "-" + std::to_string(v.Month) + "-" +
         std::to_string(v.Day) + ")";
}
