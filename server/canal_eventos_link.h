#pragma once

// The event passes reach the client link and the command queue through this:
// each record goes to the outbound buffer with the table row it came from, and
// the rows a pass finishes are marked there, so a flush commits exactly the
// rows whose documents it delivered.

#include "server/events/event_polling.h"
#include "server/link/client_link.h"
#include "server/link/command_queue.h"

namespace kvt::server {

class CanalEventosDoLink : public events::CanalEventos {
 public:
  CanalEventosDoLink(link::LinkClientes& link, link::FilaComandos& fila) : link_(link), fila_(fila) {}

  bool HaConexaoAberta() const override { return link_.NumConexoes() > 0; }
  void Enfileira_Post_Envio(const std::string& post, events::LinhaEvento linha) override {
    link_.Enfileira_Post_Envio(post, origem(linha));
  }
  void LinhaConcluida(events::LinhaEvento linha) override { link_.MarcaLinhaConcluida(origem(linha)); }
  void LinhasRenumeradas(bool controle) override {
    link_.EsqueceLinhas(controle ? link::OrigemDocumento::Tabela::Controle : link::OrigemDocumento::Tabela::Eventos);
  }
  bool tratarTelecmd() override { return fila_.tratarTelecmd(); }

  static link::OrigemDocumento origem(events::LinhaEvento linha) {
    return linha.controle ? link::OrigemDocumento::Controle(linha.numSeq) : link::OrigemDocumento::Evento(linha.numSeq);
  }

 private:
  link::LinkClientes& link_;
  link::FilaComandos& fila_;
};

}  // namespace kvt::server
