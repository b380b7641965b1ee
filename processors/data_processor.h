// DataProcessor: one stage that every block of item data passes through.
//
// Process() replaces the output with the stage's transform of one whole block. A
// chain runs each stage on the previous stage's output; a failed stage leaves an
// empty output, which is how the chain learns of it (return values are not read).
#pragma once

#include <cstdint>
#include <memory>

namespace qv {

class DataProcessor {
 public:
  virtual ~DataProcessor() = default;
  virtual std::int32_t Process(const std::uint8_t* input, std::int32_t length) = 0;

  const std::uint8_t* Output() const { return m_pOutput.get(); }
  std::int32_t OutputSize() const { return m_nOutputSize; }
  // True when the last Process() could not transform its block. The output is then
  // empty too; the flag tells that apart from a block that is empty by right.
  bool Failed() const { return m_bFailed; }

 protected:
  // Frees the previous output and makes room for exactly `size` bytes (none for 0,
  // leaving Output() null). Clears the failure flag: a stage calls it once it knows
  // the block is good.
  std::uint8_t* ResetOutput(std::int32_t size);
  // Frees the output, leaving it empty; the failure flag is left as it is.
  void ClearOutput();
  // Empties the output and marks the block as failed. Returns 0, the result a
  // failed Process() gives.
  std::int32_t Fail();

  std::unique_ptr<std::uint8_t[]> m_pOutput;
  std::int32_t m_nOutputSize = 0;
  bool m_bFailed = false;
};

}  // namespace qv
