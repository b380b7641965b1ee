// The only file that calls libcrypto's DES functions.
#include "processors/des_cryptors.h"

// DES_* is deprecated in OpenSSL 3, but archives are defined by exactly this
// single-DES key derivation and cipher, so we keep calling it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <openssl/crypto.h>
#include <openssl/des.h>

#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "platform/coding.h"
#include "platform/shared/last_error.h"
#include "platform/text/text.h"

namespace qv {
namespace {

constexpr std::size_t kLengthsSize = 8;  // plain length, padded length

static_assert(sizeof(DES_cblock) == 8);

DES_key_schedule* ScheduleIn(std::array<std::uint8_t, 128>& storage) {
  return std::launder(reinterpret_cast<DES_key_schedule*>(storage.data()));
}

std::int32_t PaddedLength(std::int32_t n) { return (n + 7) / 8 * 8; }

}  // namespace

DESBaseCryptor::DESBaseCryptor(const std::u16string& password) {
  static_assert(sizeof(DES_key_schedule) <= sizeof(m_schedule));
  static_assert(alignof(DES_key_schedule) <= 8, "m_schedule is declared alignas(8)");

  const std::string narrow = WideCharToMultiByte(password);
  DES_cblock key;
  DES_string_to_key(narrow.c_str(), &key);
  std::memcpy(m_key.data(), key, m_key.size());
  m_iv = m_key;
  auto* schedule = new (m_schedule.data()) DES_key_schedule;
  DES_set_key_unchecked(&key, schedule);
}

DESBaseCryptor::~DESBaseCryptor() {
  // The round keys are as good as the password; do not leave them in freed memory.
  OPENSSL_cleanse(m_schedule.data(), m_schedule.size());
  OPENSSL_cleanse(m_key.data(), m_key.size());
  OPENSSL_cleanse(m_iv.data(), m_iv.size());
}

std::int32_t DESEncryptor::Process(const std::uint8_t* input, std::int32_t length) {
  if (length < 0 || (length > 0 && !input) ||
      length > std::numeric_limits<std::int32_t>::max() - 16) {
    return Fail();
  }
  const std::int32_t padded = PaddedLength(length);
  std::uint8_t* out = ResetOutput(padded + static_cast<std::int32_t>(kLengthsSize));
  EncodeFixed32(out, static_cast<std::uint32_t>(length));
  EncodeFixed32(out + 4, static_cast<std::uint32_t>(padded));
  if (padded == 0) return 0;

  // The zero padding is ours, not libcrypto's: the output already holds zeros past
  // the copied bytes, and the cipher runs over it in place.
  std::uint8_t* text = out + kLengthsSize;
  std::memcpy(text, input, static_cast<std::size_t>(length));
  DES_cblock iv;
  std::memcpy(iv, m_iv.data(), sizeof iv);
  DES_ncbc_encrypt(text, text, padded, ScheduleIn(m_schedule), &iv, DES_ENCRYPT);
  std::memcpy(m_iv.data(), iv, sizeof iv);
  return padded;
}

std::int32_t DESDecryptor::Process(const std::uint8_t* input, std::int32_t length) {
  if (length < static_cast<std::int32_t>(kLengthsSize) || !input) {
    SetLastErrorText("truncated encrypted block");
    return Fail();
  }
  const std::uint32_t plain = DecodeFixed32(input);
  const std::uint32_t padded = DecodeFixed32(input + 4);
  const auto available = static_cast<std::uint32_t>(length) - kLengthsSize;
  if (padded > available || padded % 8 != 0 || plain > padded) {
    SetLastErrorText("corrupted encrypted block: bad lengths");
    return Fail();
  }

  std::vector<std::uint8_t> clear(padded);
  if (padded > 0) {
    DES_cblock iv;
    std::memcpy(iv, m_iv.data(), sizeof iv);
    DES_ncbc_encrypt(input + kLengthsSize, clear.data(), static_cast<long>(padded), ScheduleIn(m_schedule), &iv,
                     DES_DECRYPT);
    std::memcpy(m_iv.data(), iv, sizeof iv);
  }
  std::uint8_t* out = ResetOutput(static_cast<std::int32_t>(plain));
  if (plain > 0) std::memcpy(out, clear.data(), plain);
  OPENSSL_cleanse(clear.data(), clear.size());
  return m_nOutputSize;
}

}  // namespace qv

#pragma GCC diagnostic pop
