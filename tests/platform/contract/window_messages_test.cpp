// Job messages to front-end windows: posted without waiting, only to windows
// still registered, from any thread.
#include <atomic>
#include <thread>
#include <vector>

#include "tests/platform/contract/platform_harness.h"

namespace qv::test {
namespace {

TEST_P(PlatformContract, PostedMessagesReachOnlyRegisteredWindows) {
  Platform& os = this->os();
  std::vector<std::uint64_t> seen;
  const WindowHandle window = os.RegisterWindow(
      [&](std::uint32_t message, std::uint64_t wParam, std::int64_t lParam) {
        EXPECT_EQ(message, WM_JOB_PROGRESS);
        EXPECT_EQ(lParam, 100);
        seen.push_back(wParam);
      });
  const WindowHandle other = os.RegisterWindow([](std::uint32_t, std::uint64_t, std::int64_t) {});
  EXPECT_NE(window, 0u);
  EXPECT_NE(window, other);

  EXPECT_TRUE(os.PostMessageW(window, WM_JOB_PROGRESS, 40, 100));
  EXPECT_TRUE(os.PostMessageW(window, WM_JOB_PROGRESS, 41, 100));
  os.UnregisterWindow(window);
  EXPECT_FALSE(os.PostMessageW(window, WM_JOB_PROGRESS, 42, 100));
  EXPECT_FALSE(os.PostMessageW(0, WM_JOB_DONE, 0, 0));
  EXPECT_EQ(seen, (std::vector<std::uint64_t>{40, 41}));
}

TEST_P(PlatformContract, SinkMayUnregisterItsOwnWindow) {
  Platform& os = this->os();
  WindowHandle window = 0;
  int calls = 0;
  window = os.RegisterWindow([&](std::uint32_t, std::uint64_t, std::int64_t) {
    ++calls;
    os.UnregisterWindow(window);
  });
  EXPECT_TRUE(os.PostMessageW(window, WM_JOB_DONE, 0, 0));
  EXPECT_FALSE(os.PostMessageW(window, WM_JOB_DONE, 0, 0));
  EXPECT_EQ(calls, 1);
}

TEST_P(PlatformContract, ManyThreadsPostAndRegisterAtOnce) {
  Platform& os = this->os();
  std::atomic<int> received{0};
  const WindowHandle window = os.RegisterWindow(
      [&](std::uint32_t, std::uint64_t, std::int64_t) { received.fetch_add(1); });
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 500; ++i) {
        EXPECT_TRUE(os.PostMessageW(window, WM_JOB_PROGRESS, 1, 0));
        os.UnregisterWindow(os.RegisterWindow([](std::uint32_t, std::uint64_t, std::int64_t) {}));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(received.load(), 2000);
}

}  // namespace
}  // namespace qv::test
