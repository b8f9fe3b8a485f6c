#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "central/central.h"
#include "platform/db/db.h"
#include "platform/text/cp1252.h"
#include "platform/text/hex_text.h"
#include "platform/text/integer_text.h"
#include "platform/text/trim.h"
#include "platform/text/regional.h"
#include "server/events/custom_event.h"
#include "server/events/location.h"
#include "server/events/logistic_complement.h"
#include "server/events/post_format.h"
#include "server/events/post_xml.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using namespace kvt::text::literals;
using namespace std::string_literals;
using events::tRenderizadorPost;

namespace {

// The demo central: its token catalogue names the fields of the usual Posts.
struct RenderFixture : ::testing::Test {
  test::TempDir dir;
  central::CentralFiles files = central::createCentral(dir.path().string(), {.demo = true});
  std::unique_ptr<db::Connection> dbZenthora = db::Connection::open(files.urlZenthora);
  std::vector<std::pair<std::string, std::string>> logs;
  tRenderizadorPost renderizador{dbZenthora.get(), [this](std::string_view r, std::string_view m) {
                                   logs.emplace_back(std::string(r), std::string(m));
                                 }};

  void SetUp() override {
    text::setRegional({});
    exec("delete from tMensagemPre_Zeta");
    exec("insert into tMensagemPre_Zeta (idMsg, idMsgSub, Mensagem) values "
         "(31, 0, 'Entrega '), (31, 1, 'realizada'), (31, 2, 'recusada'), "
         "(30, 0, 'Parada'), (5, 1, 'Sem cabeca'), (5, 2, 'outra'), "
         "(6, 0, 'Ped<ido & '), (6, 1, 'Ok')");
    renderizador.CarregaTokens();
  }
  void exec(const std::string& sql) { db::Statement(*dbZenthora, sql).execute(); }
};

TEST_F(RenderFixture, PositionPostByteForByte) {
  EXPECT_EQ(renderizador.Post2XML("#5,2,20#6,19,11/06/2024 10:20:30#21,4,1A2B#4,1,0#2A,2,80#2E,13,023 32 45.6 S"
                                  "#2F,13,046 38 12.3 W#30,1,0"),
            " <CodMsg> 20 </CodMsg>  <DataHoraEm> 11/06/2024 10:20:30 </DataHoraEm>  <IdTerminal> 1A2B </IdTerminal> "
            " <Velocidade> 80 </Velocidade>  <Latitude> 023 32 45.6 S </Latitude> "
            " <Longitude> 046 38 12.3 W </Longitude>  <PosicaoInvalida> 0 </PosicaoInvalida> ");
}

TEST_F(RenderFixture, FieldsMissingFromTheCatalogueAreNamedByTheirId) {
  exec("delete from tToken");
  renderizador.CarregaTokens();
  EXPECT_EQ(renderizador.Post2XML("#5,2,20#21,4,1A2B#3A,4,0A0B#99,1,x#1FF,1,y"),
            " <Token5> 20 </Token5>  <Token33> 1A2B </Token33>  <Token153> x </Token153>  <Token511> y </Token511> ");
  EXPECT_EQ(renderizador.NomeToken(0x99), "Token153");
}

TEST_F(RenderFixture, TipoTokenOtherThanOneSuppressesTheElement) {
  exec("update tToken set TipoToken = '2' where IdToken = 42");  // Velocidade
  exec("insert into tToken (IdToken, NomeToken, TipoToken) values (1000, 'Longe', '1'), (1001, 'Oculto', '0')");
  renderizador.CarregaTokens();
  EXPECT_EQ(renderizador.Post2XML("#4,1,0#5,2,20#2A,2,80#3E8,1,a#3E9,1,b"),
            " <CodMsg> 20 </CodMsg>  <Longe> a </Longe> ");
  EXPECT_EQ(renderizador.NomeToken(0x4), "");  // TipoToken '0' in the demo
  EXPECT_EQ(renderizador.RenderizaCampo(0x2A, "80"), "");
}

TEST_F(RenderFixture, CatalogueFromTheStartUpQuery) {
  db::Statement qrToken(*dbZenthora, events::sqlCatalogoTokens());
  qrToken.open();
  tRenderizadorPost outro;
  outro.CarregaTokens(qrToken);
  EXPECT_EQ(outro.NomeToken(0x21), "IdTerminal");
  EXPECT_FALSE(qrToken.eof());  // left on its first row for others to read
}

TEST_F(RenderFixture, FreeTextDecoding) {
  struct Caso {
    std::string valor, esperado;
  };
  const Caso casos[] = {
      {"A\x01" "B^&^C<D", "A#B &amp; C&lt;D"},
      {"Ação^¶"_cp, "Acao ^"},
      {"&amp;^&lt;", "&amp;amp; &amp;lt;"},
      {"Ônibus às 7h^(ok)"_cp, "Onibus as 7h (ok)"},
      {"", ""},
  };
  for (const auto& c : casos)
    EXPECT_EQ(renderizador.Post2XML("#26," + std::to_string(c.valor.size()) + "," + c.valor),
              " <Texto> " + c.esperado + " </Texto> ")
        << c.valor;
}

TEST(LimpaTextoEvento, FoldTable) {
  struct Caso {
    std::string de, para;
  };
  const Caso casos[] = {
      {"ÁÀÃÂÄáàãâä"_cp, "AAAAAaaaaa"},
      {"ÉÈÊËéèêë"_cp, "EEEEeeee"},
      {"ÍÌÎÏíìîï"_cp, "IIIIiiii"},
      {"ÓÕÒÔÖóòõôö"_cp, "OOOOOooooo"},
      {"ÚÙÛÜúùûü"_cp, "UUUUuuuu"},
      {"ÇçÑñ"_cp, "CcNn"},
      {"¹²³£¢¬§ªº°~´`¨'"_cp, "               "},
      {"a&b", "aeb"},
      {"&amp;&lt;&gt;&", "&amp;&lt;egt;e"},
      {"^¶Ýý€"_cp, "^¶Ýý€"_cp},  // outside the table
      {"Av. 7 de Setembro", "Av. 7 de Setembro"},
  };
  for (const auto& c : casos) EXPECT_EQ(events::LimpaTextoEvento(c.de), c.para) << c.de;
}

TEST_F(RenderFixture, PreDefinedMessages) {
  struct Caso {
    int numero;
    std::string texto;  // empty: no pre-defined element
  };
  const Caso casos[] = {
      {248, "Entrega realizada"},  // group 31 has several rows: sub 1, after row 0
      {249, "Entrega recusada"},   // k 1: sub 2
      {250, ""},                   // k 2: sub 3 is missing
      {240, "Parada"},             // group 30 has one row: sub 0 alone
      {40, "Sem cabeca"},          // group 5 without row 0
      {48, "Ped&lt;ido e Ok"},     // catalogue text folded, "<" kept from opening a tag
      {8, ""},                     // no group 1
      {0, ""},
  };
  for (const auto& c : casos) {
    const std::string n = std::to_string(c.numero);
    const std::string generico = " <IdMensagemPre> " + n + " </IdMensagemPre> ";
    const std::string esperado = c.texto.empty() ? generico : " <Texto> " + c.texto + " </Texto> " + generico;
    EXPECT_EQ(renderizador.Post2XML("#D5," + std::to_string(n.size()) + "," + n), esperado) << c.numero;
  }
  exec("insert into tMensagemPre_Zeta (idMsg, idMsgSub, Mensagem) values (31, 3, 'a <b>')");
  renderizador.CarregaMensagensPre();
  EXPECT_EQ(renderizador.ElementoMensagemPre(250), " <Texto> Entrega a &lt;b> </Texto> ");
  EXPECT_EQ(renderizador.ElementoMensagemPre(-8), "");
}

TEST_F(RenderFixture, PreDefinedCatalogueIsReadAtTheFirstMessage) {
  tRenderizadorPost novo(dbZenthora.get());
  novo.CarregaTokens();
  EXPECT_EQ(novo.Post2XML("#D5,3,240"), " <Texto> Parada </Texto>  <IdMensagemPre> 240 </IdMensagemPre> ");
  exec("update tMensagemPre_Zeta set Mensagem = 'Mudou' where idMsg = 30");
  EXPECT_EQ(novo.ElementoMensagemPre(240), " <Texto> Parada </Texto> ");  // read once, not per event
}

TEST_F(RenderFixture, ValuesThatWouldOpenMarkupAreEscaped) {
  EXPECT_EQ(renderizador.Post2XML("#5,2,81#B0,9,10.0&0<1>"), " <CodMsg> 81 </CodMsg>  <IP> 10.0&amp;0&lt;1> </IP> ");
  EXPECT_EQ(renderizador.Post2XML("#5,2,92#3A,3,<&>"), " <CodMsg> 92 </CodMsg> <Complemento>&lt;&amp;></Complemento>");
}

TEST_F(RenderFixture, UnreadableDecimalFieldsCountAsZeroAndAreLogged) {
  EXPECT_EQ(renderizador.Post2XML("#5,2,20#4,1,x#D5,2,8a#30,1,1"),
            " <CodMsg> 20 </CodMsg>  <IdMensagemPre> 8a </IdMensagemPre>  <PosicaoInvalida> 1 </PosicaoInvalida> ");
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_EQ(logs[0].first, "TFPrincipal.Post2XML");
  EXPECT_EQ(logs[0].second, "Valor decimal inválido no campo [4] = [x], lido como 0. Post [#5,2,20#4,1,x#D5,2,8a#30,1,1]"_cp);
  EXPECT_NE(logs[1].second.find("campo [D5] = [8a]"), std::string::npos);
  logs.clear();
  renderizador.Post2XML("#4,3,1\r\n");  // a line end after the last value still reads
  EXPECT_TRUE(logs.empty());
}

// The event details, with the real detail objects behind the seams.
struct DetailFixture : RenderFixture {
  std::vector<std::string> listados;
  events::tEvtPersonalizado personalizados{
      events::DefinicoesModuloPorta({{65537, "Temp", "N", 2, "", "Temperatura"}, {65538, "Porta", "N", 3, "", "Porta"}}),
      [](std::int32_t id, std::int32_t sistema) -> std::optional<events::EventoPersonalizado> {
        if (id != 12 || sistema != 3) return std::nullopt;
        return events::EventoPersonalizado{"Abertura", "Alarme", {65537, 65538}};
      },
      nullptr};
  events::tComplementoEvento complementos{nullptr, [this](const std::string& l) { listados.push_back(l); },
                                          [](std::int32_t, std::int32_t) { return std::optional<std::string>(); }};
  events::tLocalizacao localizacao;

  void SetUp() override {
    RenderFixture::SetUp();
    renderizador.detalhes = {&personalizados, &complementos, &localizacao};
  }
};

TEST_F(DetailFixture, CustomEventBlockComesAfterTheFieldsAndLocationLast) {
  const std::string corpo = renderizador.Post2XML("#5,2,68#4,1,1#3A,6,7FFFFE#EB,2,12#F0,1,3#30,1,1");
  EXPECT_EQ(corpo,
            " <CodMsg> 68 </CodMsg>  <IdEvtPersonalizado> 12 </IdEvtPersonalizado> "
            " <SistemaEvtPersonalizado> 3 </SistemaEvtPersonalizado>  <PosicaoInvalida> 1 </PosicaoInvalida> " +
                personalizados.Processa_Evt_Personalizado(12, 3, "7FFFFE") + " <Localizacao> Indefinida </Localizacao> ");
  EXPECT_NE(corpo.find("<Temperatura> 127 </Temperatura><Porta> -2 </Porta>"), std::string::npos);
}

TEST_F(DetailFixture, ComplementAtItsPlace) {
  struct Caso {
    std::string post, esperado;
  };
  const Caso casos[] = {
      {"#5,2,92#3A,4,0A0B#21,1,1", " <CodMsg> 92 </CodMsg> <Complemento>0A0B</Complemento> <IdTerminal> 1 </IdTerminal> "},
      {"#5,2,95#38,1,5#3A,3,1F4", " <CodMsg> 95 </CodMsg>  <EventoLogistico> 5 </EventoLogistico> <Referencia>500</Referencia>"},
      {"#5,2,92#38,1,5#3A,3,1F4",
       " <CodMsg> 92 </CodMsg>  <EventoLogistico> 5 </EventoLogistico> <Complemento>1F4</Complemento><Referencia>500</Referencia>"},
      {"#5,2,95#38,3,113#39,1,0#3A,16,0123456789ABCDEF",
       " <CodMsg> 95 </CodMsg>  <EventoLogistico> 113 </EventoLogistico>  <RastreadorSolar> 0 </RastreadorSolar> "},
      {"#5,2,95#38,2,77#3A,2,FF", " <CodMsg> 95 </CodMsg>  <EventoLogistico> 77 </EventoLogistico> "},
      {"#5,3,092#3A,2,FF", " <CodMsg> 092 </CodMsg> "},  // only the text "92" passes it on
  };
  for (const auto& c : casos) EXPECT_EQ(renderizador.Post2XML(c.post), c.esperado) << c.post;
}

// The body written the plain way, field by field with the public pieces of
// the renderer, for comparison with its own writing.
std::string RenderizacaoDeReferencia(tRenderizadorPost& r, std::string_view post) {
  const auto decimal = [](std::string_view v) { return text::tryParseInt(text::trimRight(v)).value_or(0); };
  std::string corpo, complementoPersonalizado;
  std::string_view codigo, latitude, longitude;
  bool personalizado = false, posicao = false;
  std::int32_t logistico = 0, terminal = 0, solar = 0, idPers = 0, sistemaPers = 0, invalida = 0;
  for (const auto& c : events::CamposPost(post)) {
    switch (c.id) {
      case 0x5:
        codigo = c.valor;
        personalizado = text::HexParaInt(c.valor).value_or(0) == 0x68;
        break;
      case 0x38: logistico = decimal(c.valor); break;
      case 0x21: terminal = text::HexParaInt(c.valor).value_or(0); break;
      case 0x39: solar = decimal(c.valor); break;
      case 0xEB: idPers = decimal(c.valor); break;
      case 0xF0: sistemaPers = decimal(c.valor); break;
      default: break;
    }
    if (c.id == 0x3A) {
      if (personalizado) {
        complementoPersonalizado = c.valor;
        continue;
      }
      if (codigo == "92") {
        std::string valor(c.valor);
        for (std::size_t i = 0; (i = valor.find_first_of("&<", i)) != std::string::npos; i += 2)
          valor.replace(i, 1, valor[i] == '&' ? "&amp;" : "&lt;");
        corpo += "<Complemento>" + valor + "</Complemento>";
      }
      if (r.detalhes.complementos) corpo += r.detalhes.complementos->ComplementoLogistico(logistico, c.valor, terminal, solar);
      continue;
    }
    if (c.id == 0xD5) corpo += r.ElementoMensagemPre(decimal(c.valor));
    if (c.id == 0x4 && decimal(c.valor) == 1) posicao = true;
    if (c.id == 0x2E) latitude = c.valor;
    if (c.id == 0x2F) longitude = c.valor;
    if (c.id == 0x30) invalida = decimal(c.valor);
    corpo += r.RenderizaCampo(c.id, c.id == 0x26 ? events::DecodificaTextoLivre(c.valor) : std::string(c.valor));
  }
  if (personalizado && r.detalhes.personalizados)
    corpo += r.detalhes.personalizados->Processa_Evt_Personalizado(idPers, sistemaPers, complementoPersonalizado);
  if (posicao && r.detalhes.localizacao) corpo += r.detalhes.localizacao->ElementoLocalizacao(invalida, latitude, longitude);
  return corpo;
}

// Random Posts of known, unknown, hidden and long-named fields, values with
// and without markup characters, decimal fields with and without readable
// numbers, and broken fields: the body is the plain rendering, byte for byte,
// and stays so when the renderer is reused and appends to a caller's text.
TEST_F(DetailFixture, BodyIsThePlainRenderingOfEveryField) {
  exec("update tToken set NomeToken = 'QuantidadeDeSatelitesVisiveisNaHora' where IdToken = 49");
  renderizador.CarregaTokens();
  std::mt19937 gerador(20261211);
  const auto sorteia = [&](std::size_t n) { return static_cast<std::size_t>(gerador() % n); };
  const std::string ids[] = {"5",  "6",  "21", "4",  "22", "2A", "2B", "2C", "2E", "2F", "30", "31", "26",  "38",
                             "39", "3A", "D5", "EB", "F0", "B0", "1",  "99", "1FF", "3E8", "2e", "-5", "0021", "FFFFFFFFF"};
  const std::string decimais[] = {"0", "1", "5", "12", "113", "248", "007", " 3", "4 ", "+2", "0x1F", "$10",
                                  "999999999", "2147483648", "1x", "", "-1", "123456789012"};
  const std::string alfabeto = "0123456789ABCDEFabcxyz ,.:/-&<>^\x01"s + "¶çÃé'´~"_cp;
  const auto valorAleatorio = [&] {
    std::string v(sorteia(45), ' ');
    for (char& c : v) c = alfabeto[sorteia(alfabeto.size())];
    return v;
  };
  std::string reutilizado;
  for (int i = 0; i < 3000; ++i) {
    std::string post;
    const std::size_t campos = sorteia(16);
    if (sorteia(4) == 0) post += "#5,2," + std::string(sorteia(2) ? "68" : "92");
    for (std::size_t k = 0; k < campos; ++k) {
      const std::string& id = ids[sorteia(std::size(ids))];
      const bool numero = id == "4" || id == "30" || id == "38" || id == "39" || id == "D5" || id == "EB" || id == "F0";
      const std::string valor = numero && sorteia(4) != 0 ? decimais[sorteia(std::size(decimais))] : valorAleatorio();
      switch (sorteia(20)) {
        case 0: post += "#" + id + "#"; break;       // cut before its commas
        case 1: post += "#," + valor; break;          // no id
        default: post += "#" + id + "," + std::to_string(valor.size()) + "," + valor;
      }
    }
    const std::string esperado = RenderizacaoDeReferencia(renderizador, post);
    ASSERT_EQ(renderizador.Post2XML(post), esperado) << "Post [" << post << "]";
    reutilizado = "antes";
    renderizador.Post2XML(post, reutilizado);
    ASSERT_EQ(reutilizado, "antes" + esperado) << "Post [" << post << "]";
  }
}

TEST_F(DetailFixture, NoLocationWithoutThePositionFlag) {
  EXPECT_EQ(renderizador.Post2XML("#4,1,0#30,1,1#4,1,1#4,1,0"),
            " <PosicaoInvalida> 1 </PosicaoInvalida>  <Localizacao> Indefinida </Localizacao> ");  // stays set
  EXPECT_EQ(renderizador.Post2XML("#4,1,2#30,1,1"), " <PosicaoInvalida> 1 </PosicaoInvalida> ");
}

}  // namespace
