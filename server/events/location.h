#pragma once

// The location description of an event that carries a position: "Em " + place
// when the vehicle is practically there, otherwise the distance in kilometres,
// a compass direction and the nearest known place ("12,34 km a NE de Campinas").
// The known places are the central's cities (tcidades) and reference points
// (tRefer), held in a k-d tree; the tree is rebuilt when the refresh counter of
// tRefer in tRefresh changes.
//
// For the renderer and the runtime:
//   tLocalizacao localizacao;                      // owned by the main window
//   localizacao.CarregaLocalizacao(dbZenthora);    // at start-up
//   localizacao.tmrLocalizacaoTimer(dbZenthora);   // every kIntervaloTimerMs
//   body += localizacao.ElementoLocalizacao(invalido, latitudeTexto, longitudeTexto);
// invalido is field 30 (0 when absent), the texts are fields 2E and 2F.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "server/common/kd_tree.h"

namespace kvt::db {
class Connection;
struct SqlText;
}  // namespace kvt::db

namespace kvt::events {

// Where the places come from.
class FonteLugares {
 public:
  virtual ~FonteLugares() = default;
  // The refresh counter of tRefer; 0 when it has no row.
  virtual std::int32_t ContadorRefer() = 0;
  // Cities (kind city) and reference points, in the order the database returns them.
  virtual std::vector<common::Ponto> Cidades() = 0;
  virtual std::vector<common::Ponto> Referencias() = 0;
};

// The places of dbZenthora (location_loader.cpp).
std::unique_ptr<FonteLugares> fonteLugares(db::Connection& dbZenthora);
const db::SqlText& sqlContadorRefresh();
const db::SqlText& sqlCidades();
const db::SqlText& sqlReferencias();

// Degrees of an event coordinate text (degrees at 1-3, minutes 5-6, seconds
// 8-9, tenths 11, hemisphere letter 13); axis 0 latitude (S negative, N
// positive), 1 longitude (O or W negative, L or E positive). Unreadable pieces
// or another letter give 0.
float CoordenadaEventoParaGraus(std::string_view texto, int eixo);

// Compass direction of the vehicle as seen from the place: L, LNE, NE, NNE, N,
// NNO, NO, ONO, O, OSO, SO, SSO, S, SSE, SE, LSE.
std::string Direcao(double latitude, double longitude, double latitudeLugar, double longitudeLugar);

class tLocalizacao {
 public:
  static constexpr int kIntervaloTimerMs = 30000;

  tLocalizacao();
  ~tLocalizacao();
  tLocalizacao(const tLocalizacao&) = delete;
  tLocalizacao& operator=(const tLocalizacao&) = delete;

  // Rebuilds the index when the counter differs from the last one seen: cities
  // first, then reference points. The new index replaces the old one only once
  // it is complete, so a database error leaves the old index and counter in
  // place (and the next call tries again); the error propagates.
  void CarregaLocalizacao(FonteLugares& fonte);
  void CarregaLocalizacao(db::Connection& dbZenthora);
  // The action of the location timer.
  void tmrLocalizacaoTimer(db::Connection& dbZenthora) { CarregaLocalizacao(dbZenthora); }

  // The description of a position in degrees.
  std::string CalculaLocalizacao(double latitude, double longitude) const;
  // " <Localizacao> " + description (or "Indefinida" when invalido is not 0),
  // accents folded, + " </Localizacao> ".
  std::string ElementoLocalizacao(std::int32_t invalido, std::string_view latitudeTexto,
                                  std::string_view longitudeTexto) const;

  std::int32_t ContadorRefer() const { return contadorRefer_; }
  const common::KDTree* indice() const { return indice_.get(); }
  const common::Retangulo& regiao() const { return regiao_; }

 private:
  std::unique_ptr<common::KDTree> indice_;
  common::Retangulo regiao_;
  std::int32_t contadorRefer_ = 0;
};

}  // namespace kvt::events
