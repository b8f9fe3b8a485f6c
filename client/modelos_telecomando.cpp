#include "client/modelos_telecomando.h"

#include <algorithm>

#include "platform/text/cp1252.h"

namespace kvt::cliente {

using namespace text::literals;

namespace {

// The common head of vehicle commands, with its separators.
constexpr const char* kCabecalho =
    "<Telecomando>\\"
    "  <IdSeqMsg>%d</IdSeqMsg>\\"
    "  <Origem>%s</Origem>\\"
    "  <Destino>%s</Destino>\\"
    "  <TipoMsg>1</TipoMsg>\\"
    "  <CodMsg>%s</CodMsg>\\"
    "  <DataHoraEmissao>%s</DataHoraEmissao>\\"
    "  <Prioridade>0</Prioridade>\\"
    "  <IdTerminal>%x</IdTerminal>\\";
constexpr const char* kFim = "</Telecomando>";

std::string comCabecalho(const std::string& resto) { return std::string(kCabecalho) + resto + kFim; }

struct CampoMacro {
  const char* nome;
  int tam, lin, col, posEd, tipo;
};

std::string macro(int nroSeq, const char* nome, const std::vector<CampoMacro>& campos) {
  std::string m = "  <Macro>\\    <NroSeqMacro>" + std::to_string(nroSeq) + "</NroSeqMacro>\\    <NomeMacro>" + nome +
                  "</NomeMacro>\\    <NCampos>8</NCampos>\\    <CentralDestino>0</CentralDestino>\\";
  for (const CampoMacro& c : campos) {
    m += "    <Campo>\\      <NomeCampo>" + std::string(c.nome) + "</NomeCampo>\\      <TamCampo>" +
         std::to_string(c.tam) + "</TamCampo>\\      <LinCampo>" + std::to_string(c.lin) +
         "</LinCampo>\\      <ColCampo>" + std::to_string(c.col) + "</ColCampo>\\      <PosEdCampo>" +
         std::to_string(c.posEd) + "</PosEdCampo>\\      <ObrigCampo>1</ObrigCampo>\\      <TipoCampo>" +
         std::to_string(c.tipo) + "</TipoCampo>\\    </Campo>\\";
  }
  return m + "  </Macro>\\";
}

std::string configuracaoMensagemFormatada() {
  return comCabecalho("  <TotalMacros>2</TotalMacros>\\" +
                      macro(22, "MACROS_1",
                            {{"CPF_1", 1, 1, 1, 1, 4},
                             {"DIA MES_1", 1, 2, 1, 1, 5},
                             {"DIA MES ANO 2D_1", 1, 2, 1, 1, 6},
                             {"DIA MES ANO 4D_1 ", 1, 3, 1, 1, 7},
                             {"HORA_1", 1, 4, 1, 1, 8},
                             {"MOEDA_1", 5, 5, 1, 1, 9},
                             {"TEXTO SIMPLES_1", 6, 6, 1, 1, 0},
                             {"FRACAO_1", 5, 7, 1, 1, 11}}) +
                      macro(23, "MACROS_2",
                            {{"CPF_2", 1, 1, 1, 1, 4},
                             {"DIA MES_2", 1, 2, 1, 1, 5},
                             {"DIA MES ANO 2D_2", 1, 2, 1, 1, 6},
                             {"DIA MES ANO 4D_2", 1, 3, 1, 1, 7},
                             {"HORA_2", 1, 4, 1, 1, 8},
                             {"MOEDA_2", 6, 5, 1, 1, 9},
                             {"TEXTO SIMPLES_2", 10, 6, 1, 1, 0},
                             {"FRACAO_2", 5, 7, 1, 1, 11}}));
}

std::string controle(const std::string& meio) {
  return "<Telecomando>\\  <CodMsg>%s</CodMsg>\\  <DataHoraEmissao>%s</DataHoraEmissao>\\" + meio + kFim;
}

std::string comSequencia(const std::string& meio) {
  return "<Telecomando>\\  <IdSeqMsg>%d</IdSeqMsg>\\  <CodMsg>%s</CodMsg>\\  <DataHoraEmissao>%s</DataHoraEmissao>\\" +
         meio + kFim;
}

}  // namespace

std::string ComSeparadoresCRLF(std::string_view modelo) {
  std::string out;
  out.reserve(modelo.size() + modelo.size() / 8);
  for (char c : modelo) {
    if (c == '\\')
      out += "\r\n";
    else
      out += c;
  }
  return out;
}

const ModelosTelecomando& ModelosTelecomando::preparados() {
  static const ModelosTelecomando m = [] {
    ModelosTelecomando t;
    t.Normal = comCabecalho("");
    t.NormalComTempo =
        "<Telecomando>\\  <IdSeqMsg>%d</IdSeqMsg>\\  <Origem>%s</Origem>\\  <Destino>%s</Destino>\\"
        "  <TipoMsg>1</TipoMsg>\\  <CodMsg>%s</CodMsg>\\  <Tempo>%d</Tempo>\\"
        "  <DataHoraEmissao>%s</DataHoraEmissao>\\  <Prioridade>0</Prioridade>\\  <IdTerminal>%x</IdTerminal>\\" +
        std::string(kFim);
    t.TrocaOperadora = comCabecalho("  <OperCelAOperar>%d</OperCelAOperar>\\");
    t.Controle = controle("");
    t.Autorizacao = comCabecalho("  <IdAutorizacao>%d</IdAutorizacao>\\");
    t.MensagemLivre = comCabecalho(
        "  <Texto>%s</Texto>\\  <IdMensagem>%d</IdMensagem>\\  <ConfirmaLeitura>%d</ConfirmaLeitura>\\"
        "  <ConfirmaRecebimento>%d</ConfirmaRecebimento>\\");
    t.ConfigMensagemFormatada = configuracaoMensagemFormatada();
    t.MensagemPreDefinida =
        comCabecalho("  <IdMensagemPre>%d</IdMensagemPre>\\  <ConfirmaRecebimento>%d</ConfirmaRecebimento>\\");
    t.MensagemFormatada = comCabecalho(
        "  <IdMensagem>%d</IdMensagem>\\  <NroSeqMacro>%s</NroSeqMacro>\\  <Texto>%s</Texto>\\"
        "  <ConfirmaRecebimento>%d</ConfirmaRecebimento>\\");
    t.MensagemBinaria = comCabecalho(
        "  <Texto>%s</Texto>\\  <IdMensagem>%d</IdMensagem>\\  <ConfirmaRecebimento>%d</ConfirmaRecebimento>\\");
    t.Configuracao3 = controle("  <IdOperacao>%d</IdOperacao>\\  <IdTerminal>%x</IdTerminal>\\");
    t.Configuracao5 = controle(
        "  <IdPerfilConfiguracao>%d</IdPerfilConfiguracao>\\  <TipoConfiguracao>%s</TipoConfiguracao>\\"
        "  <IdTerminal>%x</IdTerminal>\\");
    t.Configuracao14_21_26 = controle("  <IdTerminal>%x</IdTerminal>\\");
    t.Configuracao22 = comSequencia("  <TipoConfiguracao>%s</TipoConfiguracao>\\  <IdTerminal>%x</IdTerminal>\\");
    t.Configuracao23 = comSequencia(
        "  <Caracteristica>%d</Caracteristica>\\  <Atendimento>%d</Atendimento>\\"
        "  <Sobreposicao>%d</Sobreposicao>\\  <IdTerminal>%x</IdTerminal>\\");
    t.Configuracao24_25 = comSequencia("  <IdTerminal>%x</IdTerminal>\\");
    t.Configuracao28 = comSequencia(
        "  <TituloListaParadas>%s</TituloListaParadas>\\  <TipoChegada>%d</TipoChegada>\\"
        "  <TipoSaida>%d</TipoSaida>\\  <ListaParadas>%d</ListaParadas>\\"
        "  <NaturezaOperacao>%d</NaturezaOperacao>\\  <IdTerminal>%x</IdTerminal>\\");
    t.Simulador = comCabecalho("");
    for (std::string* s : {&t.Normal, &t.NormalComTempo, &t.TrocaOperadora, &t.Controle, &t.Autorizacao,
                           &t.MensagemLivre, &t.ConfigMensagemFormatada, &t.MensagemPreDefinida,
                           &t.MensagemFormatada, &t.MensagemBinaria, &t.Configuracao3, &t.Configuracao5,
                           &t.Configuracao14_21_26, &t.Configuracao22, &t.Configuracao23, &t.Configuracao24_25,
                           &t.Configuracao28, &t.Simulador})
      *s = ComSeparadoresCRLF(*s);
    return t;
  }();
  return m;
}

const ListasTelecomando& ListasTelecomando::listas() {
  static const ListasTelecomando l = [] {
    ListasTelecomando t;
    t.cmb_codmsg = {"11 : Posição Avulsa"_cp,      "2F : Ativar Modo Rastreado",  "52 : Ativar Modo Interativo",
                    "14 : Desativar",               "15 : Bloquear",               "16 : Desbloquear",
                    "1F : Lacrar Baú"_cp,           "22 : Deslacrar Baú"_cp,       "20 : Lacrar Cabine",
                    "23 : Deslacrar Cabine",        "21 : Lacrar Carreta",         "24 : Deslacrar Carreta",
                    "59 : Temperatura Avulsa",      "3F : Enviar Bip",             "E6 : Lacrar Motor - 0",
                    "E6 : Lacrar Motor - 30",       "E6 : Lacrar Motor - 300",     "E6 : Lacrar Motor - 600",
                    "E6 : Lacrar Motor - 1200",     "E6 : Lacrar Motor - 1800",    "E8 : Deslacrar Motor"};
    t.cmb_controle = {"-1 : Solicitar Lista de Rastreadores",
                      "-2 : Solicitar Lista de Operação"_cp,
                      "-4 : Solicitar Lista de Perfil de Configuração"_cp,
                      "-6 : Solicitar Lista de Perfil de Definição (SE)"_cp,
                      "-7 : Solicitar Lista de Alvos (SE)",
                      "-8 : Solicitar Lista de Cercas (SE)",
                      "-12: Solicitar Lista de Mensagens Formatadas",
                      "-13: Solicitar Lista de Mensagens ELP",
                      "-16: Solicitar Lista de Mensagens Pré-Definidas"_cp,
                      "-30: Solicitar Lista de Televentos Personalizados de Usuário"_cp,
                      ""};
    t.cbMensagem = {"Mensagem Livre", "Configuração de Mensagem Formatada"_cp, "Mensagem Pré- Definida"_cp,
                    "Mensagem Formatada", "Mensagem Binária"_cp};
    t.cmb_autorizacao = {"17 - Autorizar Chegada",
                         "18 - Autorizar Abertura de Baú"_cp,
                         "1B - Autorizar Deslacre de Baú"_cp,
                         "1C - Autorizar Deslacre de Cabine",
                         "1D - Autorizar Deslacre de Carreta",
                         "1E - Recusar Solicitação de Autorização"_cp,
                         "50 - Autorizar Conexão com Central"_cp,
                         "E9 - Autorizar Deslacre de Motor"};
    std::sort(t.cmb_autorizacao.begin(), t.cmb_autorizacao.end());  // a sorted list
    t.cmb_configuracoes = {"-3 : Associar Operação"_cp,
                           "-5 : Associar Perfil de Configuração"_cp,
                           "-14: Solicitar Mensagens ELP associadas ao Rastreador",
                           "-21: Transmitir Operação"_cp,
                           "-22: Transmitir Perfil de Configuração"_cp,
                           "-23: Transmitir Conjuntos de Alvos",
                           "-24: Transmitir Conjuntos de Cercas",
                           "-25: Transmitir Conjuntos de Rotas",
                           "-26: Solicitar Status da Transmissão da Operação"_cp,
                           "-28: Transmitir Mensagens de Extensão Logística de Parada"_cp,
                           ""};
    t.cmb_OpcaoConf = {"0   : Opções de Segurança"_cp,
                       "1   : Comportamento do veículo nas Exceções"_cp,
                       "2   : Configuração do Histórico"_cp,
                       "3   : Atuadores",
                       "4   : Opções Gerais e Modo Interativo"_cp,
                       "5   : Senhas",
                       "6   : Telefones Centrais",
                       "7   : Configurar Comunicação com as Centrais"_cp,
                       "8   : Transmissão de teleeventos (Central Principal)"_cp,
                       "9   : Transmissão de teleeventos (Central Auxiliar)"_cp,
                       "10 : Opções de Segurança Eletrônica (Central Principal)"_cp,
                       "11 : Opções de Segurança Eletrônica (Central Auxiliar)"_cp,
                       "12 : Temperatura (Central Principal)",
                       "13 : Temperatura (Central Auxiliar)",
                       "14 : Opções do Rastreador Solar"_cp,
                       "15 : Configurar Extensão Logística de Parada"_cp,
                       "16 : Configuração do Teclado Multimídia (Acessório)"_cp};
    t.cmb_codmsgtroca = {"E3 : Troca Operadora Celular (Tim) - 1", "E3 : Troca Operadora Celular (Claro) - 2", ""};
    t.rg_caracteristica = {"Não-Voláteis"_cp, "Voláteis"_cp};
    t.rg_atendimento = {"Não Utilizar"_cp, "Utilizar"};
    t.rg_sobreposicao = {"Com centro mais próximo"_cp, "Primeiro alvo da seqüência"_cp};
    t.opChegada = {"Não usar"_cp, "Listar Macros", "Motivo Chegada"};
    t.opSaida = {"Não usar"_cp, "Listar Macros", "Motivo Saída"_cp};
    t.rotacaoSimulador = {"11 : Posição Avulsa"_cp, "14 : Desativar",        "15 : Bloquear",
                          "16 : Desbloquear",       "1F : Lacrar Baú"_cp,    "22 : Deslacrar Baú"_cp,
                          "20 : Lacrar Cabine",     "23 : Deslacrar Cabine", "21 : Lacrar Carreta",
                          "24 : Deslacrar Carreta", "59 : Temperatura Avulsa"};
    return t;
  }();
  return l;
}

std::vector<std::string> ListaControleVersaoAntiga() { return {"-1 : Solicitar Lista de Rastreadores"}; }

}  // namespace kvt::cliente
