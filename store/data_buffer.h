// One piece of item data on its way through a chain of stages. The writer adds the
// compression and encryption stages, the reader the decryption and decompression
// stages; every piece gets fresh stage objects, so no state carries from one block
// to the next.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "processors/data_processor.h"

namespace qv {

class DataBuffer {
 public:
  DataBuffer(const std::uint8_t* data, std::size_t size);
  // Takes the bytes over instead of copying them.
  explicit DataBuffer(std::vector<std::uint8_t>&& bytes) : m_bytes(std::move(bytes)) {}

  void AddStage(std::unique_ptr<DataProcessor> stage);
  // Runs the stages in the order they were added, each on the previous output.
  // Returns false when a stage could not transform its input; the result is then
  // empty.
  [[nodiscard]] bool Run();

  const std::uint8_t* Data() const;
  std::size_t Size() const;
  // The bytes the block was made from.
  std::size_t InputSize() const { return m_bytes.size(); }

 private:
  std::vector<std::uint8_t> m_bytes;
  std::vector<std::unique_ptr<DataProcessor>> m_stages;
  const DataProcessor* m_pLastStage = nullptr;
};

}  // namespace qv
