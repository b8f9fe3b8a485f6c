// kvtclient --cli against the real korvatel and quillon-sim on the demo
// central: the program as scripts and the demo run it.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>

#include <cstdio>

#include <sstream>

#include "client/modo_cli.h"
#include "tests/client/korvatel_demo.h"
#include "tests/client/servidor_falso.h"

using namespace kvt;

namespace {

struct Execucao {
  int codigo = -1;
  std::vector<std::string> linhas;
  std::string erros;
};

Execucao executa(const QStringList& args, const std::string& pasta, const QByteArray& entrada = {}) {
  QProcess p;
  p.setWorkingDirectory(QString::fromStdString(pasta));
  p.setProgram(QString::fromStdString((test::binaryDir() / "bin" / "kvtclient").string()));
  p.setArguments(QStringList{"--cli", "--dir", QString::fromStdString(pasta)} + args);
  p.start();
  EXPECT_TRUE(p.waitForStarted(5000));
  if (!entrada.isEmpty()) p.write(entrada);
  p.closeWriteChannel();
  EXPECT_TRUE(p.waitForFinished(60000));
  Execucao e;
  e.codigo = p.exitCode();
  std::istringstream saida(p.readAllStandardOutput().toStdString());
  for (std::string l; std::getline(saida, l);) e.linhas.push_back(l);
  e.erros = p.readAllStandardError().toStdString();
  return e;
}

bool contem(const std::string& s, const std::string& t) { return s.find(t) != std::string::npos; }

}  // namespace

TEST(ModoCliArgs, WrongArgumentsAreRefused) {
  std::string erro;
  EXPECT_FALSE(cliente::LeOpcoesCli({"--cli", "--login", "ADMIN"}, erro));
  EXPECT_EQ(erro, "--login espera USUARIO:SENHA");
  EXPECT_FALSE(cliente::LeOpcoesCli({"--count", "0"}, erro));
  EXPECT_FALSE(cliente::LeOpcoesCli({"--timeout", "x"}, erro));
  EXPECT_FALSE(cliente::LeOpcoesCli({"--port"}, erro));
  EXPECT_FALSE(cliente::LeOpcoesCli({"--bogus"}, erro));
  const auto o = cliente::LeOpcoesCli({"--cli", "--login", "A:b:c", "--send", "x", "--send", "-", "--count", "3",
                                       "--timeout", "1.5"},
                                      erro);
  ASSERT_TRUE(o);
  EXPECT_EQ(*o->operador, "A");
  EXPECT_EQ(o->senha, "b:c");
  EXPECT_EQ(o->envios, (std::vector<std::string>{"x", "-"}));
  EXPECT_EQ(*o->count, 3);
  EXPECT_DOUBLE_EQ(*o->timeout, 1.5);
  EXPECT_EQ(cliente::LinhaDoDocumento("a\r\nb\t\xE3"), "a  b ã");
}

// Against a server on a real socket: exactly N documents are printed even
// when one read brings more, each on one line in the server's letter case.
TEST(ModoCliContagem, StopsAtTheCountEvenInsideOneRead) {
  test::ServidorFalso servidor;
  test::TempDir dir;
  std::string erro;
  auto opcoes = cliente::LeOpcoesCli({"--port", servidor.porta(), "--count", "2"}, erro);
  ASSERT_TRUE(opcoes);
  std::FILE* saida = std::tmpfile();
  std::FILE* erros = std::tmpfile();
  cliente::ModoCli cli(*opcoes, cliente::ConfiguracaoCliente{}, dir.path().string(), saida, erros);
  int codigo = -1;
  QObject::connect(&cli, &cliente::ModoCli::terminou, [&](int c) { codigo = c; });
  cli.inicia();
  ASSERT_TRUE(servidor.esperaConexao());
  servidor.envia(test::teleEvento("<CodMsg> 1 </CodMsg>\r\n<Texto>Linha\tUm</Texto>") +
                 test::teleEvento("<CodMsg> 2 </CodMsg>") + test::teleEvento("<CodMsg> 3 </CodMsg>"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return codigo >= 0; }, 5000));
  EXPECT_EQ(codigo, cliente::kSaidaOk);
  std::rewind(saida);
  std::string impresso(4096, '\0');
  impresso.resize(std::fread(impresso.data(), 1, impresso.size(), saida));
  EXPECT_EQ(impresso, test::teleEvento("<CodMsg> 1 </CodMsg>  <Texto>Linha Um</Texto>") + "\n" +
                          test::teleEvento("<CodMsg> 2 </CodMsg>") + "\n");
  std::fclose(saida);
  std::fclose(erros);
}

TEST(ModoCliE2E, LogsInReceivesTheReplyAndEventsAndSendsFiles) {
  test::KorvatelDemo demo;
  ASSERT_TRUE(demo.inicia()) << demo.log();
  const std::string porta = std::to_string(demo.porta);
  test::writeFile(demo.dir.file("pedido.xml"),
                  "<Telecomando><CodMsg>-999</CodMsg><DataHoraEmissao>x</DataHoraEmissao></Telecomando>\r\n");

  Execucao ok = executa({"--host", "127.0.0.1", "--port", QString::fromStdString(porta), "--login", "ADMIN:admin",
                         "--send", QString::fromStdString(demo.dir.file("pedido.xml")), "--count", "40", "--timeout",
                         "6"},
                        demo.dir.path().string());
  EXPECT_EQ(ok.codigo, 0) << ok.erros;
  ASSERT_FALSE(ok.linhas.empty()) << ok.erros;
  // the -58 reply (it may share the server's flush with events that were
  // waiting), events and the reply to the file's document, one per line, in
  // the server's letter case
  int logins = 0, eventos = 0, respostas = 0;
  for (const std::string& l : ok.linhas) {
    EXPECT_TRUE(contem(l, "<TeleEvento>") && contem(l, "</TeleEvento>")) << l;
    logins += contem(l, "<CodMsg> -58 </CodMsg>") && contem(l, "<StsLogin> 0 </StsLogin>");
    eventos += contem(l, "<IdTerminal>") && contem(l, "<Localizacao>");
    respostas += contem(l, "<CodMsg> -40") && contem(l, "<Telecomando> -999 </Telecomando>");
  }
  EXPECT_EQ(logins, 1);
  EXPECT_GT(eventos, 0);
  EXPECT_EQ(respostas, 1);
  EXPECT_TRUE(contem(ok.erros, "login aceito: Operador [")) << ok.erros;

  Execucao recusado = executa({"--port", QString::fromStdString(porta), "--login", "ADMIN:errada", "--timeout", "2"},
                              demo.dir.path().string());
  EXPECT_EQ(recusado.codigo, 2);
  EXPECT_TRUE(contem(recusado.erros, "não confirmou o login de ADMIN")) << recusado.erros;

  Execucao semServidor = executa({"--port", QString::number(test::portaLivre()), "--timeout", "5"},
                                 demo.dir.path().string());
  EXPECT_EQ(semServidor.codigo, 1);
  EXPECT_TRUE(contem(semServidor.erros, "Falha !! Não foi possível conectar-se ao KVT!")) << semServidor.erros;

  Execucao semArquivo = executa({"--port", QString::fromStdString(porta), "--send", "/nao/existe.xml"},
                                demo.dir.path().string());
  EXPECT_EQ(semArquivo.codigo, 3);
}
