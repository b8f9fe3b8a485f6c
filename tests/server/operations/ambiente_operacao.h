#pragma once

// The operations module wired as the server wires it, on a fresh embedded
// central: its handlers in the telecommand processor's dispatch table, real
// socket clients that receive every reply.

#include <memory>
#include <string>

#include "platform/db/db.h"
#include "server/operations/operacao.h"
#include "server/operations/tratadores.h"
#include "tests/server/telecmd/ambiente_telecmd.h"

namespace kvt::test {

// Every code the module answers, allowed by the configuration.
inline constexpr const char* kTeleCmdOperacoes = "-2,-3,-4,-5,-12,-13,-14,-16,-21,-22,-23,-24,-25,-26,-28";

struct AmbienteOperacao {
  AmbienteTeleCmd amb{kTeleCmdOperacoes};
  std::unique_ptr<db::Connection> dbSSE;
  std::unique_ptr<operations::TdmOperacao> operacao;
  int cliente = -1;

  AmbienteOperacao() {
    dbSSE = db::Connection::open(amb.central.urlSse);
    amb.estado.BaseAtiva = true;
    operacao = std::make_unique<operations::TdmOperacao>(operations::TdmOperacao::Dependencias{
        *amb.dbZenthora, *dbSSE, amb.canal, *amb.respostas, *amb.permissao, amb.cfg, amb.estado});
    operations::DefineTratadoresOperacao(*amb.teleCmd, *operacao);
    cliente = amb.canal.conecta("Sim");
  }

  // Sends a telecomando with the given elements and returns what the client received.
  std::string pede(const std::string& elementos) {
    amb.envia(cliente, "<telecomando>" + elementos + "</telecomando>");
    return amb.canal.recebido(cliente);
  }
  std::string pede(int codMsg, const std::string& elementos = "") {
    return pede("<CodMsg>" + std::to_string(codMsg) + "</CodMsg>" + elementos);
  }

  void executa(const std::string& sql) { amb.executa(sql); }
  // The first column of the first row of a query on the central.
  std::int64_t valor(const std::string& sql) {
    db::Statement st(*amb.dbZenthora, sql);
    st.open();
    return st.eof() ? -999 : st.field(std::size_t{0}).asInt64();
  }
  std::string texto(const std::string& sql) {
    db::Statement st(*amb.dbZenthora, sql);
    st.open();
    return st.eof() ? "<none>" : st.field(std::size_t{0}).asString();
  }
};

// The heading of a reply of the given code.
inline std::string cabecalho(const std::string& codigo) {
  return std::string(" <DataHoraEm> ") + kAgora + " </DataHoraEm>  <CodMsg> " + codigo + " </CodMsg> ";
}

// A status/error reply of the operations module (no telecommand, no terminal).
inline std::string erroStatus(const std::string& mensagem) {
  return documento(std::string(" <DataHoraEm> ") + kAgora +
                   " </DataHoraEm> <CodMsg> -40</CodMsg>  <Telecomando>  </Telecomando>  <MsgErro> " + mensagem +
                   " </MsgErro>");
}

}  // namespace kvt::test
