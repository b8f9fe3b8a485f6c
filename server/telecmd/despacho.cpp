#include "server/telecmd/despacho.h"

namespace kvt::telecmd {

Tratador TratadorDoCodigo(std::int32_t codMsg) {
  switch (codMsg) {
    case -1: return Tratador::ListaRastreadores;
    case -2: return Tratador::ListaOperacoes;
    case -3: return Tratador::AssociaOperacao;
    case -4: return Tratador::ListaPerfisConfiguracao;
    case -5: return Tratador::AssociaPerfil;
    case -6: return Tratador::ListaPerfisDefinicao;
    case -7: return Tratador::ListaAlvos;
    case -8: return Tratador::ListaCercas;
    case -9: return Tratador::ImportaAlvos;
    case -10: return Tratador::ImportaCercas;
    case -11: return Tratador::ImportaRotas;
    case -12: return Tratador::ListaMensagensFormatadas;
    case -13: return Tratador::ListaMensagensELP;
    case -14: return Tratador::ListaMensagensELPRastreador;
    case -15: return Tratador::ImportaMensagensELP;
    case -16: return Tratador::ListaMensagensPre;
    case -21: return Tratador::TransmiteOperacao;
    case -22: return Tratador::TransmitePerfil;
    case -23: return Tratador::TransmiteAlvos;
    case -24: return Tratador::TransmiteCercas;
    case -25: return Tratador::TransmiteRotas;
    case -26: return Tratador::StatusTransmissaoOperacao;
    case -27: return Tratador::EfetuaLogin;
    case -28: return Tratador::TransmiteMensagensELP;
    case -29: return Tratador::Diagnostico;
    case -30: return Tratador::ListaEventosPersonalizados;
    case -31: return Tratador::EnviaUltimaPosicao;
    case -32: return Tratador::InfoCentral;
    case -33: return Tratador::ListaOdometros;
    case 0x5C: return Tratador::ConfiguraMensagensFormatadas;
    case 0x6A: return Tratador::EnviaMensagemFormatada;
    default: return codMsg > 0 ? Tratador::EnviaComandoVeiculo : Tratador::Nenhum;
  }
}

const char* NomeTratador(Tratador t) {
  switch (t) {
    case Tratador::Nenhum: return "Nenhum";
    case Tratador::ListaRastreadores: return "ListaRastreadores";
    case Tratador::ListaOperacoes: return "ListaOperacoes";
    case Tratador::AssociaOperacao: return "AssociaOperacao";
    case Tratador::ListaPerfisConfiguracao: return "ListaPerfisConfiguracao";
    case Tratador::AssociaPerfil: return "AssociaPerfil";
    case Tratador::ListaPerfisDefinicao: return "ListaPerfisDefinicao";
    case Tratador::ListaAlvos: return "ListaAlvos";
    case Tratador::ListaCercas: return "ListaCercas";
    case Tratador::ImportaAlvos: return "ImportaAlvos";
    case Tratador::ImportaCercas: return "ImportaCercas";
    case Tratador::ImportaRotas: return "ImportaRotas";
    case Tratador::ListaMensagensFormatadas: return "ListaMensagensFormatadas";
    case Tratador::ListaMensagensELP: return "ListaMensagensELP";
    case Tratador::ListaMensagensELPRastreador: return "ListaMensagensELPRastreador";
    case Tratador::ImportaMensagensELP: return "ImportaMensagensELP";
    case Tratador::ListaMensagensPre: return "ListaMensagensPre";
    case Tratador::TransmiteOperacao: return "TransmiteOperacao";
    case Tratador::TransmitePerfil: return "TransmitePerfil";
    case Tratador::TransmiteAlvos: return "TransmiteAlvos";
    case Tratador::TransmiteCercas: return "TransmiteCercas";
    case Tratador::TransmiteRotas: return "TransmiteRotas";
    case Tratador::StatusTransmissaoOperacao: return "StatusTransmissaoOperacao";
    case Tratador::EfetuaLogin: return "EfetuaLogin";
    case Tratador::TransmiteMensagensELP: return "TransmiteMensagensELP";
    case Tratador::Diagnostico: return "Diagnostico";
    case Tratador::ListaEventosPersonalizados: return "ListaEventosPersonalizados";
    case Tratador::EnviaUltimaPosicao: return "EnviaUltimaPosicao";
    case Tratador::InfoCentral: return "InfoCentral";
    case Tratador::ListaOdometros: return "ListaOdometros";
    case Tratador::ConfiguraMensagensFormatadas: return "ConfiguraMensagensFormatadas";
    case Tratador::EnviaMensagemFormatada: return "EnviaMensagemFormatada";
    case Tratador::EnviaComandoVeiculo: return "EnviaComandoVeiculo";
    case Tratador::Quantidade: break;
  }
  return "?";
}

}  // namespace kvt::telecmd
