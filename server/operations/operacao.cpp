#include "server/operations/operacao.h"

#include "server/operations/resposta.h"

namespace kvt::operations {

namespace {

std::unique_ptr<db::Statement> prepara(db::Connection& conexao, const db::SqlText& sql) {
  return std::make_unique<db::Statement>(conexao, sql);
}

}  // namespace

TdmOperacao::TdmOperacao(const Dependencias& d)
    : dbZenthora_(d.dbZenthora),
      dbSSE_(d.dbSSE),
      canal_(d.canal),
      respostas_(d.respostas),
      permissao_(d.permissao),
      cfg_(d.cfg),
      estado_(d.estado) {
  qrVeiculo_ = std::make_unique<common::tQrVeiculo>(dbZenthora_);
  verificaTransmissao_ = std::make_unique<telecmd::tVerificaTransmissao>(dbZenthora_, cfg_.TIMEOUT_DESABILITAR_GPRS_TELECMD);
  qrOperacaoItens_ = prepara(dbZenthora_, sqlOperacaoItens());
  qrOpcoesOperacao_ = prepara(dbZenthora_, sqlOpcoesOperacao());
  qrItensConfiguracao_ = prepara(dbZenthora_, sqlItensConfiguracao());
  qrListaMsgFormatada_ = prepara(dbZenthora_, sqlListaMsgFormatada());
  qrMensagemExtensaoLogistica_ = prepara(dbZenthora_, sqlMensagemExtensaoLogistica());
  qrMensagemExtensaoLogisticaRast_ = prepara(dbZenthora_, sqlMensagemExtensaoLogisticaRast());
  qrListaMsgPre_ = prepara(dbZenthora_, sqlListaMsgPre());
  qrOperacao_ = prepara(dbZenthora_, sqlOperacao());
  spAssociaOperacao_ = prepara(dbZenthora_, sqlAssociaOperacao());
  qrPerfilConfiguracao_ = prepara(dbZenthora_, sqlPerfilConfiguracao());
  spAssociaPerfil_ = prepara(dbZenthora_, sqlAssociaPerfil());
  qrTransOperacao_ = prepara(dbZenthora_, sqlTransOperacao());
  spTransItemOperacao_ = prepara(dbZenthora_, sqlTransItemOperacao());
  qrLastTransOperacao_ = prepara(dbZenthora_, sqlLastTransOperacao());
  qrStatusTransOperacao_ = prepara(dbZenthora_, sqlStatusTransOperacao());
  qrAlvoVeicSE_ = prepara(dbSSE_, sqlAlvoVeicSE());
  qrCercaVeicSE_ = prepara(dbSSE_, sqlCercaVeicSE());
  qrRotaVeicSE_ = prepara(dbSSE_, sqlRotaVeicSE());
  spCfgAlvos_ = prepara(dbZenthora_, sqlCfgAlvos());
  qrMsgChegadaELP_ = prepara(dbZenthora_, sqlMsgChegadaELP());
  qrMsgSaidaELP_ = prepara(dbZenthora_, sqlMsgSaidaELP());
  spCfgMensagemExtLog_ = prepara(dbZenthora_, sqlCfgMensagemExtLog());
}

TdmOperacao::~TdmOperacao() = default;

bool TdmOperacao::veiculoHabilitado(std::int32_t terminal) { return qrVeiculo_->Rastreador(terminal).has_value(); }

void TdmOperacao::envia(const std::string& corpo) { canal_.Enfileira_XML_Envio(corpo); }

void TdmOperacao::erro(const std::string& mensagem) { respostas_.Retorna_Status_Erro_XML(mensagem, "", "", 0, -1); }

void TdmOperacao::RespostaTransmissao(std::string_view codigo, const std::string& terminal, std::int32_t status) {
  envia(CabecalhoResposta(codigo) + " <IdTerminal> " + Literal(terminal) + " </IdTerminal>" + " <StsTransmissao>" +
        std::to_string(status) + "</StsTransmissao>");
}

}  // namespace kvt::operations
