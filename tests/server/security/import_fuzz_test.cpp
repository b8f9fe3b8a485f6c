// Random target and fence import documents through the processor: nothing
// crashes, everything the client reads is a sequence of well-formed TeleEvento
// documents, every stored coordinate is empty, a marker or canonical, and no
// vehicle holds more targets than its capacity.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/xml/xml_document.h"
#include "server/security/coordinate_text.h"
#include "tests/server/security/ambiente_seguranca.h"
#include "tests/server/security/coordinate_shape.h"

using namespace kvt;
using kvt::test::AmbienteSeguranca;

namespace {

struct Gerador {
  std::mt19937 rng{1717};
  int ate(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  template <std::size_t N>
  const char* um(const char* const (&v)[N]) {
    return v[ate(static_cast<int>(N))];
  }

  std::string coordenada() {
    static const char* const k[] = {"",         " ",        "-23.5",   "23\xB0" "32'51.3\" S", "2332513S", "4637598O",
                                    "-845000",  "ABC",      "0",       "1E3",     "-999.9",  "0503000L",
                                    "12345.6", "&amp;",    "&lt;b&gt;", "9999999999W", "-.5"};
    return um(k);
  }
  std::string texto() {
    static const char* const k[] = {"",    " ",       "Loja",   "Loja",  "Centro", "&amp; &lt;x&gt;", "\xC7" "a",
                                    "Dep\xF3sito", "  Loja ", "N", "A very long name that goes well beyond fifty columns wide"};
    return um(k);
  }
  std::string opcao() {
    static const char* const k[] = {"0", "1", "2", "3", "-1", "", "x", "99999999999"};
    return um(k);
  }

  std::string documento(bool alvos) {
    const std::string item = alvos ? "ALVO" : "CERCA";
    std::string d = std::string("<telecomando><codmsg>") + (alvos ? "-9" : "-10") + "</codmsg>";
    for (int i = ate(3); i > 0; --i) {
      d += "<VEICULO>";
      for (int j = ate(3); j > 0; --j) d += std::string("<IDTERMINAL>") + um({"a", "B", "ff", "", "zz", "0a"}) + "</IDTERMINAL>";
      d += "</VEICULO>";
    }
    for (const char* o : {"ACAONOVOS", "ACAOCADASTRADOS", "ASSOCIACAOALVOSVEICULOS", "IDPERFILDEFINICAO"})
      if (ate(2)) d += std::string("<") + o + ">" + opcao() + "</" + o + ">";
    for (int g = ate(3); g > 0; --g) {
      d += alvos ? "<GRUPOALVO>" : "<GRUPOCERCA>";
      if (ate(3)) d += "<NOMEGRUPO>" + texto() + "</NOMEGRUPO>";
      for (int n = ate(6); n > 0; --n) {
        d += "<" + item + ">";
        if (ate(4)) d += std::string("<NOME") + item + ">" + texto() + "</NOME" + item + ">";
        if (ate(4)) d += "<LATITUDE>" + coordenada() + "</LATITUDE>";
        if (ate(4)) d += "<LONGITUDE>" + coordenada() + "</LONGITUDE>";
        if (ate(3) == 0) d += "<CIDADE>" + texto() + "</CIDADE><UF>" + texto() + "</UF>";
        d += "</" + item + ">";
      }
      d += alvos ? "</GRUPOALVO>" : "</GRUPOCERCA>";
    }
    return d + "</telecomando>";
  }
};

void confereDocumentos(const std::string& recebido, const std::string& enviado) {
  const std::string inicio = "<?xml version=\"1.0\" ?> ";
  std::size_t p = 0;
  while (p < recebido.size()) {
    ASSERT_EQ(recebido.compare(p, inicio.size(), inicio), 0) << enviado;
    auto q = recebido.find(inicio, p + inicio.size());
    if (q == std::string::npos) q = recebido.size();
    xml::Document doc;
    ASSERT_TRUE(doc.parse(recebido.substr(p, q - p))) << recebido.substr(p, q - p) << "\n" << enviado;
    p = q;
  }
}

TEST(ImportacaoAleatoria, NeverBreaksTheRepliesOrTheStoredCoordinates) {
  AmbienteSeguranca amb;
  const int cliente = amb.canal.conecta("Sim");
  amb.executa("INSERT INTO tVeiculo (IdTerminal, IdTransp, IdFrota, Rastreador, Versao) VALUES "
              "(10, 1, 1, 1, '2.0.4'), (11, 2, 2, 3, '3.2.1'), (255, 3, 3, 4, '')");
  Gerador g;
  for (int i = 0; i < 120; ++i) {
    const std::string doc = g.documento(i % 2 == 0);
    amb.envia(cliente, doc);
    confereDocumentos(amb.canal.recebido(cliente), doc);
    if (HasFatalFailure()) return;
  }
  for (const char* sql : {"SELECT Lat_Alvo, Lon_Alvo FROM tAlvo", "SELECT Latitude, Longitude FROM tCerca"}) {
    for (const std::string& linha : amb.linhas(sql)) {
      const auto barra = linha.find('|');
      const std::string lat = linha.substr(0, barra), lon = linha.substr(barra + 1);
      EXPECT_TRUE(lat.empty() || test::formaCanonica(lat)) << lat;
      EXPECT_TRUE(lon.empty() || test::formaCanonica(lon)) << lon;
    }
  }
  EXPECT_EQ(amb.conta("SELECT count(*) FROM (SELECT IdVeiculo FROM tAlvoVeic WHERE IdVeiculo <> 11 "
                      "GROUP BY IdVeiculo HAVING count(*) > 250)"),
            0);
  EXPECT_GT(amb.conta("SELECT count(*) FROM tAlvo"), 0);
  EXPECT_GT(amb.conta("SELECT count(*) FROM tCerca"), 0);
}

}  // namespace
