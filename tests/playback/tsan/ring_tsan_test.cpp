// The output emulator's ring under ThreadSanitizer: a writer thread (as a
// plug-in's decoder) and a reader thread (as the audio library's feeder)
// push a counted byte pattern through it. Every byte must arrive once and in
// order, and the sanitizer must see no data race between the two sides.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "platform/core/clock.h"
#include "playback/PluginCtrl.h"

namespace {

TEST(RingUnderThreadSanitizer, WriterAndReaderThreadsShareTheRingSafely) {
  // The platform library is not instrumented: the sanitizer cannot see its
  // one-time set-up of waits and queues guarded, so that happens here, on
  // this thread, before the two threads start.
  Sleep(1);
  ProcessPendingMessages();
  ASSERT_TRUE(InitPluginCtrl());
  Out_Module* out = GetOutModule();
  constexpr std::size_t kTotal = 2'000'000;
  std::atomic<bool> failed{false};

  std::thread writer([&] {
    std::mt19937 random(1);
    std::vector<char> block;
    std::size_t sent = 0;
    while (sent < kTotal && !failed) {
      const std::size_t want = std::min<std::size_t>(kTotal - sent, 1 + random() % 9000);
      if (out->CanWrite() < static_cast<int>(want)) {
        std::this_thread::yield();
        continue;
      }
      block.resize(want);
      for (std::size_t i = 0; i < want; ++i) block[i] = static_cast<char>((sent + i) % 251);
      if (out->Write(block.data(), static_cast<int>(want)) != 0) failed = true;
      sent += want;
    }
  });

  std::size_t received = 0;
  std::thread reader([&] {
    std::mt19937 random(2);
    std::vector<std::uint8_t> buffer(9000);
    while (received < kTotal && !failed) {
      const std::size_t want = std::min<std::size_t>(kTotal - received, 1 + random() % 9000);
      const DWORD got = StreamProc(0, buffer.data(), static_cast<DWORD>(want), 0);
      for (DWORD i = 0; i < got; ++i) {
        if (buffer[i] != (received + i) % 251) {
          failed = true;
          break;
        }
      }
      received += got;
    }
  });
  writer.join();
  reader.join();
  EXPECT_FALSE(failed);
  EXPECT_EQ(received, kTotal);
  QuitPluginCtrl();
}

}  // namespace
