#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/text/cp1252.h"
#include "platform/text/regional.h"
#include "server/link/channel_statistics.h"
#include "server/link/client_table.h"
#include "server/link/outbound_buffer.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using namespace kvt::text::literals;
using kvt::test::readFile;
using kvt::test::TempDir;
using kvt::test::writeFile;

namespace {

struct Ambiente : ::testing::Test {
  TempDir dir;
  clk::ManualClock relogio{0, {2024, 5, 6, 7, 8, 9, 0}};
  clk::ScopedClock escopo{relogio};
  runtime::tConfiguracao cfg;
  runtime::HistoryList historico;
  std::string ini = dir.file("KORVATEL.INI");
  runtime::LogFiles logs{cfg.log, ini, historico, dir.path().string()};
  void SetUp() override {
    text::setRegional({});
    writeFile(ini, "[KORVATEL]\r\n");
  }
  std::string logTexto() const { return readFile(dir.file("KORVATEL01.log")); }
};

}  // namespace

TEST(EnvelopaTeleEvento, ExactBytes) {
  EXPECT_EQ(link::EnvelopaTeleEvento("<a> 1 </a>"),
            "<?xml version=\"1.0\" ?>  <TeleEvento> <a> 1 </a> </TeleEvento>");
}

using BufferEnvioTest = Ambiente;

TEST_F(BufferEnvioTest, MirrorFollowsTheAppendsAndRestoresUpToEndOfFileMark) {
  {
    link::BufferEnvio b(dir.path().string(), logs);
    b.Incrementa_Buffer_Char_Envio("<a/>");
    b.Incrementa_Buffer_Char_Envio(std::string("<b>\0</b>", 8));
    EXPECT_EQ(b.Conteudo(), std::string("<a/><b>\0</b>", 12));
    EXPECT_EQ(readFile(b.CaminhoArquivo()), b.Conteudo());
    b.DescartaInicio(4);
    EXPECT_EQ(b.Conteudo(), std::string("<b>\0</b>", 8));
    b.LimpaBufferEnvio();
    EXPECT_FALSE(std::filesystem::exists(b.CaminhoArquivo()));
  }
  EXPECT_NE(logTexto().find("[TFPrincipal.Incrementa_Buffer_Char_Envio] inicio"), std::string::npos);
  EXPECT_NE(logTexto().find("[TFPrincipal.LimpaBufferEnvio] Ponto 1\r\n\r\n"
                            "[INFO][06/05/2024 07:08:09][TFPrincipal.LimpaBufferEnvio] Ponto 2\r\n\r\n"
                            "[INFO][06/05/2024 07:08:09][TFPrincipal.LimpaBufferEnvio] Ponto 3\r\n\r\n"
                            "[INFO][06/05/2024 07:08:09][TFPrincipal.LimpaBufferEnvio] Ponto 4"),
            std::string::npos);

  // a restart reads the mirror back; byte 26 ends the text
  writeFile(dir.file("BufferEnvio.txt"), std::string("<x/><y/>\x1A<z/>"));
  link::BufferEnvio b(dir.path().string(), logs);
  b.LeBufferEnvio();
  EXPECT_EQ(b.Conteudo(), "<x/><y/>");
  EXPECT_NE(logTexto().find("[TFPrincipal.LeBufferEnvio] recuperados 8 bytes."), std::string::npos);
}

// The mirror stays open between appends; what happens to its name meanwhile
// decides where the next bytes go, as when every append opened it.
TEST_F(BufferEnvioTest, MirrorAppendsFollowTheNameWhateverHappenedToTheFile) {
  struct Caso {
    const char* nome;
    std::function<void(link::BufferEnvio&, const std::string&)> mexe;
    std::string esperado;
  };
  const Caso casos[] = {
      {"deleted", [](link::BufferEnvio&, const std::string& p) { std::filesystem::remove(p); }, "<b/>"},
      {"rewritten in place", [](link::BufferEnvio&, const std::string& p) { writeFile(p, "outro"); }, "outro<b/>"},
      {"replaced by another file",
       [](link::BufferEnvio&, const std::string& p) {
         writeFile(p + ".novo", "novo");
         std::filesystem::rename(p + ".novo", p);
       },
       "novo<b/>"},
      {"deleted by a flush", [](link::BufferEnvio& b, const std::string&) { b.LimpaBufferEnvio(); }, "<b/>"},
  };
  for (const Caso& c : casos) {
    link::BufferEnvio b(dir.path().string(), logs);
    b.Incrementa_Buffer_Char_Envio("<a/>");
    c.mexe(b, b.CaminhoArquivo());
    b.Incrementa_Buffer_Char_Envio("<b/>");
    EXPECT_EQ(readFile(b.CaminhoArquivo()), c.esperado) << c.nome;
    std::filesystem::remove(b.CaminhoArquivo());
  }
}

TEST_F(BufferEnvioTest, NoMirrorRestoresNothingAndLargeDocumentsFit) {
  link::BufferEnvio b(dir.path().string(), logs);
  b.LeBufferEnvio();
  EXPECT_EQ(b.TamBufferEnvio(), 0);
  EXPECT_EQ(logTexto().find("Ponto 5"), std::string::npos);
  // more than the initial room: the buffer grows, bytes stay whole
  const std::string grande(link::BufferEnvio::kCapacidade + 12345, 'g');
  b.Incrementa_Buffer_Char_Envio("<i/>");
  b.Incrementa_Buffer_Char_Envio(grande);
  EXPECT_EQ(b.Conteudo().size(), grande.size() + 4);
  EXPECT_EQ(b.Conteudo().substr(0, 5), "<i/>g");
  EXPECT_EQ(readFile(b.CaminhoArquivo()).size(), grande.size() + 4);
}

TEST(TabelaClientes, TableOfTenRecordsAndItsTree) {
  link::TabelaClientes t;
  EXPECT_TRUE(t.Inclui("127.0.0.1", 5000, false));
  EXPECT_TRUE(t.Inclui("127.0.0.1", 5001, true));
  EXPECT_TRUE(t.Inclui("10.0.0.9", 5000, false));
  EXPECT_EQ(t.LocalizaCliente("127.0.0.1", 5001), 2);
  EXPECT_EQ(t.LocalizaCliente("127.0.0.2", 5001), -1);
  EXPECT_EQ(t[2].Comunica, "Nao");
  EXPECT_EQ(t[2].IdUsuario, -1);
  EXPECT_EQ(t[2].Operador, "Desconhecido");
  // the last record fills the gap
  EXPECT_TRUE(t.Remove("127.0.0.1", 5000));
  EXPECT_FALSE(t.Remove("127.0.0.1", 5000));
  EXPECT_EQ(t.NumClientes(), 2);
  EXPECT_EQ(t[1].IP, "10.0.0.9");
  t[1].Tentativas = 3;
  const std::vector<link::NoArvoreCliente> arvore = {
      {"[10.0.0.9:5000] Tentativas:3", {"Operador :Desconhecido", "Comunnic :Sim"}},
      {"[127.0.0.1:5001] Tentativas:0", {"Operador :Desconhecido", "Comunnic :Nao"}}};
  EXPECT_EQ(t.Arvore(), arvore);
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(t.Inclui("10.1.1.1", i, false));
  EXPECT_TRUE(t.Cheia());
  EXPECT_FALSE(t.Inclui("10.1.1.1", 99, false));
  EXPECT_EQ(t.NumClientes(), 10);
}

// ------------------------------------------------------ channel statistics

using EstatisticaTest = Ambiente;

TEST_F(EstatisticaTest, BusyChannelRaisesTheLimitUntilTheRestore) {
  link::ModeloLink modelo;
  link::EstatisticaCanal e(cfg, logs, modelo);
  EXPECT_EQ(modelo.lbAnaliseEstat, "* ainda não processado *"_cp);
  link::TabelaClientes t;
  t.Inclui("127.0.0.1", 1, false);
  t.Inclui("127.0.0.1", 2, false);
  std::vector<std::int32_t> limites, contadores;
  for (int i = 0; i < 9; ++i) {
    t[1].TentativasAcumuladas = 4 * cfg.Contador_Analisar_Estat;  // a = 4: busy
    t[2].TentativasAcumuladas = 1;
    e.Processa_Estatistica_Canal(t);
    EXPECT_EQ(t[1].TentativasAcumuladas, 0);
    EXPECT_EQ(t[2].TentativasAcumuladas, 0);
    limites.push_back(e.LimBufCalculado());
    contadores.push_back(e.ContadorReset());
  }
  EXPECT_EQ(limites, (std::vector<std::int32_t>{98304, 114688, 122880, 126976, 129024, 130048, 130560, 130816, 65536}));
  EXPECT_EQ(contadores, (std::vector<std::int32_t>{9, 8, 7, 6, 5, 4, 3, 2, 10}));
  EXPECT_EQ(e.BufferAnterior(), 0);
  EXPECT_EQ(modelo.lbAnaliseEstat, "O Buffer Definido foi restaurado");
  EXPECT_EQ(modelo.lbLimBuf_calculado, "65536");
  EXPECT_EQ(modelo.lbBufferAnterior, "0");
  EXPECT_EQ(modelo.lbContadorReset, "10");
  EXPECT_NE(logTexto().find("[TFPrincipal.Processa_Estatistica_Canal] O canal pode estar muito ocupado, o buffer "
                            "calculado foi aumentado de 65536 para 98304"),
            std::string::npos);
}

TEST_F(EstatisticaTest, IdleAndStableSteps) {
  struct Passo {
    std::int32_t tentativas;  // accumulated by the busiest client
    std::int32_t limite, anterior, contadorReset;
    const char* analise;
  };
  // a = accumulated / 20: 0 or 1 idle, 2 or 3 stable, anything else busy
  const std::vector<Passo> passos = {
      {39, 32768, 65536, 9, "O canal pode estar ocioso"},
      {0, 16384, 32768, 8, "O canal pode estar ocioso"},
      {20, 10240, 16384, 7, "O canal pode estar ocioso"},  // 8192 is raised to the minimum
      {0, 10240, 16384, 6, "O canal pode estar ocioso"},   // unchanged: the reference stays
      {40, 10240, 16384, 7, "Configuração estável"},
      {79, 10240, 16384, 8, "Configuração estável"},
      {-80, 13312, 10240, 7, "O canal pode estar muito ocupado"},  // negative counts as busy
  };
  link::ModeloLink modelo;
  link::EstatisticaCanal e(cfg, logs, modelo);
  link::TabelaClientes t;
  t.Inclui("127.0.0.1", 1, false);
  for (const auto& p : passos) {
    SCOPED_TRACE(p.tentativas);
    t[1].TentativasAcumuladas = p.tentativas;
    e.Processa_Estatistica_Canal(t);
    EXPECT_EQ(e.LimBufCalculado(), p.limite);
    EXPECT_EQ(e.BufferAnterior(), p.anterior);
    EXPECT_EQ(e.ContadorReset(), p.contadorReset);
    EXPECT_EQ(modelo.lbAnaliseEstat, text::utf8ToCp1252(p.analise));
    EXPECT_EQ(modelo.lbBufferAnterior, std::to_string(p.anterior));
  }
}

TEST_F(EstatisticaTest, CountdownOfSuccessfulFlushes) {
  struct Caso {
    std::int32_t analisar;
    int envios;
    int analises;
  };
  // an analysis when the countdown reaches 1; with 1 it goes to 0 and below and never runs
  for (const Caso& c : std::vector<Caso>{{20, 19, 1}, {20, 18, 0}, {20, 38, 2}, {3, 6, 3}, {1, 50, 0}, {0, 50, 0}}) {
    SCOPED_TRACE(c.analisar);
    cfg.Contador_Analisar_Estat = c.analisar;
    link::ModeloLink modelo;
    link::EstatisticaCanal e(cfg, logs, modelo);
    link::TabelaClientes t;
    t.Inclui("127.0.0.1", 1, false);
    int analises = 0;
    for (int i = 0; i < c.envios; ++i) {
      t[1].TentativasAcumuladas = 1000;  // reset by each analysis
      e.ContaEnvioBemSucedido(t);
      if (t[1].TentativasAcumuladas == 0) ++analises;
    }
    EXPECT_EQ(analises, c.analises);
    EXPECT_EQ(modelo.lbContadorEstat, std::to_string(e.ContadorEstat()));
  }
}
