#pragma once

// The subset of WQL the diagnostic report sends: a property list or "*", a
// class, and at most one comparison of a property with a literal.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sysinfo/sysinfo.h"

namespace kvt::sysinfo {

struct Condition {
  std::string property;
  std::string op;  // = <> != < > <= >=
  std::string value;
};

struct WqlQuery {
  bool all = false;                     // "*"
  std::vector<std::string> properties;  // as written, when not all
  std::string className;
  std::optional<Condition> where;
};

// Throws QueryError on anything else.
WqlQuery parseWql(std::string_view text);

// Whether the object satisfies the condition: numbers compare as numbers,
// anything else as text with ASCII case ignored; a property the object does not
// have never satisfies it.
bool satisfies(const Object& object, const Condition& condition);

}  // namespace kvt::sysinfo
