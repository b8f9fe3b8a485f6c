#pragma once

#include <string>
#include <vector>

#include "server/runtime/status_model.h"

namespace kvt::link {

// One top node of the client tree and its children, as the status window shows them.
struct NoArvoreCliente {
  std::string texto;
  std::vector<std::string> filhos;
  friend bool operator==(const NoArvoreCliente&, const NoArvoreCliente&) = default;
};

// The part of the status window that the client link keeps current: the
// server status box, the client tree, and the buffer and channel labels.
// Each label holds the text it shows.
struct ModeloLink {
  runtime::StatusModel::Caixa stStatusServer{"Inativo", runtime::StatusModel::Cor::Vermelho,
                                             runtime::StatusModel::Cor::Preto};
  std::vector<NoArvoreCliente> ClientesTreeView;
  std::string lbTamBuf = "0";
  std::string lbBytes_Enviados = "0";
  std::string lbevtsent = "0";
  std::string lbLimBuf_calculado;
  std::string lbLimBuf_INI;
  std::string lbAnaliseEstat;
  std::string lbBufferAnterior;
  std::string lbContadorReset;
  std::string lbContadorEstat;
};

}  // namespace kvt::link
