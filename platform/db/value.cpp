#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/db/db.h"
#include "platform/text/float_text.h"
#include "platform/text/regional.h"
#include "platform/text/trim.h"

namespace kvt::db {

namespace {

// Days between 1899-12-30 (the platform's day 0) and 1970-01-01.
constexpr double kEpochDays = 25569.0;

double dateTimeToDays(const text::DateTime& dt) {
  return static_cast<double>(text::toEpochSeconds(dt)) / 86400.0 + kEpochDays + dt.msec / 86400000.0;
}

text::DateTime daysToDateTime(double days) {
  const double ms = std::round((days - kEpochDays) * 86400000.0);
  const auto total = static_cast<std::int64_t>(ms);
  std::int64_t seconds = total / 1000;
  std::int64_t rest = total % 1000;
  if (rest < 0) {
    rest += 1000;
    --seconds;
  }
  text::DateTime dt = text::fromEpochSeconds(seconds);
  dt.msec = static_cast<int>(rest);
  return dt;
}

// A number written with '.' or the regional decimal separator; the whole
// (trimmed) text must be the number.
std::optional<double> parseFloat(std::string_view s) {
  std::string t = text::trim(s);
  if (t.empty()) return std::nullopt;
  const char sep = text::regional().decimalSeparator;
  for (char& c : t)
    if (c == sep) c = '.';
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size() || errno == ERANGE) return std::nullopt;
  return v;
}

std::optional<std::int64_t> parseInt64(std::string_view s) {
  const std::string t = text::trim(s);
  if (t.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(t.c_str(), &end, 10);
  if (end != t.c_str() + t.size() || errno == ERANGE) return std::nullopt;
  return v;
}

int currentYear() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_year + 1900;
}

}  // namespace

Value Value::integer(std::int64_t v) {
  Value r;
  r.type_ = Type::Integer;
  r.int_ = v;
  return r;
}

Value Value::floating(double v) {
  Value r;
  r.type_ = Type::Float;
  r.float_ = v;
  return r;
}

Value Value::text(std::string v) {
  Value r;
  r.type_ = Type::Text;
  r.text_ = std::move(v);
  return r;
}

Value Value::memo(std::string v) {
  Value r;
  r.type_ = Type::Memo;
  r.text_ = std::move(v);
  return r;
}

Value Value::binary(std::string bytes) {
  Value r;
  r.type_ = Type::Binary;
  r.text_ = std::move(bytes);
  return r;
}

Value Value::dateTime(const text::DateTime& v) {
  Value r;
  r.type_ = Type::DateTime;
  r.dateTime_ = v;
  return r;
}

std::int64_t Value::asInt64() const {
  switch (type_) {
    case Type::Null: return 0;
    case Type::Integer: return int_;
    case Type::Float: return std::isfinite(float_) ? static_cast<std::int64_t>(std::llround(float_)) : 0;
    case Type::DateTime: return static_cast<std::int64_t>(std::floor(dateTimeToDays(dateTime_)));
    case Type::Text:
    case Type::Memo:
    case Type::Binary:
      if (auto i = parseInt64(text_)) return *i;
      if (auto f = parseFloat(text_); f && std::isfinite(*f)) return static_cast<std::int64_t>(std::llround(*f));
      return 0;
  }
  return 0;
}

double Value::asFloat() const {
  switch (type_) {
    case Type::Null: return 0;
    case Type::Integer: return static_cast<double>(int_);
    case Type::Float: return float_;
    case Type::DateTime: return dateTimeToDays(dateTime_);
    case Type::Text:
    case Type::Memo:
    case Type::Binary: return parseFloat(text_).value_or(0.0);
  }
  return 0;
}

std::string Value::asString() const {
  switch (type_) {
    case Type::Null: return {};
    case Type::Integer: return std::to_string(int_);
    case Type::Float: return text::floatToStr(float_);
    case Type::DateTime: return text::dateTimeToStr(dateTime_);
    case Type::Text:
    case Type::Memo:
    case Type::Binary: return text_;
  }
  return {};
}

text::DateTime Value::asDateTime() const {
  switch (type_) {
    case Type::Null: return {};
    case Type::Integer: return daysToDateTime(static_cast<double>(int_));
    case Type::Float: return daysToDateTime(float_);
    case Type::DateTime: return dateTime_;
    case Type::Text:
    case Type::Memo:
    case Type::Binary:
      if (auto dt = text::fromSqlText(text::trim(text_))) return *dt;
      if (auto dt = text::tryStrToDateTime(text_, currentYear())) return *dt;
      return {};
  }
  return {};
}

}  // namespace kvt::db
