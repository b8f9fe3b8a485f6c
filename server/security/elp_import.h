#pragma once

// Import of stop-logistics ("ELP") messages (-15, reply -61): the messages of a
// client's document replace the message configuration (configuration 0) of the
// last vehicle the document names; every other listed vehicle is pointed at
// that vehicle's configuration. One status per vehicle goes back.

#include <array>
#include <cstdint>
#include <string>

#include "platform/db/db.h"
#include "platform/xml/xml_document.h"
#include "server/common/linked_list.h"
#include "server/telecmd/canal_clientes.h"
#include "server/telecmd/resposta_erro.h"

namespace kvt::security {

const db::SqlText& sqlCfgMensagemExtLogDelete();
const db::SqlText& sqlMensagemExtLogInsert();
const db::SqlText& sqlCfgMensagemExtLogInsert();
const db::SqlText& sqlCfgMensagemExtLogAssociaPerfil();

// Sequence numbers of one configuration by message type (TIPOMSG 0 and 1 are
// arrival messages, 2 departure): the first number and the last accepted.
struct SequenciaTipoELP {
  std::int32_t primeira;
  std::int32_t ultima;
};
inline constexpr std::array<SequenciaTipoELP, 3> SequenciasELP{{{1, 100}, {2, 16}, {1, 16}}};
// A message text is stored with at most this many characters.
inline constexpr std::size_t kTamanhoMensagemELP = 18;

// Vehicle status of the reply: every message went into the configuration, or
// at least one was left out (an error reply named it).
inline constexpr std::int32_t kStsELPCompleto = 0;
inline constexpr std::int32_t kStsELPIncompleto = 2;

namespace elp {

// A vehicle of this import: terminal id and status (1 until the configuration
// is written). Equal when the terminal ids are equal.
class tVeiculo : public common::tValorNo {
 public:
  explicit tVeiculo(std::int32_t idTerminal) : idTerminal_(idTerminal) {}
  bool Igual(const common::tValorNo& outro) const override;
  std::int32_t IdTerminal() const { return idTerminal_; }
  std::int32_t Status() const { return status_; }
  void DefineStatus(std::int32_t status) { status_ = status; }

 private:
  std::int32_t idTerminal_;
  std::int32_t status_ = 1;
};

}  // namespace elp

class tImportacaoMensagensELP {
 public:
  struct Dependencias {
    telecmd::CanalClientes& canal;           // Enfileira_XML_Envio
    telecmd::RespostaStatusErro& respostas;  // Retorna_Status_Erro_XML
    db::Connection& dbZenthora;              // vehicles and the stored procedures
  };

  explicit tImportacaoMensagensELP(const Dependencias& d);

  // Imports the messages of a parsed -15 document. Database failures of the
  // stored procedures propagate to the caller; nothing is answered then.
  void Importa(const xml::Element& raiz);

 private:
  // Reads the listed vehicles, newest first; stops at an IDTERMINAL without
  // text or at a failure of the vehicle test.
  void leVeiculos(const xml::Element& raiz);
  void configuraMensagens(const xml::Element& mensagens);
  // The type and text of one MENSAGEMELP, or false (after its error replies)
  // when it is left out.
  bool leMensagem(const xml::Element& mensagem, std::int32_t& tipo, std::string& texto);
  void apagaConfiguracao(std::int32_t idTerminal);
  void gravaMensagem(std::int32_t idTerminal, std::int32_t tipo, std::int32_t sequencia, const std::string& texto);
  void enviaStatus();
  void erro(const std::string& mensagem);

  telecmd::CanalClientes& canal_;
  telecmd::RespostaStatusErro& respostas_;
  db::Connection& dbZenthora_;
  common::tListaEncadeada veiculos_;
  std::int32_t faltou_ = kStsELPCompleto;  // F: kStsELPIncompleto once a message is left out
};

}  // namespace kvt::security
