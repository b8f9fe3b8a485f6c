#include "central/central_ini.h"

#include <fstream>
#include <stdexcept>

#include "central/central.h"

namespace kvt::central {

namespace {

// The codes from first to last in decimal, each followed by a comma, so that
// the embedded central's server refuses no telecommand and passes every event.
std::string codeList(int first, int last) {
  std::string codes = ",";
  for (int code = first; first <= last ? code <= last : code >= last; code += first <= last ? 1 : -1)
    codes += std::to_string(code) + ",";
  return codes;
}

}  // namespace

int numeroModulo(const std::string& nomeMr) {
  if (nomeMr == "ModCom05") return 5;
  if (nomeMr == "ModCom04") return 4;
  if (nomeMr == "ModCom03") return 3;
  return 2;
}

void writeCentralIni(const CentralFiles& files, const CentralOptions& options) {
  const std::string crlf = "\r\n";
  std::string ini;
  auto line = [&](const std::string& text) { ini += text + crlf; };
  line("[KORVATEL]");
  line("Num_Arquivos_Log=5");
  line("Tam_Max_Arq_Log=10000000");
  line("Arq_Log_Corrente=1");
  line("LogaXMLRecebido=0");
  line("LogaXMLEnviado=0");
  line("NOME_MR=" + options.nomeMr);
  line("NOME_BASE=Quillon");
  line("ID_BASE=601");
  line("BASE_SENHA=ZQZQ");
  line("TIMEOUT_POLLING=3");
  line("TIMEOUT_RECONNECT=15");
  line("TIMER_BUFFER=5");
  line("SOLICITA_LOGIN=SIM");
  line("KORVATEL_PORT=" + std::to_string(options.port));
  line("TELECMD=" + codeList(-1, -33) + codeList(1, 255).substr(1));
  line("TELEEVT=" + codeList(1, 255));
  line("FiltraEvtLogistico=0");
  line("ListaEvtLogistico=");
  line("Tamanho_Buffer_Min=10240");
  line("Tamanho_Buffer=65536");
  line("Contador_Analisar_Estat=20");
  line("Contador_Restaurar_Buffer=10");
  line("Alarme_Tamanho_Buffer_Disco=100");
  line("Tempo_Recorrencia_Alarme=10");
  line("");
  line("[CONTROLE]");
  line("ULTIMO_NUM_SEQ_PROCESSADO_CTRL=0");
  line("ULTIMO_NUM_SEQ_PROCESSADO=0");
  line("MAX_EVT_PROCESSADOS=10000");
  line("MAX_EVT_ACUMULADOS=500");
  line("TIMEOUT=60");
  line("TIMEOUT_DESABILITAR_GPRS_TELECMD=10");
  line("");
  line("[BANCOS]");
  line("dbZenthora=" + files.urlZenthora);
  line("dbBase=" + files.urlBase);
  line("dbSSE=" + files.urlSse);

  std::ofstream out(files.ini, std::ios::binary | std::ios::trunc);
  out << ini;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + files.ini);
}

}  // namespace kvt::central
