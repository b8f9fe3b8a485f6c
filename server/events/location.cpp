#include "server/events/location.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>

#include "platform/text/cp1252.h"
#include "platform/text/float_text.h"
#include "platform/text/integer_text.h"
#include "platform/text/regional.h"
#include "server/events/complement_hex.h"
#include "server/events/debug_output.h"
#include "server/events/post_xml.h"

namespace kvt::events {

using namespace kvt::text::literals;

namespace {

constexpr double kKmPorGrau = 108.0;
constexpr double kKmEm = 0.03;
constexpr double kKmSemLugar = 1000000;
constexpr double kLimiteMinimo = 2147483647.0;
constexpr double kLimiteMaximo = -2147483648.0;

common::Retangulo regiaoVazia() { return {kLimiteMinimo, kLimiteMaximo, kLimiteMinimo, kLimiteMaximo}; }

// Folded like every event text; a "<" of a place's name must not open a tag.
std::string textoLocalizacao(std::string_view texto) {
  std::string escapado;
  escapado.reserve(texto.size());
  for (char c : texto) {
    if (c == '<')
      escapado += "&lt;";
    else
      escapado += c;
  }
  return LimpaTextoEvento(escapado);
}

std::optional<std::int32_t> inteiroEm(std::string_view texto, int primeiro, int ultimo) {
  const std::string_view pedaco = Pedaco(texto, primeiro, ultimo);
  // the pieces of a coordinate are a few digits, read here; anything else the
  // platform's way
  if (!pedaco.empty() && pedaco.size() <= 9) {
    std::int32_t valor = 0;
    bool digitos = true;
    for (const char c : pedaco) {
      digitos = digitos && c >= '0' && c <= '9';
      if (digitos) valor = valor * 10 + (c - '0');
    }
    if (digitos) return valor;
  }
  return text::tryParseInt(pedaco);
}

// "%8.4f" with the regional decimal separator.
std::string milissegundos(double valor) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%8.4f", valor);
  std::string s = buf;
  for (char& c : s)
    if (c == '.') c = text::regional().decimalSeparator;
  return s;
}

}  // namespace

float CoordenadaEventoParaGraus(std::string_view texto, int eixo) {
  const auto graus = inteiroEm(texto, 1, 3);
  const auto minutos = inteiroEm(texto, 5, 6);
  const auto segundos = inteiroEm(texto, 8, 9);
  const auto decimos = inteiroEm(texto, 11, 11);
  float valor = 0;
  if (graus && minutos && segundos && decimos)
    valor = static_cast<float>(*graus + *minutos / 60.0 + *segundos / 3600.0 + *decimos / 36000.0);
  const char letra = texto.size() >= 13 ? texto[12] : '\0';
  if (eixo == common::kEixoLatitude) {
    if (letra == 'S') return -valor;
    return letra == 'N' ? valor : 0.0f;
  }
  if (letra == 'O' || letra == 'W') return -valor;
  return letra == 'L' || letra == 'E' ? valor : 0.0f;
}

std::string Direcao(double latitude, double longitude, double latitudeLugar, double longitudeLugar) {
  const double dLat = latitude - latitudeLugar;
  const double dLon = longitude - longitudeLugar;
  const bool norte = dLat > 0;
  if (dLon == 0) return norte ? "N" : "S";
  const bool leste = dLon > 0;
  const float teta = static_cast<float>(std::atan(std::fabs(dLat) / std::fabs(dLon)));
  const double t = teta;
  if (t <= 0.1964) return leste ? "L" : "O";
  if (t < 0.589) return leste ? (norte ? "LNE" : "LSE") : (norte ? "ONO" : "OSO");
  if (t <= 0.9818) return leste ? (norte ? "NE" : "SE") : (norte ? "NO" : "SO");
  if (t < 1.3744) return leste ? (norte ? "NNE" : "SSE") : (norte ? "NNO" : "SSO");
  return norte ? "N" : "S";
}

tLocalizacao::tLocalizacao() : regiao_(regiaoVazia()) {}
tLocalizacao::~tLocalizacao() = default;

void tLocalizacao::CarregaLocalizacao(FonteLugares& fonte) {
  const std::int32_t contador = fonte.ContadorRefer();
  if (contador == contadorRefer_) return;

  std::vector<common::Ponto> cidades = fonte.Cidades();
  std::vector<common::Ponto> referencias = fonte.Referencias();

  auto indice = std::make_unique<common::KDTree>();
  common::Retangulo regiao = regiaoVazia();
  const auto insere = [&](common::Ponto&& p) {
    if (p.latitude() < regiao.latMin) regiao.latMin = p.latitude();
    if (p.latitude() > regiao.latMax) regiao.latMax = p.latitude();
    if (p.longitude() < regiao.lonMin) regiao.lonMin = p.longitude();
    if (p.longitude() > regiao.lonMax) regiao.lonMax = p.longitude();
    indice->Insere(std::make_unique<common::Ponto>(std::move(p)));
  };
  for (common::Ponto& p : cidades) insere(std::move(p));
  for (common::Ponto& p : referencias) insere(std::move(p));

  indice_ = std::move(indice);
  regiao_ = regiao;
  contadorRefer_ = contador;
}

std::string tLocalizacao::CalculaLocalizacao(double latitude, double longitude) const {
  const bool depuracao = debugOutputEnabled();
  const auto inicio = depuracao ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point();

  const common::Ponto consulta(latitude, longitude);
  common::PontoProx achado;
  if (indice_) indice_->MaisProximo(consulta, regiao_, achado);

  double km = kKmSemLugar;
  static const std::string kSemNome;
  const std::string* nome = &kSemNome;
  double latitudeReferencia = latitude;
  double longitudeReferencia = longitude;
  if (achado.ponto) {
    km = achado.distancia * kKmPorGrau;
    nome = &achado.ponto->nome();
    latitudeReferencia = achado.ponto->latitude();
    longitudeReferencia = achado.ponto->longitude();
  }

  std::string texto;
  if (km < kKmEm) {
    texto.reserve(3 + nome->size());
    texto += "Em ";
  } else {
    texto = text::formatThousands2(km);
    texto.reserve(texto.size() + 14 + nome->size());
    texto += " km a ";
    texto += Direcao(latitude, longitude, latitudeReferencia, longitudeReferencia);
    texto += " de ";
  }
  texto += *nome;

  if (depuracao) {
    const auto decorrido =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - inicio).count();
    debugOutput("[KORVATEL-43] A função \"CalculaLocalizacao\" foi processada em "_cp +
                milissegundos(static_cast<double>(decorrido)) + " milisegundos");
    debugOutput("[KORVATEL-43] Localização gerada: "_cp + texto);
  }
  return texto;
}

std::string tLocalizacao::ElementoLocalizacao(std::int32_t invalido, std::string_view latitudeTexto,
                                              std::string_view longitudeTexto) const {
  const std::string texto =
      invalido != 0 ? std::string("Indefinida")
                    : CalculaLocalizacao(CoordenadaEventoParaGraus(latitudeTexto, common::kEixoLatitude),
                                         CoordenadaEventoParaGraus(longitudeTexto, common::kEixoLongitude));
  return " <Localizacao> " + textoLocalizacao(texto) + " </Localizacao> ";
}

}  // namespace kvt::events
