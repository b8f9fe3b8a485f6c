#pragma once

#include <string>

namespace kvt::security {

// The picture stored with every imported target (column bmp_alvo): one fixed
// 32 x 32 Windows bitmap, 24 bits per pixel, a red and white target on white.
const std::string& TargetIcon();

}  // namespace kvt::security
