// Worker threads that run blocks through their stages (compression and encryption
// on the way in, decryption and decompression on the way out), so that both cores
// work on a large file while one thread reads and writes in order.
//
// Every block keeps its own fresh stages, so a block's bytes are those the
// sequential loop would make; only when they are made changes. The caller keeps
// the blocks in order and takes each result in that order, so archives, restored
// files and progress posts are the same as without the pool. The caller bounds
// how many blocks are in flight, which bounds the memory.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "store/data_buffer.h"

namespace qv {

class BlockPool {
 public:
  // One block and what became of it.
  struct Task {
    explicit Task(std::unique_ptr<DataBuffer> block) : pBlock(std::move(block)) {}
    std::unique_ptr<DataBuffer> pBlock;
    bool bOk = false;
    bool bDone = false;  // guarded by the pool's mutex
  };

  // A worker per hardware thread, at most eight; none on a one-core machine, where
  // Submit runs the block at once; or what SetWorkersAsked asked for.
  static unsigned DefaultWorkers();
  // For the front ends, which pass QUORVEL_THREADS at start: "N" asks for N
  // workers from then on (0 or 1: none), to compare or to leave a core free; empty
  // or anything else goes back to the default.
  static void SetWorkersAsked(std::string_view asked);
  // Blocks a caller should keep in flight for `workers` workers.
  static std::size_t InFlightFor(unsigned workers) { return workers == 0 ? 1 : 2 * workers; }

  explicit BlockPool(unsigned workers = DefaultWorkers());
  ~BlockPool();  // waits for the running blocks; queued ones are dropped unrun
  BlockPool(const BlockPool&) = delete;
  BlockPool& operator=(const BlockPool&) = delete;

  unsigned Workers() const { return static_cast<unsigned>(m_threads.size()); }
  // The task must live until Wait returned for it.
  void Submit(Task* task);
  // Returns once the task's block has run; then task->bOk says how.
  void Wait(Task* task);

 private:
  void Work();

  std::mutex m_mutex;
  std::condition_variable m_wake;  // for workers: a task, or the end
  std::condition_variable m_done;  // for the caller: a task finished
  std::deque<Task*> m_queue;
  bool m_bStopping = false;
  std::vector<std::thread> m_threads;
};

// One caller's blocks in the order they were handed in, at most a few in flight.
// Whatever is still in flight when it goes is waited for, so no worker ever runs a
// block whose owner is gone.
class OrderedBlocks {
 public:
  explicit OrderedBlocks(BlockPool& pool)
      : m_pool(pool), m_nMaxInFlight(BlockPool::InFlightFor(pool.Workers())) {}
  ~OrderedBlocks() { Clear(); }
  OrderedBlocks(const OrderedBlocks&) = delete;
  OrderedBlocks& operator=(const OrderedBlocks&) = delete;

  void Add(std::unique_ptr<DataBuffer> block);
  // Time to take the oldest before adding more.
  bool Full() const { return m_inFlight.size() >= m_nMaxInFlight; }
  bool Empty() const { return m_inFlight.empty(); }
  // The oldest block, once it has run.
  std::unique_ptr<BlockPool::Task> TakeOldest();
  // Drops every block in flight (after it ran).
  void Clear();

 private:
  BlockPool& m_pool;
  std::size_t m_nMaxInFlight;
  std::deque<std::unique_ptr<BlockPool::Task>> m_inFlight;
};

}  // namespace qv
