#include <gtest/gtest.h>

#include "platform/text/cp1252.h"
#include "platform/ini/ini_file.h"
#include "server/runtime/app_exception.h"
#include "tests/support/temp_dir.h"

using namespace kvt::runtime;
using namespace kvt::text::literals;

TEST(AppException, ClassifiesByMessageInOrder) {
  struct Case {
    std::string message;
    bool inicializado;
    bool falhaPorta;
    DestinoErro expected;
  } cases[] = {
      // before start-up completed every error is a connection failure, whatever its text
      {"List index out of bounds (3)", false, false, DestinoErro::FalhaInicializacao},
      {"Access violation at address 0", false, false, DestinoErro::FalhaInicializacao},
      // ... unless the port failed
      {"Access violation at address 0", false, true, DestinoErro::FalhaGrave},
      {"General SQL error.\r\nconnection lost", true, false, DestinoErro::ConexaoPerdida},
      {"Falha de comunicação"_cp, true, false, DestinoErro::ConexaoPerdida},
      {"Falha de conexão com o banco"_cp, true, false, DestinoErro::ConexaoPerdida},
      {"[Microsoft] communication link failure", true, false, DestinoErro::ConexaoPerdida},
      {"Connection closed", true, false, DestinoErro::ConexaoPerdida},
      {"SHUTDOWN is in progress", true, false, DestinoErro::ConexaoPerdida},
      {"cannot perform this operation", true, false, DestinoErro::ConexaoPerdida},
      {"Erro geral de rede", true, false, DestinoErro::ConexaoPerdida},
      // the connection rule is tested before the fault rule, and both before "List index"
      {"Access violation; General SQL error", true, false, DestinoErro::ConexaoPerdida},
      {"Unable to write to KORVATEL01.log", true, false, DestinoErro::FalhaGrave},
      {"List index out of bounds; Access violation", true, false, DestinoErro::FalhaGrave},
      {"List index out of bounds (10)", true, false, DestinoErro::ListaClientes},
      // substring tests are case-sensitive
      {"list index out of bounds", true, false, DestinoErro::FalhaAplicativo},
      {"GENERAL SQL ERROR", true, false, DestinoErro::FalhaAplicativo},
      {"", true, false, DestinoErro::FalhaAplicativo},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ClassificaErro(c.message, c.inicializado, c.falhaPorta), c.expected) << c.message;
}

TEST(AppException, LogTexts) {
  EXPECT_EQ(TextoLogErro(DestinoErro::ConexaoPerdida, "x"),
            "A conex\xE3o com o Servidor SQL foi perdida, o KVT ser\xE1 finalizado com erro !\r\n[x]");
  EXPECT_EQ(TextoLogErro(DestinoErro::FalhaInicializacao, "boom"),
            "Falha na conex\xE3o com o Servidor SQL. Verifique o Driver ODBC.boom");
  EXPECT_EQ(TextoLogErro(DestinoErro::FalhaAplicativo, "boom"), "Ocorreu uma falha no aplicativo. boom");
}

// KORVATEL.INI that cannot be written is the write fault the handler knows:
// it closes both databases and ends the server.
TEST(AppException, AFailedWriteOfTheIniFileIsAWriteFault) {
  kvt::test::TempDir dir;
  const std::string ini = dir.file("sem-pasta/KORVATEL.INI");
  std::string mensagem;
  try {
    kvt::ini::IniFile(ini).writeInteger("CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO", 7);
  } catch (const std::exception& e) {
    mensagem = e.what();
  }
  EXPECT_NE(mensagem.find("Unable to write to " + ini), std::string::npos) << mensagem;
  EXPECT_EQ(kvt::runtime::ClassificaErro(mensagem, true, false), kvt::runtime::DestinoErro::FalhaGrave);
}
