// Windows handles behind values of our own. A handle value the caller made up, or
// one already closed, then finds nothing: closing it twice cannot close a handle
// that Windows has since given to somebody else.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

namespace qv {

template <class Entry>
class HandleTable {
 public:
  // Values count up from `first` and are never given twice.
  explicit HandleTable(std::int64_t first = 1) : m_nNext(first) {}

  std::int64_t Add(Entry entry) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const std::int64_t value = m_nNext++;
    m_entries.emplace(value, std::move(entry));
    return value;
  }
  // The entry stays in the table: the contract gives each handle to one thread at
  // a time, so nobody takes it away meanwhile.
  Entry* Find(std::int64_t value) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_entries.find(value);
    return found == m_entries.end() ? nullptr : &found->second;
  }
  std::optional<Entry> Take(std::int64_t value) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_entries.find(value);
    if (found == m_entries.end()) return std::nullopt;
    Entry entry = std::move(found->second);
    m_entries.erase(found);
    return entry;
  }
  // Every entry still held, for an owner that ends.
  std::map<std::int64_t, Entry> TakeAll() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_entries, {});
  }

 private:
  std::mutex m_mutex;
  std::int64_t m_nNext;
  std::map<std::int64_t, Entry> m_entries;
};

}  // namespace qv
