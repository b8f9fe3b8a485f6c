#pragma once

// A kind of configuration as the central's catalogue (tOpcoesOperacao)
// describes it: the table that holds its profiles, the direction flag of its
// profiles and the command that transmits it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/db/db.h"

namespace kvt::operations {

struct PerfilConfiguracao {
  std::string TabelaConf;  // empty: no such kind
  std::string FlagCentralRastSeg;
  std::string CodMsgHex;
};

// Reads the kind with the statement qrPerfilConfiguracao (no row: an empty kind).
PerfilConfiguracao LePerfilConfiguracao(db::Statement& qrPerfilConfiguracao, std::int32_t idOpcao);

// The column that keeps the direction flag of the profiles of a kind: kinds 8,
// 9, 12 and 13 compare FlagCentralRastSeg, 10 and 11 FlagCentralSegRast, the
// others none (empty).
std::string_view ColunaFlag(std::int32_t tipo);

// The condition line on the flag for a kind, or an empty text.
std::string CondicaoFlag(std::int32_t tipo, std::string_view flag);

// The table name as it goes into a composed statement; a name that is not a
// plain (optionally qualified) table name is refused with std::runtime_error.
std::string NomeDeTabela(std::string_view tabela);

}  // namespace kvt::operations
