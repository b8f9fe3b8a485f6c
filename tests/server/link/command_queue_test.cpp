#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "central/central.h"
#include "platform/db/db.h"
#include "server/link/command_queue.h"
#include "tests/server/link/link_env.h"

using namespace kvt;
using namespace kvt::test;

namespace {

struct Executado {
  std::string documento, ip;
  std::int32_t porta;
  friend bool operator==(const Executado&, const Executado&) = default;
};

// A queue on a fresh embedded central. `reinicia` stands for a restart: a new
// queue object on the same tables.
struct FilaTest : ::testing::Test {
  TempDir dir;
  central::CentralFiles files = central::createCentral(dir.file("central"));
  std::unique_ptr<db::Connection> conexao = db::Connection::open(files.urlZenthora);
  runtime::tConfiguracao cfg;
  runtime::EstadoServidor estado;
  runtime::HistoryList historico;
  runtime::LogFiles logs{cfg.log, dir.file("KORVATEL.INI"), historico, dir.path().string()};
  link::TabelaClientes clientes;
  std::vector<Executado> executados;
  std::function<void(const Executado&)> aoExecutar;  // what the processor does besides recording
  std::unique_ptr<link::FilaComandos> fila;

  void SetUp() override {
    text::setRegional({});
    reinicia();
  }
  void reinicia() {
    fila = std::make_unique<link::FilaComandos>(*conexao, estado, logs, clientes,
                                                [this](const std::string& d, const std::string& ip, std::int32_t p) {
                                                  executados.push_back({d, ip, p});
                                                  if (aoExecutar) aoExecutar(executados.back());
                                                });
  }
  std::vector<std::int32_t> fila_() {
    db::Statement st(*conexao, "select NroSeq from tFilaComandoKVT order by NroSeq");
    st.open();
    std::vector<std::int32_t> v;
    for (; !st.eof(); st.next()) v.push_back(st.field("NroSeq").asInt());
    return v;
  }
  std::vector<std::int32_t> marcador() {
    db::Statement st(*conexao, "select NroSeq from tNroSeqComandoKVT");
    st.open();
    std::vector<std::int32_t> v;
    for (; !st.eof(); st.next()) v.push_back(st.field("NroSeq").asInt());
    return v;
  }
  std::string logTexto() { return readFile(dir.file("KORVATEL01.log")); }
};

const std::string kLogin = "<telecomando><codmsg>-27</codmsg><loginoperador>ana</loginoperador></telecomando>";
std::string pedido(int n) { return "<telecomando><codmsg>-" + std::to_string(n) + "</codmsg></telecomando>"; }

}  // namespace

TEST_F(FilaTest, EveryStatementPreparesOnTheEmbeddedCentral) {
  const std::vector<std::string> textos = {
      link::sqlInsereComandoBanco(3).sqlite, link::sqlRetiraComandoBanco(3).sqlite,
      link::sqlUpdateNroSeqComando(7).sqlite, "select NroSeq from tNroSeqComandoKVT",
      "delete from tFilaComandoKVT where NroSeq = :NroSeq"};
  for (const auto& t : textos) EXPECT_EQ(db::prepareSqlite(*conexao, t), std::vector<std::string>{}) << t;
  // and the SQL Server texts are the central's own
  EXPECT_EQ(link::sqlInsereComandoBanco(3).mssql,
            "insert into tFilaComandoKVT (XML, IP, Porta, DHEntrada, ModCom) values (:XML, :IP, :Porta, GetDate(),3)");
  EXPECT_EQ(link::sqlRetiraComandoBanco(3).mssql,
            "select NroSeq, XML, IP, Porta\r\nfrom tFilaComandoKVT where ModCom=3 order by NroSeq");
  EXPECT_EQ(link::sqlUpdateNroSeqComando(7).mssql, "update tNroSeqComandoKVT set NroSeq=7");
}

TEST_F(FilaTest, InsertedRowsCarryTheirSenderAndModule) {
  estado.NumModCom = 4;
  fila->InsereComandoBanco(pedido(20), "10.1.2.3", 40001);
  db::Statement st(*conexao, "select XML, IP, Porta, ModCom, DHEntrada from tFilaComandoKVT");
  st.open();
  ASSERT_FALSE(st.eof());
  EXPECT_EQ(st.field("XML").asString(), pedido(20));
  EXPECT_EQ(st.field("IP").asString(), "10.1.2.3");
  EXPECT_EQ(st.field("Porta").asInt(), 40001);
  EXPECT_EQ(st.field("ModCom").asInt(), 4);
  EXPECT_FALSE(st.field("DHEntrada").isNull());
}

TEST(EhDocumentoLogin, RecognisesTheStoredLogInWhateverTheBlanks) {
  struct Caso {
    std::string documento;
    bool login;
  };
  const std::vector<Caso> casos = {
      {"<telecomando><codmsg>-27</codmsg></telecomando>", true},
      {"<telecomando> <codmsg> -27 </codmsg> </telecomando>", true},
      {"<telecomando>\r\n\t<codmsg>\r\n-27\t</codmsg></telecomando>", true},
      {"<?xml version=\"1.0\"?><telecomando><idseqmsg>1</idseqmsg><codmsg>-27</codmsg></telecomando>", true},
      {"<TELECOMANDO><CodMsg>-27</CodMsg></TELECOMANDO>", true},
      {"<telecomando><codmsg>-027</codmsg></telecomando>", true},
      {"<telecomando><codmsg>-1</codmsg><codmsg>-27</codmsg></telecomando>", true},  // the last one counts
      {"<telecomando><codmsg>-27</codmsg><codmsg>-1</codmsg></telecomando>", false},
      {"<telecomando><codmsg>-270</codmsg></telecomando>", false},
      {"<telecomando><codmsg>27</codmsg></telecomando>", false},
      {"<telecomando><codmsg>- 27</codmsg></telecomando>", false},
      {"<telecomando><codmsg></codmsg></telecomando>", false},
      {"<telecomando><x><codmsg>-27</codmsg></x></telecomando>", false},  // not in the header
      {"<telecomando><obs>-27</obs></telecomando>", false},
      {"<telecomando><codmsg>-27</codmsg>", false},  // not a document
      {"lixo<telecomando><codmsg>-27</codmsg></telecomando>", false},
      {"", false},
  };
  for (const auto& c : casos) EXPECT_EQ(link::EhDocumentoLogin(c.documento), c.login) << c.documento;
}

TEST_F(FilaTest, ALogInIsTakenFromAClientNotYetLoggedInAndItsOtherDocumentsWait) {
  clientes.Inclui("127.0.0.1", 5000, true);   // "Nao" until it logs in
  clientes.Inclui("127.0.0.1", 5001, false);  // "Sim"
  fila->InsereComandoBanco(pedido(20), "127.0.0.1", 5000);
  fila->InsereComandoBanco(" <telecomando> <codmsg>  -27 </codmsg> </telecomando>", "127.0.0.1", 5000);
  fila->InsereComandoBanco(pedido(21), "127.0.0.1", 5001);
  fila->InsereComandoBanco(pedido(22), "127.0.0.1", 5999);  // its sender is gone: removed, not run
  estado.NumModCom = 3;
  fila->InsereComandoBanco(pedido(23), "127.0.0.1", 5001);  // another module's row
  estado.NumModCom = 2;
  // the processor's log-in marks the client
  aoExecutar = [&](const Executado& e) {
    if (link::EhDocumentoLogin(e.documento)) clientes[clientes.LocalizaCliente(e.ip, e.porta)].Comunica = "Sim";
  };

  EXPECT_TRUE(fila->tratarTelecmd());
  EXPECT_TRUE(fila->tratarTelecmd());
  EXPECT_TRUE(fila->tratarTelecmd());
  EXPECT_FALSE(fila->tratarTelecmd());
  const std::vector<Executado> esperados = {
      {" <telecomando> <codmsg>  -27 </codmsg> </telecomando>", "127.0.0.1", 5000},
      {pedido(20), "127.0.0.1", 5000},
      {pedido(21), "127.0.0.1", 5001},
  };
  EXPECT_EQ(executados, esperados);
  EXPECT_EQ(fila_().size(), 1u);  // the other module's row
  EXPECT_NE(logTexto().find("[TFPrincipal.RetiraComandoBanco] comando nroseq= 4 removido: o Cliente [127.0.0.1:5999] "
                            "desconectou sem que ele fosse tratado"),
            std::string::npos);
  EXPECT_FALSE(fila->EmProcessamento().has_value());
  EXPECT_NE(logTexto().find("[TFPrincipal.RetiraComandoBanco] vai tratar comando nroseq= 2"), std::string::npos);
  EXPECT_NE(logTexto().find("[TFPrincipal.UpdateNroSeqComando] update comando nroseq= 2"), std::string::npos);
  EXPECT_NE(logTexto().find("[TFPrincipal.RemoveComandoBanco] vai remover comando nroseq= 2"), std::string::npos);
  EXPECT_NE(logTexto().find("[TFPrincipal.VerificaNroSeqComando] verifica comando nroseq= 0 nroseqbanco= 2"),
            std::string::npos);
}

// The server dies while processing a row: after a restart the row is removed
// first and processed once more; if that stops the server again it is gone.
TEST_F(FilaTest, ARowThatStoppedTheServerIsTriedOnceMore) {
  fila->InsereComandoBanco(pedido(1), "127.0.0.1", 5000);
  fila->InsereComandoBanco(pedido(2), "127.0.0.1", 5000);
  clientes.Inclui("127.0.0.1", 5000, false);
  const std::vector<std::int32_t> linhas = fila_();
  ASSERT_EQ(linhas.size(), 2u);
  const std::int32_t primeira = linhas[0];

  aoExecutar = [](const Executado&) { throw std::runtime_error("the server stops here"); };
  EXPECT_THROW(fila->tratarTelecmd(), std::runtime_error);
  EXPECT_EQ(marcador(), std::vector<std::int32_t>{primeira});
  EXPECT_EQ(fila_(), linhas);  // it never finished

  reinicia();  // it stops the server once more
  EXPECT_THROW(fila->tratarTelecmd(), std::runtime_error);
  EXPECT_NE(logTexto().find("vai remover e tentar de novo. nroseq= " + std::to_string(primeira)), std::string::npos);
  EXPECT_EQ(fila_(), std::vector<std::int32_t>{linhas[1]});

  reinicia();
  aoExecutar = nullptr;
  executados.clear();
  EXPECT_TRUE(fila->tratarTelecmd());
  EXPECT_FALSE(fila->tratarTelecmd());
  EXPECT_EQ(executados, (std::vector<Executado>{{pedido(2), "127.0.0.1", 5000}}));  // not a third try
  EXPECT_EQ(marcador(), std::vector<std::int32_t>{linhas[1]});
}

TEST_F(FilaTest, RestartWithTheMarkerOnTheFirstRowRemovesItAndProcessesItOnce) {
  clientes.Inclui("127.0.0.1", 5000, false);
  fila->InsereComandoBanco(pedido(1), "127.0.0.1", 5000);
  fila->InsereComandoBanco(pedido(2), "127.0.0.1", 5000);
  const std::int32_t primeira = fila_()[0];
  fila->UpdateNroSeqComando(primeira);
  reinicia();
  EXPECT_TRUE(fila->tratarTelecmd());
  EXPECT_EQ(executados, (std::vector<Executado>{{pedido(1), "127.0.0.1", 5000}}));
  EXPECT_EQ(marcador(), std::vector<std::int32_t>{primeira});  // the marker stays
  EXPECT_EQ(fila_().size(), 1u);
  EXPECT_TRUE(fila->tratarTelecmd());
  EXPECT_FALSE(fila->tratarTelecmd());
  EXPECT_EQ(executados.size(), 2u);
}

// Once the queue has been emptied, a new row must not take the number of the
// row last processed: that number is the crash marker.
TEST_F(FilaTest, QueueNumbersOnlyGrowSoANewRowIsNeverTakenForOneThatStoppedTheServer) {
  clientes.Inclui("127.0.0.1", 5000, false);
  fila->InsereComandoBanco(pedido(1), "127.0.0.1", 5000);
  const std::int32_t primeira = fila_().at(0);
  EXPECT_TRUE(fila->tratarTelecmd());
  ASSERT_TRUE(fila_().empty());
  fila->InsereComandoBanco(pedido(2), "127.0.0.1", 5000);
  EXPECT_GT(fila_().at(0), primeira);
  EXPECT_TRUE(fila->tratarTelecmd());
  EXPECT_EQ(logTexto().find("vai remover e tentar de novo"), std::string::npos);
  EXPECT_EQ(executados.size(), 2u);
}

TEST_F(FilaTest, OneConnectionCannotQueueMoreThanItsCap) {
  clientes.Inclui("127.0.0.1", 5000, false);
  clientes.Inclui("127.0.0.1", 5001, false);
  fila->LimitaComandosPorConexao(2);
  for (int i = 0; i < 3; ++i) fila->InsereComandoBanco(pedido(i), "127.0.0.1", 5000);
  fila->InsereComandoBanco(pedido(9), "127.0.0.1", 5001);  // another client is not held back
  EXPECT_EQ(fila_().size(), 3u);
  EXPECT_EQ(fila->Aguardando("127.0.0.1", 5000), 2);
  const std::string linha = logTexto();
  EXPECT_NE(linha.find("[ERRO]"), std::string::npos);
  EXPECT_NE(linha.find("[TFPrincipal.InsereComandoBanco] Comando do Cliente [127.0.0.1:5000] descartado: 2 comandos "
                       "aguardando na fila (limite 2)\r\n" + pedido(2)),
            std::string::npos);
  EXPECT_TRUE(fila->tratarTelecmd());  // one of its rows is taken: room for one more
  fila->InsereComandoBanco(pedido(3), "127.0.0.1", 5000);
  EXPECT_EQ(fila->Aguardando("127.0.0.1", 5000), 2);
  while (fila->tratarTelecmd()) {
  }
  const std::vector<Executado> esperados = {{pedido(0), "127.0.0.1", 5000},
                                            {pedido(1), "127.0.0.1", 5000},
                                            {pedido(9), "127.0.0.1", 5001},
                                            {pedido(3), "127.0.0.1", 5000}};
  EXPECT_EQ(executados, esperados);
}

TEST_F(FilaTest, AnEmptyMarkerTableCountsAsZeroAndStaysEmpty) {
  db::Statement(*conexao, "delete from tNroSeqComandoKVT").execute();
  clientes.Inclui("127.0.0.1", 5000, false);
  fila->InsereComandoBanco(pedido(1), "127.0.0.1", 5000);
  EXPECT_FALSE(fila->VerificaNroSeqComando(fila_()[0]));
  EXPECT_TRUE(fila->VerificaNroSeqComando(0));
  EXPECT_TRUE(fila->tratarTelecmd());
  EXPECT_TRUE(marcador().empty());
  EXPECT_EQ(executados.size(), 1u);
}

// From the socket to the processor: documents cut on a connection become rows
// with that connection's address and port, and reach the processor in order.
TEST(FilaComSocket, DocumentsReachTheQueueAndTheProcessorWithTheirConnection) {
  LinkEnv env;
  const auto files = central::createCentral(env.dir.file("central"));
  auto conexao = db::Connection::open(files.urlZenthora);
  env.cria();
  std::vector<Executado> executados;
  link::FilaComandos fila(*conexao, env.estado, *env.logs, env.link->Clientes(),
                          [&](const std::string& d, const std::string& ip, std::int32_t p) {
                            executados.push_back({d, ip, p});
                          });
  env.insere = [&](const std::string& d, const std::string& ip, std::int32_t p) { fila.InsereComandoBanco(d, ip, p); };
  auto a = env.conectaQt();
  auto b = env.conectaQt();
  a->envia("<TELECOMANDO><CODMSG>-20</CODMSG></TELECOMANDO>\r\n<telecomando><codmsg>-21");
  giraLoop();
  b->envia("<telecomando><codmsg>-22</codmsg></telecomando>");
  giraLoop();
  a->envia("</codmsg></telecomando>");
  ASSERT_TRUE(esperaAte([&] {
    db::Statement st(*conexao, "select count(*) as n from tFilaComandoKVT");
    st.open();
    return st.field("n").asInt() == 3;
  }));
  while (fila.tratarTelecmd()) {
  }
  const std::vector<Executado> esperados = {
      {"<telecomando><codmsg>-20</codmsg></telecomando>", "127.0.0.1", a->portaLocal()},
      {"<telecomando><codmsg>-22</codmsg></telecomando>", "127.0.0.1", b->portaLocal()},
      {"<telecomando><codmsg>-21</codmsg></telecomando>", "127.0.0.1", a->portaLocal()},
  };
  EXPECT_EQ(executados, esperados);
  EXPECT_TRUE(env.excecoes.empty());
}
