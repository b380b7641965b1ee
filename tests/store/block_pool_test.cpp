// Blocks run on workers may finish in any order; the caller must get them back in
// the order it handed them in, and never hold more than its share in flight, however
// slowly it takes them (a slow archive writer).
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>

#include "store/block_pool.h"

namespace qv::test {
namespace {

// Holds each block until the test releases its number (the block's one byte).
struct Gate {
  std::mutex mutex;
  std::condition_variable changed;
  std::set<int> released;
  int nRunning = 0;

  void Release(int block) {
    std::lock_guard lock(mutex);
    released.insert(block);
    changed.notify_all();
  }
  void WaitUntilRunning(int count) {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return nRunning >= count; });
  }
};

class GatedStage : public DataProcessor {
 public:
  explicit GatedStage(Gate& gate) : m_gate(gate) {}
  std::int32_t Process(const std::uint8_t* input, std::int32_t length) override {
    std::unique_lock lock(m_gate.mutex);
    ++m_gate.nRunning;
    m_gate.changed.notify_all();
    m_gate.changed.wait(lock, [&] { return m_gate.released.count(input[0]) != 0; });
    std::memcpy(ResetOutput(length), input, static_cast<std::size_t>(length));
    return length;
  }

 private:
  Gate& m_gate;
};

std::unique_ptr<DataBuffer> Block(Gate& gate, std::uint8_t number) {
  auto block = std::make_unique<DataBuffer>(&number, 1);
  block->AddStage(std::make_unique<GatedStage>(gate));
  return block;
}

TEST(BlockPool, BlocksComeBackInOrderAndNoMoreThanTheShareIsInFlight) {
  Gate gate;
  BlockPool pool(2);
  OrderedBlocks blocks(pool);
  int added = 0;
  while (!blocks.Full()) blocks.Add(Block(gate, static_cast<std::uint8_t>(added++)));
  EXPECT_EQ(added, 4) << "two workers keep two blocks each in flight";

  gate.WaitUntilRunning(2);
  gate.Release(1);  // the younger block finishes first
  gate.Release(0);
  for (int expected = 0; expected < 6; ++expected) {
    std::unique_ptr<BlockPool::Task> oldest = blocks.TakeOldest();
    ASSERT_TRUE(oldest->bOk);
    EXPECT_EQ(oldest->pBlock->Data()[0], expected);
    if (added < 6) blocks.Add(Block(gate, static_cast<std::uint8_t>(added++)));
    EXPECT_TRUE(blocks.Full() || added == 6);
    for (int later = expected + 2; later < added; ++later) gate.Release(later);
  }
  EXPECT_TRUE(blocks.Empty());
}

}  // namespace
}  // namespace qv::test
