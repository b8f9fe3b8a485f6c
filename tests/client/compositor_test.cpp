// The composer without its widgets: the format rules, the templates and
// lists, and the document each tab composes from its fields.
#include <gtest/gtest.h>

#include "client/compositor.h"
#include "client/formato.h"
#include "client/modelos_telecomando.h"
#include "platform/text/cp1252.h"
#include "platform/xml/xml_document.h"

using namespace kvt;
using namespace kvt::cliente;
using namespace kvt::text::literals;

namespace {

// The highest value every Random(n) can give, so ranges show.
const Aleatorio maximo = [](std::uint32_t n) { return n - 1; };

CamposComposicao padrao() {
  CamposComposicao c;
  const ModelosTelecomando& m = ModelosTelecomando::preparados();
  const ListasTelecomando& l = ListasTelecomando::listas();
  c.Origem = "ModCom02";
  c.Destino = "Quillon";
  c.IdTerminal = "123456";
  c.cmb_codmsg = l.cmb_codmsg[0];
  c.mem_normal = m.Normal;
  c.cmb_controle = l.cmb_controle[0];
  c.mem_controle = m.Controle;
  c.cmb_codmsgtroca = l.cmb_codmsgtroca[0];
  c.mem_troca = m.TrocaOperadora;
  c.mem_msg = m.MensagemLivre;
  c.ed_msg_livre = "HELLO WORLD !!!";
  c.ed_msg_pre = "256";
  c.cmb_autorizacao = l.cmb_autorizacao[0];
  c.ed_idautorizacao = "0";
  c.mem_autorizacao = m.Autorizacao;
  c.cmb_configuracoes = l.cmb_configuracoes[0];
  c.cmb_OpcaoConf = l.cmb_OpcaoConf[0];
  c.ed_Operacao = "7";
  c.ed_Configuracao = "8";
  c.mem_trans = ModeloConfiguracao(c.cmb_configuracoes);
  c.ed_Titulo = "Lista de Paradas";
  return c;
}

std::string compoe(Aba aba, const CamposComposicao& c) {
  return ComporTelecomando(aba, c, maximo, "02/01/2024 03:04:05").texto;
}

// The element names and values under the root, in order.
std::vector<std::pair<std::string, std::string>> elementos(const std::string& doc) {
  xml::Document d;
  EXPECT_TRUE(d.parse(doc)) << doc;
  std::vector<std::pair<std::string, std::string>> out;
  for (xml::Element e = d.root().firstChildElement(); e; e = e.nextSiblingElement())
    out.emplace_back(e.name(), e.value());
  return out;
}

std::string valor(const std::string& doc, const std::string& nome) {
  for (const auto& [n, v] : elementos(doc))
    if (n == nome) return v;
  return "<ausente>";
}

}  // namespace

TEST(Formata, PlatformRules) {
  const std::vector<std::tuple<std::string, std::vector<ArgumentoFormato>, std::string>> casos = {
      {"<a>%d</a>", {std::int64_t{-12}}, "<a>-12</a>"},
      {"%x|%x", {std::int64_t{123456}, std::int64_t{-1}}, "1E240|FFFFFFFF"},
      {"%s%%%s", {std::string("a"), std::string("b")}, "a%b"},
      {"[%5d][%-4s][%.3d][%.2s]", {std::int64_t{42}, std::string("ab"), std::int64_t{7}, std::string("xyz")},
       "[   42][ab  ][007][xy]"},
      {"%1:s %0:s %s", {std::string("x"), std::string("y")}, "y x y"},
      {"%D %X %S", {std::int64_t{1}, std::int64_t{255}, std::string("s")}, "1 FF s"},
      {"sem argumentos", {std::int64_t{1}}, "sem argumentos"},  // extra arguments are ignored
  };
  for (const auto& [modelo, args, esperado] : casos) EXPECT_EQ(Formata(modelo, args), esperado) << modelo;

  const std::vector<std::pair<std::string, std::vector<ArgumentoFormato>>> invalidos = {
      {"%d %d", {std::int64_t{1}}},         // too few arguments
      {"%d", {std::string("1")}},           // a text for a number
      {"%s", {std::int64_t{1}}},            // a number for a text
      {"%f", {std::int64_t{1}}},            // not a type of the templates
      {"fim %", {}},                        // a lone percent sign at the end
      {"%5:d", {std::int64_t{1}}},          // an index past the arguments
  };
  for (const auto& [modelo, args] : invalidos) {
    try {
      Formata(modelo, args);
      ADD_FAILURE() << modelo;
    } catch (const ErroFormato& e) {
      EXPECT_EQ(std::string(e.what()), "Format '" + modelo + "' invalid or incompatible with argument");
    }
  }
  EXPECT_THROW(StrToInt("12a"), ErroFormato);
  EXPECT_EQ(StrToInt(" -7"), -7);
}

TEST(ModelosTelecomando, LinesSeparatedByCrLfWithTheHeadInOrder) {
  EXPECT_EQ(ComSeparadoresCRLF("a\\b\\"), "a\r\nb\r\n");
  const ModelosTelecomando& m = ModelosTelecomando::preparados();
  EXPECT_EQ(m.Normal.find('\\'), std::string::npos);
  EXPECT_EQ(m.Normal.rfind("<Telecomando>\r\n  <IdSeqMsg>%d</IdSeqMsg>\r\n", 0), 0u);
  EXPECT_EQ(m.Normal.substr(m.Normal.size() - 16), "\r\n</Telecomando>");
  const std::string doc = compoe(Aba::Normais, padrao());
  std::vector<std::string> nomes;
  for (const auto& [n, v] : elementos(doc)) nomes.push_back(n);
  EXPECT_EQ(nomes, (std::vector<std::string>{"IdSeqMsg", "Origem", "Destino", "TipoMsg", "CodMsg", "DataHoraEmissao",
                                             "Prioridade", "IdTerminal"}));
  EXPECT_EQ(doc,
            "<Telecomando>\r\n  <IdSeqMsg>99999998</IdSeqMsg>\r\n  <Origem>ModCom02</Origem>\r\n"
            "  <Destino>Quillon</Destino>\r\n  <TipoMsg>1</TipoMsg>\r\n  <CodMsg>11</CodMsg>\r\n"
            "  <DataHoraEmissao>02/01/2024 03:04:05</DataHoraEmissao>\r\n  <Prioridade>0</Prioridade>\r\n"
            "  <IdTerminal>1E240</IdTerminal>\r\n</Telecomando>");
}

TEST(ModelosTelecomando, ListsInTheirOrder) {
  const ListasTelecomando& l = ListasTelecomando::listas();
  EXPECT_EQ(l.cmb_codmsg.size(), 21u);
  EXPECT_EQ(l.cmb_codmsg.front(), "11 : Posição Avulsa"_cp);
  EXPECT_EQ(l.cmb_codmsg.back(), "E8 : Deslacrar Motor");
  EXPECT_EQ(l.cmb_controle.size(), 11u);
  EXPECT_EQ(l.cmb_controle.back(), "");
  EXPECT_TRUE(std::is_sorted(l.cmb_autorizacao.begin(), l.cmb_autorizacao.end()));
  EXPECT_EQ(l.cmb_autorizacao.size(), 8u);
  EXPECT_EQ(l.cmb_configuracoes[9], "-28: Transmitir Mensagens de Extensão Logística de Parada"_cp);
  EXPECT_EQ(l.cmb_OpcaoConf.size(), 17u);
  EXPECT_EQ(l.cmb_codmsgtroca.back(), "");
  EXPECT_EQ(l.rotacaoSimulador.size(), 11u);
  EXPECT_EQ(l.rotacaoSimulador[1], "14 : Desativar");
  EXPECT_EQ(l.rotacaoSimulador[10], "59 : Temperatura Avulsa");
}

// Every item of every list composes a well-formed document with its default fields.
TEST(ComporTelecomando, EveryItemOfEveryTabComposesAWellFormedDocument) {
  const ListasTelecomando& l = ListasTelecomando::listas();
  for (const std::string& item : l.cmb_codmsg) {
    CamposComposicao c = padrao();
    c.cmb_codmsg = item;
    c.mem_normal = ModeloNormal(item);
    const std::string doc = compoe(Aba::Normais, c);
    EXPECT_EQ(valor(doc, "CodMsg"), item.substr(0, 2)) << item;
  }
  for (const std::string& item : l.cmb_controle) {
    CamposComposicao c = padrao();
    c.cmb_controle = item;
    EXPECT_EQ(valor(compoe(Aba::Controle, c), "CodMsg"), CodigoDoItem(item, 3)) << item;
  }
  for (const std::string& item : l.cmb_autorizacao) {
    CamposComposicao c = padrao();
    c.cmb_autorizacao = item;
    EXPECT_EQ(valor(compoe(Aba::Autorizacoes, c), "CodMsg"), item.substr(0, 2)) << item;
  }
  for (int t = 0; t < 5; ++t) {
    CamposComposicao c = padrao();
    c.cbMensagem = static_cast<TipoMensagem>(t);
    c.mem_msg = ModeloMensagem(c.cbMensagem);
    const std::string codigos[] = {"13", "5C", "60", "6A", "6B"};
    EXPECT_EQ(valor(compoe(Aba::Mensagens, c), "CodMsg"), codigos[t]);
  }
  for (const std::string& item : l.cmb_configuracoes) {
    if (item.empty()) continue;
    CamposComposicao c = padrao();
    c.cmb_configuracoes = item;
    c.mem_trans = ModeloConfiguracao(item);
    const std::string doc = compoe(Aba::Configuracoes, c);
    EXPECT_EQ(valor(doc, "CodMsg"), CodigoDoItem(item, 3)) << item;
    EXPECT_EQ(valor(doc, "IdTerminal"), "1E240") << item;
  }
  CamposComposicao vazio = padrao();
  vazio.cmb_configuracoes = "";
  vazio.mem_trans = ModeloConfiguracao("");
  EXPECT_EQ(compoe(Aba::Configuracoes, vazio), "");
}

TEST(ComporTelecomando, ValuesOfEachTab) {
  CamposComposicao c = padrao();
  // motor seal with its time, from characters 21 to 24 of the item
  c.cmb_codmsg = "E6 : Lacrar Motor - 1200";
  c.mem_normal = ModeloNormal(c.cmb_codmsg);
  std::string doc = compoe(Aba::Normais, c);
  EXPECT_EQ(valor(doc, "Tempo"), "1200");
  EXPECT_EQ(valor(doc, "IdSeqMsg"), "99999998");

  c.cmb_codmsgtroca = "E3 : Troca Operadora Celular (Claro) - 2";
  doc = compoe(Aba::Troca, c);
  EXPECT_EQ(valor(doc, "OperCelAOperar"), "2");
  EXPECT_EQ(valor(doc, "CodMsg"), "E3");
  EXPECT_EQ(valor(doc, "IdSeqMsg"), "99998");  // the short range off the first tab
  c.cmb_codmsgtroca = "";
  EXPECT_THROW(compoe(Aba::Troca, c), ErroFormato);

  c.ed_idautorizacao = "";
  const Composicao semId = ComporTelecomando(Aba::Autorizacoes, c, maximo, "x");
  EXPECT_EQ(semId.aviso, "Digite um ID de autorização válido !"_cp);
  EXPECT_TRUE(semId.texto.empty());
  c.ed_idautorizacao = "33";
  EXPECT_EQ(valor(compoe(Aba::Autorizacoes, c), "IdAutorizacao"), "33");

  c.cbMensagem = TipoMensagem::Livre;
  c.mem_msg = ModeloMensagem(c.cbMensagem);
  c.ed_msg_livre = "a & \"b\" <c>";
  c.chk_ConfirmaLeitura = true;
  doc = compoe(Aba::Mensagens, c);
  EXPECT_NE(doc.find("<Texto>a &amp; &quot;b&quot; &lt;c&gt;</Texto>"), std::string::npos) << doc;
  EXPECT_EQ(valor(doc, "IdMensagem"), "254");
  EXPECT_EQ(valor(doc, "ConfirmaLeitura"), "1");
  EXPECT_EQ(valor(doc, "ConfirmaRecebimento"), "0");

  c.cbMensagem = TipoMensagem::Formatada;
  c.mem_msg = ModeloMensagem(c.cbMensagem);
  c.ed_hash = "A1B2";
  doc = compoe(Aba::Mensagens, c);
  EXPECT_EQ(valor(doc, "NroSeqMacro"), "A1B2");

  c.cbMensagem = TipoMensagem::Configuracao;
  c.mem_msg = ModeloMensagem(c.cbMensagem);
  doc = compoe(Aba::Mensagens, c);
  EXPECT_EQ(valor(doc, "TotalMacros"), "2");
  EXPECT_NE(doc.find("<NomeCampo>DIA MES ANO 4D_1 </NomeCampo>"), std::string::npos);
  EXPECT_NE(doc.find("<NomeCampo>TEXTO SIMPLES_2</NomeCampo>\r\n      <TamCampo>10</TamCampo>"), std::string::npos);

  c.cmb_configuracoes = "-5 : Associar Perfil de Configuração"_cp;
  c.cmb_OpcaoConf = "10 : Opções de Segurança Eletrônica (Central Principal)"_cp;
  c.mem_trans = ModeloConfiguracao(c.cmb_configuracoes);
  doc = compoe(Aba::Configuracoes, c);
  EXPECT_EQ(valor(doc, "TipoConfiguracao"), "10");
  EXPECT_EQ(valor(doc, "IdPerfilConfiguracao"), "8");

  c.cmb_configuracoes = "-23: Transmitir Conjuntos de Alvos";
  c.mem_trans = ModeloConfiguracao(c.cmb_configuracoes);
  c.rg_sobreposicao = 1;
  doc = compoe(Aba::Configuracoes, c);
  EXPECT_EQ(valor(doc, "Caracteristica") + valor(doc, "Atendimento") + valor(doc, "Sobreposicao"), "001");

  c.cmb_configuracoes = "-28: Transmitir Mensagens de Extensão Logística de Parada"_cp;
  c.mem_trans = ModeloConfiguracao(c.cmb_configuracoes);
  EXPECT_TRUE(MostraELP(c.cmb_configuracoes));
  c.opChegada = 0;
  c.opSaida = 1;
  c.ed_Titulo = "Paradas <SP>";
  c.chk_ListaParadas = true;
  doc = compoe(Aba::Configuracoes, c);
  EXPECT_EQ(elementos(doc), (std::vector<std::pair<std::string, std::string>>{
                                {"IdSeqMsg", "99998"},
                                {"CodMsg", "-28"},
                                {"DataHoraEmissao", "02/01/2024 03:04:05"},
                                {"TituloListaParadas", "Paradas <SP>"},
                                {"TipoChegada", "0"},
                                {"TipoSaida", "1"},
                                {"ListaParadas", "1"},
                                {"NaturezaOperacao", "0"},
                                {"IdTerminal", "1E240"}}));

  c.mem_seg_eletr = "<telecomando/>\r\n<telecomando/>";
  EXPECT_EQ(compoe(Aba::Seguranca, c), c.mem_seg_eletr);
}

TEST(ComporTelecomando, EditedTemplateThatNoLongerMatchesRaisesAndNumberFieldsMustBeNumbers) {
  CamposComposicao c = padrao();
  c.mem_normal = ModeloNormal(c.cmb_codmsg) + "<Extra>%d</Extra>";
  EXPECT_THROW(compoe(Aba::Normais, c), ErroFormato);
  c = padrao();
  c.mem_controle = "<Telecomando><CodMsg>%d</CodMsg></Telecomando>";  // a number where a text goes
  EXPECT_THROW(compoe(Aba::Controle, c), ErroFormato);
  c = padrao();
  c.IdTerminal = "12x";
  try {
    compoe(Aba::Normais, c);
    ADD_FAILURE();
  } catch (const ErroFormato& e) {
    EXPECT_STREQ(e.what(), "'12x' is not a valid integer value");
  }
}

TEST(ComporTelecomando, FieldsOfEachMessageKindAndTheKeyFilter) {
  EXPECT_TRUE(CamposDaMensagem(TipoMensagem::Livre).confirmaLeitura);
  EXPECT_FALSE(CamposDaMensagem(TipoMensagem::Configuracao).texto);
  EXPECT_TRUE(CamposDaMensagem(TipoMensagem::PreDefinida).msgPre);
  EXPECT_TRUE(CamposDaMensagem(TipoMensagem::Formatada).hash);
  EXPECT_FALSE(CamposDaMensagem(TipoMensagem::Binaria).confirmaLeitura);
  EXPECT_FALSE(TeclaAceitaTextoLivre('~'));
  EXPECT_FALSE(TeclaAceitaTextoLivre('`'));
  EXPECT_TRUE(TeclaAceitaTextoLivre('a'));
  // the generator gives values in range
  const Aleatorio a = AleatorioSemeado();
  for (int i = 0; i < 1000; ++i) EXPECT_LT(a(255), 255u);
}
