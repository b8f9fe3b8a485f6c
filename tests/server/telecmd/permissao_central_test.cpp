#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text/cp1252.h"
#include "server/telecmd/tele_cmd.h"
#include "tests/server/telecmd/ambiente_telecmd.h"

using namespace kvt;
using namespace kvt::text::literals;
using kvt::telecmd::PedidoTeleCmd;
using kvt::telecmd::Tratador;
using kvt::test::AmbienteTeleCmd;
using kvt::test::documento;

namespace {

struct PermissaoFixture : ::testing::Test {
  AmbienteTeleCmd amb{"1,92,106,130"};
  int cliente = -1;
  std::vector<std::int32_t> enviados;  // codes that reached the vehicle handlers

  void SetUp() override {
    cliente = amb.canal.conecta("Sim");
    for (Tratador t : {Tratador::EnviaComandoVeiculo, Tratador::ConfiguraMensagensFormatadas,
                       Tratador::EnviaMensagemFormatada})
      amb.teleCmd->DefineTratador(t, [this](const PedidoTeleCmd& p) {
        enviados.push_back(p.CodMsg);
        return true;
      });
  }

  void comunicacao(int valor) { amb.executa("UPDATE tcontadorgenerico SET valor = " + std::to_string(valor) + " WHERE nomeCont = 'ComunicacaoDaCentral'"); }
  void configurado(int terminal, int opcao, const std::string& origem) {
    amb.executa("INSERT INTO tConfigCentral (IdTerminal, idopcaoconfig, IpCentralOrigem) VALUES (" +
                std::to_string(terminal) + ", " + std::to_string(opcao) + ", '" + origem + "')");
  }
  void barra(const std::string& origem, const std::string& destino, const std::string& tipo, int codigo) {
    amb.executa("INSERT INTO tCentralDestinoPermissoes (ipcentralorigem, ipcentraldestino, tipomsg, codmsg) VALUES ('" +
                origem + "', '" + destino + "', '" + tipo + "', " + std::to_string(codigo) + ")");
  }
  void comando(const std::string& codMsg, const std::string& terminal) {
    amb.envia(cliente, "<telecomando><codmsg>" + codMsg + "</codmsg><idterminal>" + terminal +
                           "</idterminal><idseqmsg>11</idseqmsg></telecomando>");
  }
  static std::string recusa(const std::string& msg) {
    return documento(" <DataHoraEm> 02/01/2024 03:04:05 </DataHoraEm> <CodMsg> -40</CodMsg>  <Telecomando>  "
                     "</Telecomando>  <MsgErro> " + msg + " </MsgErro>");
  }
  bool permite(std::int32_t codigo, std::int32_t terminal, const std::string& reporta = "N") {
    return amb.permissao->PermissaoCentral(codigo, terminal, reporta);
  }
};

}  // namespace

TEST_F(PermissaoFixture, SwitchedOffCentralRefusesEveryVehicleCommand) {
  comunicacao(0);
  comando("5c", "a0b1");
  comando("1", "a0b1");
  EXPECT_TRUE(enviados.empty());
  EXPECT_EQ(amb.canal.recebido(cliente),
            recusa("Central desativada, nao e permitido o envio do telecomando com [CodMsg] igual a 92 ") +
                recusa("Central desativada, nao e permitido o envio do telecomando com [CodMsg] igual a 1 "));
  EXPECT_NE(amb.log().find("[TFPrincipal.Retorna_Status_Erro_XML] <?xml"), std::string::npos);

  // the silent form used by transmissions
  EXPECT_FALSE(permite(1, 0xA0B1, "N"));
  EXPECT_FALSE(permite(1, 0xA0B1, "s"));
  EXPECT_EQ(amb.canal.recebido(cliente), "");

  // without the counter row the central counts as switched off too
  amb.executa("DELETE FROM tcontadorgenerico");
  EXPECT_FALSE(permite(1, 0xA0B1));
  comunicacao(1);  // no row to update: still off
  EXPECT_FALSE(permite(1, 0xA0B1));
}

TEST_F(PermissaoFixture, VehiclesOfThisCentralAreAlwaysPermitted) {
  configurado(0xA0B2, 0, "10.0.0.5");
  configurado(0xA0B3, 2, "10.0.0.5");
  barra("10.0.0.5", "127.0.0.1", "TC", 92);
  comando("5c", "a0b1");  // no tConfigCentral row
  comando("5c", "a0b2");
  comando("5c", "a0b3");
  EXPECT_EQ(enviados, (std::vector<std::int32_t>{92, 92, 92}));
  EXPECT_EQ(amb.canal.recebido(cliente), "");
}

TEST_F(PermissaoFixture, ServerCentralBarsExactlyTheListedCodes) {
  configurado(0xA0B1, 1, "10.0.0.5");
  barra("10.0.0.5", "127.0.0.1", "TC", 92);
  barra("10.0.0.6", "127.0.0.1", "TC", 1);   // another server central
  barra("10.0.0.5", "127.0.0.2", "TC", 1);   // another destination
  barra("10.0.0.5", "127.0.0.1", "TE", 1);   // another kind of message
  barra("10.0.0.5", "127.0.0.1", "TC", 106);

  comando("5c", "a0b1");
  comando("1", "a0b1");
  comando("6a", "00A0B1");
  EXPECT_EQ(enviados, (std::vector<std::int32_t>{1}));
  const std::string recusas = amb.canal.recebido(cliente);
  EXPECT_EQ(recusas,
            recusa("Telecomando com o [CodMsg] igual a 92 para o [IdTerminal] igual a  41137 nao permitido o envio pela "
                   "Central Servidora !") +
                recusa("Telecomando com o [CodMsg] igual a 106 para o [IdTerminal] igual a  41137 nao permitido o "
                       "envio pela Central Servidora !"));
  EXPECT_TRUE(permite(1, 0xA0B1));
  EXPECT_FALSE(permite(92, 0xA0B1));
  EXPECT_EQ(amb.canal.recebido(cliente), "");  // silent with "N"
}

TEST_F(PermissaoFixture, EmptyServerCentralAddressBarsEveryCode) {
  configurado(0xA0B1, 1, "");
  amb.executa("INSERT INTO tConfigCentral (IdTerminal, idopcaoconfig) VALUES (41138, 1)");  // no address at all
  for (std::int32_t codigo : {1, 2, 92, 106, 130, 255}) {
    EXPECT_FALSE(permite(codigo, 0xA0B1)) << codigo;
    EXPECT_FALSE(permite(codigo, 0xA0B2)) << codigo;
  }
  comando("82", "a0b1");
  EXPECT_TRUE(enviados.empty());
  EXPECT_EQ(amb.canal.recebido(cliente),
            recusa("Telecomando com o [CodMsg] igual a 130 para o [IdTerminal] igual a  41137 nao permitido o envio "
                   "pela Central Servidora !"));
}

TEST_F(PermissaoFixture, NotCheckedForControlCodesNorAfterAnIntakeRefusal) {
  comunicacao(0);
  amb.teleCmd->DefineTratador(Tratador::ListaOperacoes, [this](const PedidoTeleCmd&) {
    enviados.push_back(-2);
    return true;
  });
  amb.envia(cliente, "<telecomando><codmsg>-2</codmsg></telecomando>");
  comando("5", "a0b1");  // refused by TELECMD: only the 307 reply
  EXPECT_EQ(enviados, (std::vector<std::int32_t>{-2}));
  const std::string r = amb.canal.recebido(cliente);
  EXPECT_NE(r.find("<StsEnvio>307</StsEnvio>"), std::string::npos);
  EXPECT_EQ(r.find("Central desativada"), std::string::npos);
}

TEST(SqlTeleCmd, EveryStatementPreparesOnTheEmbeddedCentral) {
  AmbienteTeleCmd amb;
  for (const db::SqlText* sql : {&telecmd::sqlLoginOperador(), &telecmd::sqlComunicacaoDaCentral(),
                                 &telecmd::sqlConfigCentral(), &telecmd::sqlCentralDestinoPermissoes()})
    EXPECT_EQ(db::prepareSqlite(*amb.dbZenthora, sql->sqlite), std::vector<std::string>{}) << sql->sqlite;
}
