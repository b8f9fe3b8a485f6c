#include "server/security/target_icon.h"

#include <cstdint>

namespace kvt::security {

namespace {

constexpr int kLado = 32;

void poe16(std::string& s, std::uint16_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8);
}

void poe32(std::string& s, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string montaBitmap() {
  constexpr std::uint32_t kPixels = kLado * kLado * 3;  // rows of 96 bytes need no padding
  constexpr std::uint32_t kCabecalhos = 14 + 40;
  std::string s;
  s.reserve(kCabecalhos + kPixels);
  s += "BM";
  poe32(s, kCabecalhos + kPixels);
  poe32(s, 0);
  poe32(s, kCabecalhos);
  poe32(s, 40);  // BITMAPINFOHEADER
  poe32(s, kLado);
  poe32(s, kLado);
  poe16(s, 1);
  poe16(s, 24);
  poe32(s, 0);  // no compression
  poe32(s, kPixels);
  poe32(s, 2835);  // 72 dpi
  poe32(s, 2835);
  poe32(s, 0);
  poe32(s, 0);
  // concentric rings: red, white, red, white, red bull's eye
  for (int y = 0; y < kLado; ++y) {
    for (int x = 0; x < kLado; ++x) {
      const int dx = 2 * x + 1 - kLado, dy = 2 * y + 1 - kLado;
      const int r2 = dx * dx + dy * dy;  // in half pixels
      const bool fora = r2 > 30 * 30;
      const bool vermelho = !fora && (r2 > 24 * 24 || (r2 <= 18 * 18 && r2 > 12 * 12) || r2 <= 6 * 6);
      const unsigned char b = vermelho ? 0x20 : 0xFF, g = vermelho ? 0x20 : 0xFF, r = vermelho ? 0xD0 : 0xFF;
      s += static_cast<char>(b);
      s += static_cast<char>(g);
      s += static_cast<char>(r);
    }
  }
  return s;
}

}  // namespace

const std::string& TargetIcon() {
  static const std::string bitmap = montaBitmap();
  return bitmap;
}

}  // namespace kvt::security
