#include "server/operations/tratadores.h"

namespace kvt::operations {

using telecmd::PedidoTeleCmd;
using telecmd::Tratador;

void DefineTratadoresOperacao(telecmd::tTeleCmd& teleCmd, TdmOperacao& op) {
  auto semDocumento = [&](void (TdmOperacao::*lista)()) {
    return [&op, lista](const PedidoTeleCmd&) {
      (op.*lista)();
      return true;
    };
  };
  auto comDocumento = [&](void (TdmOperacao::*tratador)(const xml::Element&)) {
    return [&op, tratador](const PedidoTeleCmd& p) {
      (op.*tratador)(p.raiz);
      return true;
    };
  };
  auto comUsuario = [&](void (TdmOperacao::*tratador)(const xml::Element&, std::int32_t)) {
    return [&op, tratador](const PedidoTeleCmd& p) {
      (op.*tratador)(p.raiz, p.IdUsuario);
      return true;
    };
  };
  teleCmd.DefineTratador(Tratador::ListaOperacoes, semDocumento(&TdmOperacao::ListaOperacoes));
  teleCmd.DefineTratador(Tratador::ListaPerfisConfiguracao, semDocumento(&TdmOperacao::ListaPerfisConfiguracao));
  teleCmd.DefineTratador(Tratador::ListaMensagensFormatadas, semDocumento(&TdmOperacao::ListaMensagensFormatadas));
  teleCmd.DefineTratador(Tratador::ListaMensagensELP, semDocumento(&TdmOperacao::ListaMensagensELP));
  teleCmd.DefineTratador(Tratador::ListaMensagensELPRastreador,
                         comDocumento(&TdmOperacao::ListaMensagensELPRastreador));
  teleCmd.DefineTratador(Tratador::ListaMensagensPre, semDocumento(&TdmOperacao::ListaMensagensPre));
  teleCmd.DefineTratador(Tratador::AssociaOperacao, comUsuario(&TdmOperacao::AssociaOperacao));
  teleCmd.DefineTratador(Tratador::AssociaPerfil, comDocumento(&TdmOperacao::AssociaPerfil));
  teleCmd.DefineTratador(Tratador::TransmiteOperacao, comUsuario(&TdmOperacao::TransmiteOperacao));
  teleCmd.DefineTratador(Tratador::TransmitePerfil, comUsuario(&TdmOperacao::TransmitePerfil));
  teleCmd.DefineTratador(Tratador::TransmiteAlvos, comUsuario(&TdmOperacao::TransmiteAlvos));
  teleCmd.DefineTratador(Tratador::TransmiteCercas, comUsuario(&TdmOperacao::TransmiteCercas));
  teleCmd.DefineTratador(Tratador::TransmiteRotas, comUsuario(&TdmOperacao::TransmiteRotas));
  teleCmd.DefineTratador(Tratador::StatusTransmissaoOperacao, comDocumento(&TdmOperacao::StatusTransmissaoOperacao));
  teleCmd.DefineTratador(Tratador::TransmiteMensagensELP, comUsuario(&TdmOperacao::TransmiteMensagensELP));
}

}  // namespace kvt::operations
