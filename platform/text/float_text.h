#pragma once

#include <string>

namespace kvt::text {

// The platform's general float text: at most 15 significant digits, trailing
// zeros dropped, the regional decimal separator, exponent form ("1E15",
// "1,5E-5") only for very large or very small magnitudes.
std::string floatToStr(double value);

// "#,##0.00": thousands grouped, two decimals, regional separators.
std::string formatThousands2(double value);

// "%7.1f": one decimal, right-aligned in at least seven characters, regional
// decimal separator.
std::string formatFixed7_1(double value);

}  // namespace kvt::text
