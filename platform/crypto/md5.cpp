#include "platform/crypto/md5.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace kvt::crypto {

std::string md5(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr) != 1)
    throw std::runtime_error("MD5 digest failed");
  return std::string(reinterpret_cast<const char*>(digest), length);
}

}  // namespace kvt::crypto
