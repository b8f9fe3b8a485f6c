#pragma once

#include "server/window/janela_principal.h"

namespace kvt::server {
class TFPrincipal;
}

namespace kvt::window {

// The window's sources on the server object: its status model, the client
// link's part of it, and its orderly shutdown.
FontesJanela FontesDe(server::TFPrincipal& principal);

}  // namespace kvt::window
