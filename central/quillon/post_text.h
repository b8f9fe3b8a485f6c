#pragma once

// Writing and reading the compact Post records that the communication base
// exchanges with the servers: a run of fields "#" id "," length "," value.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text/date_time.h"

namespace kvt::quillon {

// Appends the field "#" + id + "," + length + "," + value. A value cannot hold
// "#" (it would end the field): free texts go through encodeFreeText first.
// Throws std::invalid_argument for such a value.
void appendField(std::string& post, std::string_view id, std::string_view value);

// A vehicle's free text as it travels in a Post: "#" becomes the byte 0x01, a
// blank "^", and "^" the byte 0xB6 ("¶"). Other bytes are kept.
std::string encodeFreeText(std::string_view text);

// The 13-character coordinate text of an event, "DDD MM SS T H": degrees,
// minutes, seconds and tenths of a second, then the hemisphere letter (N or S
// for a latitude, L or O for a longitude).
std::string coordinateText(double degrees, bool latitude);

// "dd/mm/yyyy hh:nn:ss", always 19 characters.
std::string postDateTime(const text::DateTime& dt);

// Upper-case hexadecimal without leading zeros ("0" for 0).
std::string hexText(std::int64_t value);

// The value of the first field whose id is exactly `id`, read up to the next
// "#" or the end of the text; nullopt when there is no such field.
std::optional<std::string> fieldValue(std::string_view post, std::string_view id);

}  // namespace kvt::quillon
