// Random, mutated and truncated documents through the whole intake: nothing
// crashes, a malformed document always gets the syntax reply, and whatever
// goes out is a sequence of well-formed TeleEvento documents.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/xml/xml_document.h"
#include "server/telecmd/tele_cmd.h"
#include "tests/server/telecmd/ambiente_telecmd.h"

using namespace kvt;
using kvt::telecmd::PedidoTeleCmd;
using kvt::telecmd::Tratador;
using kvt::test::AmbienteTeleCmd;
using kvt::test::documento;

namespace {

const std::string kSintaxe = documento(
    " <DataHoraEm> 02/01/2024 03:04:05 </DataHoraEm> <CodMsg> -40</CodMsg>  <MsgErro> Recebido XML com erros. "
    "Verifique sua estrutura e sintaxe </MsgErro>");

std::string todosOsCodigosPares() {
  std::string s;
  for (int c = -40; c <= 300; c += 2) s += std::to_string(c) + ";";
  return s;
}

struct Gerador {
  std::mt19937 rng{20240102};

  int ate(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

  std::string valor() {
    static const char* const kValores[] = {"",        " ",         "-27",       "-1",          "-x",
                                           "5c",      "5C",        "6a",        "1e",          "ffffffff",
                                           "-80000000", "123456789abcdef", "&lt;a&gt;", "&amp;", "<![CDATA[<b>]]>",
                                           "&#233;",  "-",         "0x1b",      "$1b",         "2147483648",
                                           "-2147483649", "00a0b1", "\xe9\xe7",  "]]>",         "1 2"};
    std::string v = kValores[ate(static_cast<int>(std::size(kValores)))];
    if (ate(8) == 0) v += std::string(static_cast<std::size_t>(ate(300)), static_cast<char>('0' + ate(16)));
    return v;
  }

  std::string nome() {
    static const char* const kNomes[] = {"codmsg", "CODMSG", "CodMsg", "idterminal", "IdSeqMsg", "serv_web",
                                         "loginoperador", "senha", "ultimoteleeventoprocessado", "x", "a-b"};
    return kNomes[ate(static_cast<int>(std::size(kNomes)))];
  }

  std::string cabecalho() {
    std::string doc = ate(4) == 0 ? "<outro>" : "<telecomando>";
    const int n = ate(8);
    for (int i = 0; i < n; ++i) {
      const std::string nm = nome();
      if (ate(10) == 0) doc += "<" + nm + "/>";
      else doc += "<" + nm + ">" + valor() + "</" + nm + ">";
    }
    doc += doc.rfind("<outro>", 0) == 0 ? "</outro>" : "</telecomando>";
    return doc;
  }

  std::string bytes() {
    std::string s(static_cast<std::size_t>(ate(200)), '\0');
    for (char& c : s) c = static_cast<char>(ate(256));
    return s;
  }

  std::string mutado(std::string doc) {
    const int n = 1 + ate(4);
    for (int i = 0; i < n && !doc.empty(); ++i) {
      const auto p = static_cast<std::size_t>(ate(static_cast<int>(doc.size())));
      switch (ate(3)) {
        case 0: doc[p] = static_cast<char>(ate(256)); break;
        case 1: doc.erase(p, 1); break;
        default: doc.insert(p, 1, "<>/&;\"'!?"[ate(9)]);
      }
    }
    return doc;
  }
};

// Splits what a client received into documents and checks each one parses
// with a TeleEvento root.
void confereDocumentos(const std::string& recebido, const std::string& enviado) {
  const std::string inicio = "<?xml version=\"1.0\" ?> ";
  std::size_t p = 0;
  while (p < recebido.size()) {
    ASSERT_EQ(recebido.compare(p, inicio.size(), inicio), 0) << enviado;
    auto q = recebido.find(inicio, p + inicio.size());
    if (q == std::string::npos) q = recebido.size();
    xml::Document d;
    ASSERT_TRUE(d.parse(recebido.substr(p, q - p))) << "reply to: " << enviado << "\n" << recebido.substr(p, q - p);
    EXPECT_TRUE(d.root().is("TELEEVENTO"));
    p = q;
  }
}

}  // namespace

TEST(CabecalhoFuzz, RandomAndTruncatedDocumentsAreAlwaysHandled) {
  AmbienteTeleCmd amb(todosOsCodigosPares());
  int tratados = 0;
  for (int i = 1; i < static_cast<int>(Tratador::Quantidade); ++i)
    amb.teleCmd->DefineTratador(static_cast<Tratador>(i), [&](const PedidoTeleCmd& p) {
      ++tratados;
      // handlers read the header they were given, whatever it holds
      (void)p.raiz.child("IDTERMINAL").value();
      return true;
    });
  const int c = amb.canal.conecta("Sim");
  amb.canal.conecta("Nao");
  Gerador g;

  std::vector<std::string> docs;
  for (int i = 0; i < 400; ++i) docs.push_back(g.cabecalho());
  for (int i = 0; i < 200; ++i) docs.push_back(g.mutado(g.cabecalho()));
  for (int i = 0; i < 100; ++i) docs.push_back(g.bytes());
  const std::string valido = "<telecomando><codmsg>-2</codmsg><idterminal>a0b1</idterminal><idseqmsg>1</idseqmsg></telecomando>";
  for (std::size_t n = 0; n < valido.size(); ++n) docs.push_back(valido.substr(0, n));

  for (const std::string& xml : docs) {
    amb.envia(c, xml);
    const std::string recebido = amb.canal.recebido(c);
    xml::Document d;
    if (!d.parse(xml + "\r\n")) {
      EXPECT_EQ(recebido, kSintaxe) << xml;
    } else {
      confereDocumentos(recebido, xml);
    }
    amb.status.lberro.clear();
  }
  // the whole log-in path too: every valid header produced either a handler
  // call, a reply or a silent drop, and the processor is still usable
  EXPECT_GT(tratados, 0);
  amb.envia(c, valido);
  EXPECT_EQ(amb.canal.recebido(c), "");
}

TEST(CabecalhoFuzz, LeCabecalhoOnRandomHeadersNeverFailsTheConversions) {
  AmbienteTeleCmd amb("");
  Gerador g;
  for (int i = 0; i < 500; ++i) {
    xml::Document d;
    const std::string xml = g.cabecalho();
    if (!d.parse(xml)) continue;
    const auto cab = amb.teleCmd->LeCabecalho(d);
    // the retained texts are the trimmed values of the last occurrence
    xml::Element ultimo;
    for (auto e = d.root().firstChildElement(); e; e = e.nextSiblingElement())
      if (e.is("CODMSG")) ultimo = e;
    EXPECT_EQ(cab.CodMsgTexto, ultimo.value()) << xml;
    if (cab.CodMsgTexto.empty()) {
      EXPECT_EQ(cab.CodMsg, 0) << xml;
    }
  }
}
