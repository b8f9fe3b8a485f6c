#include "platform/ini/regional_settings.h"

namespace kvt::ini {

static char readChar(const IniFile& ini, const char* key, char fallback) {
  const std::string v = ini.readString("REGIONAL", key, "");
  return v.empty() ? fallback : v.front();
}

text::RegionalSettings readRegionalSettings(const IniFile& ini) {
  text::RegionalSettings r;
  r.shortDateFormat = ini.readString("REGIONAL", "ShortDateFormat", r.shortDateFormat);
  r.longTimeFormat = ini.readString("REGIONAL", "LongTimeFormat", r.longTimeFormat);
  r.dateSeparator = readChar(ini, "DateSeparator", r.dateSeparator);
  r.timeSeparator = readChar(ini, "TimeSeparator", r.timeSeparator);
  r.decimalSeparator = readChar(ini, "DecimalSeparator", r.decimalSeparator);
  r.thousandSeparator = readChar(ini, "ThousandSeparator", r.thousandSeparator);
  return r;
}

}  // namespace kvt::ini
