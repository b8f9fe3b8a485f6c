#include "server/runtime/configuracao.h"

#include <algorithm>
#include <cstdint>

#include "platform/text/ascii_case.h"

namespace kvt::runtime {

namespace {
constexpr const char* kKorvatel = "KORVATEL";
constexpr const char* kControle = "CONTROLE";

std::string charsSevenAndEight(const std::string& nomeMr) {
  if (nomeMr.size() <= 6) return {};
  return nomeMr.substr(6, 2);
}
}  // namespace

int NumModComDe(const std::string& nomeMr) {
  if (nomeMr == "ModCom05") return 5;
  if (nomeMr == "ModCom04") return 4;
  if (nomeMr == "ModCom03") return 3;
  return 2;
}

std::string TabelaEventos(const std::string& nomeMr) { return "tEvtPost" + charsSevenAndEight(nomeMr); }
std::string TabelaEventosCtrl(const std::string& nomeMr) { return "tEvtPostCtrl" + charsSevenAndEight(nomeMr); }

std::int32_t NumSeqLido(std::int32_t valor) { return valor < 0 ? 2147483647 : valor; }

void LeChavesLog(const ini::IniFile& ini, tConfiguracao& cfg) {
  cfg.log.Num_Arquivos_Log = ini.readInteger(kKorvatel, "Num_Arquivos_Log", 5);
  cfg.log.Tam_Max_Arq_Log = ini.readInteger(kKorvatel, "Tam_Max_Arq_Log", 10000000);
  cfg.log.Arq_Log_Corrente = ini.readInteger(kKorvatel, "Arq_Log_Corrente", 1);
  cfg.LogaXMLRecebido = ini.readInteger(kKorvatel, "LogaXMLRecebido", 0);
  cfg.LogaXMLEnviado = ini.readInteger(kKorvatel, "LogaXMLEnviado", 0);
}

void LeChavesKorvatel(const ini::IniFile& ini, tConfiguracao& cfg) {
  cfg.NOME_MR = ini.readString(kKorvatel, "NOME_MR", "ModCom02");
  cfg.NOME_BASE = ini.readString(kKorvatel, "NOME_BASE", "Quillon");
  cfg.ID_BASE = ini.readInteger(kKorvatel, "ID_BASE", 601);
  cfg.BASE_SENHA = ini.readString(kKorvatel, "BASE_SENHA", "ZQZQ");
  cfg.TIMEOUT_POLLING = ini.readInteger(kKorvatel, "TIMEOUT_POLLING", 3);
  cfg.TIMEOUT_RECONNECT = ini.readInteger(kKorvatel, "TIMEOUT_RECONNECT", 15);
  cfg.TIMER_BUFFER = ini.readInteger(kKorvatel, "TIMER_BUFFER", 5);
  cfg.SOLICITA_LOGIN = ini.readString(kKorvatel, "SOLICITA_LOGIN", "NAO");
  cfg.KORVATEL_PORT = ini.readInteger(kKorvatel, "KORVATEL_PORT", 12000);
  cfg.TELECMD = ini.readString(kKorvatel, "TELECMD", "");
  cfg.ListaTeleCmdPermitidos = cfg.TELECMD + ",-29,-30,-31,-32";
  cfg.TELEEVT = ini.readString(kKorvatel, "TELEEVT", "");
  cfg.FiltraEvtLogistico = ini.readInteger(kKorvatel, "FiltraEvtLogistico", 0);
  cfg.ListaEvtLogistico = cfg.FiltraEvtLogistico == 1 ? ini.readString(kKorvatel, "ListaEvtLogistico", "") : "";
  cfg.Tamanho_Buffer_Min = ini.readInteger(kKorvatel, "Tamanho_Buffer_Min", 10240);
  cfg.Tamanho_Buffer = ini.readInteger(kKorvatel, "Tamanho_Buffer", 65536);
  cfg.Contador_Analisar_Estat = ini.readInteger(kKorvatel, "Contador_Analisar_Estat", 20);
  cfg.Contador_Restaurar_Buffer = ini.readInteger(kKorvatel, "Contador_Restaurar_Buffer", 10);
  cfg.Alarme_Tamanho_Buffer_Disco = ini.readInteger(kKorvatel, "Alarme_Tamanho_Buffer_Disco", 100);
  cfg.Tempo_Recorrencia_Alarme = ini.readInteger(kKorvatel, "Tempo_Recorrencia_Alarme", 10);
  cfg.Tam_Max_XML_Recebido = ini.readInteger(kKorvatel, "Tam_Max_XML_Recebido", 1048576);
  cfg.Eventos_Por_Leitura = ini.readInteger(kKorvatel, "Eventos_Por_Leitura", 100);
  cfg.Comandos_Por_Ciclo = ini.readInteger(kKorvatel, "Comandos_Por_Ciclo", 1);
  cfg.Espera_Max_Buffer = ini.readInteger(kKorvatel, "Espera_Max_Buffer", 0);
  cfg.Max_Comandos_Por_Conexao = ini.readInteger(kKorvatel, "Max_Comandos_Por_Conexao", 1000);
  cfg.PORTA_HTTP = ini.readInteger(kKorvatel, "PORTA_HTTP", 0);
  cfg.SolicitaLogin = text::upperAscii(cfg.SOLICITA_LOGIN) == "SIM";
}

void LeChavesControle(const ini::IniFile& ini, tConfiguracao& cfg) {
  cfg.ULTIMO_NUM_SEQ_PROCESSADO_CTRL = NumSeqLido(ini.readInteger(kControle, "ULTIMO_NUM_SEQ_PROCESSADO_CTRL", 0));
  cfg.ULTIMO_NUM_SEQ_PROCESSADO = NumSeqLido(ini.readInteger(kControle, "ULTIMO_NUM_SEQ_PROCESSADO", 0));
  cfg.MAX_EVT_PROCESSADOS = ini.readInteger(kControle, "MAX_EVT_PROCESSADOS", 10000);
  cfg.MAX_EVT_ACUMULADOS = ini.readInteger(kControle, "MAX_EVT_ACUMULADOS", 500);
  // seconds held in milliseconds, computed in 64 bits and kept within 32
  const std::int64_t timeout = static_cast<std::int64_t>(ini.readInteger(kControle, "TIMEOUT", 60)) * 1000;
  cfg.TIMEOUT = static_cast<std::int32_t>(std::clamp<std::int64_t>(timeout, INT32_MIN, INT32_MAX));
  cfg.TIMEOUT_DESABILITAR_GPRS_TELECMD = ini.readInteger(kControle, "TIMEOUT_DESABILITAR_GPRS_TELECMD", 10);
}

}  // namespace kvt::runtime
