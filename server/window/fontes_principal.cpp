#include "server/window/fontes_principal.h"

#include "server/link/client_link.h"
#include "server/principal.h"

namespace kvt::window {

FontesJanela FontesDe(server::TFPrincipal& principal) {
  FontesJanela f;
  f.status = &principal.status();
  f.modeloLink = [&principal]() -> const link::ModeloLink* {
    return principal.link() ? &principal.link()->Modelo() : nullptr;
  };
  f.formClose = [&principal](std::function<void()> pronto) { principal.FormClose(std::move(pronto)); };
  f.versao = server::kVersao;
  return f;
}

}  // namespace kvt::window
