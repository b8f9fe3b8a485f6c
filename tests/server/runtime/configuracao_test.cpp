#include <gtest/gtest.h>

#include "server/runtime/configuracao.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using namespace kvt::runtime;

TEST(Configuracao, ModuleNumberAndEventTables) {
  struct Case {
    const char* nome;
    int num;
    const char* tabela;
    const char* ctrl;
  } cases[] = {
      {"ModCom02", 2, "tEvtPost02", "tEvtPostCtrl02"}, {"ModCom03", 3, "tEvtPost03", "tEvtPostCtrl03"},
      {"ModCom05", 5, "tEvtPost05", "tEvtPostCtrl05"}, {"modcom03", 2, "tEvtPost03", "tEvtPostCtrl03"},
      {"ModCom9", 2, "tEvtPost9", "tEvtPostCtrl9"},    {"MC", 2, "tEvtPost", "tEvtPostCtrl"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NumModComDe(c.nome), c.num) << c.nome;
    EXPECT_EQ(TabelaEventos(c.nome), c.tabela) << c.nome;
    EXPECT_EQ(TabelaEventosCtrl(c.nome), c.ctrl) << c.nome;
  }
}

TEST(Configuracao, DefaultsDerivedValuesAndNegativePositions) {
  test::TempDir dir;
  test::writeFile(dir.file("KORVATEL.INI"),
                  "[KORVATEL]\nSOLICITA_LOGIN=sim\nListaEvtLogistico=1,2\nKORVATEL_PORT=x\n"
                  "[CONTROLE]\nULTIMO_NUM_SEQ_PROCESSADO=-5\nULTIMO_NUM_SEQ_PROCESSADO_CTRL=7\nTIMEOUT=2\n");
  ini::IniFile ini(dir.file("KORVATEL.INI"));
  tConfiguracao cfg;
  LeChavesLog(ini, cfg);
  LeChavesKorvatel(ini, cfg);
  LeChavesControle(ini, cfg);
  EXPECT_TRUE(cfg.SolicitaLogin);
  EXPECT_EQ(cfg.ListaTeleCmdPermitidos, ",-29,-30,-31,-32");
  EXPECT_EQ(cfg.ListaEvtLogistico, "");  // read only when FiltraEvtLogistico is 1
  EXPECT_EQ(cfg.KORVATEL_PORT, 12000);
  EXPECT_EQ(cfg.ULTIMO_NUM_SEQ_PROCESSADO, 2147483647);
  EXPECT_EQ(cfg.ULTIMO_NUM_SEQ_PROCESSADO_CTRL, 7);
  EXPECT_EQ(cfg.TIMEOUT, 2000);
  EXPECT_EQ(cfg.log.Arq_Log_Corrente, 1);
  EXPECT_EQ(cfg.NOME_MR, "ModCom02");
}
