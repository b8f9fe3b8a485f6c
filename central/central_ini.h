#pragma once

#include <string>

namespace kvt::central {

struct CentralFiles;
struct CentralOptions;

// Writes the KORVATEL.INI of an embedded central: sections KORVATEL, CONTROLE
// and BANCOS (Windows-1252, CR LF lines).
void writeCentralIni(const CentralFiles& files, const CentralOptions& options);

// The module number that KORVATEL derives from NOME_MR: 3, 4 or 5 for exactly
// "ModCom03", "ModCom04" or "ModCom05", otherwise 2.
int numeroModulo(const std::string& nomeMr);

}  // namespace kvt::central
