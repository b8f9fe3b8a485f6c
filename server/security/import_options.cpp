#include "server/security/import_options.h"

#include <memory>
#include <utility>

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

LeituraVeiculos LeituraNaLista(std::string telecomando, common::tListaEncadeada& veiculos, db::Connection& dbZenthora) {
  LeituraVeiculos leitura;
  leitura.telecomando = std::move(telecomando);
  leitura.adiciona = [&veiculos, &dbZenthora](std::int32_t idTerminal) {
    veiculos.InsereUnico(std::make_unique<common::tVeiculo>(dbZenthora, idTerminal));
  };
  return leitura;
}

void ApagaAssociacoesDosVeiculos(db::Connection& dbSSE, const db::SqlText& apaga,
                                 const common::tListaEncadeada& veiculos) {
  db::Statement st(dbSSE, apaga);
  for (const common::tNoListaEncadeada* no = veiculos.Primeiro(); no; no = no->Proximo()) {
    st.bindInt("idTerminal", static_cast<const common::tVeiculo&>(no->Valor()).IdTerminal());
    st.execute();
  }
}

std::int32_t ValorOpcao(const std::vector<OpcaoImportacao>& opcoes, std::string_view nome) {
  for (const OpcaoImportacao& o : opcoes)
    if (o.nome == nome) return o.valor;
  return 0;
}

}  // namespace kvt::security
