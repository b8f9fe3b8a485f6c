#pragma once

#include <cstdint>
#include <string>

#include "platform/ini/ini_file.h"
#include "server/runtime/log_files.h"

namespace kvt::runtime {

// The settings read from KORVATEL.INI at start-up, named after their keys.
struct tConfiguracao {
  // section KORVATEL
  LogSettings log;  // Num_Arquivos_Log, Tam_Max_Arq_Log, Arq_Log_Corrente
  std::int32_t LogaXMLRecebido = 0;
  std::int32_t LogaXMLEnviado = 0;
  std::string NOME_MR = "ModCom02";
  std::string NOME_BASE = "Quillon";
  std::int32_t ID_BASE = 601;
  std::string BASE_SENHA = "ZQZQ";
  std::int32_t TIMEOUT_POLLING = 3;
  std::int32_t TIMEOUT_RECONNECT = 15;
  std::int32_t TIMER_BUFFER = 5;  // seconds
  std::string SOLICITA_LOGIN = "NAO";
  std::int32_t KORVATEL_PORT = 12000;
  std::string TELECMD;
  std::string TELEEVT;
  std::int32_t FiltraEvtLogistico = 0;
  std::string ListaEvtLogistico;
  std::int32_t Tamanho_Buffer_Min = 10240;
  std::int32_t Tamanho_Buffer = 65536;
  std::int32_t Contador_Analisar_Estat = 20;
  std::int32_t Contador_Restaurar_Buffer = 10;
  std::int32_t Alarme_Tamanho_Buffer_Disco = 100;
  std::int32_t Tempo_Recorrencia_Alarme = 10;  // minutes
  // Our own additions: the longest incomplete document one connection may
  // accumulate, the rows one event pass reads and the queued telecommands one
  // polling tick takes.
  std::int32_t Tam_Max_XML_Recebido = 1048576;
  std::int32_t Eventos_Por_Leitura = 100;
  std::int32_t Comandos_Por_Ciclo = 1;
  // The longest a document waits in the outbound buffer, in seconds (0: three
  // times TIMER_BUFFER), and the documents one connection may have waiting in
  // the command queue (0: no cap).
  std::int32_t Espera_Max_Buffer = 0;
  std::int32_t Max_Comandos_Por_Conexao = 1000;
  // Port of the monitoring endpoint on 127.0.0.1 (/health, /metrics); 0 = off.
  std::int32_t PORTA_HTTP = 0;

  // section CONTROLE
  std::int32_t ULTIMO_NUM_SEQ_PROCESSADO_CTRL = 0;
  std::int32_t ULTIMO_NUM_SEQ_PROCESSADO = 0;
  std::int32_t MAX_EVT_PROCESSADOS = 10000;
  std::int32_t MAX_EVT_ACUMULADOS = 500;
  std::int32_t TIMEOUT = 60000;  // kept in milliseconds
  std::int32_t TIMEOUT_DESABILITAR_GPRS_TELECMD = 10;  // minutes

  // derived at start-up
  std::string ListaTeleCmdPermitidos;  // TELECMD + ",-29,-30,-31,-32"
  bool SolicitaLogin = false;          // SOLICITA_LOGIN upper-cased equals "SIM"
};

// `NumModCom` of a module name: exact, case-sensitive comparison.
int NumModComDe(const std::string& nomeMr);
// Event table names: "tEvtPost" / "tEvtPostCtrl" + characters 7 and 8 of NOME_MR.
std::string TabelaEventos(const std::string& nomeMr);
std::string TabelaEventosCtrl(const std::string& nomeMr);

// The readings of start-up, each a step of its own because they happen at
// different moments: the log keys first (so logging works), the rest of
// section KORVATEL after the databases, section CONTROLE after the module check.
void LeChavesLog(const ini::IniFile& ini, tConfiguracao& cfg);
void LeChavesKorvatel(const ini::IniFile& ini, tConfiguracao& cfg);
void LeChavesControle(const ini::IniFile& ini, tConfiguracao& cfg);

// A negative sequence number read from CONTROLE is held as 2147483647.
std::int32_t NumSeqLido(std::int32_t valor);

}  // namespace kvt::runtime
