#pragma once

// Coordinate texts of the electronic-security catalogues. The central stores
// every latitude and longitude of a target, a fence or a route point as one
// canonical text of 13 Windows-1252 characters: two digits of degrees, the
// degree sign (0xB0), two digits of minutes, an apostrophe, two digits of
// seconds, a point, one digit of tenths, a double quote, a blank and the
// hemisphere letter (N/S for a latitude, E/W for a longitude), for example
// 23°32'51.3" S. All three conversions are pure functions.

#include <string>
#include <string_view>

namespace kvt::security {

// The axis of a conversion.
enum class Eixo : int { Latitude = 0, Longitude = 1 };

// What an unreadable text becomes: "90°00'00.0\" S" and "90°00'00.0\" W".
const std::string& MarcadorInvalido(Eixo eixo);
// What the value zero becomes: "00°00'00.0\" S" and "00°00'00.0\" W".
const std::string& TextoZero(Eixo eixo);

// A client's coordinate text (degrees-minutes-seconds with symbols, a compact
// digit string with a hemisphere letter, signed decimal degrees or a signed
// count of tenths of an arc-second) as the canonical text; the marker of the
// axis when it cannot be read; an empty text for blank input and for compact
// or symbol texts whose digits are not a plain whole number.
//
// Two readings are ours, where the digit reading of compact texts (the first
// two significant digits are the degrees) cannot tell what was meant:
//  - Degrees below 10. With symbols, the degrees are the digits before the
//    degree sign, so 5°03'00.0" S and 05°03'00.0" S read as 5 degrees 3
//    minutes. A compact text gives them with leading zeros, as the canonical
//    text does: 0503000S (two-digit degrees, seven digits or fewer) or
//    00503000W (three-digit degrees, eight digits or more) read as 5 degrees
//    3 minutes; when the two-digit reading would give 60 minutes or seconds
//    or more (0463759W), the text is read as degrees 10 to 99 with one extra
//    leading zero. Without a leading zero (503000S) the first two digits are
//    the degrees. A sign inside a compact text makes it unreadable (empty).
//  - Longitudes of 100 degrees or more do not fit the two-digit degree field
//    and give the marker of the axis instead of a text that names another
//    place.
std::string FormataCoordenada(Eixo eixo, std::string_view texto);

// Signed degrees (negative south and west) as the canonical text, truncating
// at every step in 32-bit arithmetic; the marker of the axis for 100 degrees
// or more (and for values that are not numbers).
std::string GrausParaGMS(Eixo eixo, float graus);

// A canonical text back as signed degrees; 0 when a field does not read or the
// hemisphere letter does not belong to the axis (O and L are accepted for W
// and E on a longitude).
float GMSParaGraus(Eixo eixo, std::string_view texto);

// The importers refuse a coordinate pair whose two texts are both markers,
// both zero texts or both empty; one such text beside a valid partner passes.
bool ParCoordenadasRecusado(const std::string& latitude, const std::string& longitude);

}  // namespace kvt::security
