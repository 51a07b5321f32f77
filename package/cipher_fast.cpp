// The extraction work on one entry: digest of the stored bytes, decipher, digest of the
// plain bytes.
#include "package/cipher.h"

namespace qs {

void DecipherAndDigest(void* buffer, std::uint32_t length, std::int32_t state,
                       const std::uint8_t key[CIPHER_KEY_SIZE],
                       std::uint8_t storedDigest[DIGEST_SIZE],
                       std::uint8_t plainDigest[DIGEST_SIZE]) {
  DigestBuffer(buffer, length, storedDigest);
  PackageCipher(state, buffer, length, key);
  DigestBuffer(buffer, length, plainDigest);
}

}  // namespace qs
