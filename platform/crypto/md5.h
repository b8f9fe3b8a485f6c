#pragma once

#include <string>
#include <string_view>

namespace kvt::crypto {

// MD5 digest of the bytes, as 16 raw bytes.
std::string md5(std::string_view bytes);

}  // namespace kvt::crypto
