#pragma once

#include "platform/ini/ini_file.h"
#include "platform/text/regional.h"

namespace kvt::ini {

// Section REGIONAL of KORVATEL.INI overrides the Brazilian defaults, key by key:
// ShortDateFormat, LongTimeFormat, DateSeparator, TimeSeparator,
// DecimalSeparator, ThousandSeparator.
text::RegionalSettings readRegionalSettings(const IniFile& ini);

}  // namespace kvt::ini
