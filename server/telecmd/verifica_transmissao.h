#pragma once

// Whether a command may be stored for a tracker now, and by which channel.
// Trackers that have both GPRS and satellite (TipoComunicacao 6) are refused
// while in power-saving mode (except the codes 5F and 11, which wake them) and,
// when no GPRS event arrived within the time-out, may only receive what can go
// by satellite; every other tracker takes every command over GPRS.
//
// Used by the vehicle commands, the formatted messages and the transmissions
// of the operations module:
//
//   telecmd::tVerificaTransmissao verifica(dbZenthora, cfg.TIMEOUT_DESABILITAR_GPRS_TELECMD);
//   const auto r = verifica.VerificaTransmissao("13", idTerminal);
//   if (r.permitido) ... spCmdAvulso with r.DESABILITAR_GPRS ...
//   else if (r.sleep) ... StsEnvio 308 ... else ... StsEnvio 301 ...

#include <cstdint>
#include <string>

#include "platform/db/db.h"
#include "server/telecmd/catalogo_rastreador.h"

namespace kvt::telecmd {

const db::SqlText& sqlDadosRastreador();
const db::SqlText& sqlComandoZeta();
const db::SqlText& sqlEmModoSleep();
const db::SqlText& sqlUltimaConexaoGPRS();
const db::SqlText& sqlUltimoEventoGPRS();

// The answer of VerificaTransmissao.
struct Transmissao {
  bool permitido = false;
  std::int32_t DESABILITAR_GPRS = 0;  // 1: the command goes by satellite
  bool sleep = false;                 // refused because the tracker is in power-saving mode
};

struct DadosDoRastreador {
  std::int32_t TipoComunicacao = 0;
  std::int32_t Rastreador = 0;
  std::string Versao;
};

// Days per minute, slightly below 1/1440, as the GPRS time-out has always been measured.
inline constexpr double kDiasPorMinuto = 0.0006944333;
// The last connection event of a tracker that entered power-saving mode.
inline constexpr std::int32_t kEventoModoSleep = 57;
// TipoComunicacao of trackers with both GPRS and satellite.
inline constexpr std::int32_t kComunicacaoGprsSatelite = 6;

class tVerificaTransmissao {
 public:
  // `timeoutMinutos`: TIMEOUT_DESABILITAR_GPRS_TELECMD. Reads the tracker
  // catalogue rules of the central.
  tVerificaTransmissao(db::Connection& dbZenthora, std::int32_t timeoutMinutos);
  tVerificaTransmissao(db::Connection& dbZenthora, std::int32_t timeoutMinutos, tCatalogoRastreadores catalogo);
  tVerificaTransmissao(const tVerificaTransmissao&) = delete;
  tVerificaTransmissao& operator=(const tVerificaTransmissao&) = delete;

  // `codigo`: the command code as upper-case hexadecimal text ("13", "6A", "5F").
  Transmissao VerificaTransmissao(const std::string& codigo, std::int32_t idTerminal);

  DadosDoRastreador DadosRastreador(std::int32_t idTerminal);
  // Whether the central lets the command go by satellite (tmensagem.ZETA 'S').
  bool ComandoZeta(const std::string& codigo);
  // Whether the tracker's last connection event is the power-saving event.
  bool EmModoSleep(std::int32_t idTerminal);
  // Whether no GPRS event arrived within the time-out.
  bool SemGPRS(std::int32_t idTerminal);

  const tCatalogoRastreadores& Catalogo() const { return catalogo_; }
  std::int32_t TimeoutMinutos() const { return timeoutMinutos_; }

 private:
  std::int32_t timeoutMinutos_;
  tCatalogoRastreadores catalogo_;
  db::Statement qrDadosRastreador_;
  db::Statement qrComandoZeta_;
  db::Statement qrEmModoSleep_;
  db::Statement qrUltimaConexaoGPRS_;
  db::Statement qrUltimoEventoGPRS_;
};

}  // namespace kvt::telecmd
