// The output emulator's ring between two threads: a writer (as a plug-in's
// decoder) and a reader (as the audio library's feeder) push a counted byte
// pattern through a fresh host's ring. Every byte must arrive once and in
// order. The same test runs under ThreadSanitizer (tests/playback/tsan),
// which must see no data race between the two sides.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "platform/core/clock.h"
#include "playback/PluginCtrl.h"

namespace {

struct RingCase {
  std::size_t total;      // bytes through the ring
  std::size_t max_block;  // largest write and read
};

class RingExchange : public ::testing::TestWithParam<RingCase> {
 protected:
  void SetUp() override {
    platform::UseRealClock();
    // The platform library sets up its waits and queues on first use; do
    // that here, on this thread, before the two threads start (it is not
    // instrumented under ThreadSanitizer).
    Sleep(1);
    ProcessPendingMessages();
    MakeFreshPluginHost();
    ASSERT_TRUE(InitPluginCtrl());
  }
  void TearDown() override { QuitPluginCtrl(); }
};

TEST_P(RingExchange, EveryByteArrivesOnceAndInOrder) {
  const RingCase c = GetParam();
  Out_Module* out = GetOutModule();
  std::atomic<bool> failed{false};
  auto block_size = [&](std::mt19937& random, std::size_t left) {
    return std::min<std::size_t>(left, 1 + random() % c.max_block);
  };

  std::thread writer([&] {
    std::mt19937 random(1);
    std::vector<char> block;
    std::size_t sent = 0;
    while (sent < c.total && !failed) {
      const std::size_t want = block_size(random, c.total - sent);
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
  std::size_t first_wrong = c.total;
  std::thread reader([&] {
    std::mt19937 random(2);
    std::vector<std::uint8_t> buffer(c.max_block);
    while (received < c.total && !failed) {
      const std::size_t want = block_size(random, c.total - received);
      const DWORD got = StreamProc(0, buffer.data(), static_cast<DWORD>(want), 0);
      for (DWORD i = 0; i < got; ++i) {
        if (buffer[i] != (received + i) % 251) {
          first_wrong = received + i;
          failed = true;
          break;
        }
      }
      received += got;
    }
  });
  writer.join();
  reader.join();
  EXPECT_FALSE(failed) << "first wrong byte " << first_wrong;
  EXPECT_EQ(received, c.total);
  EXPECT_EQ(RingUsed(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Blocks, RingExchange,
                         ::testing::Values(RingCase{2'000'000, 9000}, RingCase{300'000, 64},
                                           RingCase{2'000'000, RingBufferSize - 1}));

}  // namespace
