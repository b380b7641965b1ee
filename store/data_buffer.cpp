#include "store/data_buffer.h"

#include <utility>

namespace qv {

DataBuffer::DataBuffer(const std::uint8_t* data, std::size_t size) : m_bytes(data, data + size) {}

void DataBuffer::AddStage(std::unique_ptr<DataProcessor> stage) {
  m_stages.push_back(std::move(stage));
}

bool DataBuffer::Run() {
  const std::uint8_t* input = m_bytes.data();
  auto length = static_cast<std::int32_t>(m_bytes.size());
  for (auto& stage : m_stages) {
    stage->Process(input, length);
    m_pLastStage = stage.get();
    if (stage->Failed()) return false;
    input = stage->Output();
    length = stage->OutputSize();
  }
  return true;
}

const std::uint8_t* DataBuffer::Data() const {
  return m_pLastStage ? m_pLastStage->Output() : m_bytes.data();
}

std::size_t DataBuffer::Size() const {
  if (!m_pLastStage) return m_bytes.size();
  return m_pLastStage->Failed() ? 0 : static_cast<std::size_t>(m_pLastStage->OutputSize());
}

}  // namespace qv
