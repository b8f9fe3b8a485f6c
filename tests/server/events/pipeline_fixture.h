#pragma once

// The event road as the server wires it, for the tests of the event passes
// and the delivery: the embedded central, the client link on a real socket,
// the command queue and the telecommand processor behind it, the renderer,
// the visibility list and the passes. Timers are driven by calling their
// handlers; the clock is manual.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "central/central.h"
#include "central/quillon/quillon_sim.h"
#include "platform/clock/clock.h"
#include "platform/crypto/md5.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "platform/text/cp1252.h"
#include "platform/text/regional.h"
#include "server/canal_eventos_link.h"
#include "server/common/lista_veiculo.h"
#include "server/events/event_polling.h"
#include "server/events/post_format.h"
#include "server/events/post_xml.h"
#include "server/link/client_link.h"
#include "server/link/command_queue.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/estado_servidor.h"
#include "server/runtime/log_files.h"
#include "server/runtime/status_model.h"
#include "server/runtime/watchdog.h"
#include "server/telecmd/permissao_central.h"
#include "server/telecmd/resposta_erro.h"
#include "server/telecmd/tele_cmd.h"
#include "tests/support/temp_dir.h"

#include "tests/support/cliente_qt.h"
#include "tests/support/laco_eventos.h"

#include "tests/server/events/central_eventos.h"


namespace kvt::test {

using namespace kvt::text::literals;


using Cliente = test::ClienteQt;

inline std::string documento(const std::string& corpo) { return "<?xml version=\"1.0\" ?>  <TeleEvento> " + corpo + " </TeleEvento>"; }

inline const std::string kLogin =
    "<telecomando><CodMsg>-27</CodMsg><LoginOperador>maria</LoginOperador><Senha>segredo</Senha></telecomando>";

// The event road as the server wires it: the embedded central, the client
// link on a real socket, the command queue and the telecommand processor
// behind it, the renderer, the visibility list and the passes. Timers are
// driven by calling their handlers; the clock is manual.
struct Pipeline : ::testing::Test {
  bool demo = false;
  test::TempDir dir;
  clk::ManualClock relogio{100000, {2024, 6, 11, 10, 20, 30, 0}};
  clk::ScopedClock escopo{relogio};
  central::CentralFiles files;
  std::unique_ptr<db::Connection> dbZenthora, dbBase;
  runtime::tConfiguracao cfg;
  runtime::EstadoServidor estado;
  runtime::StatusModel status;
  runtime::SinalDeVida sinal;
  std::unique_ptr<runtime::LogFiles> logs;
  std::vector<std::string> excecoes;
  std::optional<int> saida;
  // Run just before an event record is rendered and before a queued command
  // reaches the processor (the delivery tests break a client there).
  std::function<void(const std::string& post)> aoRenderizar;
  std::function<void(const std::string& documento)> aoExecutar;

  std::unique_ptr<events::tRenderizadorPost> renderizador;
  std::unique_ptr<link::LinkClientes> link;
  std::unique_ptr<telecmd::RespostaStatusErro> respostas;
  std::unique_ptr<telecmd::tPermissaoCentral> permissao;
  std::unique_ptr<telecmd::tTeleCmd> teleCmd;
  std::unique_ptr<link::FilaComandos> fila;
  std::unique_ptr<common::tListaVeiculo> lista;

  // The seam of the passes, implemented by the link and the queue.
  std::unique_ptr<server::CanalEventosDoLink> canal;
  std::unique_ptr<events::tLeituraEventos> leitura;

  void SetUp() override {
    text::setRegional({});
    central::CentralOptions opcoes;
    opcoes.demo = demo;
    opcoes.port = 0;
    files = central::createCentral(dir.file("central"), opcoes);
    ini::IniFile ini(files.ini);
    runtime::LeChavesLog(ini, cfg);
    runtime::LeChavesKorvatel(ini, cfg);
    runtime::LeChavesControle(ini, cfg);
    cfg.TELEEVT = ",32,";
    cfg.SolicitaLogin = true;
    cfg.ListaTeleCmdPermitidos = "-27,-29,-30,-31,-32";
    dbZenthora = db::Connection::open(files.urlZenthora);
    dbBase = db::Connection::open(files.urlBase);
    exec("insert or replace into tToken (IdToken, NomeToken, TipoToken) values (5, 'CodMsg', '1'), "
         "(6, 'DataHoraEm', '1'), (33, 'IdTerminal', '1'), (38, 'Texto', '1'), (39, 'IdStatus', '1'), "
         "(40, 'StsEnvio', '1'), (42, 'Velocidade', '1'), (164, 'CallProgress', '1'), (176, 'IP', '1'), "
         "(177, 'Porta', '1'), (227, 'OperadoraCelular', '1')");
    db::Statement usuario(*dbZenthora, std::string("insert into tUsuario (Login, Nome, Senha, Status, HabKVT) "
                                                   "values ('MARIA', 'Maria', :Senha, 1, 1)"));
    usuario.bindBinary("Senha", crypto::md5("SEGREDO")).execute();
    exec("insert or ignore into tVeiculo (IdTerminal) values (6699), (6700)");
    exec("insert into tUsuarioVeiculo (idUsuario, IdTerminal) "
         "select idUsuario, 6699 from tUsuario where Login = 'MARIA'");
  }
  void TearDown() override {
    leitura.reset();
    link.reset();
    QCoreApplication::processEvents();
  }

  void cria() {
    logs = std::make_unique<runtime::LogFiles>(cfg.log, files.ini, status.lberro, dir.path().string());
    renderizador = std::make_unique<events::tRenderizadorPost>(dbZenthora.get(), events::registroInformativo(*logs));
    renderizador->CarregaTokens();
    link::OpcoesLink op;
    op.iniPath = files.ini;
    op.pastaBuffer = dir.path().string();
    op.guarda = [this](const std::function<void()>& f) {
      try {
        f();
      } catch (const std::exception& e) {
        excecoes.push_back(e.what());
      }
    };
    op.insereComando = [this](const std::string& d, const std::string& ip, std::int32_t porta) {
      fila->InsereComandoBanco(d, ip, porta);
    };
    op.post2xml = [this](const std::string& post) {
      if (aoRenderizar) aoRenderizar(post);
      return renderizador->Post2XML(post);
    };
    link = std::make_unique<link::LinkClientes>(cfg, estado, *logs, op);
    respostas = std::make_unique<telecmd::RespostaStatusErro>(*link, *logs);
    permissao = std::make_unique<telecmd::tPermissaoCentral>(*dbZenthora, *respostas);
    teleCmd = std::make_unique<telecmd::tTeleCmd>(
        telecmd::tTeleCmd::Dependencias{*link, cfg, estado, status, *logs, *dbZenthora, *respostas, *permissao});
    fila = std::make_unique<link::FilaComandos>(
        *dbZenthora, estado, *logs, link->Clientes(),
        [this](const std::string& d, const std::string& ip, std::int32_t porta) {
          if (aoExecutar) aoExecutar(d);
          teleCmd->ExecutaTeleCmd(d, ip, porta);
        });
    canal = std::make_unique<server::CanalEventosDoLink>(*link, *fila);
    lista = std::make_unique<common::tListaVeiculo>(*dbZenthora);
    leitura = std::make_unique<events::tLeituraEventos>(events::DependenciasLeitura{
        cfg, estado, *logs, sinal, files.ini, *dbBase, *dbZenthora, *lista, *canal, [this](int c) { saida = c; }});
    ASSERT_TRUE(link->Ativa(QHostAddress::LocalHost, 0));
  }

  std::unique_ptr<Cliente> conecta() {
    auto c = std::make_unique<Cliente>();
    const int antes = link->NumConexoes();
    c->conecta(link->PortaEscuta());
    EXPECT_TRUE(esperaAte([&] { return link->NumConexoes() == antes + 1 && c->socket.state() == QAbstractSocket::ConnectedState; }));
    return c;
  }
  int fila_() { return conta(*dbZenthora, "select count(*) from tFilaComandoKVT"); }
  // Logs the client in through the socket, the queue and the processor, and
  // lets the flush deliver the reply; returns what the client received.
  std::string login(Cliente& c) {
    c.envia(kLogin);
    EXPECT_TRUE(esperaAte([&] { return fila_() == 1; }));
    while (fila_() > 0) leitura->ProcessFromDatabase();
    flush();
    EXPECT_TRUE(esperaAte([&] { return c.recebido.find("<CodMsg> -58 </CodMsg>") != std::string::npos; }));
    giraLoop();
    std::string r = std::move(c.recebido);
    c.recebido.clear();
    return r;
  }
  void ciclo() {
    for (int i = 0; i < 3; ++i) leitura->ProcessFromDatabase();
  }
  link::ResultadoEnvio flush() {
    const auto r = link->Esvazia_Buffer_Envio();
    EXPECT_TRUE(esperaAte([&] { return !estado.EnviandoBuffer; }));
    return r;
  }
  bool recebe(Cliente& c, const std::string& esperado) {
    const bool ok = esperaAte([&] { return c.recebido.size() >= esperado.size(); });
    giraLoop();
    return ok && c.recebido == esperado;
  }

  void exec(const std::string& sql) { db::Statement(*dbZenthora, sql).execute(); }
  void posta(const char* tabela, const std::string& post) { test::postaEvento(*dbBase, tabela, post); }
  int conta(db::Connection& c, const std::string& sql) { return test::contaLinhas(c, sql); }
  std::vector<std::string> comandosPost() { return test::codigosComandoPost(*dbZenthora); }
  std::int32_t ini(const char* chave) { return ini::IniFile(files.ini).readInteger("CONTROLE", chave, -99); }
  std::string log() { return test::readFile(dir.file("KORVATEL01.log")); }
};

}  // namespace kvt::test
