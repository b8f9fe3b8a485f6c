#pragma once

#include <QString>

#include <string>

#include "platform/text/cp1252.h"

namespace kvt::window {

// Windows-1252 texts of the server become QStrings only here, at the window.
inline QString ParaQt(const std::string& cp1252) { return QString::fromStdString(text::cp1252ToUtf8(cp1252)); }

}  // namespace kvt::window
