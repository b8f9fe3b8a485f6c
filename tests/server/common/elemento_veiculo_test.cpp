// Element reading, the shared vehicle records and the pre-defined message
// numbering, on parsed documents and a real embedded central.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "central/central.h"
#include "platform/db/db.h"
#include "platform/xml/xml_document.h"
#include "server/common/elemento.h"
#include "server/common/linked_list.h"
#include "server/common/mensagem_pre.h"
#include "server/common/qr_veiculo.h"
#include "server/common/veiculo.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using namespace kvt::common;

namespace {

xml::Document parse(const std::string& texto) {
  xml::Document d;
  EXPECT_TRUE(d.parse(texto)) << texto;
  return d;
}

}  // namespace

TEST(LeituraDeElementos, NamesMatchInAnyCaseAndTextsAreTrimmed) {
  const xml::Document d = parse(
      "<t><idterminal> 1a2b </idterminal><IdTerminal>ff</IdTerminal><Vazio/><N> 12 </N><M>12a</M>"
      "<H>$1F</H><Neg>-7</Neg><Grande>99999999999</Grande></t>");
  const xml::Element primeiro = d.root().firstChildElement();
  EXPECT_TRUE(ElementoChamado(primeiro, "IDTERMINAL"));
  EXPECT_EQ(TextoDoElemento(primeiro), "1a2b");
  EXPECT_EQ(TextoDoFilho(primeiro, "IDTERMINAL"), "1a2b");  // the first of two
  EXPECT_EQ(TextoDoFilho(primeiro, " IdTerminal "), "1a2b");
  EXPECT_EQ(TextoDoFilho(primeiro.nextSiblingElement(), "idterminal"), "ff");
  EXPECT_EQ(TextoDoFilho(primeiro, "VAZIO"), "");
  EXPECT_EQ(TextoDoFilho(primeiro, "AUSENTE"), "");
  // a later sibling only: the element before `primeiro` is not searched
  EXPECT_EQ(TextoDoFilho(d.root().firstChildElement().nextSiblingElement().nextSiblingElement(), "IDTERMINAL"), "");

  struct Caso {
    const char* nome;
    std::int32_t esperado;
  };
  const Caso casos[] = {{"N", 12}, {"M", -1}, {"VAZIO", -1}, {"NEG", -7}, {"GRANDE", -1}, {"H", 31}};
  for (const Caso& c : casos) EXPECT_EQ(InteiroDoElemento(d.root().child(c.nome), -1), c.esperado) << c.nome;
  EXPECT_EQ(InteiroDoElemento(xml::Element{}, 5), 5);
}

TEST(LeituraDeElementos, TerminalTextIsSixUpperCaseHexDigitsOrMore) {
  EXPECT_EQ(TextoTerminal(0), "000000");
  EXPECT_EQ(TextoTerminal(0xa1b2), "00A1B2");
  EXPECT_EQ(TextoTerminal(0xABCDEF), "ABCDEF");
  EXPECT_EQ(TextoTerminal(0x1000000), "1000000");
  EXPECT_EQ(TextoTerminal(-1), "FFFFFFFF");
}

TEST(LeituraDeElementos, RandomDocumentsNeverBreakTheReaders) {
  std::mt19937 gerador(12);
  const std::string pecas[] = {"<a>", "</a>", "<IdTerminal>", "</IdTerminal>", " 12", "x", "$", "-", "&amp;", "\xE7"};
  for (int i = 0; i < 2000; ++i) {
    std::string texto = "<t>";
    const int n = static_cast<int>(gerador() % 12);
    for (int k = 0; k < n; ++k) texto += pecas[gerador() % std::size(pecas)];
    texto += "</t>";
    xml::Document d;
    if (!d.parse(texto)) continue;
    for (xml::Element e = d.root().firstChildElement(); e; e = e.nextSiblingElement()) {
      (void)InteiroDoElemento(e, 0);
      (void)TextoDoFilho(e, "IDTERMINAL");
      (void)TextoDoElemento(e);
    }
  }
}

TEST(NumeracaoMensagensPre, BothDirectionsAgree) {
  struct Caso {
    std::int32_t idMsg, idMsgSub, id;
  };
  const Caso casos[] = {{32, 1, 256}, {32, 2, 257}, {32, 0, 256}, {33, 1, 264}, {31, 3, 250}, {42, 8, 343}};
  for (const Caso& c : casos) EXPECT_EQ(IdMensagemPre(c.idMsg, c.idMsgSub), c.id) << c.idMsg << "," << c.idMsgSub;

  EXPECT_EQ(LinhaDaMensagemPre(250, true), (ChaveMensagemPre{31, 3}));
  EXPECT_EQ(LinhaDaMensagemPre(248, true), (ChaveMensagemPre{31, 1}));
  EXPECT_EQ(LinhaDaMensagemPre(248, false), (ChaveMensagemPre{31, 0}));
  EXPECT_EQ(LinhaDaMensagemPre(247, true), (ChaveMensagemPre{30, 8}));
}

TEST(NumeracaoMensagensPre, CatalogueFindsRowsAndPutsTheHeadingInFront) {
  const tCatalogoMensagensPre cat({{32, 0, "A"}, {32, 1, "B"}, {32, 2, "C"}, {33, 1, "D"}, {34, 0, "E"}});
  for (const std::int32_t id : {256, 257, 272}) ASSERT_NE(cat.Procura(id), nullptr) << id;
  EXPECT_EQ(cat.TextoComCabecalho(*cat.Procura(256)), "AB");
  EXPECT_EQ(cat.TextoComCabecalho(*cat.Procura(257)), "AC");
  // a group whose only row is message 1 is found under the id the list gives it
  ASSERT_NE(cat.Procura(264), nullptr);
  EXPECT_EQ(cat.TextoComCabecalho(*cat.Procura(264)), "D");
  EXPECT_EQ(cat.TextoComCabecalho(*cat.Procura(272)), "E");  // a lone heading is the message
  EXPECT_EQ(cat.Procura(258), nullptr);
  EXPECT_EQ(cat.Procura(-1), nullptr);
  EXPECT_EQ(cat.Quantidade(32), 3);
}

struct CentralVeiculos : ::testing::Test {
  test::TempDir dir;
  central::CentralFiles files = central::createCentral(dir.file("c"));
  std::unique_ptr<db::Connection> zenthora = db::Connection::open(files.urlZenthora);

  void SetUp() override {
    db::Statement(*zenthora,
                  "INSERT INTO tRastreador (Rastreador, ListaKVT) VALUES (1, 1), (5, 0);"
                  "INSERT INTO tVeiculo (IdTerminal, IdFrota, IdTransp, Veiculo, Rastreador, Versao) VALUES "
                  "(4096, 3, 2, 'Caminh\xE3o 1', 1, '3.2.1'), (4097, 4, 2, 'Legado', 5, '1.0')")
        .execute();
  }
};

TEST_F(CentralVeiculos, VehicleRecordsLoadFromTheCentralAndListOnce) {
  tVeiculo v(*zenthora, 4096);
  EXPECT_TRUE(v.Encontrado());
  EXPECT_EQ(v.idFrota(), 3);
  EXPECT_EQ(v.idTransp(), 2);
  EXPECT_EQ(v.rastreador(), 1);
  EXPECT_EQ(v.versao(), "3.2.1");
  EXPECT_EQ(v.veiculo(), "Caminh\xE3o 1");
  EXPECT_FALSE(tVeiculo(*zenthora, 9999).Encontrado());

  // the same terminal twice gives one record; new ones go in front
  db::Statement qr(*zenthora, sqlCarregaVeiculo());
  tListaEncadeada lista;
  for (std::int32_t id : {4096, 4097, 4096}) lista.InsereUnico(std::make_unique<tVeiculo>(qr, id));
  ASSERT_EQ(lista.Contador(), 2);
  EXPECT_EQ(static_cast<tVeiculo&>(lista.Primeiro()->Valor()).IdTerminal(), 4097);

  tListaEncadeada status;
  status.InsereUnico(std::make_unique<tStatusAssociacaoVeiculo>(0x1000, 0));
  status.InsereUnico(std::make_unique<tStatusAssociacaoVeiculo>("001000", 3));
  EXPECT_EQ(status.Contador(), 1);
  EXPECT_EQ(static_cast<tStatusAssociacaoVeiculo&>(status.Primeiro()->Valor()).Terminal(), "001000");
}

TEST_F(CentralVeiculos, RegistrationAndModelChecks) {
  tCadastroVeiculos cadastro(*zenthora);
  EXPECT_TRUE(cadastro.VeiculoCadastrado(4096));
  EXPECT_TRUE(cadastro.VeiculoCadastrado(4097));
  EXPECT_FALSE(cadastro.VeiculoCadastrado(4098));
  EXPECT_TRUE(VeiculoCadastrado(*zenthora, 4096));

  // the security database reaches the same table through its attached central
  auto sse = db::Connection::open(files.urlSse);
  EXPECT_TRUE(VeiculoCadastrado(*sse, 4096));
  EXPECT_EQ(tVeiculo(*sse, 4096).idFrota(), 3);

  tQrVeiculo qrVeiculo(*zenthora);
  EXPECT_EQ(qrVeiculo.Rastreador(4096), 1);
  EXPECT_EQ(qrVeiculo.Rastreador(4097), std::nullopt);  // model not enabled for this server
  EXPECT_EQ(qrVeiculo.Rastreador(4098), std::nullopt);
}
