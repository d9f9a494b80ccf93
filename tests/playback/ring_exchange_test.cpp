// The output emulator's ring between two threads: a writer (as a plug-in's
// decoder) and a reader (as the audio library's feeder) push a counted byte
// pattern through a fresh host's ring. Every byte must arrive once and in
// order. The same test runs under ThreadSanitizer (tests/playback/tsan),
// which must see no data race between the two sides.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
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

// The two sides on the manual clock, which the test moves on when the
// reader has nothing to read (so only the writer can be waiting for it).
// The audio library's reader must not be held up by a claim that collided
// with the writer's: whenever data is waiting, it gets the ring without a
// clock tick. A reader stuck with data is let go by a tick too, after a
// while of real time, and counted.
TEST(RingClaim, TheReaderNeverWaitsOutACollisionWithTheWriter) {
  platform::UseManualClock(1'000'000);
  Sleep(0);
  ProcessPendingMessages();
  MakeFreshPluginHost();
  ASSERT_TRUE(InitPluginCtrl());
  Out_Module* out = GetOutModule();
  constexpr std::size_t kTotal = 400'000;
  constexpr std::size_t kBlock = 16;
  std::atomic<std::size_t> sent{0};
  std::atomic<std::size_t> received{0};
  std::atomic<bool> stop{false};
  std::atomic<bool> failed{false};

  std::thread writer([&] {
    std::vector<char> block(kBlock);
    while (sent < kTotal && !stop) {
      if (out->CanWrite() <= static_cast<int>(kBlock)) {
        std::this_thread::yield();
        continue;
      }
      for (std::size_t i = 0; i < kBlock; ++i) block[i] = static_cast<char>((sent + i) % 251);
      if (out->Write(block.data(), static_cast<int>(kBlock)) != 0) failed = true;
      sent += kBlock;
    }
  });
  std::thread reader([&] {
    std::vector<std::uint8_t> buffer(kBlock);
    while (received < kTotal && !stop) {
      if (RingUsed() < kBlock) {
        std::this_thread::yield();
        continue;
      }
      const DWORD got = StreamProc(0, buffer.data(), kBlock, 0);
      for (DWORD i = 0; i < got; ++i) {
        if (buffer[i] != (received + i) % 251) failed = true;
      }
      received += got;
    }
  });

  // A reader idle with data for this long (real time) is stuck on the
  // clock. A writer preempted in the middle of its copy can hold the
  // reader up as long on a loaded machine, now and then.
  constexpr auto kStuck = std::chrono::milliseconds(200);
  constexpr int kMostRescues = 3;
  int rescues = 0;
  std::size_t last = 0;
  auto moved_at = std::chrono::steady_clock::now();
  const auto give_up = moved_at + std::chrono::seconds(30);
  while (received < kTotal && rescues <= kMostRescues && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::microseconds(500));
    const auto now = std::chrono::steady_clock::now();
    if (received != last) {
      last = received;
      moved_at = now;
    } else if (RingUsed() < kBlock) {
      platform::AdvanceClockMs(20);
    } else if (now - moved_at > kStuck) {
      ++rescues;
      moved_at = now;
      platform::AdvanceClockMs(20);
    }
  }
  stop = true;
  // Wake whichever side still sleeps on the clock.
  for (int i = 0; i < 5; ++i) platform::AdvanceClockMs(20);
  writer.join();
  reader.join();
  QuitPluginCtrl();
  platform::UseRealClock();
  EXPECT_LE(rescues, kMostRescues) << "times the reader waited for the clock with data in the ring";
  EXPECT_FALSE(failed);
  EXPECT_EQ(received, kTotal);
}

INSTANTIATE_TEST_SUITE_P(Blocks, RingExchange,
                         ::testing::Values(RingCase{2'000'000, 9000}, RingCase{300'000, 64},
                                           RingCase{2'000'000, RingBufferSize - 1}));

}  // namespace
