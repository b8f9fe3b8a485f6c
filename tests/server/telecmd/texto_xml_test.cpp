#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/text/cp1252.h"
#include "server/telecmd/texto_xml.h"

using namespace kvt;
using namespace kvt::telecmd;
using kvt::text::utf8ToCp1252;

TEST(HexParaInt, ReadsCodesAndTerminalIds) {
  struct Caso {
    const char* texto;
    std::int32_t valor;
  };
  const Caso casos[] = {
      {"5C", 92},          {"5c", 92},          {"6A", 106},       {"E3", 227},
      {"1E", 30},          {"-1A", -26},        {"1g", 16},        {"0", 0},
      {"-", 0},            {"x", 0},            {" 1A", 26},       {"1-1", 257},
      {"--1", -1},         {"00000000000000000001", 1},            {"7FFFFFFF", INT_MAX},
      {"FFFFFFFF", -1},    {"80000000", INT_MIN}, {"-80000000", INT_MIN},
      {"123456789", 0x23456789},  // characters before the last eight add nothing
      {"1FFFFFFFF", -1},   {"-FFFFFFFFF", 1},   {"00A0B1", 0xA0B1},
  };
  for (const Caso& c : casos) {
    const auto v = HexParaInt(c.texto);
    ASSERT_TRUE(v.has_value()) << c.texto;
    EXPECT_EQ(*v, c.valor) << c.texto;
  }
}

TEST(HexParaInt, EmptyTextCannotBeConverted) {
  EXPECT_FALSE(HexParaInt("").has_value());
  EXPECT_FALSE(HexParaNum("").has_value());
  EXPECT_EQ(HexParaInt("").value_or(0), 0);  // what the header reading uses
}

TEST(HexParaNum, HasNoSignRuleAndGivesThe32BitPattern) {
  struct Caso {
    const char* texto;
    std::uint32_t valor;
  };
  const Caso casos[] = {
      {"-1A", 26}, {"FFFFFFFF", 0xFFFFFFFFu}, {"80000000", 0x80000000u}, {"1FFFFFFFF", 0xFFFFFFFFu},
      {"7f", 127}, {"E7", 231},               {"zz", 0},
  };
  for (const Caso& c : casos) {
    const auto v = HexParaNum(c.texto);
    ASSERT_TRUE(v.has_value()) << c.texto;
    EXPECT_EQ(*v, c.valor) << c.texto;
  }
}

TEST(LimpaTextoXML, ReplacesEveryRowOfItsTableOneForOne) {
  struct Caso {
    const char* utf8;
    const char* limpo;
  };
  const Caso casos[] = {
      {"Ação & <Peça>", "Acao e [Peca]"},
      {"ÁÀÃÂÄáàãâä", "AAAAAaaaaa"},
      {"ÉÈÊËéèêë", "EEEEeeee"},
      {"ÍÌÎÏíìîï", "IIIIiiii"},
      {"ÓÕÒÔÖóòõôö", "OOOOOooooo"},
      {"ÚÙÛÜúùûü", "UUUUuuuu"},
      {"ÇçÑñ", "CcNn"},
      {"¹²³£¢¬§ªº°~^´`¨'", "                "},
      {"D'Ávila nº 10", "D Avila n  10"},
      {"Texto sem nada: 0-9 A-Z \"x\" ÿ€", "Texto sem nada: 0-9 A-Z \"x\" ÿ€"},
      {"", ""},
  };
  for (const Caso& c : casos) {
    const std::string entrada = utf8ToCp1252(c.utf8);
    const std::string saida = LimpaTextoXML(entrada);
    EXPECT_EQ(saida, utf8ToCp1252(c.limpo)) << c.utf8;
    EXPECT_EQ(saida.size(), entrada.size()) << c.utf8;
  }
}

TEST(LimpaAcentos, IsTheSameTableWithoutTheAngleBrackets) {
  EXPECT_EQ(LimpaAcentos(utf8ToCp1252("Ação & <Peça>")), "Acao e <Peca>");
  // every one of the 256 bytes maps as in LimpaTextoXML, except < and >
  for (int b = 0; b < 256; ++b) {
    const std::string c(1, static_cast<char>(b));
    if (c == "<" || c == ">") {
      EXPECT_EQ(LimpaAcentos(c), c);
      EXPECT_NE(LimpaTextoXML(c), c);
    } else {
      EXPECT_EQ(LimpaAcentos(c), LimpaTextoXML(c)) << b;
    }
  }
  const std::string corpo = " <Mensagem> " + utf8ToCp1252("Atenção") + " </Mensagem>";
  EXPECT_EQ(LimpaAcentos(corpo), " <Mensagem> Atencao </Mensagem>");
}

TEST(EnvelopaTeleEvento, KeepsTheBlanksOfTheProtocol) {
  EXPECT_EQ(EnvelopaTeleEvento(" <CodMsg> -58 </CodMsg>"),
            "<?xml version=\"1.0\" ?>  <TeleEvento>  <CodMsg> -58 </CodMsg> </TeleEvento>");
  EXPECT_EQ(EnvelopaTeleEvento(""), "<?xml version=\"1.0\" ?>  <TeleEvento>  </TeleEvento>");
}

TEST(EscapaTextoXML, TurnsMarkupIntoEntitiesAndLeavesEverythingElse) {
  EXPECT_EQ(EscapaTextoXML("5c"), "5c");
  EXPECT_EQ(EscapaTextoXML(utf8ToCp1252("João")), utf8ToCp1252("João"));
  EXPECT_EQ(EscapaTextoXML("a&b</IdTerminal><x>"), "a&amp;b&lt;/IdTerminal&gt;&lt;x&gt;");
}
