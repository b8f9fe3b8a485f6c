#include "server/events/custom_event.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/text/regional.h"
#include "platform/text/trim.h"
#include "server/events/complement_hex.h"
#include "server/events/typed_complement.h"
#include "server/runtime/history_list.h"
#include "server/runtime/log_files.h"
#include "tests/support/temp_dir.h"

using namespace kvt::events;

namespace {

struct Entrada {
  std::string rotina, mensagem;
  bool operator==(const Entrada&) const = default;
};

struct Registro {
  std::vector<Entrada> entradas;
  RegistroLog sink() {
    return [this](std::string_view r, std::string_view m) { entradas.push_back({std::string(r), std::string(m)}); };
  }
};

const std::string kFalha = ": Complemento no formato incorreto";

}  // namespace

TEST(HexComplemento, DigitsSignAndEmptyText) {
  EXPECT_EQ(HexParaInt("-1A"), -26);
  EXPECT_EQ(HexParaInt("1g"), 16);  // invalid characters count 0
  EXPECT_EQ(HexParaInt("ff"), 255);
  EXPECT_EQ(HexParaNum("-1A"), 26u);
  EXPECT_EQ(HexParaNum("FFFFFFFF"), 4294967295u);
  EXPECT_EQ(HexParaInt("FFFFFFFF"), -1);
  EXPECT_EQ(HexParaNum("123456789"), 0x23456789u);  // only the last eight digits count
  EXPECT_EQ(HexParaNum(""), std::nullopt);
  EXPECT_EQ(HexParaInt(""), std::nullopt);
  EXPECT_EQ(HexParaInt("-"), 0);
  EXPECT_EQ(Pedaco("ABCDEF", 2, 3), "BC");
  EXPECT_EQ(Pedaco("ABCDEF", 5, 9), "EF");
  EXPECT_EQ(Pedaco("ABCDEF", 7, 9), "");
  EXPECT_EQ(Pedaco("ABCDEF", -1, 1), "A");
  EXPECT_EQ(Pedaco("", 1, 2), "");
}

TEST(DecodificadorComplemento, EveryTypeOnItsExamples) {
  kvt::text::setRegional({});
  struct Caso {
    int tipo;
    std::string complemento, valor, resto;
  } casos[] = {
      {1, "80", "-128", ""},
      {1, "7F", "127", ""},
      {1, "FF00", "-1", "00"},
      {2, "7F", "127", ""},
      {2, "ff", "255", ""},
      {3, "FFFE", "-2", ""},
      {3, "8000", "-32768", ""},
      {3, "7FFF", "32767", ""},
      {3, "7F", "127", ""},  // fewer characters than the width: read as they are
      {4, "FFFF", "65535", ""},
      {5, "FFFFFFFF", "-1", ""},
      {5, "00000010", "16", ""},
      {5, "80000000", "-2147483648", ""},
      {6, "FFFFFFFF", "4294967295", ""},
      {7, "41", "65", ""},
      {8, "41200000", "10", ""},
      {8, "C0200000", "-2,5", ""},
      {8, "3DCCCCCD", "0,100000001490116", ""},  // the single's own value
      {8, "7FC00000", "NAN", ""},
      {8, "FF800000", "-INF", ""},
      {8, "4120000", "10", ""},  // a last half pair counts as its digit
      {9, "4024000000000000", "10", ""},
      {9, "C004000000000000", "-2,5", ""},
      {9, "4024000000000000FF", "10", "FF"},
      {10, "01", "1", ""},
      {10, "1FF", "31", "F"},
      {12, "00000000", "00:00:00", ""},
      {12, "00000096", "01:00:00", ""},  // 150 x 24 s
      {12, "00000E10", "00:00:00", ""},  // a whole day
      {12, "00000709", "12:00:24", ""},
      {13, "00000000", "01/01/1970", ""},
      {13, "043B71B8", "01/01/2024", ""},
      {14, "043B6AB0", "01/01/2024", ""},  // midnight: the date alone
      {14, "043B6AB1", "01/01/2024 00:00:24", ""},
      {14, "043B71B8", "01/01/2024 12:00:00", ""},
      {14, "FFFFFFFF", "31/12/1969 23:59:36", ""},  // the sum wraps in 32 bits
      {0, "7F", "", "7F"},
      {11, "7F", "", "7F"},
      {99, "7F", "", "7F"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << "tipo " << c.tipo << " sobre " << c.complemento);
    Registro log;
    std::string resto = c.complemento;
    EXPECT_EQ(DecodificaValor(c.tipo, resto, log.sink()), c.valor);
    EXPECT_EQ(resto, c.resto);
    EXPECT_TRUE(log.entradas.empty());
  }
}

TEST(DecodificadorComplemento, ShortRealsAreLoggedAndStayConsumed) {
  struct Caso {
    int tipo;
    std::string complemento, nome;
  } casos[] = {
      {9, "41200000", "ProcessaComplementoREAL64"},
      {9, "40240000000000", "ProcessaComplementoREAL64"},
      {8, "412000", "ProcessaComplementoREAL32"},
      {8, "4", "ProcessaComplementoREAL32"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.complemento);
    Registro log;
    std::string resto = c.complemento;
    EXPECT_EQ(DecodificaValor(c.tipo, resto, log.sink()), "");
    EXPECT_EQ(resto, "");
    EXPECT_EQ(log.entradas, (std::vector<Entrada>{{"TFPrincipal." + c.nome + kFalha, ""}}));
  }
}

TEST(DecodificadorComplemento, BlankOrEmptyComplementConsumesNothing) {
  for (int tipo = 0; tipo <= 15; ++tipo) {
    for (const std::string vazio : {"", "   ", " \t "}) {
      Registro log;
      std::string resto = vazio;
      EXPECT_EQ(DecodificaValor(tipo, resto, log.sink()), "") << tipo;
      EXPECT_EQ(resto, vazio);
      EXPECT_TRUE(log.entradas.empty());
    }
  }
}

TEST(DecodificadorComplemento, RandomAndShortInputsNeverBreakTheRules) {
  const int larguras[] = {0, 2, 2, 4, 4, 8, 8, 2, 8, 16, 2, 0, 8, 8, 8};
  std::mt19937 gerador(7);
  std::uniform_int_distribution<int> byte(0, 255), tamanho(0, 20), tipo(-1, 15);
  for (int i = 0; i < 20000; ++i) {
    std::string complemento;
    const int n = tamanho(gerador);
    for (int c = 0; c < n; ++c)
      complemento += static_cast<char>(i % 3 ? "0123456789ABCDEFabcdef -"[byte(gerador) % 24] : byte(gerador));
    const int t = tipo(gerador);
    std::string resto = complemento;
    Registro log;
    const std::string valor = DecodificaValor(t, resto, log.sink());
    const std::size_t largura = t >= 0 && t < 15 ? static_cast<std::size_t>(larguras[t]) : 0;
    const bool vazio = kvt::text::trim(complemento).empty();
    // exactly the width (or what was left) is cut from the front
    const std::size_t cortado = vazio ? 0 : std::min(largura, complemento.size());
    ASSERT_EQ(resto, complemento.substr(cortado)) << t;
    ASSERT_LE(log.entradas.size(), 1u);
    if (!log.entradas.empty()) {
      ASSERT_EQ(valor, "");
    }
  }
}

namespace {

DefinicoesModuloPorta definicoes() {
  auto def = [](std::int32_t modulo, std::int32_t porta, std::int32_t tipo, const char* id) {
    DefModuloPorta d;
    d.Modulo_Porta = modulo * 65536 + porta;
    d.TipoCompilador = tipo;
    d.Identificador = id;
    return d;
  };
  return DefinicoesModuloPorta({def(1, 1, 2, "Nivel"), def(1, 2, 3, "Saldo"), def(2, 1, 8, "Temperatura"),
                                def(2, 2, 11, "Reservado"), def(3, 1, 9, "Medida"), def(1, 1, 4, "Duplicada")});
}

EventoPersonalizado evento(std::vector<std::int32_t> chaves) {
  EventoPersonalizado e;
  e.Descricao = "Porta do ba\xFA & tampa";
  e.Tipo = "Alarme";
  for (std::size_t i = 0; i < chaves.size() && i < e.ModuloPorta.size(); ++i) e.ModuloPorta[i] = chaves[i];
  return e;
}

constexpr std::int32_t k(std::int32_t modulo, std::int32_t porta) { return modulo * 65536 + porta; }

struct Personalizado {
  Registro log;
  std::optional<EventoPersonalizado> linha;
  std::vector<std::pair<std::int32_t, std::int32_t>> lidos;
  tEvtPersonalizado processador{definicoes(),
                                [this](std::int32_t id, std::int32_t sistema) {
                                  lidos.emplace_back(id, sistema);
                                  return linha;
                                },
                                log.sink()};
};

const std::string kCabecalho =
    " <DescEvtPersonalizado> Porta do ba\xFA &amp; tampa </DescEvtPersonalizado>"
    " <TipoEvtPersonalizado>   Alarme </TipoEvtPersonalizado>  <Complemento> ";

}  // namespace

TEST(ProcessaEvtPersonalizado, ValuesFollowTheColumnsInOrder) {
  kvt::text::setRegional({});
  Personalizado p;
  p.linha = evento({k(1, 1), k(1, 2), k(2, 1)});
  EXPECT_EQ(p.processador.Processa_Evt_Personalizado(12, 3, "7FFFFE41200000"),
            kCabecalho + "<Nivel> 127 </Nivel><Saldo> -2 </Saldo><Temperatura> 10 </Temperatura> </Complemento> ");
  EXPECT_EQ(p.lidos, (std::vector<std::pair<std::int32_t, std::int32_t>>{{12, 3}}));
  const std::string rotina = "TFPrincipal.Processa_Evt_Personalizado";
  EXPECT_EQ(p.log.entradas, (std::vector<Entrada>{{rotina, "inicio"}, {rotina, "fim"}}));
}

TEST(ProcessaEvtPersonalizado, ConsumptionRules) {
  kvt::text::setRegional({});
  struct Caso {
    const char* nome;
    std::vector<std::int32_t> chaves;
    std::string complemento, elementos;
    int falhas;
  } casos[] = {
      {"complement runs out", {k(1, 1), k(1, 2), k(2, 1), k(1, 1)}, "7FFF",
       // "FF" is what is left for the 16-bit input: 255
       "<Nivel> 127 </Nivel><Saldo> 255 </Saldo><Temperatura>  </Temperatura><Nivel>  </Nivel>", 0},
      {"blanks only", {k(1, 1), k(2, 1), k(3, 1)}, "    ",
       "<Nivel>  </Nivel><Temperatura>  </Temperatura><Medida>  </Medida>", 0},
      {"unknown key is skipped", {k(1, 1), k(1, 2), k(9, 9), k(2, 1)}, "7FFFFE41200000",
       "<Nivel> 127 </Nivel><Saldo> -2 </Saldo><Temperatura> 10 </Temperatura>", 0},
      {"type without decoder", {k(2, 2), k(1, 1)}, "7F", "<Reservado>  </Reservado><Nivel> 127 </Nivel>", 0},
      {"short real then nothing left", {k(3, 1), k(1, 1)}, "41200000", "<Medida>  </Medida><Nivel>  </Nivel>", 1},
      {"first definition of a key wins", {k(1, 1)}, "FFFF", "<Nivel> 255 </Nivel>", 0},
      {"no columns", {}, "7F", "", 0},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    Personalizado p;
    p.linha = evento(c.chaves);
    EXPECT_EQ(p.processador.Processa_Evt_Personalizado(1, 0, c.complemento),
              kCabecalho + c.elementos + " </Complemento> ");
    EXPECT_EQ(static_cast<int>(p.log.entradas.size()) - 2, c.falhas);
  }
}

TEST(ProcessaEvtPersonalizado, EventWithoutRowGivesAnEmptyBlock) {
  Personalizado p;
  EXPECT_EQ(p.processador.Processa_Evt_Personalizado(5, 1, "7FFF"),
            " <DescEvtPersonalizado>  </DescEvtPersonalizado> <TipoEvtPersonalizado>    </TipoEvtPersonalizado> "
            " <Complemento>  </Complemento> ");
}

TEST(ProcessaEvtPersonalizado, FailedConversionReachesTheLogFile) {
  kvt::test::TempDir dir;
  kvt::test::writeFile(dir.file("KORVATEL.INI"), "[KORVATEL]\r\nArq_Log_Corrente=1\r\n");
  kvt::runtime::LogSettings settings;
  kvt::runtime::HistoryList historico;
  kvt::runtime::LogFiles logs(settings, dir.file("KORVATEL.INI"), historico, dir.path().string());
  tEvtPersonalizado processador(definicoes(), [](std::int32_t, std::int32_t) { return evento({k(3, 1)}); },
                                registroInformativo(logs));
  processador.Processa_Evt_Personalizado(1, 1, "40240000");
  const std::string texto = kvt::test::readFile(dir.file("KORVATEL01.log"));
  EXPECT_NE(texto.find("[TFPrincipal.Processa_Evt_Personalizado] inicio\r\n"), std::string::npos);
  EXPECT_NE(texto.find("[TFPrincipal.ProcessaComplementoREAL64: Complemento no formato incorreto] \r\n"),
            std::string::npos);
  EXPECT_NE(texto.find("[TFPrincipal.Processa_Evt_Personalizado] fim\r\n"), std::string::npos);
  EXPECT_EQ(texto.find("[ERRO]"), std::string::npos);
  EXPECT_EQ(historico.size(), 0u);  // never shown
}
