#pragma once

// KVTCLIENT.INI: the settings of the test client, section "Geral", read when
// the main window is created; some keys are written back when it closes.
// Section BANCOS names the central's database (key dbZenthora) whose vehicle
// table the simulator reads.

#include <cstdint>
#include <string>

#include "platform/ini/ini_file.h"

namespace kvt::cliente {

inline constexpr const char* kArquivoIni = "KVTCLIENT.INI";
inline constexpr const char* kArquivoLog = "KVTCLIENT.LOG";

struct ConfiguracaoCliente {
  std::string IP = "127.0.0.1";
  std::string Porta = "12000";
  std::string Origem = "ModCom02";
  std::string Destino = "Quillon";
  std::string IdTerminal = "123456";
  bool AutoConectar = false;
  std::string EnviarLogin = "NAO";
  std::string GravarLog = "NAO";
  std::int32_t VersaoKVT = 6;
  std::int32_t Tam_Max_Arq_Log = 1;
  std::string DiretorioImportacao = "C:\\TALVERO";
  std::int32_t EnviarUltimoTeleventoProcessado = 1;
  std::int32_t ULTIMO_NUM_SEQ_PROCESSADO = 0;
  // BANCOS: the connection URL of dbZenthora (empty when not configured)
  std::string dbZenthora;

  // "SIM" in any letter case
  bool exigeLogin() const;
  bool gravaLog() const;
};

ConfiguracaoCliente LeConfiguracao(const ini::IniFile& ini);

// FormClose: IP, Porta, Origem, Destino, IdTerminal, AutoConectar, EnviarLogin
// (as read) and ULTIMO_NUM_SEQ_PROCESSADO.
void GravaConfiguracao(ini::IniFile& ini, const ConfiguracaoCliente& cfg);

}  // namespace kvt::cliente
