#pragma once

#include <string>

#include "server/runtime/history_list.h"

namespace kvt::runtime {

// Every field of the status window and the tray icon, kept whether or not a
// display shows them.
struct StatusModel {
  enum class Cor { Vermelho, Verde, Amarelo, Branco, Preto };
  struct Caixa {
    std::string texto;
    Cor fundo = Cor::Vermelho;
    Cor fonte = Cor::Preto;
  };
  enum class IconeBandeja { Nenhum, KvtOk, KvtAlerta, IntegracaoOk, IntegracaoAlerta };

  std::string caption;
  std::string nome_Base;
  std::string lb_modcom;
  std::string lb_id_base;
  std::string lb_KVTPorta;
  Caixa stStatusServer{"Inativo", Cor::Vermelho, Cor::Preto};
  Caixa st_Sts_Base{"Desconectada", Cor::Vermelho, Cor::Preto};
  IconeBandeja icone = IconeBandeja::Nenhum;  // no icon before the first base check
  std::string dicaBandeja;
  std::string mnuBase = "Base: Desconectada";
  std::string lbAviso;
  Cor corAviso = Cor::Preto;  // the telecommand processor shows its warnings in red
  std::string lbcmdsent;      // TotalCmdEnviados
  std::string lbNumEvtAguardando;  // events waiting in the event table (accumulation monitor)
  HistoryList lberro;
};

}  // namespace kvt::runtime
