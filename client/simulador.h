#pragma once

// The telecommand simulator: simple vehicle commands sent on a timer, in the
// rotation of eleven codes, for the terminal of the IdTerminal field or for
// every vehicle of the central's vehicle table, with the count of the last
// minute.

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kvt::cliente {

class SessaoCliente;

class SimuladorTeleCmd : public QObject {
  Q_OBJECT

 public:
  static constexpr int kIntervaloMinimoMs = 50;  // the interval must be above this
  static constexpr std::uint32_t kMinutoMs = 60000;

  // The values of the fields at each tick: Origem, Destino, IdTerminal.
  struct Campos {
    std::string Origem, Destino, IdTerminal;
  };

  SimuladorTeleCmd(SessaoCliente& sessao, std::function<Campos()> campos, QObject* parent = nullptr);

  // "&Iniciar": starts when the interval (edIntervalo) is above 50 ms; every
  // vehicle of the central when todos. "&Parar": stops. An interval that is
  // not an integer raises ErroFormato; the vehicle table unavailable raises
  // std::runtime_error; the simulator stays stopped then.
  void btnIniciarSimulacaoClick(const std::string& intervalo, bool todos);
  void para();
  bool rodando() const { return tmrSimuladorTeleCmd_.isActive(); }
  std::string caption() const { return rodando() ? "&Parar" : "&Iniciar"; }

  // One tick (tests call it directly).
  void tmrSimuladorTeleCmdTimer();

  std::int32_t SeqSimulador() const { return seq_; }
  std::int32_t ContMinuto() const { return contMinuto_; }
  // the last minute's count, shown in lbMediaTeleCmd (empty before a minute passed)
  const std::string& lbMediaTeleCmd() const { return media_; }
  const std::vector<std::int64_t>& veiculos() const { return veiculos_; }
  int intervaloMs() const { return tmrSimuladorTeleCmd_.interval(); }

 signals:
  void estadoMudou();
  void mediaMudou();

 private:
  SessaoCliente& sessao_;
  std::function<Campos()> campos_;
  QTimer tmrSimuladorTeleCmd_;
  std::int32_t seq_ = 1;
  std::int32_t contMinuto_ = 0;
  std::uint32_t inicioMinuto_ = 0;
  std::string media_;
  bool todos_ = false;
  std::vector<std::int64_t> veiculos_;
  std::size_t veiculoAtual_ = 0;
};

}  // namespace kvt::cliente
