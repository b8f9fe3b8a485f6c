#pragma once

// Fills the slots of the telecommand processor's dispatch table that the
// operations module answers.

#include "server/operations/operacao.h"
#include "server/telecmd/tele_cmd.h"

namespace kvt::operations {

void DefineTratadoresOperacao(telecmd::tTeleCmd& teleCmd, TdmOperacao& operacao);

}  // namespace kvt::operations
