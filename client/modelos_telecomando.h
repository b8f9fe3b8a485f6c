#pragma once

// The composer's fixed texts: the telecommand templates (format texts with
// %d, %s and %x), the lists offered on each tab, and the simulator's rotation
// table. Templates are kept with "\" as line separator and get CR LF in its
// place when they are prepared.

#include <string>
#include <string_view>
#include <vector>

namespace kvt::cliente {

// "\" → CR LF
std::string ComSeparadoresCRLF(std::string_view modelo);

// The templates, prepared (CR LF between lines).
struct ModelosTelecomando {
  std::string Normal;           // H
  std::string NormalComTempo;   // H with Tempo after CodMsg (E6 items)
  std::string TrocaOperadora;   // H, OperCelAOperar
  std::string Controle;         // CodMsg, DataHoraEmissao
  std::string Autorizacao;      // H, IdAutorizacao
  std::string MensagemLivre;    // H, Texto, IdMensagem, ConfirmaLeitura, ConfirmaRecebimento
  std::string ConfigMensagemFormatada;  // H, TotalMacros 2, two Macro elements
  std::string MensagemPreDefinida;      // H, IdMensagemPre, ConfirmaRecebimento
  std::string MensagemFormatada;        // H, IdMensagem, NroSeqMacro, Texto, ConfirmaRecebimento
  std::string MensagemBinaria;          // H, Texto, IdMensagem, ConfirmaRecebimento
  std::string Configuracao3, Configuracao5, Configuracao14_21_26, Configuracao22, Configuracao23,
      Configuracao24_25, Configuracao28;
  std::string Simulador;  // H

  static const ModelosTelecomando& preparados();
};

struct ListasTelecomando {
  std::vector<std::string> cmb_codmsg, cmb_controle, cbMensagem, cmb_autorizacao, cmb_configuracoes, cmb_OpcaoConf,
      cmb_codmsgtroca;
  // radio groups of "Configurações" and gb_ELP, item texts in order
  std::vector<std::string> rg_caracteristica, rg_atendimento, rg_sobreposicao, opChegada, opSaida;
  // the simulator's rotation, indexed by the sequence number modulo 11
  std::vector<std::string> rotacaoSimulador;

  static const ListasTelecomando& listas();
};

// The control list left when the server is older than version 6.
std::vector<std::string> ListaControleVersaoAntiga();

}  // namespace kvt::cliente
