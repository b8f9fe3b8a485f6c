#pragma once

// qrVeiculo: whether a terminal exists and its tracker model is enabled for
// this server (ListaKVT = 1). The vehicle commands, the formatted messages and
// the operations module check their terminal with it before storing anything.

#include <cstdint>
#include <optional>

#include "platform/db/db.h"

namespace kvt::common {

const db::SqlText& sqlQrVeiculo();

// The statement prepared once and re-executed for every terminal.
class tQrVeiculo {
 public:
  explicit tQrVeiculo(db::Connection& dbZenthora);
  // The terminal's tracker model (column Rastreador), or nothing when the
  // statement returns no row.
  std::optional<std::int32_t> Rastreador(std::int32_t idTerminal);

 private:
  db::Statement qr_;
};

}  // namespace kvt::common
