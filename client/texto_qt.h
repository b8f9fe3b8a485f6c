#pragma once

// The GUI boundary: the client's texts are Windows-1252 bytes, Qt's are
// Unicode.

#include <QString>

#include <string>

#include "platform/text/cp1252.h"

namespace kvt::cliente {

inline QString qs(const std::string& cp1252) { return QString::fromStdString(text::cp1252ToUtf8(cp1252)); }
inline std::string cp(const QString& s) { return text::utf8ToCp1252(s.toStdString()); }

}  // namespace kvt::cliente
