#include "platform/text/float_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/text/regional.h"

namespace kvt::text {

namespace {

// Digits and decimal exponent of |value| rounded to `precision` significant
// digits: value = 0.d1d2d3... x 10^exponent.
struct Decimal {
  std::string digits;
  int exponent = 0;
  bool negative = false;
};

Decimal toDecimal(double value, int precision) {
  Decimal d;
  d.negative = std::signbit(value) && value != 0.0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", precision - 1, std::fabs(value));
  std::string_view s(buf);
  const auto e = s.find('e');
  for (char c : s.substr(0, e))
    if (c >= '0' && c <= '9') d.digits.push_back(c);
  d.exponent = std::atoi(buf + e + 1) + 1;
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

}  // namespace

std::string floatToStr(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0.0) return "0";
  const char sep = regional().decimalSeparator;
  const Decimal d = toDecimal(value, 15);
  std::string out = d.negative ? "-" : "";
  if (d.exponent > 15 || d.exponent < -3) {
    out += d.digits[0];
    if (d.digits.size() > 1) {
      out += sep;
      out += d.digits.substr(1);
    }
    out += 'E';
    out += std::to_string(d.exponent - 1);
    return out;
  }
  if (d.exponent <= 0) {
    out += '0';
    out += sep;
    out.append(static_cast<std::size_t>(-d.exponent), '0');
    out += d.digits;
    return out;
  }
  const auto intDigits = static_cast<std::size_t>(d.exponent);
  if (d.digits.size() <= intDigits) {
    out += d.digits;
    out.append(intDigits - d.digits.size(), '0');
  } else {
    out += d.digits.substr(0, intDigits);
    out += sep;
    out += d.digits.substr(intDigits);
  }
  return out;
}

namespace {

// |value| with `decimals` decimals, rounded half away from zero from its
// 15-significant-digit decimal form (so 12.345 gives 12.35, as on the platform).
// Digits only, '.' as separator.
std::string fixedText(double value, int decimals) {
  std::string whole = "0", fraction(static_cast<std::size_t>(decimals), '0');
  if (value == 0.0 || !std::isfinite(value)) return decimals ? whole + "." + fraction : whole;
  const Decimal d = toDecimal(value, 15);
  // all digits with the decimal point after position `exponent`
  std::string digits = d.digits;
  int point = d.exponent;
  if (point <= 0) {
    digits.insert(0, static_cast<std::size_t>(1 - point), '0');
    point = 1;
  }
  const auto keep = static_cast<std::size_t>(point + decimals);
  if (digits.size() < keep) digits.append(keep - digits.size(), '0');
  const bool roundUp = digits.size() > keep && digits[keep] >= '5';
  digits.resize(keep);
  if (roundUp) {
    std::ptrdiff_t i = static_cast<std::ptrdiff_t>(keep) - 1;
    for (; i >= 0 && digits[static_cast<std::size_t>(i)] == '9'; --i) digits[static_cast<std::size_t>(i)] = '0';
    if (i < 0) {
      digits = "1" + digits;
      ++point;
    } else {
      ++digits[static_cast<std::size_t>(i)];
    }
  }
  whole = digits.substr(0, static_cast<std::size_t>(point));
  fraction = digits.substr(static_cast<std::size_t>(point));
  const auto nonZero = whole.find_first_not_of('0');
  whole = nonZero == std::string::npos ? "0" : whole.substr(nonZero);
  return decimals ? whole + "." + fraction : whole;
}

bool isZeroText(const std::string& s) { return s.find_first_not_of("0.") == std::string::npos; }

}  // namespace

namespace {

// "#,##0.00" of a whole number of hundredths, with the regional separators.
std::string groupedHundredths(bool negative, unsigned long long hundredths) {
  char digits[24];
  int n = 0;
  unsigned long long whole = hundredths / 100;
  do {
    digits[n++] = static_cast<char>('0' + whole % 10);
    whole /= 10;
  } while (whole != 0);
  std::string out;
  out.reserve(static_cast<std::size_t>(n + n / 3 + 4));
  if (negative) out += '-';
  const char thousands = regional().thousandSeparator;
  for (int i = n - 1; i >= 0; --i) {
    out += digits[i];
    if (i > 0 && i % 3 == 0) out += thousands;
  }
  out += regional().decimalSeparator;
  const auto cents = static_cast<unsigned>(hundredths % 100);
  out += static_cast<char>('0' + cents / 10);
  out += static_cast<char>('0' + cents % 10);
  return out;
}

}  // namespace

std::string formatThousands2(double value) {
  // The distance of every location text comes through here. Rounding the
  // hundredths of the binary value directly gives the same digits as the
  // 15-significant-digit route unless the value lies within a hair of a
  // half hundredth, where the two roundings may differ: those, and values
  // too large for the shortcut, take the exact route.
  const double magnitude = std::fabs(value);
  if (magnitude < 1e7) {
    const double scaled = magnitude * 100.0;
    const double below = std::floor(scaled);
    const double fraction = scaled - below;
    if (std::fabs(fraction - 0.5) > 1e-4) {
      const auto hundredths = static_cast<unsigned long long>(below) + (fraction > 0.5 ? 1 : 0);
      return groupedHundredths(value < 0 && hundredths != 0, hundredths);
    }
  }
  const std::string s = fixedText(value, 2);
  const auto point = s.find('.');
  const std::string whole = s.substr(0, point);
  std::string out;
  if (value < 0 && !isZeroText(s)) out += '-';
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) out += regional().thousandSeparator;
    out += whole[i];
  }
  out += regional().decimalSeparator;
  out += s.substr(point + 1);
  return out;
}

std::string formatFixed7_1(double value) {
  const std::string digits = fixedText(value, 1);
  std::string s = value < 0 && !isZeroText(digits) ? "-" + digits : digits;
  s[s.find('.')] = regional().decimalSeparator;
  return s.size() < 7 ? std::string(7 - s.size(), ' ') + s : s;
}

}  // namespace kvt::text
