// The only file that calls libcrypto's scrypt and ChaCha20-Poly1305.
#include "processors/seal_cryptors.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstring>
#include <limits>
#include <memory>
#include <mutex>

#include "platform/coding.h"
#include "platform/shared/last_error.h"
#include "platform/text/text.h"

namespace qv {
namespace {

// Every qvl command stays within 64 MiB over any archive; the derivation's memory
// comes on top of the reader's own, so a header may ask for half of that at most.
constexpr std::uint64_t kMaxScryptMemory = 32ull * 1024 * 1024;

struct CipherContextFree {
  void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

std::array<std::uint8_t, kSealNonceSize> NonceOf(const SealPlace& place) {
  std::array<std::uint8_t, kSealNonceSize> nonce{};
  EncodeFixed64(nonce.data(), place.nPosition);
  EncodeFixed32(nonce.data() + 8, place.nIndex);
  return nonce;
}

std::array<std::uint8_t, 16> AdOf(const SealPlace& place) {
  std::array<std::uint8_t, 16> ad{};
  EncodeFixed64(ad.data(), place.nPosition);
  EncodeFixed32(ad.data() + 8, place.nIndex);
  EncodeFixed32(ad.data() + 12, static_cast<std::uint32_t>(place.role));
  return ad;
}

// One pass of ChaCha20-Poly1305 over `input` into `output`; when opening, `tag` is
// the tag to check, when sealing it receives the tag.
bool RunCipher(bool seal, const SealKey& key, std::span<const std::uint8_t> nonce, std::span<const std::uint8_t> ad,
               const std::uint8_t* input, std::size_t size, std::uint8_t* output, std::uint8_t* tag) {
  if (nonce.size() != kSealNonceSize || size > static_cast<std::size_t>(std::numeric_limits<int>::max())) return false;
  CipherContext context(EVP_CIPHER_CTX_new());
  if (!context) return false;
  int done = 0;
  if (EVP_CipherInit_ex(context.get(), EVP_chacha20_poly1305(), nullptr, nullptr, nullptr, seal ? 1 : 0) != 1 ||
      EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_AEAD_SET_IVLEN, static_cast<int>(kSealNonceSize), nullptr) != 1 ||
      EVP_CipherInit_ex(context.get(), nullptr, nullptr, key.Data(), nonce.data(), seal ? 1 : 0) != 1) {
    return false;
  }
  if (!ad.empty() && EVP_CipherUpdate(context.get(), nullptr, &done, ad.data(), static_cast<int>(ad.size())) != 1) {
    return false;
  }
  if (size > 0 && EVP_CipherUpdate(context.get(), output, &done, input, static_cast<int>(size)) != 1) return false;
  if (!seal && EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_AEAD_SET_TAG, static_cast<int>(kSealTagSize), tag) != 1) {
    return false;
  }
  int tail = 0;
  std::uint8_t none = 0;  // the stream cipher leaves nothing for Final; an empty text has no buffer
  if (EVP_CipherFinal_ex(context.get(), size > 0 ? output + done : &none, &tail) != 1) return false;
  if (seal && EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_AEAD_GET_TAG, static_cast<int>(kSealTagSize), tag) != 1) {
    return false;
  }
  return true;
}

// The last key made, for the same password, salt and cost. A job checks the
// password and then reads with it, often more than once; each derivation is
// meant to be slow.
struct KeyMemo {
  std::mutex mutex;
  std::string strPassword;
  std::vector<std::uint8_t> salt;
  ScryptCost cost;
  SealKey key;
  bool bValid = false;
};

KeyMemo& Memo() {
  static KeyMemo* memo = new KeyMemo;  // never destroyed: workers may outlive main's statics
  return *memo;
}

}  // namespace

SealKey::~SealKey() { OPENSSL_cleanse(m_bytes.data(), m_bytes.size()); }

bool ScryptCostAccepted(const ScryptCost& cost) {
  if (cost.nLog2N < 10 || cost.nLog2N > 20) return false;
  if (cost.nR < 1 || cost.nR > 32 || cost.nP < 1 || cost.nP > 4) return false;
  // scrypt itself needs N < 2^(16 r); libcrypto refuses the rest, and the header
  // would then read as a wrong password.
  if (cost.nLog2N >= 16 * cost.nR) return false;
  return 128ull * cost.nR * (1ull << cost.nLog2N) <= kMaxScryptMemory;
}

bool DeriveSealKey(const std::u16string& password, std::span<const std::uint8_t> salt, const ScryptCost& cost,
                   SealKey* key) {
  if (!key || !ScryptCostAccepted(cost)) return false;
  std::string utf8 = ToUtf8(std::u16string_view(password).substr(0, password.find(u'\0')));
  KeyMemo& memo = Memo();
  const std::lock_guard<std::mutex> lock(memo.mutex);
  if (memo.bValid && memo.strPassword == utf8 && memo.salt.size() == salt.size() &&
      std::equal(salt.begin(), salt.end(), memo.salt.begin()) && memo.cost.nLog2N == cost.nLog2N &&
      memo.cost.nR == cost.nR && memo.cost.nP == cost.nP) {
    *key = memo.key;
    OPENSSL_cleanse(utf8.data(), utf8.size());
    return true;
  }
  // scrypt needs 128 * r * N bytes for its table and 128 * r * p for its blocks;
  // ScryptCostAccepted bounded both.
  const std::uint64_t maxMemory = kMaxScryptMemory + 128ull * cost.nR * cost.nP + 1024 * 1024;
  const bool made = EVP_PBE_scrypt(utf8.data(), utf8.size(), salt.data(), salt.size(), 1ull << cost.nLog2N, cost.nR,
                                   cost.nP, maxMemory, key->Data(), kSealKeySize) == 1;
  if (made) {
    if (!memo.strPassword.empty()) OPENSSL_cleanse(memo.strPassword.data(), memo.strPassword.size());
    memo.strPassword = utf8;
    memo.salt.assign(salt.begin(), salt.end());
    memo.cost = cost;
    memo.key = *key;
    memo.bValid = true;
  } else {
    SetLastErrorText("the key could not be derived from the password");
  }
  OPENSSL_cleanse(utf8.data(), utf8.size());
  return made;
}

bool FillRandom(std::span<std::uint8_t> bytes) {
  return bytes.size() <= static_cast<std::size_t>(std::numeric_limits<int>::max()) &&
         RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) == 1;
}

bool SealWith(const SealKey& key, std::span<const std::uint8_t> nonce, std::span<const std::uint8_t> ad,
              std::span<const std::uint8_t> plain, std::vector<std::uint8_t>* sealed) {
  sealed->assign(plain.size() + kSealTagSize, 0);
  if (RunCipher(true, key, nonce, ad, plain.data(), plain.size(), sealed->data(), sealed->data() + plain.size())) {
    return true;
  }
  sealed->clear();
  return false;
}

bool OpenWith(const SealKey& key, std::span<const std::uint8_t> nonce, std::span<const std::uint8_t> ad,
              std::span<const std::uint8_t> sealed, std::vector<std::uint8_t>* plain) {
  plain->clear();
  if (sealed.size() < kSealTagSize) return false;
  const std::size_t size = sealed.size() - kSealTagSize;
  std::array<std::uint8_t, kSealTagSize> tag{};
  std::memcpy(tag.data(), sealed.data() + size, kSealTagSize);
  plain->assign(size, 0);
  if (RunCipher(false, key, nonce, ad, sealed.data(), size, plain->data(), tag.data())) return true;
  // What a failed open decrypted is unauthenticated: nobody may see it.
  OPENSSL_cleanse(plain->data(), plain->size());
  plain->clear();
  return false;
}

bool SealPiece(const SealKey& key, const SealPlace& place, std::span<const std::uint8_t> plain,
               std::vector<std::uint8_t>* sealed) {
  return SealWith(key, NonceOf(place), AdOf(place), plain, sealed);
}

bool OpenPiece(const SealKey& key, const SealPlace& place, std::span<const std::uint8_t> sealed,
               std::vector<std::uint8_t>* plain) {
  return OpenWith(key, NonceOf(place), AdOf(place), sealed, plain);
}

std::int32_t SealEncryptor::Process(const std::uint8_t* input, std::int32_t length) {
  if (length < 0 || (length > 0 && !input) ||
      length > std::numeric_limits<std::int32_t>::max() - static_cast<std::int32_t>(kSealTagSize)) {
    return Fail();
  }
  const auto size = static_cast<std::size_t>(length);
  std::uint8_t* out = ResetOutput(length + static_cast<std::int32_t>(kSealTagSize));
  if (!RunCipher(true, m_key, NonceOf(m_place), AdOf(m_place), input, size, out, out + size)) return Fail();
  return m_nOutputSize;
}

}  // namespace qv
