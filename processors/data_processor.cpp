#include "processors/data_processor.h"

namespace qv {

std::uint8_t* DataProcessor::ResetOutput(std::int32_t size) {
  ClearOutput();
  m_bFailed = false;
  if (size > 0) {
    m_pOutput = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(size));
    m_nOutputSize = size;
  }
  return m_pOutput.get();
}

void DataProcessor::ClearOutput() {
  m_pOutput.reset();
  m_nOutputSize = 0;
}

std::int32_t DataProcessor::Fail() {
  ClearOutput();
  m_bFailed = true;
  return 0;
}

}  // namespace qv
