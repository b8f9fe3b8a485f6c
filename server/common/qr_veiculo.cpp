#include "server/common/qr_veiculo.h"

namespace kvt::common {

KVT_SQL(sqlQrVeiculo,
        "SELECT IdTerminal, Rastreador\r\n"
        "FROM  tVeiculo AS V\r\n"
        "WHERE Rastreador in (select rastreador from trastreador where ListaKVT = 1)  AND\r\n"
        "      V.IdTerminal = :IdTerminal",
        "SELECT IdTerminal, Rastreador\r\n"
        "FROM  tVeiculo AS V\r\n"
        "WHERE Rastreador in (select rastreador from trastreador where ListaKVT = 1)  AND\r\n"
        "      V.IdTerminal = :IdTerminal");

tQrVeiculo::tQrVeiculo(db::Connection& dbZenthora) : qr_(dbZenthora, sqlQrVeiculo()) {}

std::optional<std::int32_t> tQrVeiculo::Rastreador(std::int32_t idTerminal) {
  qr_.bindInt("IdTerminal", idTerminal);
  qr_.open();
  std::optional<std::int32_t> rastreador;
  if (!qr_.eof()) rastreador = qr_.field("Rastreador").asInt();
  qr_.close();
  return rastreador;
}

}  // namespace kvt::common
