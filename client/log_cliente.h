#pragma once

// KVTCLIENT.LOG: every received document, appended when GravarLog is "SIM".

#include <cstdint>
#include <string>

namespace kvt::cliente {

// Opens the file for appending (creating it), starts it afresh when it is
// larger than tamMaxMiB mebibytes, writes the text up to its first zero byte,
// flushes and closes. Returns false when the file cannot be written.
bool GravaLogCliente(const std::string& caminho, std::int32_t tamMaxMiB, const std::string& texto);

}  // namespace kvt::cliente
