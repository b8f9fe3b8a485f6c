#include "client/simulador.h"

#include <exception>
#include <stdexcept>

#include "client/formato.h"
#include "client/modelos_telecomando.h"
#include "client/sessao_cliente.h"
#include "platform/clock/clock.h"
#include "platform/db/db.h"
#include "platform/text/cp1252.h"
#include "platform/text/date_time.h"

namespace kvt::cliente {

using namespace text::literals;

namespace {

// The vehicles the simulator goes through, in the table's order.
const db::SqlText& sqlVeiculosSimulador() {
  static const db::SqlText sql{"select IdTerminal\r\nfrom tVeiculo", "SELECT IdTerminal FROM tVeiculo"};
  return sql;
}

}  // namespace

SimuladorTeleCmd::SimuladorTeleCmd(SessaoCliente& sessao, std::function<Campos()> campos, QObject* parent)
    : QObject(parent), sessao_(sessao), campos_(std::move(campos)) {
  connect(&tmrSimuladorTeleCmd_, &QTimer::timeout, this, [this] {
    try {
      tmrSimuladorTeleCmdTimer();
    } catch (const std::exception& e) {
      emit sessao_.erro("KVTClient", e.what());
    }
  });
  // disconnecting stops the simulator
  connect(&sessao_, &SessaoCliente::estadoMudou, this, [this] {
    if (!sessao_.conectado() && rodando()) para();
  });
}

void SimuladorTeleCmd::btnIniciarSimulacaoClick(const std::string& intervalo, bool todos) {
  if (rodando()) {
    para();
    return;
  }
  seq_ = 1;
  contMinuto_ = 0;
  inicioMinuto_ = clk::tickCount();
  const std::int32_t ms = StrToInt(intervalo);
  if (ms <= kIntervaloMinimoMs) return;
  todos_ = todos;
  veiculos_.clear();
  veiculoAtual_ = 0;
  if (todos_) {
    db::Connection* banco = sessao_.dbZenthora();
    if (!banco)
      throw std::runtime_error(
          "A tabela de veículos da central não está disponível: configure dbZenthora na seção BANCOS de KVTCLIENT.INI"_cp);
    db::Statement q(*banco, sqlVeiculosSimulador());
    q.open();
    for (; !q.eof(); q.next()) veiculos_.push_back(q.field(std::size_t{0}).asInt64());
    if (veiculos_.empty()) throw std::runtime_error("A tabela de veículos da central está vazia"_cp);
  }
  tmrSimuladorTeleCmd_.start(ms);
  emit estadoMudou();
}

void SimuladorTeleCmd::para() {
  tmrSimuladorTeleCmd_.stop();
  veiculos_.clear();
  emit estadoMudou();
}

void SimuladorTeleCmd::tmrSimuladorTeleCmdTimer() {
  const Campos c = campos_();
  std::int64_t idTerminal = 0;
  if (todos_ && !veiculos_.empty()) {
    idTerminal = veiculos_[veiculoAtual_];
    veiculoAtual_ = (veiculoAtual_ + 1) % veiculos_.size();
  } else {
    idTerminal = StrToInt(c.IdTerminal);
  }
  const std::string& entrada =
      ListasTelecomando::listas().rotacaoSimulador[static_cast<std::size_t>(seq_) % 11];
  const std::string documento =
      Formata(ModelosTelecomando::preparados().Simulador,
              {std::int64_t{seq_}, c.Origem, c.Destino, entrada.substr(0, 2), text::dateTimeToStr(clk::now()),
               idTerminal});
  sessao_.enviaDocumentoDireto(documento);
  ++seq_;
  ++contMinuto_;
  const std::uint32_t agora = clk::tickCount();
  if (clk::ticksBetween(inicioMinuto_, agora) > kMinutoMs) {
    inicioMinuto_ = agora;
    media_ = std::to_string(contMinuto_);
    contMinuto_ = 0;
    emit mediaMudou();
  }
}

}  // namespace kvt::cliente
