#include "server/security/import_options.h"

#include "platform/text/cp1252.h"
#include "platform/text/hex_text.h"
#include "server/common/elemento.h"
#include "server/common/veiculo.h"

namespace kvt::security {

using namespace kvt::text::literals;

namespace {

// false when the walk must end at this element
bool leVeiculo(const xml::Element& id, const LeituraVeiculos& leitura, common::tCadastroVeiculos& cadastro,
               telecmd::RespostaStatusErro& respostas) {
  const std::string texto = common::TextoDoElemento(id);
  const auto idTerminal = text::HexParaInt(texto);
  if (!idTerminal) return false;
  try {
    if (cadastro.VeiculoCadastrado(*idTerminal)) {
      leitura.adiciona(*idTerminal);
    } else {
      respostas.Retorna_Status_Erro_XML(" Veículo "_cp + texto + " não está cadastrado !"_cp, leitura.telecomando,
                                        leitura.terminalNaResposta ? texto : std::string(), 0, -1);
    }
  } catch (const db::DbError& falha) {
    if (falha.connectionLost()) throw;
    return false;
  }
  return true;
}

}  // namespace

bool LeOpcoesEVeiculos(const xml::Element& raiz, std::vector<OpcaoImportacao>& opcoes, const LeituraVeiculos& leitura,
                       db::Connection& dbZenthora, telecmd::RespostaStatusErro& respostas) {
  for (OpcaoImportacao& o : opcoes) o.valor = o.padrao;
  common::tCadastroVeiculos cadastro(dbZenthora);
  for (xml::Element e = raiz.firstChildElement(); e; e = e.nextSiblingElement()) {
    const std::string nome = common::NomeDoElemento(e);
    if (nome == "VEICULO") {
      for (xml::Element id = e.firstChildElement(); id; id = id.nextSiblingElement())
        if (common::ElementoChamado(id, "IDTERMINAL") && !leVeiculo(id, leitura, cadastro, respostas)) return false;
      continue;
    }
    for (OpcaoImportacao& o : opcoes)
      if (nome == o.nome) o.valor = common::InteiroDoElemento(e, o.padrao);
  }
  return true;
}

std::int32_t ValorOpcao(const std::vector<OpcaoImportacao>& opcoes, std::string_view nome) {
  for (const OpcaoImportacao& o : opcoes)
    if (o.nome == nome) return o.valor;
  return 0;
}

}  // namespace kvt::security
