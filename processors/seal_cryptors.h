// The sealed form's key and seals: scrypt turns the password into the archive key,
// ChaCha20-Poly1305 seals every piece under a nonce and associated data made from
// the piece's place in the archive. Construction and byte layout: docs/format.md.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "processors/data_processor.h"

namespace qv {

inline constexpr std::size_t kSealKeySize = 32;
inline constexpr std::size_t kSealTagSize = 16;
inline constexpr std::size_t kSealNonceSize = 12;
inline constexpr std::size_t kSealSaltSize = 32;
// Code points a new sealed archive's password needs at least.
inline constexpr std::size_t kMinSealPasswordLength = 8;

// scrypt's work: N = 2^nLog2N, block size r, parallelism p.
struct ScryptCost {
  std::uint8_t nLog2N = 15;
  std::uint32_t nR = 8;
  std::uint32_t nP = 1;
};
// What a new archive gets: 32 MiB, the most a reader accepts, and a noticeable
// fraction of a second per guess.
inline constexpr ScryptCost kDefaultScryptCost{};
// Whether a reader takes `cost` from a header: enough work to mean something, and
// never so much memory or time that a hostile header could exhaust the machine.
bool ScryptCostAccepted(const ScryptCost& cost);

// The 32-byte archive key. Wiped when it goes.
class SealKey {
 public:
  SealKey() = default;
  SealKey(const SealKey& other) = default;
  SealKey& operator=(const SealKey& other) = default;
  ~SealKey();
  const std::uint8_t* Data() const { return m_bytes.data(); }
  std::uint8_t* Data() { return m_bytes.data(); }

 private:
  std::array<std::uint8_t, kSealKeySize> m_bytes{};
};

// The key for `password` (as UTF-8) with `salt` and `cost`. False when the cost is
// not accepted or libcrypto fails. The last key made is kept for the same inputs,
// so that checking a password and then reading with it costs one derivation.
[[nodiscard]] bool DeriveSealKey(const std::u16string& password, std::span<const std::uint8_t> salt,
                                 const ScryptCost& cost, SealKey* key);
// Fills `bytes` from the system's random source; false when it has none to give.
[[nodiscard]] bool FillRandom(std::span<std::uint8_t> bytes);

// Where a piece lies, bound into its nonce and associated data.
enum class SealRole : std::uint32_t { kHead = 0, kBlock = 1, kRecordEnd = 2, kBlockHead = 3 };
struct SealPlace {
  // The file offset of the record's sealed head; for a head (a record's, a block's,
  // the closing) the piece's own offset.
  std::uint64_t nPosition = 0;
  std::uint32_t nIndex = 0;     // 0 a head, k the k-th block, n + 1 the end
  SealRole role = SealRole::kHead;
};

// `plain` sealed as cipher text and tag (plain.size() + 16 bytes).
[[nodiscard]] bool SealPiece(const SealKey& key, const SealPlace& place, std::span<const std::uint8_t> plain,
                             std::vector<std::uint8_t>* sealed);
// The plain text of a sealed piece; false (and nothing out) when it does not open.
[[nodiscard]] bool OpenPiece(const SealKey& key, const SealPlace& place, std::span<const std::uint8_t> sealed,
                             std::vector<std::uint8_t>* plain);
// The same with an explicit nonce and associated data (the header check).
[[nodiscard]] bool SealWith(const SealKey& key, std::span<const std::uint8_t> nonce, std::span<const std::uint8_t> ad,
                            std::span<const std::uint8_t> plain, std::vector<std::uint8_t>* sealed);
[[nodiscard]] bool OpenWith(const SealKey& key, std::span<const std::uint8_t> nonce, std::span<const std::uint8_t> ad,
                            std::span<const std::uint8_t> sealed, std::vector<std::uint8_t>* plain);

// The sealing stage for one data block, run on the block pool like the DES stage.
class SealEncryptor : public DataProcessor {
 public:
  SealEncryptor(const SealKey& key, const SealPlace& place) : m_key(key), m_place(place) {}
  std::int32_t Process(const std::uint8_t* input, std::int32_t length) override;

 private:
  SealKey m_key;
  SealPlace m_place;
};

}  // namespace qv
