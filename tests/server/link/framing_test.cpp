#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "server/link/framing.h"

using kvt::link::CortadorTelecomando;

namespace {

std::vector<std::string> tudo(CortadorTelecomando& c) {
  std::vector<std::string> docs;
  while (auto d = c.ProximoDocumento()) docs.push_back(*d);
  return docs;
}

// The rule written plainly over the whole stream: lower-case ASCII, cut after
// each closing tag, drop blanks and control characters after each document.
std::vector<std::string> referencia(std::string s, std::string& resto) {
  for (char& ch : s)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  std::vector<std::string> docs;
  for (;;) {
    const auto p = s.find("</telecomando>");
    if (p == std::string::npos) break;
    docs.push_back(s.substr(0, p + 14));
    s.erase(0, p + 14);
    std::size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= 0x20) ++i;
    s.erase(0, i);
  }
  resto = s;
  return docs;
}

struct Caso {
  const char* nome;
  std::vector<std::string> pedacos;
  std::vector<std::string> documentos;
  std::string resto;
};

}  // namespace

TEST(CortadorTelecomando, Cases) {
  const std::vector<Caso> casos = {
      {"two documents in one read",
       {"<telecomando><codmsg>1</codmsg></telecomando><telecomando><codmsg>2</codmsg></telecomando>"},
       {"<telecomando><codmsg>1</codmsg></telecomando>", "<telecomando><codmsg>2</codmsg></telecomando>"},
       ""},
      {"split over reads, the tag too",
       {"<Telecomando><CodMsg>-27", "</CodMsg></TELECO", "MANDO>"},
       {"<telecomando><codmsg>-27</codmsg></telecomando>"},
       ""},
      {"upper-case closing tag, accented letters keep their case",
       {"<TeleComando>\xC9 A</TELECOMANDO>"},
       {"<telecomando>\xC9 a</telecomando>"},
       ""},
      {"blanks and control bytes after a document are dropped, inner ones stay",
       {"<t> a\r\n b </telecomando>\r\n\t \x01 <t>x", "</telecomando>  "},
       {"<t> a\r\n b </telecomando>", "<t>x</telecomando>"},
       ""},
      {"bytes before the first tag travel with the first document",
       {"\r\nlixo<telecomando></telecomando>"},
       {"\r\nlixo<telecomando></telecomando>"},
       ""},
      {"an incomplete document stays", {"<telecomando></telecomando> <telecomando><a>"}, {"<telecomando></telecomando>"}, "<telecomando><a>"},
      {"a closing tag with a blank inside is no closing tag", {"<t></telecomando ></ telecomando>"}, {}, "<t></telecomando ></ telecomando>"},
      {"zero bytes pass through", {std::string("<t>\0</telecomando>", 18)}, {std::string("<t>\0</telecomando>", 18)}, ""},
      {"blanks after a document are dropped when they come with the next read as well",
       {"<t>1</telecomando>", "\r\n", " \x1A<t>2</telecomando>"},
       {"<t>1</telecomando>", "<t>2</telecomando>"},
       ""},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nome);
    CortadorTelecomando c;
    std::vector<std::string> docs;
    for (const auto& p : caso.pedacos) {
      c.Acrescenta(p);
      for (auto& d : tudo(c)) docs.push_back(d);
    }
    EXPECT_EQ(docs, caso.documentos);
    EXPECT_EQ(c.Texto(), caso.resto);
  }
}

TEST(CortadorTelecomando, DescartaEmptiesAndTheNextDocumentIsWhole) {
  CortadorTelecomando c;
  c.Acrescenta("<telecomando><a>muito texto</teleco");
  EXPECT_FALSE(c.TemDocumento());
  EXPECT_EQ(c.Descarta(), "<telecomando><a>muito texto</teleco");
  EXPECT_TRUE(c.Vazio());
  // the tag begun before the discard must not complete with new bytes
  c.Acrescenta("mando><telecomando>b</telecomando>");
  EXPECT_EQ(tudo(c), (std::vector<std::string>{"mando><telecomando>b</telecomando>"}));
}

// Random streams, random bytes and random split points: the documents and the
// rest equal those of the plain rule applied to the whole stream, so every
// complete document comes out exactly once and nothing else does.
TEST(CortadorTelecomando, FuzzRandomChunksMatchThePlainRule) {
  std::mt19937 rng(20240506);
  const std::vector<std::string> pecas = {"</telecomando>", "</TELECOMANDO>", "</TeleComando>", "</telecom",
                                          "ando>",          "<telecomando>",  "<codmsg>-27</codmsg>",
                                          " \r\n\t",        "\x1A",           "<"};
  for (int rodada = 0; rodada < 400; ++rodada) {
    std::string fluxo;
    const int partes = std::uniform_int_distribution<int>(1, 60)(rng);
    for (int i = 0; i < partes; ++i) {
      if (rng() % 3 == 0) {
        fluxo += pecas[rng() % pecas.size()];
      } else {
        const int n = std::uniform_int_distribution<int>(0, 40)(rng);
        for (int k = 0; k < n; ++k) fluxo += static_cast<char>(rng() & 0xFF);
      }
    }
    std::string restoEsperado;
    const auto esperados = referencia(fluxo, restoEsperado);

    CortadorTelecomando c;
    std::vector<std::string> obtidos;
    std::size_t pos = 0;
    while (pos < fluxo.size()) {
      const std::size_t n = std::min<std::size_t>(fluxo.size() - pos, std::uniform_int_distribution<std::size_t>(1, 50)(rng));
      c.Acrescenta(std::string_view(fluxo).substr(pos, n));
      pos += n;
      if (rng() % 2) for (auto& d : tudo(c)) obtidos.push_back(d);
    }
    for (auto& d : tudo(c)) obtidos.push_back(d);
    ASSERT_EQ(obtidos, esperados) << "round " << rodada;
    ASSERT_EQ(c.Texto(), restoEsperado) << "round " << rodada;
  }
}

TEST(CortadorTelecomando, ManySmallDocumentsInOneLargeRead) {
  std::string fluxo;
  for (int i = 0; i < 20000; ++i) fluxo += "<telecomando><n>" + std::to_string(i) + "</n></telecomando>\r\n";
  fluxo += "<telecomando>";
  CortadorTelecomando c;
  c.Acrescenta(fluxo);
  const auto docs = tudo(c);
  ASSERT_EQ(docs.size(), 20000u);
  EXPECT_EQ(docs.front(), "<telecomando><n>0</n></telecomando>");
  EXPECT_EQ(docs.back(), "<telecomando><n>19999</n></telecomando>");
  EXPECT_EQ(c.Texto(), "<telecomando>");
}
