#include "server/telecmd/verifica_transmissao.h"

#include "platform/text/hex_text.h"

namespace kvt::telecmd {

KVT_SQL(sqlDadosRastreador,
        "select tipocomunicacao, rastreador, versao\r\n"
        "from tveiculo\r\n"
        "where idterminal = :IdTerminal",
        "select tipocomunicacao, rastreador, versao\r\n"
        "from tveiculo\r\n"
        "where idterminal = :IdTerminal");
KVT_SQL(sqlComandoZeta, "select ZETA from tmensagem where CodMsg = :CodMsg",
        "select ZETA from tmensagem where CodMsg = :CodMsg");
KVT_SQL(sqlEmModoSleep,
        "select te.idsequencia, te.codmsg, datahoraem, datahorarec, te.evento\r\n"
        "from tTeleevento te with (NOLOCK) inner join tGridVeiculos gv with (NOLOCK) on te.idsequencia = "
        "gv.idseq_lastcnx\r\n"
        "where gv.idterminal = :IdTerminal",
        "select te.idsequencia, te.codmsg, datahoraem, datahorarec, te.evento\r\n"
        "from tTeleevento te inner join tGridVeiculos gv on te.idsequencia = gv.idseq_lastcnx\r\n"
        "where gv.idterminal = :IdTerminal");
KVT_SQL(sqlUltimaConexaoGPRS,
        "select te.idsequencia, te.codmsg, te.datahoraem, te.datahorarec, datahorasrv = getdate()\r\n"
        "from tteleevento te inner join tgridveiculos gv on te.idsequencia = gv.idseq_lastcnx\r\n"
        "where gv.idterminal = :IdTerminal and te.TecnologiaEvento = 2",
        "select te.idsequencia, te.codmsg, te.datahoraem, te.datahorarec, datetime('now','localtime') as datahorasrv\r\n"
        "from tteleevento te inner join tgridveiculos gv on te.idsequencia = gv.idseq_lastcnx\r\n"
        "where gv.idterminal = :IdTerminal and te.TecnologiaEvento = 2");
KVT_SQL(sqlUltimoEventoGPRS,
        "select top 1 te.idsequencia, te.codmsg, te.datahoraem, te.datahorarec, datahorasrv = getdate()\r\n"
        "from tteleevento te\r\n"
        "where idterminal = :IdTerminal and te.TecnologiaEvento = 2\r\n"
        "order by te.idsequencia desc",
        "select te.idsequencia, te.codmsg, te.datahoraem, te.datahorarec, datetime('now','localtime') as datahorasrv\r\n"
        "from tteleevento te\r\n"
        "where idterminal = :IdTerminal and te.TecnologiaEvento = 2\r\n"
        "order by te.idsequencia desc limit 1");

namespace {

// datahorasrv - datahorarec of the current row, in days.
double idadeEmDias(const db::Statement& qr) {
  const std::int64_t servidor = text::toEpochSeconds(qr.field("datahorasrv").asDateTime());
  const std::int64_t recebido = text::toEpochSeconds(qr.field("datahorarec").asDateTime());
  return static_cast<double>(servidor - recebido) / 86400.0;
}

// Runs the statement for the terminal; the caller reads the row, if any, and closes it.
db::Statement& abre(db::Statement& qr, std::int32_t idTerminal) {
  qr.bindInt("IdTerminal", idTerminal);
  qr.open();
  return qr;
}

struct Fecha {
  db::Statement& qr;
  ~Fecha() { qr.close(); }
};

}  // namespace

tVerificaTransmissao::tVerificaTransmissao(db::Connection& dbZenthora, std::int32_t timeoutMinutos)
    : tVerificaTransmissao(dbZenthora, timeoutMinutos, tCatalogoRastreadores::Carrega(dbZenthora)) {}

tVerificaTransmissao::tVerificaTransmissao(db::Connection& dbZenthora, std::int32_t timeoutMinutos,
                                           tCatalogoRastreadores catalogo)
    : timeoutMinutos_(timeoutMinutos),
      catalogo_(std::move(catalogo)),
      qrDadosRastreador_(dbZenthora, sqlDadosRastreador()),
      qrComandoZeta_(dbZenthora, sqlComandoZeta()),
      qrEmModoSleep_(dbZenthora, sqlEmModoSleep()),
      qrUltimaConexaoGPRS_(dbZenthora, sqlUltimaConexaoGPRS()),
      qrUltimoEventoGPRS_(dbZenthora, sqlUltimoEventoGPRS()) {}

Transmissao tVerificaTransmissao::VerificaTransmissao(const std::string& codigo, std::int32_t idTerminal) {
  Transmissao t;
  const DadosDoRastreador dados = DadosRastreador(idTerminal);
  const bool acorda = codigo == "5F" || codigo == "11";
  if (dados.TipoComunicacao != kComunicacaoGprsSatelite) {
    t.permitido = true;
    return t;
  }
  if (EmModoSleep(idTerminal) && !acorda) {
    t.sleep = true;
    return t;
  }
  if (!SemGPRS(idTerminal)) {
    t.permitido = true;
    return t;
  }
  const bool viaSatelite = ComandoZeta(codigo) ||
                           (catalogo_.AceitaTextoSatelite(dados.Rastreador, dados.Versao) &&
                            (codigo == "13" || codigo == "6B")) ||
                           (catalogo_.AceitaFormatadaSatelite(dados.Rastreador, dados.Versao) && codigo == "6A") ||
                           acorda;
  if (viaSatelite) {
    t.permitido = true;
    t.DESABILITAR_GPRS = 1;
  }
  return t;
}

DadosDoRastreador tVerificaTransmissao::DadosRastreador(std::int32_t idTerminal) {
  db::Statement& qr = abre(qrDadosRastreador_, idTerminal);
  Fecha fecha{qr};
  DadosDoRastreador d;
  if (qr.eof()) return d;
  d.TipoComunicacao = qr.field("TipoComunicacao").asInt();
  d.Rastreador = qr.field("Rastreador").asInt();
  d.Versao = qr.field("Versao").asString();
  return d;
}

bool tVerificaTransmissao::ComandoZeta(const std::string& codigo) {
  qrComandoZeta_.bindInt("CodMsg", text::HexParaNum(codigo).value_or(0));
  qrComandoZeta_.open();
  Fecha fecha{qrComandoZeta_};
  return !qrComandoZeta_.eof() && qrComandoZeta_.field("ZETA").asString() == "S";
}

bool tVerificaTransmissao::EmModoSleep(std::int32_t idTerminal) {
  db::Statement& qr = abre(qrEmModoSleep_, idTerminal);
  Fecha fecha{qr};
  return !qr.eof() && qr.field("evento").asInt() == kEventoModoSleep;
}

bool tVerificaTransmissao::SemGPRS(std::int32_t idTerminal) {
  const double limite = timeoutMinutos_ * kDiasPorMinuto;
  {
    db::Statement& a = abre(qrUltimaConexaoGPRS_, idTerminal);
    Fecha fecha{a};
    if (a.eof()) return true;
    if (idadeEmDias(a) <= limite) return false;
  }
  db::Statement& b = abre(qrUltimoEventoGPRS_, idTerminal);
  Fecha fecha{b};
  if (b.eof()) return true;
  return idadeEmDias(b) > limite;
}

}  // namespace kvt::telecmd
