#include "platform/text/date_time.h"

#include <cstdio>
#include <vector>

#include "platform/text/regional.h"

namespace kvt::text {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * static_cast<unsigned>(m + (m > 2 ? -3 : 9)) + 2) / 5 + static_cast<unsigned>(d) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

std::string pad(int value, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, value);
  return buf;
}

// Reads an unsigned number at text[i]; false when there is no digit.
bool readNumber(std::string_view text, std::size_t& i, int& value, int& digits) {
  value = 0;
  digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 9) {
    value = value * 10 + (text[i] - '0');
    ++i;
    ++digits;
  }
  return digits > 0;
}

void skipBlanks(std::string_view text, std::size_t& i) {
  while (i < text.size() && text[i] == ' ') ++i;
}

}  // namespace

bool isValidDate(int year, int month, int day) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::int64_t toEpochSeconds(const DateTime& dt) {
  return daysFromCivil(dt.year, dt.month, dt.day) * 86400 + dt.hour * 3600 + dt.minute * 60 + dt.second;
}

DateTime fromEpochSeconds(std::int64_t seconds) {
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  DateTime dt;
  civilFromDays(days, dt.year, dt.month, dt.day);
  dt.hour = static_cast<int>(rest / 3600);
  dt.minute = static_cast<int>(rest / 60 % 60);
  dt.second = static_cast<int>(rest % 60);
  dt.msec = 0;
  return dt;
}

std::string formatDateTime(std::string_view picture, const DateTime& dt) {
  const RegionalSettings& r = regional();
  std::string out;
  std::size_t i = 0;
  auto run = [&](char c) {
    std::size_t n = 0;
    while (i + n < picture.size() && (picture[i + n] | 0x20) == c) ++n;
    return n;
  };
  while (i < picture.size()) {
    const char c = picture[i];
    const char lower = static_cast<char>(c | 0x20);
    if (c == '"' || c == '\'') {
      const auto end = picture.find(c, i + 1);
      const auto stop = end == std::string_view::npos ? picture.size() : end;
      out.append(picture.substr(i + 1, stop - i - 1));
      i = stop == picture.size() ? stop : stop + 1;
      continue;
    }
    if (c == '/') {
      out += r.dateSeparator;
      ++i;
      continue;
    }
    if (c == ':') {
      out += r.timeSeparator;
      ++i;
      continue;
    }
    std::size_t n = (lower >= 'a' && lower <= 'z') ? run(lower) : 0;
    switch (n ? lower : '\0') {
      case 'd': out += n >= 2 ? pad(dt.day, 2) : std::to_string(dt.day); break;
      case 'm': out += n >= 2 ? pad(dt.month, 2) : std::to_string(dt.month); break;
      case 'y': out += n >= 3 ? pad(dt.year, 4) : pad(dt.year % 100, 2); break;
      case 'h': out += n >= 2 ? pad(dt.hour, 2) : std::to_string(dt.hour); break;
      case 'n': out += n >= 2 ? pad(dt.minute, 2) : std::to_string(dt.minute); break;
      case 's': out += n >= 2 ? pad(dt.second, 2) : std::to_string(dt.second); break;
      case 'z': out += n >= 3 ? pad(dt.msec, 3) : std::to_string(dt.msec); break;
      default:
        out += c;
        n = 1;
    }
    i += n;
  }
  return out;
}

std::string dateToStr(const DateTime& dt) { return formatDateTime(regional().shortDateFormat, dt); }
std::string timeToStr(const DateTime& dt) { return formatDateTime(regional().longTimeFormat, dt); }

std::string dateTimeToStr(const DateTime& dt) {
  if (dt.isMidnight()) return dateToStr(dt);
  return dateToStr(dt) + " " + timeToStr(dt);
}

int expandTwoDigitYear(int twoDigitYear, int currentYear, int window) {
  const int base = currentYear - window;
  int year = base / 100 * 100 + twoDigitYear;
  if (year < base) year += 100;
  return year;
}

std::optional<DateTime> tryStrToDate(std::string_view text, int currentYear) {
  auto dt = tryStrToDateTime(text, currentYear);
  if (!dt || !dt->isMidnight()) return std::nullopt;
  return dt;
}

std::optional<DateTime> tryStrToDateTime(std::string_view text, int currentYear) {
  const RegionalSettings& r = regional();
  // field order of the short date picture: the first letter of each run
  std::vector<char> order;
  for (char c : r.shortDateFormat) {
    const char lower = static_cast<char>(c | 0x20);
    if ((lower == 'd' || lower == 'm' || lower == 'y') && (order.empty() || order.back() != lower))
      order.push_back(lower);
  }
  if (order.size() != 3) order = {'d', 'm', 'y'};

  std::size_t i = 0;
  skipBlanks(text, i);
  int values[3] = {0, 0, 0};
  int yearDigits = 0;
  for (int k = 0; k < 3; ++k) {
    int digits = 0;
    if (!readNumber(text, i, values[k], digits)) return std::nullopt;
    if (order[static_cast<std::size_t>(k)] == 'y') yearDigits = digits;
    if (k < 2) {
      if (i >= text.size() || text[i] != r.dateSeparator) return std::nullopt;
      ++i;
    }
  }
  DateTime dt;
  dt.hour = dt.minute = dt.second = dt.msec = 0;
  for (int k = 0; k < 3; ++k) {
    switch (order[static_cast<std::size_t>(k)]) {
      case 'd': dt.day = values[k]; break;
      case 'm': dt.month = values[k]; break;
      default: dt.year = values[k];
    }
  }
  if (yearDigits <= 2) dt.year = expandTwoDigitYear(dt.year, currentYear, r.twoDigitYearWindow);
  if (!isValidDate(dt.year, dt.month, dt.day)) return std::nullopt;

  skipBlanks(text, i);
  if (i < text.size()) {
    int parts[3] = {0, 0, 0};
    int count = 0;
    while (count < 3) {
      int digits = 0;
      if (!readNumber(text, i, parts[count], digits)) return std::nullopt;
      ++count;
      if (i < text.size() && text[i] == r.timeSeparator) ++i;
      else break;
    }
    if (count < 2 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
    dt.hour = parts[0];
    dt.minute = parts[1];
    dt.second = parts[2];
    skipBlanks(text, i);
    if (i != text.size()) return std::nullopt;
  }
  return dt;
}

std::string toSqlText(const DateTime& dt) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", dt.year, dt.month, dt.day, dt.hour, dt.minute,
                dt.second);
  return buf;
}

std::optional<DateTime> fromSqlText(std::string_view text) {
  DateTime dt;
  dt.hour = dt.minute = dt.second = dt.msec = 0;
  if (text.size() < 10) return std::nullopt;
  int parsed[6] = {0, 0, 0, 0, 0, 0};
  const char seps[] = {'-', '-', ' ', ':', ':'};
  std::size_t i = 0;
  int field = 0;
  for (; field < 6; ++field) {
    int digits = 0;
    if (!readNumber(text, i, parsed[field], digits)) return std::nullopt;
    if (field == 5 || i >= text.size()) break;
    if (text[i] != seps[field] && !(field == 2 && text[i] == 'T')) break;
    ++i;
  }
  if (field < 2) return std::nullopt;
  dt.year = parsed[0];
  dt.month = parsed[1];
  dt.day = parsed[2];
  dt.hour = parsed[3];
  dt.minute = parsed[4];
  dt.second = parsed[5];
  if (!isValidDate(dt.year, dt.month, dt.day)) return std::nullopt;
  return dt;
}

}  // namespace kvt::text
