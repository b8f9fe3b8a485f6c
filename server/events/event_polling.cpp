#include "server/events/event_polling.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/ini/ini_file.h"
#include "platform/text/cp1252.h"
#include "server/events/complement_hex.h"
#include "server/events/post_format.h"

namespace kvt::events {

using namespace kvt::text::literals;

namespace {

constexpr const char* kRotinaTimer = "TFPrincipal.ProcessFromDatabase";
constexpr const char* kRotinaCtrl = "TFPrincipal.processEvtCtrl";
constexpr const char* kRotinaEvt = "TFPrincipal.processEvt";
constexpr const char* kRotinaMonitor = "TFPrincipal.tmrMonitorAcumuloTimer";
constexpr const char* kSecaoControle = "CONTROLE";
constexpr const char* kChavePosicao = "ULTIMO_NUM_SEQ_PROCESSADO";
constexpr const char* kChavePosicaoCtrl = "ULTIMO_NUM_SEQ_PROCESSADO_CTRL";

constexpr std::int32_t kEventoStatus = 0x81;
constexpr std::int32_t kEventoCallProgress = 0x8C;
constexpr std::int32_t kEventoLogistico = 0x95;
constexpr std::int32_t kEventoParado = 0xD2;
constexpr int kLinhasPorComando = 5;
constexpr std::uint32_t kIntervaloPausasMs = 60000;

std::uint32_t u32(std::int32_t v) { return static_cast<std::uint32_t>(v); }

}  // namespace

db::SqlText sqlLeituraEventos(std::string_view tabela, std::int32_t linhas) {
  const std::string t(tabela);
  const std::string n = std::to_string(linhas);
  return {"SELECT TOP " + n + " NumSeq, Post\r\nFROM " + t + " WITH (NOLOCK)\r\nWHERE NumSeq >:NumSeq ",
          "SELECT NumSeq, Post FROM " + t + " WHERE NumSeq > :NumSeq ORDER BY NumSeq LIMIT " + n};
}

db::SqlText sqlUltimoNumSeq(std::string_view tabela) {
  const std::string t(tabela);
  return {"SELECT TOP 1 NumSeq\r\nFROM " + t + "\r\nORDER BY NumSeq DESC",
          "SELECT NumSeq FROM " + t + " ORDER BY NumSeq DESC LIMIT 1"};
}

db::SqlText sqlApagaEventos(std::string_view tabela) {
  const std::string t(tabela);
  return {"TRUNCATE TABLE " + t, "DELETE FROM " + t};
}

KVT_SQL_COMPOSED(sqlLeituraEventos, sqlLeituraEventos("tEvtPost02", 100));
KVT_SQL_COMPOSED(sqlUltimoNumSeq, sqlUltimoNumSeq("tEvtPost02"));
KVT_SQL_COMPOSED(sqlApagaEventos, sqlApagaEventos("tEvtPostCtrl02"));

KVT_SQL(sqlGeraAlertaGenerico, "exec spGeraAlertaGenerico :IdTerminal, :FusoHorario, :IdOcorrencia",
        "exec spGeraAlertaGenerico :IdTerminal, :FusoHorario, :IdOcorrencia");

tLeituraEventos::tLeituraEventos(DependenciasLeitura d)
    : d_(std::move(d)),
      retorno_(d_.dbZenthora, d_.logs,
               [this](const std::string& post) { d_.canal.Enfileira_Post_Envio(post, linhaEmCurso_); }),
      tabela_(runtime::TabelaEventos(d_.cfg.NOME_MR)),
      tabelaCtrl_(runtime::TabelaEventosCtrl(d_.cfg.NOME_MR)) {}

void tLeituraEventos::log(std::string_view rotina, std::string_view mensagem, bool erro, bool mostra) {
  d_.logs.log(rotina, mensagem, erro, mostra);
}

std::int32_t tLeituraEventos::linhasPorLeitura() const {
  return d_.cfg.Eventos_Por_Leitura > 0 ? d_.cfg.Eventos_Por_Leitura : 100;
}

void tLeituraEventos::ProcessFromDatabase() {
  d_.sinal.marca(clk::tickCount());
  if (truncamentoPendente_) resolveTruncamentoPendente();
  switch (vezProcessamento_) {
    case 0: processEvtCtrl(); break;
    case 1: processEvt(); break;
    default: {
      const int comandos = d_.cfg.Comandos_Por_Ciclo > 0 ? d_.cfg.Comandos_Por_Ciclo : 1;
      for (int i = 0; i < comandos; ++i)
        if (!d_.canal.tratarTelecmd()) break;
      break;
    }
  }
  vezProcessamento_ = (vezProcessamento_ + 1) % 3;
}

void tLeituraEventos::processEvtCtrl() {
  try {
    lePassagem(true);
  } catch (const db::DbError& e) {
    // The positions in KORVATEL.INI are those of the last complete delivery,
    // so a restart reads the unread rows again.
    log(kRotinaTimer,
        "Falha no processamento da tabela qrProcessCtrlFromDatabase  NumSeqCtrl[" +
            std::to_string(d_.estado.UltimoNumSeqProcessadoCtrl) +
            "], tabela será fechada e processada novamente dentro de 1 segundo ["_cp + e.what() + "]",
        true, false);
    if (d_.termina) d_.termina(1);
  }
}

void tLeituraEventos::processEvt() { lePassagem(false); }

void tLeituraEventos::lePassagem(bool controle) {
  const auto podeLer = [this] { return !d_.estado.EnviandoBuffer && d_.canal.HaConexaoAberta(); };
  if (!podeLer()) return;  // events wait in the tables
  std::int32_t& posicao = controle ? d_.estado.UltimoNumSeqProcessadoCtrl : d_.estado.UltimoNumSeqProcessado;

  std::vector<std::pair<std::int32_t, std::string>> linhas;
  {
    db::Statement qr(d_.dbBase, sqlLeituraEventos(controle ? tabelaCtrl_ : tabela_, linhasPorLeitura()));
    qr.bindInt("NumSeq", posicao);
    qr.open();
    linhas.reserve(qr.rowCount());
    for (; !qr.eof(); qr.next()) linhas.emplace_back(qr.field("NumSeq").asInt(), qr.field("post").asString());
  }
  // Rows are taken in ascending NumSeq whatever order the database used.
  std::stable_sort(linhas.begin(), linhas.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

  int n = 0;
  for (const auto& [numSeq, post] : linhas) {
    if (!podeLer()) break;
    d_.sinal.marca(clk::tickCount());
    if (++n > kLinhasPorComando) {
      log(controle ? kRotinaCtrl : kRotinaEvt,
          "Processados " + std::to_string(n) + "Eventos - vamos processar 1 comando");
      const std::int32_t antes = posicao;
      d_.canal.tratarTelecmd();
      n = 0;
      // The command's reply may have started a flush, or one that failed
      // rewound the position, or a log-in moved it back: the pass stops here
      // and the rows are read again from where the position now is.
      if (posicao != antes || !podeLer()) break;
    }
    posicao = numSeq;
    linhaEmCurso_ = {controle, numSeq};
    ++d_.estado.EventosLidos;

    std::int32_t codigo = 0;
    std::string textoCodigo;
    if (const ValorCampo campo = ObtemCampoPost(post, "5")) {
      textoCodigo = std::string(campo.valor);
      codigo = HexParaInt(campo.valor).value_or(0);
    }
    std::int32_t terminal = 0;
    if (const ValorCampo campo = ObtemCampoPost(post, "21")) terminal = HexParaInt(campo.valor).value_or(0);

    const bool continua = controle ? passagemControle(numSeq, codigo, textoCodigo, terminal, post)
                                   : passagemEventos(numSeq, codigo, terminal, post);
    if (!continua) break;
    // Unless a truncation restarted the count, the row is done.
    if (posicao == numSeq) d_.canal.LinhaConcluida({controle, numSeq});
  }
}

bool tLeituraEventos::encaminhavel(std::int32_t codigo, std::int32_t terminal, const std::string& post) {
  return !d_.estado.Integracao && EventoPermitido(codigo, post) &&
         d_.listaVeiculo.VeiculoVisivel(terminal, d_.estado.IdUsuarioLogado);
}

// The tests after each hand-on stop the pass when the position went back
// under it: a flush that failed inside the hand-on rewound it, or a
// truncation restarted it at 0.
bool tLeituraEventos::passagemControle(std::int32_t numSeq, std::int32_t codigo, const std::string& textoCodigo,
                                       std::int32_t terminal, const std::string& post) {
  const std::int32_t& posicao = d_.estado.UltimoNumSeqProcessadoCtrl;
  if (codigo == kEventoStatus) {
    retorno_.Processa_StatusEnvio_Telecomando(post);
    if (posicao < numSeq) return false;
  }
  if (codigo == kEventoCallProgress) retorno_.Processa_CallProgress_Telecomando(post);
  if (encaminhavel(codigo, terminal, post)) {
    log(kRotinaTimer, "Recebido TeleEvento [0x" + textoCodigo + "] para IdTerminal [" + std::to_string(terminal) +
                          "] NumSeqCtrl[" + std::to_string(posicao) + "] na tEvtPostCtrlxx");
    d_.canal.Enfileira_Post_Envio(post, {true, numSeq});
    if (posicao < numSeq) return false;
  }
  return true;
}

bool tLeituraEventos::passagemEventos(std::int32_t numSeq, std::int32_t codigo, std::int32_t terminal,
                                      const std::string& post) {
  if (encaminhavel(codigo, terminal, post)) {
    d_.canal.Enfileira_Post_Envio(post, {false, numSeq});
    if (u32(numSeq) > u32(d_.estado.UltimoNumSeqProcessado)) return false;
  }
  if (codigo == kEventoParado) trataParada(numSeq);
  return true;
}

bool tLeituraEventos::EventoPermitido(std::int32_t codigo, std::string_view post) const {
  if (d_.cfg.FiltraEvtLogistico == 1 && codigo == kEventoLogistico) {
    const ValorCampo numero = ObtemCampoPost(post, "38");
    return numero && d_.cfg.ListaEvtLogistico.find(numero.valor) != std::string::npos;
  }
  return d_.cfg.TELEEVT.find(std::to_string(codigo)) != std::string::npos;
}

std::int32_t tLeituraEventos::ultimoNumSeq(bool controle) {
  db::Statement qr(d_.dbBase, sqlUltimoNumSeq(controle ? tabelaCtrl_ : tabela_));
  qr.open();
  return qr.eof() ? 0 : qr.field("NumSeq").asInt();
}

void tLeituraEventos::gravaPosicao(const char* chave, std::int32_t valor) {
  ini::IniFile(d_.iniPath).writeInteger(kSecaoControle, chave, valor);
}

void tLeituraEventos::trataParada(std::int32_t numSeq) {
  // Only the answer to the pause request still outstanding means that the
  // base has stopped writing: a pause answer read again after a rewind, or
  // one from before a resume, must not empty the tables under new rows.
  if (!pausaSolicitada_ || u32(numSeq) <= u32(numSeqPausa_)) {
    log(kRotinaTimer, "Evento de PARAR PROCESSAMENTO da Quillon NumSeq[" + std::to_string(numSeq) +
                          "] não responde a uma solicitação pendente: tabelas mantidas"_cp);
    if (!pausaSolicitada_ && !truncamentoPendente_) EnviaPostRetomar(d_.dbZenthora, d_.cfg);
    return;
  }
  pausaSolicitada_ = false;
  const std::int32_t topo = ultimoNumSeq(false);
  const std::int32_t topoCtrl = ultimoNumSeq(true);
  if (topo != d_.estado.UltimoNumSeqProcessado || topoCtrl != d_.estado.UltimoNumSeqProcessadoCtrl) {
    recusaTruncamento(topo);
    return;
  }
  if (d_.estado.EnviandoBuffer || d_.estado.EvtNoBuffer > 0) {
    // Everything was read, but events read just now still sit in the outbound
    // buffer: the tables are emptied only once the flush has delivered them.
    truncamentoPendente_ = true;
    tickTruncamentoPendente_ = clk::tickCount();
    log(kRotinaTimer, "Truncamento das tabelas de Teleeventos aguardando a entrega do buffer de envio");
    return;
  }
  trunca();
}

void tLeituraEventos::resolveTruncamentoPendente() {
  if (d_.estado.EnviandoBuffer || d_.estado.EvtNoBuffer > 0) {
    const std::uint32_t espera = clk::ticksBetween(tickTruncamentoPendente_, clk::tickCount());
    if (espera < kEsperaEntregaMaxMs) return;
    truncamentoPendente_ = false;
    log(kRotinaTimer, "Truncamento cancelado: o buffer de envio não foi entregue em "_cp +
                          std::to_string(espera / 1000) + " segundos");
    recusaTruncamento(ultimoNumSeq(false));
    return;
  }
  truncamentoPendente_ = false;
  // A failed flush rewound the positions: the rows are read again, and the
  // tables are not emptied under them.
  const std::int32_t topo = ultimoNumSeq(false);
  if (topo == d_.estado.UltimoNumSeqProcessado && ultimoNumSeq(true) == d_.estado.UltimoNumSeqProcessadoCtrl)
    trunca();
  else
    recusaTruncamento(topo);
}

void tLeituraEventos::trunca() {
  db::Statement(d_.dbBase, sqlApagaEventos(tabelaCtrl_)).execute();
  db::Statement(d_.dbBase, sqlApagaEventos(tabela_)).execute();
  log(kRotinaTimer,
      "Truncando a tabela de Teleeventos. Foram removidos [" + std::to_string(d_.estado.UltimoNumSeqProcessado) +
          "] Eventos.",
      false, true);
  d_.estado.UltimoNumSeqProcessado = 0;
  d_.estado.UltimoNumSeqProcessadoCtrl = 0;
  d_.canal.LinhasRenumeradas(false);
  d_.canal.LinhasRenumeradas(true);
  EnviaPostRetomar(d_.dbZenthora, d_.cfg);
  gravaPosicao(kChavePosicao, 0);
  gravaPosicao(kChavePosicaoCtrl, 0);
}

void tLeituraEventos::recusaTruncamento(std::int32_t topo) {
  const std::string& nomeMr = d_.cfg.NOME_MR;
  const std::string nn = nomeMr.size() > 6 ? nomeMr.substr(6, 2) : std::string();
  log(kRotinaTimer, "Limpeza do tEvtPost" + nn + " e tEvtPostCtrl" + nn + " não realizada "_cp);
  log(kRotinaTimer,
      "Ainda existem [" + std::to_string(u32(topo) - u32(d_.estado.UltimoNumSeqProcessado)) + "]" +
          " acumulados após o recebimento do Evento de PARAR PROCESSAMENTO da Quillon"_cp,
      true, true);
  EnviaPostRetomar(d_.dbZenthora, d_.cfg);
}

void tLeituraEventos::tmrMonitorAcumuloTimer() {
  const std::uint32_t agora = clk::tickCount();
  // A position past the newest row: the table was emptied or renumbered. The
  // position goes to the newest row − 1, or to 0 for an empty table, so that
  // the rows still to come are all read.
  std::int32_t topoEventos = 0;
  const auto corrige = [this, &topoEventos](bool controle) -> std::uint32_t {
    std::int32_t& posicao = controle ? d_.estado.UltimoNumSeqProcessadoCtrl : d_.estado.UltimoNumSeqProcessado;
    const std::int32_t topo = ultimoNumSeq(controle);
    if (!controle) topoEventos = topo;
    if (u32(topo) < u32(posicao)) {
      posicao = topo > 0 ? topo - 1 : 0;
      d_.canal.LinhasRenumeradas(controle);
      gravaPosicao(controle ? kChavePosicaoCtrl : kChavePosicao, posicao);
      return 0;
    }
    return u32(topo) - u32(posicao);
  };
  const std::uint32_t aguardando = corrige(false);
  numEvtAguardando_ = aguardando;
  if (d_.status) d_.status->lbNumEvtAguardando = std::to_string(aguardando);
  corrige(true);

  if (aguardando > u32(d_.cfg.Alarme_Tamanho_Buffer_Disco) &&
      clk::ticksBetween(tickUltimoAlarme_, agora) > u32(d_.cfg.Tempo_Recorrencia_Alarme) * 60000u) {
    db::Statement sp(d_.dbZenthora, sqlGeraAlertaGenerico());
    sp.bindInt("IdTerminal", 0).bindFloat("FusoHorario", 0.125).bindInt("IdOcorrencia", 123);
    sp.execute();
    tickUltimoAlarme_ = agora;
  }

  if (d_.estado.UltimoNumSeqProcessado > d_.cfg.MAX_EVT_PROCESSADOS && aguardando <= u32(d_.cfg.MAX_EVT_ACUMULADOS) &&
      !pausaSolicitada_ && !truncamentoPendente_ && clk::ticksBetween(tickUltimaPausa_, agora) > kIntervaloPausasMs) {
    EnviaPostParar(d_.dbZenthora, d_.cfg);
    pausaSolicitada_ = true;
    numSeqPausa_ = topoEventos;
    tickUltimaPausa_ = agora;
    log(kRotinaMonitor,
        "Eventos processados = " + std::to_string(d_.estado.UltimoNumSeqProcessado) + " > " +
            std::to_string(d_.cfg.MAX_EVT_PROCESSADOS) + ".",
        false, true);
    log(kRotinaMonitor, "Solicitando para que a Quillon pare o processamento!", false, true);
  }
}

}  // namespace kvt::events
