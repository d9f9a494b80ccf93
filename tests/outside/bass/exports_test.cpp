// The built libraries export every name the player's binding looks up, in
// its order, and the test variants differ exactly as the binding tests need.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

const std::vector<std::string> kBassNames = {
    "BASS_GetVersion", "BASS_GetDeviceDescription", "BASS_SetBufferLength",
    "BASS_SetGlobalVolumes", "BASS_GetGlobalVolumes", "BASS_SetLogCurves", "BASS_Set3DAlgorithm",
    "BASS_ErrorGetCode", "BASS_Init", "BASS_Free", "BASS_GetDSoundObject", "BASS_GetInfo",
    "BASS_GetCPU", "BASS_Start", "BASS_Stop", "BASS_Pause", "BASS_SetVolume", "BASS_GetVolume",
    "BASS_Set3DFactors", "BASS_Get3DFactors", "BASS_Set3DPosition", "BASS_Get3DPosition",
    "BASS_Apply3D", "BASS_SetEAXParameters", "BASS_GetEAXParameters",
    "BASS_MusicLoad", "BASS_MusicFree", "BASS_MusicGetName", "BASS_MusicGetLength",
    "BASS_MusicPlay", "BASS_MusicPlayEx", "BASS_MusicSetAmplify", "BASS_MusicSetPanSep",
    "BASS_MusicSetPositionScaler",
    "BASS_SampleLoad", "BASS_SampleCreate", "BASS_SampleCreateDone", "BASS_SampleFree",
    "BASS_SampleGetInfo", "BASS_SampleSetInfo", "BASS_SamplePlay", "BASS_SamplePlayEx",
    "BASS_SamplePlay3D", "BASS_SamplePlay3DEx", "BASS_SampleStop",
    "BASS_StreamCreate", "BASS_StreamCreateFile", "BASS_StreamFree", "BASS_StreamGetLength",
    "BASS_StreamPlay",
    "BASS_CDInit", "BASS_CDFree", "BASS_CDInDrive", "BASS_CDPlay",
    "BASS_ChannelGetFlags", "BASS_ChannelStop", "BASS_ChannelPause", "BASS_ChannelResume",
    "BASS_ChannelSetAttributes", "BASS_ChannelGetAttributes", "BASS_ChannelSet3DAttributes",
    "BASS_ChannelGet3DAttributes", "BASS_ChannelSet3DPosition", "BASS_ChannelGet3DPosition",
    "BASS_ChannelSetPosition", "BASS_ChannelGetPosition", "BASS_ChannelGetLevel",
    "BASS_ChannelGetData", "BASS_ChannelSetSync", "BASS_ChannelRemoveSync", "BASS_ChannelSetDSP",
    "BASS_ChannelRemoveDSP", "BASS_ChannelSetEAXMix", "BASS_ChannelGetEAXMix",
    "BASS_StreamGetFilePosition", "BASS_CDGetTracks", "BASS_CDGetTrackLength",
    "BASS_ChannelIsActive", "BASS_CDGetID", "BASS_ChannelSetFX", "BASS_ChannelRemoveFX",
    "BASS_FXSetParameters", "BASS_FXGetParameters", "BASS_ChannelSetLink",
    "BASS_ChannelRemoveLink", "BASS_MusicPreBuf", "BASS_StreamPreBuf", "BASS_Update",
    "BASS_StreamGetTags", "BASS_StreamCreateURL", "BASS_ChannelBytes2Seconds",
    "BASS_ChannelSeconds2Bytes", "BASS_SetCLSID", "BASS_MusicSetChannelVol",
    "BASS_MusicGetChannelVol",
    "BASS_RecordGetDeviceDescription", "BASS_RecordInit", "BASS_RecordFree",
    "BASS_RecordGetInfo", "BASS_RecordStart", "BASS_CDDoor", "BASS_RecordGetInputName",
    "BASS_RecordSetInput", "BASS_RecordGetInput", "BASS_SetNetConfig",
    "BASS_ChannelSlideAttributes", "BASS_ChannelIsSliding"};

const std::vector<std::string> kWmaNames = {
    "BASS_WMA_ErrorGetCode", "BASS_WMA_StreamCreateFile", "BASS_WMA_StreamFree",
    "BASS_WMA_StreamGetLength", "BASS_WMA_StreamGetTags", "BASS_WMA_StreamPlay",
    "BASS_WMA_ChannelSetPosition", "BASS_WMA_ChannelGetPosition", "BASS_WMA_ChannelSetSync",
    "BASS_WMA_ChannelRemoveSync", "BASS_WMA_GetIWMReader", "BASS_WMA_EncodeGetRates",
    "BASS_WMA_EncodeOpenFile", "BASS_WMA_EncodeOpenNetwork", "BASS_WMA_EncodeGetPort",
    "BASS_WMA_EncodeSetNotify", "BASS_WMA_EncodeGetClients", "BASS_WMA_EncodeSetTag",
    "BASS_WMA_EncodeWrite", "BASS_WMA_EncodeClose"};

std::filesystem::path StubFolder(const std::string& name) {
  // Test programs live in build*/tests; the variants in build*/tests/stubs.
  return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "stubs" / name;
}

// Names of `names` that `library` does not export.
std::vector<std::string> Missing(void* library, const std::vector<std::string>& names) {
  std::vector<std::string> missing;
  for (const std::string& name : names) {
    if (dlsym(library, name.c_str()) == nullptr) missing.push_back(name);
  }
  return missing;
}

TEST(Exports, ListsHaveTheBindingsCounts) {
  EXPECT_EQ(kBassNames.size(), 107u);
  EXPECT_EQ(kWmaNames.size(), 20u);
}

TEST(Exports, ProgramFolderLibrariesExportEveryName) {
  const auto folder = velko_test::ProgramFolder();
  void* bass = dlopen((folder / "bass.dll").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(bass, nullptr) << dlerror();
  void* wma = dlopen((folder / "basswma.dll").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(wma, nullptr) << dlerror();
  EXPECT_EQ(Missing(bass, kBassNames), std::vector<std::string>{});
  EXPECT_EQ(Missing(wma, kWmaNames), std::vector<std::string>{});
  auto version = reinterpret_cast<unsigned (*)()>(dlsym(bass, "BASS_GetVersion"));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version(), 0x00070001u);
  dlclose(wma);
  dlclose(bass);
}

TEST(Exports, VersionStubReportsOneSix) {
  void* stub = dlopen((StubFolder("bass_v16") / "bass.dll").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(stub, nullptr) << dlerror();
  EXPECT_EQ(Missing(stub, kBassNames), std::vector<std::string>{});
  auto version = reinterpret_cast<unsigned (*)()>(dlsym(stub, "BASS_GetVersion"));
  EXPECT_EQ(version(), 0x00060001u);
  dlclose(stub);
}

TEST(Exports, MissingExportStubLacksExactlyTheLastName) {
  void* stub =
      dlopen((StubFolder("bass_missing_export") / "bass.dll").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(stub, nullptr) << dlerror();
  EXPECT_EQ(Missing(stub, kBassNames), std::vector<std::string>{"BASS_ChannelIsSliding"});
  dlclose(stub);
}

}  // namespace
