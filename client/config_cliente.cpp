#include "client/config_cliente.h"

#include "platform/text/ascii_case.h"
#include "platform/text/trim.h"

namespace kvt::cliente {

namespace {
constexpr const char* kGeral = "Geral";

bool ehSim(const std::string& valor) { return text::equalsIgnoreCase(text::trim(valor), "SIM"); }
}  // namespace

bool ConfiguracaoCliente::exigeLogin() const { return ehSim(EnviarLogin); }
bool ConfiguracaoCliente::gravaLog() const { return ehSim(GravarLog); }

ConfiguracaoCliente LeConfiguracao(const ini::IniFile& ini) {
  ConfiguracaoCliente c;
  c.IP = ini.readString(kGeral, "IP", c.IP);
  c.Porta = ini.readString(kGeral, "Porta", c.Porta);
  c.Origem = ini.readString(kGeral, "Origem", c.Origem);
  c.Destino = ini.readString(kGeral, "Destino", c.Destino);
  c.IdTerminal = ini.readString(kGeral, "IdTerminal", c.IdTerminal);
  // a boolean key is a number: anything but 0 is true
  c.AutoConectar = ini.readInteger(kGeral, "AutoConectar", 0) != 0;
  c.EnviarLogin = ini.readString(kGeral, "EnviarLogin", c.EnviarLogin);
  c.GravarLog = ini.readString(kGeral, "GravarLog", c.GravarLog);
  c.VersaoKVT = ini.readInteger(kGeral, "VersaoKVT", c.VersaoKVT);
  c.Tam_Max_Arq_Log = ini.readInteger(kGeral, "Tam_Max_Arq_Log", c.Tam_Max_Arq_Log);
  c.DiretorioImportacao = ini.readString(kGeral, "DiretorioImportacao", c.DiretorioImportacao);
  c.EnviarUltimoTeleventoProcessado =
      ini.readInteger(kGeral, "EnviarUltimoTeleventoProcessado", c.EnviarUltimoTeleventoProcessado);
  c.ULTIMO_NUM_SEQ_PROCESSADO = ini.readInteger(kGeral, "ULTIMO_NUM_SEQ_PROCESSADO", c.ULTIMO_NUM_SEQ_PROCESSADO);
  c.dbZenthora = ini.readString("BANCOS", "dbZenthora", "");
  return c;
}

void GravaConfiguracao(ini::IniFile& ini, const ConfiguracaoCliente& c) {
  ini.writeString(kGeral, "IP", c.IP);
  ini.writeString(kGeral, "Porta", c.Porta);
  ini.writeString(kGeral, "Origem", c.Origem);
  ini.writeString(kGeral, "Destino", c.Destino);
  ini.writeString(kGeral, "IdTerminal", c.IdTerminal);
  ini.writeInteger(kGeral, "AutoConectar", c.AutoConectar ? 1 : 0);
  ini.writeString(kGeral, "EnviarLogin", c.EnviarLogin);
  ini.writeInteger(kGeral, "ULTIMO_NUM_SEQ_PROCESSADO", c.ULTIMO_NUM_SEQ_PROCESSADO);
}

}  // namespace kvt::cliente
