#include "server/events/post_xml.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/text/cp1252.h"
#include "platform/text/integer_text.h"
#include "platform/text/trim.h"
#include "server/events/complement_hex.h"
#include "server/events/post_format.h"

namespace kvt::events {

using namespace kvt::text::literals;

namespace {

constexpr std::int32_t kCampoPosicao = 0x4;
constexpr std::int32_t kCampoCodigo = 0x5;
constexpr std::int32_t kCampoTerminal = 0x21;
constexpr std::int32_t kCampoTextoLivre = 0x26;
constexpr std::int32_t kCampoLatitude = 0x2E;
constexpr std::int32_t kCampoLongitude = 0x2F;
constexpr std::int32_t kCampoPosicaoInvalida = 0x30;
constexpr std::int32_t kCampoNumeroLogistico = 0x38;
constexpr std::int32_t kCampoIndicadorSolar = 0x39;
constexpr std::int32_t kCampoComplemento = 0x3A;
constexpr std::int32_t kCampoMensagemPre = 0xD5;
constexpr std::int32_t kCampoIdEvtPersonalizado = 0xEB;
constexpr std::int32_t kCampoSistemaPersonalizado = 0xF0;
constexpr std::int32_t kEventoPersonalizado = 0x68;

constexpr const char* kRotina = "TFPrincipal.Post2XML";

struct TabelaDobra {
  std::array<char, 256> para{};
  TabelaDobra() {
    for (int i = 0; i < 256; ++i) para[static_cast<std::size_t>(i)] = static_cast<char>(i);
    const std::pair<const std::string&, char> grupos[] = {
        {"&"_cp, 'e'},         {"ÁÀÃÂÄ"_cp, 'A'}, {"áàãâä"_cp, 'a'}, {"ÉÈÊË"_cp, 'E'}, {"éèêë"_cp, 'e'},
        {"ÍÌÎÏ"_cp, 'I'},      {"íìîï"_cp, 'i'},  {"ÓÕÒÔÖ"_cp, 'O'}, {"óòõôö"_cp, 'o'}, {"ÚÙÛÜ"_cp, 'U'},
        {"úùûü"_cp, 'u'},      {"Ç"_cp, 'C'},     {"ç"_cp, 'c'},     {"Ñ"_cp, 'N'},     {"ñ"_cp, 'n'},
        {"¹²³£¢¬§ªº°~´`¨'"_cp, ' '}};
    for (const auto& [de, letra] : grupos)
      for (char c : de) para[static_cast<unsigned char>(c)] = letra;
  }
};

const TabelaDobra& tabelaDobra() {
  static const TabelaDobra tabela;
  return tabela;
}

// "&" and "<" of a value as entity references, appended to `saida`.
void acrescentaEscapado(std::string& saida, std::string_view valor) {
  bool especial = false;
  for (const char c : valor) especial |= (c == '&') | (c == '<');
  if (!especial) {
    saida.append(valor);
    return;
  }
  std::size_t inicio = 0;
  for (std::size_t i = 0; i < valor.size(); ++i) {
    const char c = valor[i];
    if (c != '&' && c != '<') continue;
    saida.append(valor.data() + inicio, i - inicio);
    saida += c == '&' ? "&amp;" : "&lt;";
    inicio = i + 1;
  }
  saida.append(valor.data() + inicio, valor.size() - inicio);
}

// After the fold every "&" left opens "&amp;" or "&lt;"; only a "<" of a
// catalogue text still needs its reference.
void acrescentaMenorEscapado(std::string& saida, std::string_view valor) {
  for (char c : valor) {
    if (c == '<')
      saida += "&lt;";
    else
      saida += c;
  }
}

std::string hexa(std::int32_t id) {
  char texto[16];
  std::snprintf(texto, sizeof texto, "%X", static_cast<unsigned>(id));
  return texto;
}

}  // namespace

std::string LimpaTextoEvento(std::string_view texto) {
  const auto& para = tabelaDobra().para;
  std::string saida;
  saida.reserve(texto.size());
  for (std::size_t i = 0; i < texto.size(); ++i) {
    const char c = texto[i];
    if (c == '&') {
      const std::string_view resto = texto.substr(i);
      const std::size_t ref = resto.starts_with("&amp;") ? 5 : resto.starts_with("&lt;") ? 4 : 0;
      if (ref != 0) {
        saida.append(resto.substr(0, ref));
        i += ref - 1;
        continue;
      }
    }
    saida += para[static_cast<unsigned char>(c)];
  }
  return saida;
}

std::string DecodificaTextoLivre(std::string_view valor) {
  static const char kPilcrow = "¶"_cp[0];
  std::string saida;
  saida.reserve(valor.size() + 16);
  for (char c : valor) {
    switch (c) {
      case '\x01': saida += '#'; break;
      case '&': saida += "&amp;"; break;
      case '<': saida += "&lt;"; break;
      case '^': saida += ' '; break;
      default: saida += c == kPilcrow ? '^' : c;
    }
  }
  return saida;
}

KVT_SQL(sqlCatalogoTokens, "select * from tToken", "select * from tToken");
KVT_SQL(sqlMensagensPreZeta,
        "Select dp.* , (Select count(idMsg) From tmensagempre_zeta Where idMsg=dp.idMsg) As quant\r\n"
        "From tmensagempre_zeta As dp\r\n"
        "Order By dp.idMsg, dp.idMsgSub",
        "Select dp.* , (Select count(idMsg) From tmensagempre_zeta Where idMsg=dp.idMsg) As quant "
        "From tmensagempre_zeta As dp "
        "Order By dp.idMsg, dp.idMsgSub");

tRenderizadorPost::tRenderizadorPost(db::Connection* dbZenthora, RegistroLog log)
    : dbZenthora_(dbZenthora), log_(std::move(log)) {
  CarregaTokens(std::vector<LinhaToken>{});
}

tRenderizadorPost::Etiqueta::Etiqueta(std::string n) : nome(std::move(n)) {
  if (nome.empty()) return;
  abre = " <" + nome + "> ";
  fecha = " </" + nome + "> ";
  if (fecha.size() <= kBloco) {
    std::memcpy(abreBloco.data(), abre.data(), abre.size());
    std::memcpy(fechaBloco.data(), fecha.data(), fecha.size());
    tamAbre = static_cast<std::uint8_t>(abre.size());
    tamFecha = static_cast<std::uint8_t>(fecha.size());
  }
}

char* tRenderizadorPost::reserva(std::size_t n) {
  if (usado_ + n > rascunho_.size()) [[unlikely]]
    cresce(n);
  return rascunho_.data() + usado_;
}

void tRenderizadorPost::cresce(std::size_t n) {
  rascunho_.resize(std::max(rascunho_.size() * 2, usado_ + n + 1024));
}

void tRenderizadorPost::acrescenta(std::string_view texto) {
  std::memcpy(reserva(texto.size()), texto.data(), texto.size());
  usado_ += texto.size();
}

namespace {

// A value of a field is short (a few bytes to a few tens): copied without a
// call, by two overlapping moves of a fixed width where it fits them.
inline char* copiaValor(char* w, std::string_view valor) {
  const char* s = valor.data();
  const std::size_t n = valor.size();
  if (n >= 16 && n <= 32) {
    std::memcpy(w, s, 16);
    std::memcpy(w + n - 16, s + n - 16, 16);
  } else if (n >= 8 && n < 16) {
    std::memcpy(w, s, 8);
    std::memcpy(w + n - 8, s + n - 8, 8);
  } else if (n >= 4 && n < 8) {
    std::memcpy(w, s, 4);
    std::memcpy(w + n - 4, s + n - 4, 4);
  } else if (n > 0 && n < 4) {
    w[0] = s[0];
    w[n / 2] = s[n / 2];
    w[n - 1] = s[n - 1];
  } else if (n > 32) {
    std::memcpy(w, s, n);
  }
  return w + n;
}

// The value with "&" and "<" as entity references.
char* copiaEscapado(char* w, std::string_view valor) {
  if (std::memchr(valor.data(), '&', valor.size()) == nullptr && std::memchr(valor.data(), '<', valor.size()) == nullptr)
    return copiaValor(w, valor);
  for (const char c : valor) {
    if (c == '&') {
      std::memcpy(w, "&amp;", 5);
      w += 5;
    } else if (c == '<') {
      std::memcpy(w, "&lt;", 4);
      w += 4;
    } else {
      *w++ = c;
    }
  }
  return w;
}

// What a field id means to the rendering besides its element.
enum class Papel : std::uint8_t {
  Elemento,  // only its element
  Codigo,
  NumeroLogistico,
  Terminal,
  IndicadorSolar,
  IdPersonalizado,
  SistemaPersonalizado,
  Complemento,
  MensagemPre,
  Posicao,
  Latitude,
  Longitude,
  PosicaoInvalida,
  TextoLivre,
};

constexpr std::array<Papel, 256> kPapeis = [] {
  std::array<Papel, 256> p{};
  p[kCampoCodigo] = Papel::Codigo;
  p[kCampoNumeroLogistico] = Papel::NumeroLogistico;
  p[kCampoTerminal] = Papel::Terminal;
  p[kCampoIndicadorSolar] = Papel::IndicadorSolar;
  p[kCampoIdEvtPersonalizado] = Papel::IdPersonalizado;
  p[kCampoSistemaPersonalizado] = Papel::SistemaPersonalizado;
  p[kCampoComplemento] = Papel::Complemento;
  p[kCampoMensagemPre] = Papel::MensagemPre;
  p[kCampoPosicao] = Papel::Posicao;
  p[kCampoLatitude] = Papel::Latitude;
  p[kCampoLongitude] = Papel::Longitude;
  p[kCampoPosicaoInvalida] = Papel::PosicaoInvalida;
  p[kCampoTextoLivre] = Papel::TextoLivre;
  return p;
}();

}  // namespace

void tRenderizadorPost::escreveCampo(const Etiqueta& etiqueta, std::string_view valor, bool escapar) {
  // room for both tags (or their blocks) and a value made entirely of "&"
  const std::size_t n = valor.size();
  char* w = reserva(etiqueta.abre.size() + etiqueta.fecha.size() + 2 * Etiqueta::kBloco + (escapar ? 5 * n : n));
  if (etiqueta.tamAbre != 0) [[likely]] {
    std::memcpy(w, etiqueta.abreBloco.data(), Etiqueta::kBloco);  // a whole block: no call, no loop
    w += etiqueta.tamAbre;
    w = escapar ? copiaEscapado(w, valor) : copiaValor(w, valor);
    std::memcpy(w, etiqueta.fechaBloco.data(), Etiqueta::kBloco);
    w += etiqueta.tamFecha;
  } else {
    if (etiqueta.nome.empty()) return;
    std::memcpy(w, etiqueta.abre.data(), etiqueta.abre.size());
    w += etiqueta.abre.size();
    w = escapar ? copiaEscapado(w, valor) : copiaValor(w, valor);
    std::memcpy(w, etiqueta.fecha.data(), etiqueta.fecha.size());
    w += etiqueta.fecha.size();
  }
  usado_ = static_cast<std::size_t>(w - rascunho_.data());
}

void tRenderizadorPost::escreveCampoGeral(std::int32_t id, std::string_view valor) {
  std::string campoTexto;
  if (id == kCampoTextoLivre)
    adicionaCampo(campoTexto, id, DecodificaTextoLivre(valor));
  else
    adicionaCampo(campoTexto, id, valor);
  acrescenta(campoTexto);
}

void tRenderizadorPost::CarregaTokens(const std::vector<LinhaToken>& linhas) {
  for (std::size_t i = 0; i < nomesCurtos_.size(); ++i) nomesCurtos_[i] = Etiqueta("Token" + std::to_string(i));
  nomesLongos_.clear();
  std::vector<bool> visto(nomesCurtos_.size(), false);
  for (const LinhaToken& linha : linhas) {
    std::string nome = linha.TipoToken == 1 ? linha.NomeToken : std::string();
    if (linha.IdToken >= 0 && linha.IdToken < static_cast<std::int32_t>(nomesCurtos_.size())) {
      const auto i = static_cast<std::size_t>(linha.IdToken);
      if (visto[i]) continue;  // the first row of an id is the one found
      visto[i] = true;
      nomesCurtos_[i] = Etiqueta(std::move(nome));
    } else {
      nomesLongos_.emplace(linha.IdToken, Etiqueta(std::move(nome)));
    }
  }
}

void tRenderizadorPost::CarregaTokens(db::Statement& qrToken) {
  std::vector<LinhaToken> linhas;
  for (qrToken.first(); !qrToken.eof(); qrToken.next())
    linhas.push_back({qrToken.field("IdToken").asInt(), qrToken.field("NomeToken").asString(),
                      qrToken.field("TipoToken").asInt()});
  qrToken.first();
  CarregaTokens(linhas);
}

void tRenderizadorPost::CarregaTokens() {
  if (!dbZenthora_) return;
  db::Statement qrToken(*dbZenthora_, sqlCatalogoTokens());
  qrToken.open();
  CarregaTokens(qrToken);
}

void tRenderizadorPost::CarregaMensagensPre(const std::vector<LinhaMensagemPre>& linhas) {
  mensagensPre_.Carrega(linhas);
}

void tRenderizadorPost::CarregaMensagensPre() {
  if (!dbZenthora_) return;
  db::Statement qr(*dbZenthora_, sqlMensagensPreZeta());
  qr.open();
  std::vector<LinhaMensagemPre> linhas;
  for (; !qr.eof(); qr.next())
    linhas.push_back({qr.field("idMsg").asInt(), qr.field("idMsgSub").asInt(), qr.field("Mensagem").asString()});
  CarregaMensagensPre(linhas);
}

const tRenderizadorPost::Etiqueta* tRenderizadorPost::etiquetaDe(std::int32_t id) const {
  if (id >= 0 && id < static_cast<std::int32_t>(nomesCurtos_.size())) return &nomesCurtos_[static_cast<std::size_t>(id)];
  const auto achou = nomesLongos_.find(id);
  return achou == nomesLongos_.end() ? nullptr : &achou->second;
}

std::string tRenderizadorPost::NomeToken(std::int32_t id) const {
  const Etiqueta* etiqueta = etiquetaDe(id);
  return etiqueta ? etiqueta->nome : "Token" + std::to_string(id);
}

void tRenderizadorPost::adicionaCampo(std::string& saida, std::int32_t id, std::string_view valor) const {
  const Etiqueta* etiqueta = etiquetaDe(id);
  std::optional<Etiqueta> outra;
  if (!etiqueta) etiqueta = &outra.emplace("Token" + std::to_string(id));
  if (etiqueta->nome.empty()) return;
  saida += etiqueta->abre;
  if (id == kCampoTextoLivre)
    acrescentaMenorEscapado(saida, LimpaTextoEvento(valor));
  else
    acrescentaEscapado(saida, valor);
  saida += etiqueta->fecha;
}

std::string tRenderizadorPost::RenderizaCampo(std::int32_t id, std::string_view valor) const {
  std::string saida;
  adicionaCampo(saida, id, valor);
  return saida;
}

std::string tRenderizadorPost::ElementoMensagemPre(std::int32_t numero) {
  if (numero < 0) return {};
  if (!mensagensPre_.Carregado()) CarregaMensagensPre();
  const common::LinhaMensagemPre* linha = mensagensPre_.Procura(numero);
  if (!linha) return {};
  return RenderizaCampo(kCampoTextoLivre, mensagensPre_.TextoComCabecalho(*linha));
}

std::int32_t tRenderizadorPost::decimalGeral(std::int32_t id, std::string_view valor, std::string_view post) const {
  if (const auto v = text::tryParseInt(text::trimRight(valor))) return *v;
  if (log_)
    log_(kRotina, "Valor decimal inválido no campo ["_cp + hexa(id) + "] = [" + std::string(valor) +
                      "], lido como 0. Post [" + std::string(post) + "]");
  return 0;
}

inline std::int32_t tRenderizadorPost::decimal(std::int32_t id, std::string_view valor, std::string_view post) const {
  // The usual value, a few digits, read here; anything else the general way.
  if (!valor.empty() && valor.size() <= 9) {
    std::uint32_t v = 0;
    bool digitos = true;
    for (const char c : valor) {
      const auto d = static_cast<std::uint32_t>(static_cast<unsigned char>(c)) - '0';
      digitos &= d <= 9;
      v = v * 10 + d;  // nine digits at most: fits
    }
    if (digitos) return static_cast<std::int32_t>(v);
  }
  return decimalGeral(id, valor, post);
}

std::string tRenderizadorPost::Post2XML(std::string_view post) {
  std::string saida;
  Post2XML(post, saida);
  return saida;
}

void tRenderizadorPost::Post2XML(std::string_view post, std::string& saida) {
  usado_ = 0;
  std::string_view codigoEvento;
  bool personalizado = false;
  std::int32_t numeroLogistico = 0, terminal = 0, indicadorSolar = 0, idPersonalizado = 0, sistemaPersonalizado = 0;
  std::int32_t posicaoInvalida = 0;
  std::string complementoPersonalizado;
  std::string_view latitude, longitude;
  bool temPosicao = false;
  // Values are escaped only in a Post that holds "&" or "<" at all.
  const bool escapar =
      std::memchr(post.data(), '&', post.size()) != nullptr || std::memchr(post.data(), '<', post.size()) != nullptr;

  std::size_t pos = 0;
  CampoPost campo;
  while (ProximoCampoPost(post, pos, campo)) {
    const std::int32_t id = campo.id;
    const std::string_view valor = campo.valor;
    if (static_cast<std::uint32_t>(id) >= nomesCurtos_.size()) [[unlikely]] {
      escreveCampoGeral(id, valor);
      continue;
    }
    const Papel papel = kPapeis[static_cast<std::size_t>(id)];
    if (papel != Papel::Elemento) switch (papel) {
      case Papel::Elemento: break;
      case Papel::Codigo:
        codigoEvento = valor;
        personalizado = HexParaInt(valor).value_or(0) == kEventoPersonalizado;
        break;
      case Papel::NumeroLogistico: numeroLogistico = decimal(id, valor, post); break;
      case Papel::Terminal: terminal = HexParaInt(valor).value_or(0); break;
      case Papel::IndicadorSolar: indicadorSolar = decimal(id, valor, post); break;
      case Papel::IdPersonalizado: idPersonalizado = decimal(id, valor, post); break;
      case Papel::SistemaPersonalizado: sistemaPersonalizado = decimal(id, valor, post); break;
      case Papel::Complemento:
        // never an element of its own
        if (personalizado) {
          complementoPersonalizado = valor;
        } else {
          if (codigoEvento == "92") {
            std::string complemento = "<Complemento>";
            acrescentaEscapado(complemento, valor);
            complemento += "</Complemento>";
            acrescenta(complemento);
          }
          if (detalhes.complementos)
            acrescenta(detalhes.complementos->ComplementoLogistico(numeroLogistico, valor, terminal, indicadorSolar));
        }
        continue;
      case Papel::MensagemPre: acrescenta(ElementoMensagemPre(decimal(id, valor, post))); break;
      case Papel::Posicao:
        if (decimal(id, valor, post) == 1) temPosicao = true;
        break;
      case Papel::Latitude: latitude = valor; break;
      case Papel::Longitude: longitude = valor; break;
      case Papel::PosicaoInvalida: posicaoInvalida = decimal(id, valor, post); break;
      case Papel::TextoLivre: escreveCampoGeral(id, valor); continue;
    }
    escreveCampo(nomesCurtos_[static_cast<std::size_t>(id)], valor, escapar);
  }

  if (personalizado && detalhes.personalizados)
    acrescenta(detalhes.personalizados->Processa_Evt_Personalizado(idPersonalizado, sistemaPersonalizado,
                                                                   std::move(complementoPersonalizado)));
  if (temPosicao && detalhes.localizacao)
    acrescenta(detalhes.localizacao->ElementoLocalizacao(posicaoInvalida, latitude, longitude));
  saida.append(rascunho_.data(), usado_);
}

}  // namespace kvt::events
