#include "store/block_pool.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <system_error>

namespace qv {

namespace {

constexpr unsigned kNotAsked = ~0u;
std::atomic<unsigned> g_nWorkersAsked{kNotAsked};

}  // namespace

void BlockPool::SetWorkersAsked(std::string_view asked) {
  unsigned workers = kNotAsked;
  unsigned long value = 0;
  const auto [end, error] = std::from_chars(asked.data(), asked.data() + asked.size(), value);
  if (!asked.empty() && error == std::errc() && end == asked.data() + asked.size()) {
    workers = value <= 1 ? 0 : static_cast<unsigned>(std::min(value, 64ul));
  }
  g_nWorkersAsked.store(workers, std::memory_order_relaxed);
}

unsigned BlockPool::DefaultWorkers() {
  if (const unsigned asked = g_nWorkersAsked.load(std::memory_order_relaxed); asked != kNotAsked) return asked;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores <= 1 ? 0 : std::min(cores, 8u);
}

BlockPool::BlockPool(unsigned workers) {
  for (unsigned i = 0; i < workers; ++i) m_threads.emplace_back([this] { Work(); });
}

BlockPool::~BlockPool() {
  {
    std::lock_guard lock(m_mutex);
    m_bStopping = true;
    m_queue.clear();
  }
  m_wake.notify_all();
  for (std::thread& thread : m_threads) thread.join();
}

void BlockPool::Submit(Task* task) {
  if (m_threads.empty()) {
    task->bOk = task->pBlock->Run();
    task->bDone = true;
    return;
  }
  {
    std::lock_guard lock(m_mutex);
    m_queue.push_back(task);
  }
  m_wake.notify_one();
}

void BlockPool::Wait(Task* task) {
  std::unique_lock lock(m_mutex);
  m_done.wait(lock, [task] { return task->bDone; });
}

void BlockPool::Work() {
  for (;;) {
    Task* task = nullptr;
    {
      std::unique_lock lock(m_mutex);
      m_wake.wait(lock, [this] { return m_bStopping || !m_queue.empty(); });
      if (m_bStopping) return;
      task = m_queue.front();
      m_queue.pop_front();
    }
    const bool ok = task->pBlock->Run();
    {
      std::lock_guard lock(m_mutex);
      task->bOk = ok;
      task->bDone = true;
    }
    m_done.notify_all();
  }
}

void OrderedBlocks::Add(std::unique_ptr<DataBuffer> block) {
  m_inFlight.push_back(std::make_unique<BlockPool::Task>(std::move(block)));
  m_pool.Submit(m_inFlight.back().get());
}

std::unique_ptr<BlockPool::Task> OrderedBlocks::TakeOldest() {
  std::unique_ptr<BlockPool::Task> task = std::move(m_inFlight.front());
  m_inFlight.pop_front();
  m_pool.Wait(task.get());
  return task;
}

void OrderedBlocks::Clear() {
  while (!m_inFlight.empty()) (void)TakeOldest();
}

}  // namespace qv
