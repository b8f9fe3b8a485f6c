#pragma once

#include <string>

namespace kvt::text {

// The machine's regional formats. They start as those of a Brazilian Windows
// machine; KORVATEL.INI section REGIONAL may override each one at start-up.
struct RegionalSettings {
  std::string shortDateFormat = "dd/mm/yyyy";
  std::string longTimeFormat = "hh:nn:ss";
  char dateSeparator = '/';
  char timeSeparator = ':';
  char decimalSeparator = ',';
  char thousandSeparator = '.';
  // two-digit years are read in the 100-year window that starts this many years
  // before the current year
  int twoDigitYearWindow = 20;
};

const RegionalSettings& regional();
void setRegional(const RegionalSettings& settings);

}  // namespace kvt::text
