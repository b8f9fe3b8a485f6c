#include "server/events/status_feedback.h"

#include "platform/text/cp1252.h"
#include "platform/text/integer_text.h"
#include "platform/text/trim.h"
#include "server/events/post_format.h"

namespace kvt::events {

using namespace kvt::text::literals;

namespace {

constexpr const char* kRotinaStatus = "TFPrincipal.Processa_StatusEnvio_Telecomando";
constexpr const char* kRotinaCallProgress = "TFPrincipal.Processa_CallProgress_Telecomando";
constexpr const char* kRotinaObtem = "TFPrincipal.ObtemCmdViaStatus";

// A decimal field: absent (or blank) gives the default; a line end after the
// last value of a Post does not count.
bool leDecimal(std::string_view post, std::string_view id, std::int32_t& destino) {
  const ValorCampo campo = ObtemCampoPost(post, id);
  if (!campo || text::trim(campo.valor).empty()) return true;
  const auto v = text::tryParseInt(text::trimRight(campo.valor));
  if (!v) return false;
  destino = *v;
  return true;
}

}  // namespace

std::optional<CamposStatus> LeCamposStatus(std::string_view post, bool eventoStatus) {
  CamposStatus c;
  c.CallProgress = eventoStatus ? 255 : 0;
  bool ok = leDecimal(post, "27", c.IdStatus) && leDecimal(post, "A4", c.CallProgress);
  if (eventoStatus) {
    ok = ok && leDecimal(post, "28", c.StatusEnvio) && leDecimal(post, "B1", c.Port) &&
         leDecimal(post, "E3", c.Operadora);
    const ValorCampo ip = ObtemCampoPost(post, "B0");
    if (ip && !text::trim(ip.valor).empty()) c.IP = std::string(ip.valor);
  }
  if (!ok) return std::nullopt;
  return c;
}

KVT_SQL(sqlAtualizaStatusEnvio,
        "update tTelecomando set StatusEnvio  = :StsEnvio, \r\n"
        "                        DataHoraRec  = GETDATE(), \r\n"
        "                        IP = :IP, \r\n"
        "                        Port = :Port, \r\n"
        "                        Operadora = :Operadora, \r\n"
        "                        CallProgress = :CallProgress \r\n"
        "where IdSeqMsg = :IdStatus and (StatusEnvio = 16 or StatusEnvio = 200)",
        "update tTelecomando set StatusEnvio = :StsEnvio, DataHoraRec = datetime('now','localtime'), IP = :IP, "
        "Port = :Port, Operadora = :Operadora, CallProgress = :CallProgress "
        "where IdSeqMsg = :IdStatus and (StatusEnvio = 16 or StatusEnvio = 200)");
KVT_SQL(sqlObtemCmdViaStatus,
        "select TOP 1 TC.IdSequencia, TC.IdTerminal, TC.CodMsg, TerminalID = isnull(VD.TerminalID,0),\r\n"
        "       IdTransOperacao = IsNull(TIO.IdTransOperacao, -1)\r\n"
        "from tTeleComando TC left join tTransItensOperacao TIO on TC.IdSequencia = TIO.IdSequencia\r\n"
        "left join tVeicZeta VD on TC.IdTerminal = VD.IdTerminal\r\n"
        "where TC.IdSeqMsg = :IdStatus\r\n"
        "order by TC.IdSequencia DESC",
        "select TC.IdSequencia, TC.IdTerminal, TC.CodMsg, ifnull(VD.TerminalID,0) as TerminalID, "
        "ifnull(TIO.IdTransOperacao, -1) as IdTransOperacao "
        "from tTeleComando TC left join tTransItensOperacao TIO on TC.IdSequencia = TIO.IdSequencia "
        "left join tVeicZeta VD on TC.IdTerminal = VD.IdTerminal "
        "where TC.IdSeqMsg = :IdStatus "
        "order by TC.IdSequencia DESC limit 1");
KVT_SQL(sqlAtualizaCallProgress,
        "update tTelecomando set CallProgress = :CallProgress, Tentativas = isnull(Tentativas, 0) + 1 where IdSeqMsg = "
        ":IdStatus and StatusEnvio = 16",
        "update tTelecomando set CallProgress = :CallProgress, Tentativas = ifnull(Tentativas, 0) + 1 where IdSeqMsg = "
        ":IdStatus and StatusEnvio = 16");
KVT_SQL(sqlTentativasTelecomando,
        "select tentativas from tTelecomando where IdSeqMsg = :IdStatus and StatusEnvio = 16",
        "select tentativas from tTelecomando where IdSeqMsg = :IdStatus and StatusEnvio = 16");

tRetornoTelecomando::tRetornoTelecomando(db::Connection& dbZenthora, runtime::LogFiles& logs, Enfileira enfileira)
    : dbZenthora_(dbZenthora), logs_(logs), enfileira_(std::move(enfileira)) {}

void tRetornoTelecomando::log(std::string_view rotina, std::string_view mensagem) {
  logs_.log(rotina, mensagem, false, false);
}

void tRetornoTelecomando::Processa_StatusEnvio_Telecomando(const std::string& post) {
  log(kRotinaStatus, "inicio");
  const auto campos = LeCamposStatus(post, true);
  if (!campos) {
    // A number that cannot be read would be applied as garbage: the row is
    // left alone and the Post is not passed on by this routine.
    log(kRotinaStatus, "Post de status com campo numérico inválido, não aplicado [" + post + "]"_cp);
    log(kRotinaStatus, "fim");
    return;
  }
  const ComandoViaStatus cmd = ObtemCmdViaStatus(campos->IdStatus);
  if (cmd.encontrado) {
    db::Statement up(dbZenthora_, sqlAtualizaStatusEnvio());
    up.bindInt("StsEnvio", campos->StatusEnvio)
        .bindText("IP", campos->IP)
        .bindInt("Port", campos->Port)
        .bindInt("Operadora", campos->Operadora)
        .bindInt("CallProgress", campos->CallProgress)
        .bindInt("IdStatus", campos->IdStatus);
    up.execute();
    log(kRotinaStatus, "Atualização do Status de Envio [0x81] na tabela tTeleComando para o IdSeqMsg=["_cp +
                           std::to_string(campos->IdStatus) + "] IdStatus[" + std::to_string(campos->StatusEnvio) +
                           "]");
    if (cmd.IdTransOperacao == -1) {
      log(kRotinaStatus, "[1]");
      if (enfileira_) enfileira_(post);
      log(kRotinaStatus, "[2]");
    }
  }
  log(kRotinaStatus, "fim");
}

ComandoViaStatus tRetornoTelecomando::ObtemCmdViaStatus(std::int32_t idStatus) {
  log(kRotinaObtem, "inicio");
  ComandoViaStatus cmd;
  db::Statement qr(dbZenthora_, sqlObtemCmdViaStatus());
  qr.bindInt("IdStatus", idStatus);
  log(kRotinaObtem, "ponto 1");
  qr.open();
  if (!qr.eof()) {
    log(kRotinaObtem, "ponto 2");
    cmd.encontrado = true;
    cmd.IdTerminal = qr.field("IdTerminal").asInt();
    cmd.IdSequencia = qr.field("IdSequencia").asInt();
    cmd.CodMsg = qr.field("CodMsg").asInt();
    cmd.TerminalID = qr.field("TerminalID").asString();
    cmd.IdTransOperacao = qr.field("IdTransOperacao").asInt();
  }
  log(kRotinaObtem, "fim");
  return cmd;
}

void tRetornoTelecomando::Processa_CallProgress_Telecomando(const std::string& post) {
  log(kRotinaCallProgress, "inicio");
  const auto campos = LeCamposStatus(post, false);
  if (!campos) {
    log(kRotinaCallProgress, "Post de status com campo numérico inválido, não aplicado [" + post + "]"_cp);
    log(kRotinaCallProgress, "fim");
    return;
  }
  db::Statement up(dbZenthora_, sqlAtualizaCallProgress());
  up.bindInt("CallProgress", campos->CallProgress).bindInt("IdStatus", campos->IdStatus);
  up.execute();
  db::Statement qr(dbZenthora_, sqlTentativasTelecomando());
  qr.bindInt("IdStatus", campos->IdStatus);
  qr.open();
  const std::int32_t tentativas = qr.eof() ? 0 : qr.field(std::size_t{0}).asInt();
  log(kRotinaCallProgress, "Atualização do CallProgress  [0x8C] na tabela tTeleComando para o IdSeqMsg=["_cp +
                               std::to_string(campos->IdStatus) + "], Controlador tentou enviar o TeleComando [" +
                               std::to_string(tentativas) + "] vez(es) para o RI");
  log(kRotinaCallProgress, "fim");
}

}  // namespace kvt::events
