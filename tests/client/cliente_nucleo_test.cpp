// The test client's pieces without the connection: KVTCLIENT.INI, the
// reception cutter, the tree, the log-in document and reply check, the
// sending cutter and KVTCLIENT.LOG.
#include <gtest/gtest.h>

#include <random>

#include "client/arvore_xml.h"
#include "client/config_cliente.h"
#include "client/log_cliente.h"
#include "client/login_cliente.h"
#include "client/recepcao.h"
#include "client/texto_envio.h"
#include "client/validacao.h"
#include "platform/ini/ini_file.h"
#include "platform/text/cp1252.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using namespace kvt::cliente;
using namespace kvt::text::literals;

namespace {

xml::Document parse(const std::string& s) {
  xml::Document d;
  EXPECT_TRUE(d.parse(s)) << s;
  return d;
}

}  // namespace

// ------------------------------------------------------------- KVTCLIENT.INI

TEST(ConfiguracaoCliente, MissingFileGivesEveryDefault) {
  test::TempDir dir;
  const ConfiguracaoCliente c = LeConfiguracao(ini::IniFile(dir.file("KVTCLIENT.INI")));
  EXPECT_EQ(c.IP, "127.0.0.1");
  EXPECT_EQ(c.Porta, "12000");
  EXPECT_EQ(c.Origem, "ModCom02");
  EXPECT_EQ(c.Destino, "Quillon");
  EXPECT_EQ(c.IdTerminal, "123456");
  EXPECT_FALSE(c.AutoConectar);
  EXPECT_EQ(c.EnviarLogin, "NAO");
  EXPECT_FALSE(c.exigeLogin());
  EXPECT_FALSE(c.gravaLog());
  EXPECT_EQ(c.VersaoKVT, 6);
  EXPECT_EQ(c.Tam_Max_Arq_Log, 1);
  EXPECT_EQ(c.DiretorioImportacao, "C:\\TALVERO");
  EXPECT_EQ(c.EnviarUltimoTeleventoProcessado, 1);
  EXPECT_EQ(c.ULTIMO_NUM_SEQ_PROCESSADO, 0);
  EXPECT_EQ(c.dbZenthora, "");
}

TEST(ConfiguracaoCliente, WritesBackOnlyItsKeysAndKeepsTheRest) {
  test::TempDir dir;
  const std::string path = dir.file("KVTCLIENT.INI");
  test::writeFile(path,
                  "; comentário\r\n[Geral]\r\nIP=10.0.0.1\r\nEnviarLogin=sim\r\nGravarLog=Sim\r\nVersaoKVT=5\r\n"
                  "AutoConectar=1\r\n[BANCOS]\r\ndbZenthora=sqlite:/x/zenthora.db\r\n");
  ini::IniFile ini(path);
  ConfiguracaoCliente c = LeConfiguracao(ini);
  EXPECT_EQ(c.IP, "10.0.0.1");
  EXPECT_TRUE(c.exigeLogin());
  EXPECT_TRUE(c.gravaLog());
  EXPECT_EQ(c.VersaoKVT, 5);
  EXPECT_TRUE(c.AutoConectar);
  EXPECT_EQ(c.dbZenthora, "sqlite:/x/zenthora.db");

  c.Porta = "12001";
  c.AutoConectar = false;
  c.ULTIMO_NUM_SEQ_PROCESSADO = 77;
  c.GravarLog = "NAO";  // not written back
  GravaConfiguracao(ini, c);
  ini::IniFile lido(path);
  EXPECT_EQ(lido.readString("Geral", "Porta", ""), "12001");
  EXPECT_EQ(lido.readString("Geral", "AutoConectar", ""), "0");
  EXPECT_EQ(lido.readString("Geral", "EnviarLogin", ""), "sim");
  EXPECT_EQ(lido.readString("Geral", "ULTIMO_NUM_SEQ_PROCESSADO", ""), "77");
  EXPECT_EQ(lido.readString("Geral", "GravarLog", ""), "Sim");
  EXPECT_EQ(lido.readString("Geral", "Origem", ""), "ModCom02");
  EXPECT_EQ(lido.readString("BANCOS", "dbZenthora", ""), "sqlite:/x/zenthora.db");
  EXPECT_EQ(test::readFile(path).rfind("; comentário\r\n", 0), 0u);
}

// ------------------------------------------------------------------ reception

TEST(TextoRecebido, CutsLowersTrimsAndKeepsTheIncompleteRest) {
  struct Caso {
    const char* nome;
    std::vector<std::string> leituras;
    std::vector<std::string> documentos;  // lower-cased, cut after the last read
    std::string resto;
  };
  const std::vector<Caso> casos = {
      {"two in one read",
       {"<?xml version=\"1.0\" ?>  <TeleEvento> <CodMsg> 1 </CodMsg> </TeleEvento>"
        "<TeleEvento> <A>X</A> </TeleEvento>"},
       {"<?xml version=\"1.0\" ?>  <teleevento> <codmsg> 1 </codmsg> </teleevento>",
        "<teleevento> <a>x</a> </teleevento>"},
       ""},
      {"split across reads, closing tag split too",
       {"\r\n  <TeleEvento> <B>1</B> </TeleEv", "ento>\r\n <TeleEvento> <C>"},
       {"<teleevento> <b>1</b> </teleevento>"},
       "<teleevento> <c>"},
      {"blanks and controls at both ends go",
       {"\x01\t <TeleEvento/> x </TELEEVENTO> \x02 \r\n"},
       {"<teleevento/> x </teleevento>"},
       ""},
      {"no closing tag yet", {"<TeleEvento> <D>"}, {}, "<teleevento> <d>"},
      {"accented letters keep their case", {"<TeleEvento>\xC3O</TeleEvento>"}, {"<teleevento>\xC3o</teleevento>"}, ""},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    TextoRecebido t;
    for (const std::string& l : c.leituras) t.acrescenta(l);
    const auto docs = t.cortaDocumentos();
    ASSERT_EQ(docs.size(), c.documentos.size());
    for (std::size_t i = 0; i < docs.size(); ++i) EXPECT_EQ(docs[i].texto, c.documentos[i]);
    EXPECT_EQ(t.texto(), c.resto);
  }
}

TEST(TextoRecebido, OriginalKeepsTheServersLetterCase) {
  TextoRecebido t;
  t.acrescenta("  <TeleEvento> <Localizacao>12 Km NE de São Paulo</Localizacao> </TeleEvento>");
  const auto docs = t.cortaDocumentos();
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(docs[0].original, "<TeleEvento> <Localizacao>12 Km NE de São Paulo</Localizacao> </TeleEvento>");
  EXPECT_EQ(docs[0].texto, "<teleevento> <localizacao>12 km ne de são paulo</localizacao> </teleevento>");
}

// Randomized: documents with noise between them, fed in random slices, come
// out whole and in order whatever the slicing; random bytes never break it.
TEST(TextoRecebido, FuzzedSlicesAndBytes) {
  std::mt19937 rng(20);
  for (int rodada = 0; rodada < 300; ++rodada) {
    std::vector<std::string> esperados;
    std::string fluxo;
    const int n = static_cast<int>(rng() % 6);
    for (int i = 0; i < n; ++i) {
      std::string ruido(rng() % 4, ' ');
      std::string corpo;
      for (std::size_t k = rng() % 40; k > 0; --k) corpo += static_cast<char>('A' + rng() % 60);
      const std::string doc = "<TeleEvento>" + corpo + "</TeleEvento>";
      fluxo += ruido + "\r\n" + doc;
      esperados.push_back(doc);
    }
    TextoRecebido t;
    std::vector<DocumentoRecebido> saidos;
    for (std::size_t p = 0; p < fluxo.size();) {
      const std::size_t tam = 1 + rng() % 30;
      t.acrescenta(std::string_view(fluxo).substr(p, tam));
      p += tam;
      if (rng() % 2)
        for (auto& d : t.cortaDocumentos()) saidos.push_back(d);
    }
    for (auto& d : t.cortaDocumentos()) saidos.push_back(d);
    ASSERT_EQ(saidos.size(), esperados.size());
    for (std::size_t i = 0; i < saidos.size(); ++i) {
      EXPECT_EQ(saidos[i].original, esperados[i]);
      EXPECT_EQ(saidos[i].texto.size(), saidos[i].original.size());
    }
    EXPECT_TRUE(t.vazio());
  }
  for (int rodada = 0; rodada < 2000; ++rodada) {
    TextoRecebido t;
    std::string bytes(rng() % 200, '\0');
    for (char& c : bytes) c = static_cast<char>(rng() % 4 == 0 ? "</teleEVNO>"[rng() % 11] : rng() % 256);
    t.acrescenta(bytes);
    for (const auto& d : t.cortaDocumentos()) {
      EXPECT_GE(d.texto.size(), TextoRecebido::kFechamento.size());
      EXPECT_EQ(d.texto.substr(d.texto.size() - 13), "</teleevento>");
    }
    EXPECT_FALSE(t.temDocumentoCompleto());
  }
}

// Randomized: whatever bytes arrive, the validation, the tree, the log-in
// check and the sending cutter neither crash nor lose their invariants.
TEST(LeitoresCliente, FuzzedDocumentsAndSendingText) {
  std::mt19937 rng(21);
  const std::vector<std::string> pedacos = {"<teleevento>", "</teleevento>", "<codmsg>", "</codmsg>", "-58",
                                            "<idterminal>", "</idterminal>", "<stslogin>", "</stslogin>", "0",
                                            "1e240", "<a>", "</a>", "<b/>", "&amp;", "&#", ";", " ", "\r\n",
                                            "<telecomando>", "</telecomando>", "<?xml version=\"1.0\"?>", "\xE3"};
  for (int rodada = 0; rodada < 3000; ++rodada) {
    std::string doc;
    for (std::size_t k = rng() % 24; k > 0; --k)
      doc += rng() % 5 == 0 ? std::string(1, static_cast<char>(rng() % 256)) : pedacos[rng() % pedacos.size()];
    Validacao v = ValidaXML(doc, rodada % 2 ? "10.0.0.1" : "Localhost");
    ASSERT_FALSE(v.mensagens.empty());
    if (v.valido) {
      ArvoreXML arvore;
      arvore.adiciona(v.documento.root());
      EXPECT_GE(arvore.numNos(), 1u);
      VerificaRespostaLogin(v.documento.root());
    }
    TextoEnvio envio;
    envio.acrescenta(doc);
    for (int passos = 0; passos < 64; ++passos) {
      const PedacoEnvio p = envio.proximo();
      if (p.tipo == PedacoEnvio::Tipo::Fim) break;
      EXPECT_EQ(p.texto.rfind("<telecomando>", 0), 0u);
      EXPECT_LE(p.restante.size(), 400u);
      if (p.tipo == PedacoEnvio::Tipo::Documento)
        EXPECT_EQ(p.texto.substr(p.texto.size() - 14), "</telecomando>");
      else
        EXPECT_FALSE(envio.temDocumento());
    }
    EXPECT_FALSE(envio.temDocumento());
  }
}

// ----------------------------------------------------------------------- tree

TEST(ArvoreXML, HexadecimalReadFromTheRight) {
  const std::vector<std::pair<std::string, std::uint32_t>> casos = {
      {"1e240", 123456}, {"1E240", 123456}, {"ff", 255}, {"G1", 1}, {"-1", 1}, {"", 0}, {"10", 16}};
  for (const auto& [texto, valor] : casos) EXPECT_EQ(DecimalDoHexadecimal(texto), valor) << texto;
}

TEST(ArvoreXML, TopNodeSumsUpTheLeavesAndNestedElementsBecomeBranches) {
  const auto doc = parse(
      "<teleevento> <datahoraem> 1 </datahoraem> <codmsg> 5 </codmsg> <evento> 0a </evento>"
      "<datahoraevento> 02/01/2024 </datahoraevento> <idterminal> 1e240 </idterminal>"
      "<complemento> <idterminal>ff</idterminal> <vazio/> </complemento> </teleevento>");
  ArvoreXML arvore;
  const NoArvore& topo = arvore.adiciona(doc.root());
  EXPECT_EQ(topo.texto, "CodMsg: 5, Evento: 0a, DataHoraEvento: 02/01/2024, IdTerminal: 1e240 (123456)");
  ASSERT_EQ(topo.filhos.size(), 6u);
  EXPECT_EQ(topo.filhos[0].texto, "<datahoraem> 1 </datahoraem>");
  const NoArvore& ramo = topo.filhos[5];
  EXPECT_EQ(ramo.texto, "<complemento>, IdTerminal: ff (255)");
  ASSERT_EQ(ramo.filhos.size(), 2u);
  EXPECT_EQ(ramo.filhos[1].texto, "<vazio>  </vazio>");
  EXPECT_EQ(arvore.numNos(), 9u);
  arvore.limpa();
  EXPECT_EQ(arvore.numNos(), 0u);
}

// --------------------------------------------------------------- validation

TEST(ValidaXML, FourListTexts) {
  EXPECT_EQ(ValidaXML("<a/>", "10.1.1.1").mensagens, std::vector<std::string>{"Recebido XML válido do KVT:[10.1.1.1]"_cp});
  const auto ruim = ValidaXML("<a><b></a>", "10.1.1.1");
  EXPECT_FALSE(ruim.valido);
  ASSERT_GE(ruim.mensagens.size(), 2u);
  EXPECT_EQ(ruim.mensagens[0], "Recebido XML com erros do KVT:[10.1.1.1]");
  EXPECT_EQ(ValidaXML("<a/>", "localhost").mensagens, std::vector<std::string>{"Enviado XML válido para KVT"_cp});
  EXPECT_EQ(ValidaXML("<a>", "Localhost").mensagens, std::vector<std::string>{"Gerado XML com erros no Cliente"});
}

// ------------------------------------------------------------------- log-in

TEST(LoginCliente, DocumentAsSent) {
  EXPECT_EQ(DocumentoLogin("ADMIN", "SENHA", true, 42, "02/01/2024 03:04:05"),
            "<Telecomando> <CodMsg>-27</CodMsg><DataHoraEmissao>02/01/2024 03:04:05</DataHoraEmissao>"
            "<LoginOperador>ADMIN</LoginOperador><Senha>SENHA</Senha> <UltimoTeleEventoProcessado> 42 "
            "</UltimoTeleEventoProcessado></Telecomando> ");
  EXPECT_EQ(DocumentoLogin("A", "B", false, 42, "x"),
            "<Telecomando> <CodMsg>-27</CodMsg><DataHoraEmissao>x</DataHoraEmissao>"
            "<LoginOperador>A</LoginOperador><Senha>B</Senha></Telecomando> ");
}

TEST(LoginCliente, ReplyCheck) {
  struct Caso {
    const char* corpo;
    bool logado;
    std::optional<int> ultimo;
    const char* nome;
  };
  const std::vector<Caso> casos = {
      {"<codmsg> -58 </codmsg> <nomeoperador> Ana </nomeoperador> <stslogin> 0 </stslogin>", true, {}, "Ana"},
      {"<codmsg> -58 </codmsg> <nomeoperador> Ana </nomeoperador> <stslogin> 1 </stslogin>", false, {}, "Ana"},
      {"<codmsg> -58 </codmsg> <nomeoperador>Ana</nomeoperador>", false, {}, "Ana"},  // no status: -1
      {"<codmsg> -40 </codmsg> <stslogin> 0 </stslogin>", false, {}, ""},
      {"<codmsg> x </codmsg> <stslogin> 0 </stslogin>", false, {}, ""},
      {"<codmsg> -58 </codmsg> <stslogin> zero </stslogin>", false, {}, ""},
      // the last event is taken even when the document is no log-in reply
      {"<ultimoteleeventoprocessado> 812 </ultimoteleeventoprocessado> <codmsg> 1 </codmsg>", false, 812, ""},
      {"<ultimoteleeventoprocessado> x </ultimoteleeventoprocessado> <codmsg> -58 </codmsg> <stslogin>0</stslogin>",
       false, {}, ""},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.corpo);
    const auto doc = parse(std::string("<teleevento>") + c.corpo + "</teleevento>");
    const VerificacaoLogin v = VerificaRespostaLogin(doc.root());
    EXPECT_EQ(v.logado, c.logado);
    EXPECT_EQ(v.ultimoTeleEvento, c.ultimo);
    EXPECT_EQ(v.nomeOperador, c.nome);
  }
}

// ------------------------------------------------------------------ sending

TEST(TextoEnvio, CutsEveryDocumentInLowerCase) {
  TextoEnvio t;
  t.acrescenta(
      "<?xml version=\"1.0\"?>\r\n<Telecomando>\r\n  <CodMsg>-1</CodMsg>\r\n</Telecomando>\r\n"
      "<Telecomando><CodMsg>-2</CodMsg></Telecomando><Telecomando><CodMsg>-4</CodMsg></Telecomando>\r\n");
  std::vector<std::string> docs;
  while (t.temDocumento()) {
    const PedacoEnvio p = t.proximo();
    ASSERT_EQ(p.tipo, PedacoEnvio::Tipo::Documento);
    docs.push_back(p.texto);
  }
  // a document that follows another without a separator is not lost
  EXPECT_EQ(docs, (std::vector<std::string>{"<telecomando>\r\n  <codmsg>-1</codmsg>\r\n</telecomando>",
                                            "<telecomando><codmsg>-2</codmsg></telecomando>",
                                            "<telecomando><codmsg>-4</codmsg></telecomando>"}));
  EXPECT_EQ(t.proximo().tipo, PedacoEnvio::Tipo::Fim);
}

TEST(TextoEnvio, OpeningWithoutClosingEndsTheText) {
  TextoEnvio t;
  t.acrescenta("<telecomando><a>1</a></telecomando> <telecomando><b>" + std::string(500, 'x'));
  EXPECT_EQ(t.proximo().tipo, PedacoEnvio::Tipo::Documento);
  const PedacoEnvio p = t.proximo();
  EXPECT_EQ(p.tipo, PedacoEnvio::Tipo::Incompleto);
  EXPECT_EQ(p.restante.size(), 400u);
  EXPECT_EQ(p.restante.rfind("<telecomando><b>", 0), 0u);
  EXPECT_FALSE(t.temDocumento());
}

// ------------------------------------------------------------ KVTCLIENT.LOG

TEST(LogCliente, AppendsStopsAtZeroAndStartsAfreshAboveTheSize) {
  test::TempDir dir;
  const std::string log = dir.file("KVTCLIENT.LOG");
  ASSERT_TRUE(GravaLogCliente(log, 1, "um"));
  ASSERT_TRUE(GravaLogCliente(log, 1, std::string("dois\0tres", 9)));
  EXPECT_EQ(test::readFile(log), "umdois");
  // exactly the limit is kept; one byte more starts the file afresh
  test::writeFile(log, std::string(1048576, 'a'));
  ASSERT_TRUE(GravaLogCliente(log, 1, "b"));
  EXPECT_EQ(test::readFile(log).size(), 1048577u);
  ASSERT_TRUE(GravaLogCliente(log, 1, "novo"));
  EXPECT_EQ(test::readFile(log), "novo");
  EXPECT_FALSE(GravaLogCliente(dir.file("nao/existe/KVTCLIENT.LOG"), 1, "x"));
}
