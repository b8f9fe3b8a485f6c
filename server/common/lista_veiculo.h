#pragma once

// The vehicles the logged-in user may see: the sorted terminal ids of the user
// (or of every vehicle of the central when nobody is logged in), searched by
// bisection for every event about to be passed on. The list reloads itself
// when the refresh counters of tRefresh say the user-vehicle assignments or
// the vehicle table changed, looking at most once a minute.

#include <cstdint>
#include <vector>

#include "platform/db/db.h"

namespace kvt::common {

class tListaVeiculo {
 public:
  static constexpr std::int32_t kTodos = -1;  // every vehicle of the central
  static constexpr std::uint32_t kIntervaloVerificacaoMs = 60000;

  // Loads the list for the user (kTodos for every vehicle) and records the user.
  tListaVeiculo(db::Connection& dbZenthora, std::int32_t usuario = kTodos);

  // Whether the terminal is in the list. Reloads first when a refresh counter
  // changed, or when the list holds every vehicle and a user asks.
  bool VeiculoVisivel(std::int32_t terminal, std::int32_t usuario);
  // Reloads the ids of the user; a closed connection leaves the list unchanged.
  void CarregaLista(std::int32_t usuario);
  // Whether a refresh counter changed since it was last read (at most one read
  // per minute; a closed connection answers false).
  bool ListaDesatualizada();

  const std::vector<std::int32_t>& ids() const { return ids_; }
  std::int32_t usuario() const { return usuario_; }

 private:
  db::Connection& dbZenthora_;
  std::vector<std::int32_t> ids_;
  std::uint32_t ultimaVerificacao_ = 0;
  std::int32_t contadorUsuarioVeiculo_ = 0;
  std::int32_t contadorVeiculoIns_ = 0;
  std::int32_t usuario_ = kTodos;
};

const db::SqlText& sqlListaTodosVeiculos();
const db::SqlText& sqlListaVeiculosUsuario();
const db::SqlText& sqlRefreshUsuarioVeiculo();
const db::SqlText& sqlRefreshVeiculoIns();

}  // namespace kvt::common
