// The encryption stage and its inverse: single DES in CBC mode, initial vector =
// key, key from the password. Block layout: docs/format.md.
#pragma once

#include <array>
#include <string>

#include "processors/data_processor.h"

namespace qv {

class DESBaseCryptor : public DataProcessor {
 public:
  explicit DESBaseCryptor(const std::u16string& password);
  ~DESBaseCryptor() override;

  const std::array<std::uint8_t, 8>& Key() const { return m_key; }

 protected:
  std::array<std::uint8_t, 8> m_key{};
  std::array<std::uint8_t, 8> m_iv{};  // runs on from one Process call to the next
  // Storage for libcrypto's DES_key_schedule, so this header need not include
  // OpenSSL; des_cryptors.cpp checks that it fits and constructs it there.
  alignas(8) std::array<std::uint8_t, 128> m_schedule{};
};

class DESEncryptor : public DESBaseCryptor {
 public:
  using DESBaseCryptor::DESBaseCryptor;
  // Returns the padded length p; the output is p + 8 bytes.
  std::int32_t Process(const std::uint8_t* input, std::int32_t length) override;
};

class DESDecryptor : public DESBaseCryptor {
 public:
  using DESBaseCryptor::DESBaseCryptor;
  // Returns the plain length n. A corrupt block (lengths that do not fit the input)
  // gives an empty output and 0, without reading past the input.
  std::int32_t Process(const std::uint8_t* input, std::int32_t length) override;
};

}  // namespace qv
