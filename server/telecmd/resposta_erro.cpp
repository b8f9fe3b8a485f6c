#include "server/telecmd/resposta_erro.h"

#include "server/telecmd/texto_xml.h"

namespace kvt::telecmd {

namespace {

void inicio(std::string& corpo, std::string_view agora, const StatusErro& e) {
  corpo += " <DataHoraEm> ";
  corpo += agora;
  corpo += " </DataHoraEm> ";
  corpo += "<CodMsg> -40</CodMsg> ";
  if (e.idStatus > 0) corpo += "<IdStatus> " + std::to_string(e.idStatus) + " </IdStatus>";
  if (!e.terminal.empty()) corpo += " <IdTerminal> " + EscapaTextoXML(e.terminal) + " </IdTerminal>";
}

void fim(std::string& corpo, const StatusErro& e) {
  corpo += " <MsgErro> ";
  corpo += LimpaTextoXML(e.mensagem);
  corpo += " </MsgErro>";
}

std::string stsEnvio(std::int32_t n) { return " <StsEnvio>" + std::to_string(n) + "</StsEnvio> "; }

}  // namespace

std::string CorpoRetornaErroXML(std::string_view agora, const StatusErro& e) {
  std::string corpo;
  inicio(corpo, agora, e);
  if (!e.telecomando.empty()) corpo += "<Telecomando> " + EscapaTextoXML(e.telecomando) + " </Telecomando>";
  if (e.stsEnvio != 0) corpo += stsEnvio(e.stsEnvio);
  fim(corpo, e);
  return corpo;
}

std::string CorpoStatusErroXML(std::string_view agora, const StatusErro& e) {
  std::string corpo;
  inicio(corpo, agora, e);
  if (!e.telecomando.empty() && e.stsEnvio != 0) corpo += stsEnvio(e.stsEnvio);
  corpo += " <Telecomando> " + EscapaTextoXML(e.telecomando) + " </Telecomando> ";
  fim(corpo, e);
  return corpo;
}

void RespostaStatusErro::RetornaErroXML(const std::string& mensagem, const std::string& telecomando,
                                        const std::string& terminal, std::int32_t stsEnvio, std::int32_t idStatus) {
  if (canal_.NumClientes() <= 0) return;
  envia("tTeleCmd", CorpoRetornaErroXML(DataHoraAtual(), {mensagem, telecomando, terminal, stsEnvio, idStatus}));
}

void RespostaStatusErro::Retorna_Status_Erro_XML(const std::string& mensagem, const std::string& telecomando,
                                                 const std::string& terminal, std::int32_t stsEnvio,
                                                 std::int32_t idStatus) {
  if (canal_.NumClientes() <= 0) return;
  envia("TFPrincipal.Retorna_Status_Erro_XML",
        CorpoStatusErroXML(DataHoraAtual(), {mensagem, telecomando, terminal, stsEnvio, idStatus}));
}

void RespostaStatusErro::envia(std::string_view rotina, const std::string& corpo) {
  const std::string documento = EnvelopaTeleEvento(corpo);
  logs_.log(rotina, documento);
  canal_.EscreveEmTodasConexoes(documento);
}

}  // namespace kvt::telecmd
