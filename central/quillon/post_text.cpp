#include "central/quillon/post_text.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace kvt::quillon {

void appendField(std::string& post, std::string_view id, std::string_view value) {
  if (value.find('#') != std::string_view::npos)
    throw std::invalid_argument("Post field " + std::string(id) + " cannot hold '#'");
  post += '#';
  post += id;
  post += ',';
  post += std::to_string(value.size());
  post += ',';
  post += value;
}

std::string encodeFreeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '#')
      out += '\x01';
    else if (c == ' ')
      out += '^';
    else if (c == '^')
      out += '\xB6';
    else
      out += c;
  }
  return out;
}

std::string coordinateText(double degrees, bool latitude) {
  const char hemisphere = latitude ? (degrees < 0 ? 'S' : 'N') : (degrees < 0 ? 'O' : 'L');
  // Whole tenths of an arc-second, so that rounding never yields 60 seconds.
  const auto tenths = static_cast<long>(std::lround(std::fabs(degrees) * 36000.0));
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%03ld %02ld %02ld %ld %c", tenths / 36000, tenths / 600 % 60, tenths / 10 % 60,
                tenths % 10, hemisphere);
  return buffer;
}

std::string postDateTime(const text::DateTime& dt) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d %02d:%02d:%02d", dt.day, dt.month, dt.year, dt.hour, dt.minute,
                dt.second);
  return buffer;
}

std::string hexText(std::int64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(value));
  return buffer;
}

std::optional<std::string> fieldValue(std::string_view post, std::string_view id) {
  const std::string key = "#" + std::string(id) + ",";
  const auto start = post.find(key);
  if (start == std::string_view::npos) return std::nullopt;
  const auto lengthEnd = post.find(',', start + key.size());
  if (lengthEnd == std::string_view::npos) return std::string();
  const auto valueStart = lengthEnd + 1;
  const auto valueEnd = post.find('#', valueStart);
  return std::string(post.substr(valueStart, valueEnd == std::string_view::npos ? post.npos : valueEnd - valueStart));
}

}  // namespace kvt::quillon
