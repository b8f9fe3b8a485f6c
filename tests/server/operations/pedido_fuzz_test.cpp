// Random requests: the element reader and every handler of the module take
// whatever a client sends without crashing, and every request is answered by
// exactly one document.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

#include "platform/xml/xml_document.h"
#include "server/operations/leitura_pedido.h"
#include "tests/server/operations/ambiente_operacao.h"

using namespace kvt;
using kvt::operations::ElementoPedido;
using kvt::operations::LePedido;
using kvt::operations::Leitura;

namespace {

const std::array<const char*, 11> kNomes = {"IdSeqMsg",     "IdTerminal", "IDTERMINAL",     "idoperacao",
                                             "TipoChegada",  "TipoSaida",  "TituloListaParadas", "ListaParadas",
                                             "Caracteristica", "IdPerfilConfiguracao", "Outro"};
const std::array<const char*, 16> kValores = {"",   " ",  "0",   "1",  "2",   "3",     "-1",         "1000",
                                               "7A", "x",  "12a", "$1F", "0x10", "99999999999", " 4 ", "&lt;&amp;"};

std::string documentoAleatorio(std::mt19937& rng, const std::string& cabeca = "") {
  std::string xml = "<telecomando>" + cabeca;
  const int n = static_cast<int>(rng() % 9);
  for (int i = 0; i < n; ++i) {
    const std::string nome = kNomes[rng() % kNomes.size()];
    const std::string valor = kValores[rng() % kValores.size()];
    xml += rng() % 5 == 0 ? "<" + nome + "/>" : "<" + nome + ">" + valor + "</" + nome + ">";
  }
  return xml + "</telecomando>";
}

}  // namespace

TEST(PedidoFuzz, TheReaderAnswersEveryDocumentWithValuesOrOneMessage) {
  constexpr std::array<ElementoPedido, 5> elementos{{
      {"IdSeqMsg", Leitura::Decimal},
      {"IdTerminal", Leitura::Hexadecimal},
      {"TituloListaParadas", Leitura::Texto},
      {"TipoChegada", Leitura::Decimal, 0, 2},
      {"ListaParadas", Leitura::Decimal, 0, 1},
  }};
  std::mt19937 rng(20261211);
  for (int i = 0; i < 3000; ++i) {
    const std::string xml = documentoAleatorio(rng);
    xml::Document doc;
    ASSERT_TRUE(doc.parse(xml)) << xml;
    const auto r = LePedido(doc.root(), elementos, {"fim", "Fim"});
    if (r.erro) {
      const bool conhecida = r.erro->rfind("Tag <", 0) == 0 || *r.erro == "Telecomando incompleto, fim";
      EXPECT_TRUE(conhecida) << xml << " -> " << *r.erro;
      continue;
    }
    EXPECT_NE(r.numero(0), -1) << xml;
    EXPECT_NE(r.numero(1), -1) << xml;
    EXPECT_FALSE(r.texto(2).empty()) << xml;
    EXPECT_TRUE(r.numero(3) >= 0 && r.numero(3) <= 2) << xml;
    EXPECT_TRUE(r.numero(4) >= 0 && r.numero(4) <= 1) << xml;
  }
}

TEST(PedidoFuzz, EveryHandlerAnswersEachRandomRequestOnce) {
  test::AmbienteOperacao amb;
  amb.executa("INSERT INTO tRastreador (Rastreador, ListaKVT) VALUES (1, 1)");
  amb.executa("INSERT INTO tVeiculo (IdTerminal, Rastreador) VALUES (4096, 1), (3, 1)");
  amb.executa("INSERT INTO tOpcoesOperacao (IdOpcao, NomeOpcao, CodMsgHex, TabelaConf, FlagCentralRastSeg) VALUES "
              "(1, 'Comunicacao', 'E4', 'tCfgComunicacao', NULL), (2, 'Seg', '76', 'tCfgSegCentralRast', 'C')");
  amb.executa("INSERT INTO tCfgPerfil (IdConfig, IdOpcao, Nome) VALUES (1, 1, 'P'), (2, 2, 'S')");
  amb.executa("INSERT INTO tOperacao (IdOperacao, Nome) VALUES (1, 'Op'), (2, 'Dois')");
  amb.executa("INSERT INTO tItensOperacao (IdOperacao, IDConfiguracao, NomeConfiguracao, IdOpcao, NomeOpcaoConf) "
              "VALUES (1, 1, 'P', 1, 'C'), (2, 2, 'S', 2, 'S'), (2, 5, 'X', 77, 'desconhecido')");
  const std::array<int, 15> codigos = {-2, -3, -4, -5, -12, -13, -14, -16, -21, -22, -23, -24, -25, -26, -28};
  std::mt19937 rng(7);
  for (int i = 0; i < 250; ++i) {
    const int codigo = codigos[rng() % codigos.size()];
    const std::string xml = documentoAleatorio(rng, "<CodMsg>" + std::to_string(codigo) + "</CodMsg>");
    amb.amb.envia(amb.cliente, xml);
    const std::string recebido = amb.amb.canal.recebido(amb.cliente);
    std::size_t documentos = 0;
    for (std::size_t p = recebido.find("<?xml"); p != std::string::npos; p = recebido.find("<?xml", p + 1)) ++documentos;
    EXPECT_EQ(documentos, 1u) << xml << "\n" << recebido;
    xml::Document resposta;
    EXPECT_TRUE(resposta.parse(recebido.substr(recebido.find("?>") + 2))) << recebido;
  }
  EXPECT_EQ(amb.amb.log().find("Erro ao processar"), std::string::npos) << amb.amb.log();
}
