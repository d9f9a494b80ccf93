// The main program of every test program. Before any test runs, it points
// everything the platform would keep in the user's own folders (registry
// hives, mutex lock files, the Windows folder, the temporary folder) at a
// fresh folder of this run, so no test can touch the user's real settings,
// keeps every socket and HTTP request on 127.0.0.0/8 with host names
// answered only from the tests' own table, and puts recording stand-ins in
// place of the sound card, of power and session requests and of program
// starts (URLs opened included).
#include <gtest/gtest.h>

#include "platform/core/mutexes.h"
#include "platform/fs/drives.h"
#include "platform/mm/mci.h"
#include "platform/mm/sound.h"
#include "platform/net/loopback_guard.h"
#include "platform/reg/registry.h"
#include "platform/shell/file_operation.h"
#include "platform/sys/power.h"
#include "platform/sys/process.h"
#include "platform/user/remote_windows.h"
#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  platform::net::SetLoopbackOnly(true);
  velko_test::TempDir sandbox;
  std::filesystem::create_directories(sandbox / "registry");
  std::filesystem::create_directories(sandbox / "mutexes");
  std::filesystem::create_directories(sandbox / "Windows");
  std::filesystem::create_directories(sandbox / "Temp");
  std::filesystem::create_directories(sandbox / "Trash");
  std::filesystem::create_directories(sandbox / "windows");
  std::filesystem::create_directories(sandbox / "autostart");
  platform::SetRegistryFolder((sandbox / "registry").string());
  platform::SetMutexFolder((sandbox / "mutexes").string());
  velko_test::SetSandboxFolder(sandbox.path());
  velko_test::RestoreSandboxFolders();
  platform::SetWindowDirectoryFolder((sandbox / "windows").string());
  platform::SetProcessStarter(std::make_shared<platform::RecordingProcessStarter>());
  platform::SetPowerBackend(std::make_shared<platform::RecordingPowerBackend>());
  platform::SetSoundOutput(std::make_shared<platform::RecordingSoundOutput>());
  platform::mm::SetMciAudioEnabled(false);
  return RUN_ALL_TESTS();
}
