#include <gtest/gtest.h>

#include "platform/crypto/md5.h"

static std::string hex(const std::string& raw) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : raw) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

TEST(Md5, KnownDigestsAsSixteenRawBytes) {
  EXPECT_EQ(hex(kvt::crypto::md5("")), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(hex(kvt::crypto::md5("abc")), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(kvt::crypto::md5("SENHA").size(), 16u);
  // bytes above 0x7F are hashed as they are
  EXPECT_NE(kvt::crypto::md5("S\xC3O"), kvt::crypto::md5("S\xC3\x83O"));
}
