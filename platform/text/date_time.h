#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvt::text {

// A local civil date and time (no time zone), as the platform's date-time values.
struct DateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int msec = 0;

  bool isMidnight() const { return hour == 0 && minute == 0 && second == 0 && msec == 0; }
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

// Seconds since 1970-01-01 00:00:00 of the same civil calendar (no zone), and back.
std::int64_t toEpochSeconds(const DateTime& dt);
DateTime fromEpochSeconds(std::int64_t seconds);
bool isValidDate(int year, int month, int day);

// Delphi-style format pictures: d dd m mm yy yyyy h hh n nn s ss z zzz, "/" and
// ":" stand for the regional separators, text in quotes is copied.
std::string formatDateTime(std::string_view picture, const DateTime& dt);

// Regional short date, a blank, regional long time; the time is left out when
// it is exactly midnight.
std::string dateTimeToStr(const DateTime& dt);
std::string dateToStr(const DateTime& dt);
std::string timeToStr(const DateTime& dt);

// Two-digit years read in the window that starts `window` years before
// currentYear (with 2024 and 20: 04 is 2004, 03 is 2103).
int expandTwoDigitYear(int twoDigitYear, int currentYear, int window);

// Reads a date (and optional time) in the regional short date order. The
// current year feeds the two-digit-year window.
std::optional<DateTime> tryStrToDate(std::string_view text, int currentYear);
std::optional<DateTime> tryStrToDateTime(std::string_view text, int currentYear);

// The embedded central's column text "YYYY-MM-DD HH:MM:SS".
std::string toSqlText(const DateTime& dt);
std::optional<DateTime> fromSqlText(std::string_view text);

}  // namespace kvt::text
