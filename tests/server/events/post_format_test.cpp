#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "central/central.h"
#include "platform/clock/clock.h"
#include "platform/db/db.h"
#include "platform/text/hex_text.h"
#include "platform/xml/xml_document.h"
#include "server/events/post_format.h"
#include "server/events/post_xml.h"
#include "server/runtime/configuracao.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using events::CamposPost;
using events::ObtemCampoPost;

namespace {

using Campos = std::vector<std::pair<std::int32_t, std::string>>;

Campos varre(std::string_view post) {
  Campos campos;
  for (const auto& c : CamposPost(post)) campos.emplace_back(c.id, std::string(c.valor));
  return campos;
}

struct CasoVarredura {
  const char* nome;
  std::string post;
  Campos esperado;
};

TEST(PostScan, YieldsFieldsInOrder) {
  const CasoVarredura casos[] = {
      {"command code", "#5,2,D0", {{0x5, "D0"}}},
      {"line end belongs to the last value", "#1,1,0#7,1,0\r\n", {{0x1, "0"}, {0x7, "0\r\n"}}},
      {"commas and blanks belong to the value", "#26,7,a,b,c d", {{0x26, "a,b,c d"}}},
      {"length is not read", "#21,2,1A2B", {{0x21, "1A2B"}}},
      {"huge length", "#21,4294967296000,1A#5,99999999999999999999,81", {{0x21, "1A"}, {0x5, "81"}}},
      {"empty value", "#21,0,#5,2,81", {{0x21, ""}, {0x5, "81"}}},
      {"lower-case id", "#2e,1,x#2E,1,y", {{0x2E, "x"}, {0x2E, "y"}}},
      {"empty text", "", {}},
      {"does not begin with #", "x#5,2,D0", {}},
      {"blank before #", " #5,2,D0", {}},
      {"lone #", "#", {}},
      {"empty id is skipped", "#,1,x#5,2,D0", {{0x5, "D0"}}},
      {"field cut before its id comma", "#5#21,4,1A2B", {{0x21, "1A2B"}}},
      {"field cut before its length comma", "#5,2#21,4,1A2B", {{0x21, "1A2B"}}},
      {"cut at the end", "#5,2,81#21,2", {{0x5, "81"}}},
      {"empty field", "##5,1,1", {{0x5, "1"}}},
      {"position Post",
       "#5,2,20#21,4,1A2B#4,1,1#2E,13,023 32 45.6 S#2F,13,046 38 12.3 W#30,1,0",
       {{0x5, "20"}, {0x21, "1A2B"}, {0x4, "1"}, {0x2E, "023 32 45.6 S"}, {0x2F, "046 38 12.3 W"}, {0x30, "0"}}},
  };
  for (const auto& c : casos) EXPECT_EQ(varre(c.post), c.esperado) << c.nome;
}

TEST(PostLookup, FindsTheFirstWholeIdWithAValue) {
  struct Caso {
    const char* post;
    const char* id;
    bool encontrado;
    std::string valor;
  };
  const Caso casos[] = {
      {"#58,1,3#5,2,81", "5", true, "81"},          // #58 does not match id 5
      {"#21,0,#5,2,81", "21", false, ""},           // empty value: not found
      {"#5,2,81", "21", false, ""},                 // absent
      {"#2e,1,x", "2E", false, ""},                 // ids are compared as text
      {"#2E,1,x", "2E", true, "x"},
      {"abc#5,2,D0", "5", true, "D0"},              // need not begin with #
      {"#5,2,D0#5,2,D1", "5", true, "D0"},          // the first one
      {"#26,7,a,b,c d", "26", true, "a,b,c d"},
      {"#7,1,0\r\n", "7", true, "0\r\n"},
      {"#21,4", "21", false, ""},                   // no length comma
      {"#21,4#5,2,81", "21", false, ""},            // never reads into the next field
      {"#21#5,2,81", "21", false, ""},
      {"#5,2,81", "", false, ""},
      {"", "5", false, ""},
  };
  for (const auto& c : casos) {
    const auto r = ObtemCampoPost(c.post, c.id);
    EXPECT_EQ(r.encontrado, c.encontrado) << c.post << " / " << c.id;
    EXPECT_EQ(std::string(r.valor), c.valor) << c.post << " / " << c.id;
  }
}

TEST(CommandPost, PauseAndResumeTexts) {
  const text::DateTime quando{2024, 1, 2, 3, 4, 5, 0};
  EXPECT_EQ(events::MontaPostComando("D0", "ModCom02", "Quillon", quando),
            "#1,1,0#2,8,ModCom02#3,7,Quillon#4,1,0#5,2,D0#6,19,02/01/2024 03:04:05#7,1,0\r\n");
  EXPECT_EQ(events::MontaPostComando("D1", "ModCom4", "Base Sul", {2031, 12, 31, 23, 59, 58, 0}),
            "#1,1,0#2,7,ModCom4#3,8,Base Sul#4,1,0#5,2,D1#6,19,31/12/2031 23:59:58#7,1,0\r\n");
}

TEST(CommandPost, WrittenToTheCommandTableOfTheCentral) {
  test::TempDir dir;
  const auto files = central::createCentral(dir.path().string());
  auto dbZenthora = db::Connection::open(files.urlZenthora);
  clk::ManualClock relogio(0, {2024, 7, 8, 9, 10, 11, 0});
  clk::ScopedClock escopo(relogio);
  runtime::tConfiguracao cfg;
  cfg.ID_BASE = 601;
  cfg.NOME_MR = "ModCom03";
  cfg.NOME_BASE = "Quillon";

  events::EnviaPostParar(*dbZenthora, cfg);
  events::EnviaPostRetomar(*dbZenthora, cfg);

  db::Statement qr(*dbZenthora, std::string("select IdBase, ModCom, DHEntrada, Post from tCmdPost order by NumSeq"));
  qr.open();
  ASSERT_EQ(qr.rowCount(), 2u);
  EXPECT_EQ(qr.field("IdBase").asInt(), 601);
  EXPECT_EQ(qr.field("ModCom").asString(), "ModCom03");
  EXPECT_FALSE(qr.field("DHEntrada").asString().empty());
  EXPECT_EQ(qr.field("Post").asString(),
            "#1,1,0#2,8,ModCom03#3,7,Quillon#4,1,0#5,2,D0#6,19,08/07/2024 09:10:11#7,1,0\r\n");
  qr.next();
  EXPECT_EQ(ObtemCampoPost(qr.field("Post").asString(), "5").valor, "D1");
}

TEST(CommandPost, DatabaseErrorReachesTheCaller) {
  test::TempDir dir;
  const auto files = central::createCentral(dir.path().string());
  auto dbZenthora = db::Connection::open(files.urlZenthora);
  db::Statement(*dbZenthora, std::string("drop table tCmdPost")).execute();
  EXPECT_THROW(events::EnviaPost(*dbZenthora, 601, "ModCom02", "#5,2,D0"), db::DbError);
}

// The fields as splitting the text at each "#" gives them: a piece with an id
// before its first "," and a second "," after it is a field.
Campos varreduraSimples(const std::string& post) {
  Campos campos;
  if (post.empty() || post[0] != '#') return campos;
  std::size_t inicio = 1;
  for (;;) {
    const std::size_t fim = std::min(post.find('#', inicio), post.size());
    const std::string peca = post.substr(inicio, fim - inicio);
    const std::size_t v1 = peca.find(','), v2 = v1 == std::string::npos ? v1 : peca.find(',', v1 + 1);
    if (v1 != std::string::npos && v1 > 0 && v2 != std::string::npos)
      campos.emplace_back(*text::HexParaInt(peca.substr(0, v1)), peca.substr(v2 + 1));
    if (fim == post.size()) return campos;
    inicio = fim + 1;
  }
}

// Random bytes, truncated and inflated Posts: the scan stays inside the text
// and yields what splitting it at each "#" gives, the lookup agrees with the
// scan, and the rendered body is always a well-formed document whose elements
// carry the values as written.
TEST(PostScanFuzz, NoInputEscapesTheText) {
  std::mt19937 gerador(20240611);
  const std::string alfabeto = "#,,##0123456789ABCDEFabcdef-^&<> \x01\xB6\xE7\x80";
  const std::string reais[] = {
      "#5,2,20#21,4,1A2B#4,1,1#2E,13,023 32 45.6 S#2F,13,046 38 12.3 W#30,1,0#2A,2,80#26,7,A\x01" "B^&^C<D",
      "#5,2,95#21,3,7F1#38,3,169#3A,4,1234#D5,3,248",
      "#5,2,68#EB,2,12#F0,1,3#3A,16,7FFFFE4120000041",
  };
  events::tRenderizadorPost renderizador;
  auto confere = [&](const std::string& post) {
    const auto campos = CamposPost(post);
    ASSERT_EQ(varre(post), varreduraSimples(post)) << post;
    for (const auto& c : campos) {
      ASSERT_GE(c.valor.data(), post.data());
      ASSERT_LE(c.valor.data() + c.valor.size(), post.data() + post.size());
      ASSERT_EQ(c.valor.find('#'), std::string_view::npos);
    }
    for (const char* id : {"5", "21", "26", "3A", "2E"}) {
      const auto r = ObtemCampoPost(post, id);
      ASSERT_EQ(r.encontrado, !r.valor.empty());
      ASSERT_EQ(r.valor.find('#'), std::string_view::npos);
    }
    const std::string corpo = renderizador.Post2XML(post);
    // A NUL byte passes through as written and ends the parser's text, so the
    // markup is checked on the Posts without one.
    if (post.find('\0') != std::string::npos) return;
    xml::Document doc;
    ASSERT_TRUE(doc.parse("<?xml version=\"1.0\" ?>  <TeleEvento> " + corpo + " </TeleEvento>"))
        << "Post [" << post << "] body [" << corpo << "] " << (doc.errors().empty() ? "" : doc.errors()[0]);
    // every field except the complement has its element, in Post order
    auto e = doc.root().firstChildElement();
    for (const auto& c : campos) {
      if (c.id == 0x3A) continue;
      ASSERT_TRUE(e.valid()) << post;
      ASSERT_EQ(e.name(), "Token" + std::to_string(c.id)) << post;
      // (the parser drops a text of blanks only and turns CR LF into LF)
      const bool soBrancos = c.valor.find_first_not_of(" \t\r\n") == std::string_view::npos;
      if (c.id != 0x26 && !soBrancos && c.valor.find('\r') == std::string_view::npos) {
        ASSERT_EQ(e.rawValue(), " " + std::string(c.valor) + " ") << post;
      }
      e = e.nextSiblingElement();
    }
  };
  for (int i = 0; i < 20000; ++i) {
    std::string post;
    const int tamanho = std::uniform_int_distribution<int>(0, 120)(gerador);
    for (int k = 0; k < tamanho; ++k) {
      if (gerador() % 8 == 0)
        post += static_cast<char>(gerador() % 256);
      else
        post += alfabeto[gerador() % alfabeto.size()];
    }
    if (gerador() % 2) post.insert(0, "#");
    confere(post);
  }
  for (const auto& real : reais) {
    for (std::size_t n = 0; n <= real.size(); ++n) confere(real.substr(0, n));
    std::string inflado = real;
    for (std::size_t p = inflado.find(','); p != std::string::npos; p = inflado.find(',', p + 1)) {
      inflado.insert(p + 1, "9999999999999999999");
      p = inflado.find(',', p + 1);  // the value's comma
      if (p == std::string::npos) break;
    }
    confere(inflado);
  }
}

}  // namespace
