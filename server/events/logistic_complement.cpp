#include "server/events/logistic_complement.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "platform/clock/clock.h"
#include "platform/text/cp1252.h"
#include "platform/text/date_time.h"
#include "platform/text/float_text.h"
#include "platform/text/trim.h"
#include "server/events/complement_hex.h"

namespace kvt::events {

using namespace kvt::text::literals;

namespace {

constexpr const char* kRotina = "TFPrincipal.Post2XML";

// A piece of the complement that cannot be converted (it is empty).
struct FalhaConversao {};

std::int32_t hex(std::string_view pedaco) {
  const auto v = HexParaInt(pedaco);
  if (!v) throw FalhaConversao{};
  return *v;
}

std::uint32_t hexu(std::string_view pedaco) {
  const auto v = HexParaNum(pedaco);
  if (!v) throw FalhaConversao{};
  return *v;
}

template <class T>
std::string num(T v) {
  return std::to_string(v);
}

std::string bit(std::int64_t x, int k) { return num((x >> k) & 1); }

std::string hexMaiusculo(std::uint32_t v, int digitos) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*X", digitos, v);
  return buf;
}

std::string erroGenerico(std::int32_t n, std::string_view c, std::int32_t t) {
  return "Erro ao processar o complemento do teleevento logístico "_cp + num(n) + ". ComplementoEvt = " +
         std::string(c) + "; IdTerminal = " + num(t);
}

std::string textoTratamento(int tratamento) {
  switch (tratamento) {
    case 0: return "Falha no tratamento";
    case 1: return "Teleevento normal";
    case 2: return "Alerta";
    case 3: return "Alarme";
    case 4: return "Bloqueio";
    default: return {};
  }
}

std::string textoArea(int area) {
  switch (area) {
    case -1: return "Falha no Tipo Area";
    case 0: return "Cerca de saída restrita"_cp;
    case 1: return "Cerca de entrada restrita";
    case 2: return "Cerca de patio";
    case 3: return "Cerca de passagem";
    case 4: return "Rota";
    case 5: return "Alvo";
    default: return {};
  }
}

std::optional<int> digitoDecimal(std::string_view c, int posicao) {
  const std::string_view d = Pedaco(c, posicao, posicao);
  if (d.empty() || d[0] < '0' || d[0] > '9') return std::nullopt;
  return d[0] - '0';
}

struct TextosRecepcao {
  std::string cabecalho;
  std::string listado;     // followed by t + "]."
  std::string registrado;  // followed by t + "] +ComplementoEvt[" + c + "]"
};

const TextosRecepcao* textosRecepcao(std::int32_t n) {
  static const TextosRecepcao ok{
      "Recebido TeleEvento Logistico[0x95] Evento[RECEPCAO_OK=169] para IdTerminal [",
      "Erro ao processar o complemento do teleevento logístico Evento[RECEPCAO_OK=169] para IdTerminal["_cp,
      "Erro ao processar complemento do TeleEvento Logistico[0x95] Evento[RECEPCAO_OK=169] para IdTerminal ["};
  static const TextosRecepcao timeout{
      "Recebido TeleEvento Logistico[0x95] Evento[TIMEOUT_RECEPCAO=178] para IdTerminal [",
      "Erro ao processar o complemento do teleevento logístico Evento[TIMEOUT_RECEPCAO=178] para IdTerminal["_cp,
      "Erro ao processar complemento do TeleEvento Logistico[0x95] Evento[TIMEOUT_RECEPCAO=178] para IdTerminal ["};
  static const TextosRecepcao falha{
      "Recebido TeleEvento Logistico[0x95] Evento[FALHA_PROCESSAMENTO=179] para IdTerminal para [",
      "Erro ao processar o complemento do teleevento logístico Evento[FALHA_PROCESSAMENTO=179] IdTerminal["_cp,
      "Erro ao processar complemento do  TeleEvento Logistico[0x95] Evento[FALHA_PROCESSAMENTO=179] para "
      "IdTerminal ["};
  switch (n) {
    case 169: return &ok;
    case 178: return &timeout;
    case 179: return &falha;
    default: return nullptr;
  }
}

// The alarm and event blocks of the Hyundai telemetry.
std::string blocosHyundai(std::int32_t b) {
  return "<AlarmesHyundai> "
         "<NivelBaixoLiqRefr> " + bit(b, 0) + " </NivelBaixoLiqRefr>"
         "<EngineCheck> " + bit(b, 1) + " </EngineCheck>"
         "<PressaoAltaOleoMotor> " + bit(b, 2) + " </PressaoAltaOleoMotor>"
         "<OleoHidrTempAlta> " + bit(b, 3) + " </OleoHidrTempAlta>"
         "<LiqRefrSuperAquec> " + bit(b, 4) + " </LiqRefrSuperAquec>"
         " </AlarmesHyundai> "
         "<EventosHyundai> "
         "<ModoPotencia> " + num((b >> 5) & 3) + " </ModoPotencia>"
         "<ModoUsuario> " + num((b >> 8) & 3) + " </ModoUsuario>"
         " </EventosHyundai> ";
}

// One engine-fault slot: bytes x, y, z from the characters at `inicio`.
std::string falhaMotor(std::string_view c, int inicio, std::int32_t b, int slot) {
  const std::int32_t x = hex(Pedaco(c, inicio, inicio + 1));
  const std::int32_t y = hex(Pedaco(c, inicio + 2, inicio + 3));
  const std::int32_t z = hex(Pedaco(c, inicio + 4, inicio + 5));
  const auto spn = static_cast<std::uint32_t>((x >> 5) * 65536 + y * 256 + z);
  const auto fmi = static_cast<std::uint32_t>(x & 31);
  const std::string k = num(slot);
  return "<Ativo" + k + "> " + bit(b, slot) + " </Ativo" + k + ">" + "<SPN" + k + "> " + hexMaiusculo(spn, 5) +
         " </SPN" + k + ">" + "<FMI" + k + "> " + hexMaiusculo(fmi, 2) + " </FMI" + k + ">";
}

std::string hyundai193(std::string_view c) { return blocosHyundai(hex(c)); }

std::string hyundai194(std::string_view c) {
  const std::int32_t b = hex(Pedaco(c, 19, 20));
  return "<FalhaMotorHyundai> " + falhaMotor(c, 13, b, 0) + falhaMotor(c, 7, b, 1) + falhaMotor(c, 1, b, 2) +
         "</FalhaMotorHyundai> ";
}

std::string hyundai195(std::string_view c) {
  std::string out = "<FalhaMaquinaHyundai> ";
  for (int posicao = 15; posicao >= 1; posicao -= 2) {
    out += Pedaco(c, posicao, posicao + 1);
    out += ' ';
  }
  return out + "</FalhaMaquinaHyundai>";
}

std::string hyundai196(std::string_view c) {
  std::string out = blocosHyundai(hex(Pedaco(c, 29, 32))) + " <InfoPeriodicasHyundai> ";
  const std::int32_t f = hex(Pedaco(c, 29, 30));
  out += "<NivelCombustivel> " + num(std::lround(((f >> 2) & 15) * 100 / 12.0)) + " </NivelCombustivel> ";
  out += "<ComunicacaoCLP> " + bit(f, 6) + " </ComunicacaoCLP> ";
  const std::int32_t e = hex(Pedaco(c, 25, 28));
  const bool comEficiencia = e != 65535;
  if (comEficiencia) out += "<Eficiencia> " + num(e) + " </Eficiencia> ";
  out += "<Horimetro> " + num(hex(Pedaco(c, 21, 24)) & 65535) + " </Horimetro> ";
  const std::int32_t potenciaH = hex(Pedaco(c, 15, 20)) & 16777215;
  const std::int32_t potenciaS = hex(Pedaco(c, 9, 14)) & 16777215;
  const std::int32_t usuarioM = hex(Pedaco(c, 3, 8)) & 16777215;
  if (comEficiencia) {
    out += "<TempoPotenciaH> " + num(potenciaH) + " </TempoPotenciaH> ";
    out += "<TempoPotenciaS> " + num(potenciaS) + " </TempoPotenciaS> ";
    out += "<TempoUsuarioM> " + num(usuarioM) + " </TempoUsuarioM> ";
  }
  out += "<SinalGSM> " + num(std::lround((hex(Pedaco(c, 1, 2)) & 31) * 100 / 31.0)) + " </SinalGSM> ";
  return out + " </InfoPeriodicasHyundai> ";
}

}  // namespace

tComplementoEvento::tComplementoEvento(RegistroLog log, ListaAtividades lista, PesquisaAlvo pesquisaAlvo)
    : log_(std::move(log)), lista_(std::move(lista)), pesquisaAlvo_(std::move(pesquisaAlvo)) {}

void tComplementoEvento::registra(const std::string& mensagem) const {
  if (log_) log_(kRotina, mensagem);
}

void tComplementoEvento::lista(const std::string& linha) const {
  if (lista_) lista_(linha);
}

std::string tComplementoEvento::Complemento(std::string_view codigoEvento, std::int32_t numeroLogistico,
                                            std::string_view complemento, std::int32_t terminal,
                                            std::int32_t indicadorSolar) const {
  std::string out;
  if (codigoEvento == "92") out = "<Complemento>" + std::string(complemento) + "</Complemento>";
  return out + ComplementoLogistico(numeroLogistico, complemento, terminal, indicadorSolar);
}

std::string tComplementoEvento::ComplementoLogistico(std::int32_t n, std::string_view c, std::int32_t t,
                                                     std::int32_t indicadorSolar) const {
  switch (n) {
    case 4: case 5: case 13: case 14: case 24: case 25:
      return ComplementoReferencia(n, c, t);
    case 22: case 23:
      return ComplementoTratamentoArea(n, c);
    case 53:
      return ComplementoTemperatura(n, c, t);
    case 113: case 114: case 132: case 133: case 134: case 135: case 138:
      return indicadorSolar > 0 ? ComplementoRastreadorSolar(n, c, t) : std::string();
    case 120: case 121: case 122: case 123:
      return ComplementoOrdemAlvo(n, c, t);
    case 124: case 125:
      return ComplementoResultadoAlvo(n, c, t);
    case 148: case 149:
      return ComplementoSequenciaMensagem(n, c, t);
    case 169: case 178: case 179:
      return ComplementoRecepcao(n, c, t);
    case 184:
      return ComplementoInfracao(n, c, t);
    case 193: case 194: case 195: case 196:
      return ComplementoHyundai(n, c, t);
    default:
      return {};
  }
}

std::string tComplementoEvento::ComplementoReferencia(std::int32_t n, std::string_view c, std::int32_t t) const {
  try {
    return "<Referencia>" + num(hex(c)) + "</Referencia>";
  } catch (const FalhaConversao&) {
    lista(erroGenerico(n, c, t));
    return {};
  }
}

std::string tComplementoEvento::ComplementoTratamentoArea(std::int32_t n, std::string_view c) const {
  const auto erro = [&](const char* parte) {
    lista("[" + text::dateTimeToStr(clk::now()) + "] Erro ao obter complemento (" + parte +
          ") do teleevento logístico nr. "_cp + num(n) + " (Entrada de Area). ComplementoEvt = " + std::string(c));
  };
  const auto digitoTratamento = digitoDecimal(c, 1);
  if (!digitoTratamento) erro("Tratamento");
  const int tratamento = digitoTratamento ? *digitoTratamento + 1 : 0;
  std::string out = "<Tipo_Tratamento>" + textoTratamento(tratamento) + "</Tipo_Tratamento>";
  const auto digitoArea = digitoDecimal(c, 2);
  if (!digitoArea) erro("Tipo_Area");
  const int area = digitoArea ? *digitoArea : -1;
  return out + "<Tipo_Area>" + textoArea(area) + "</Tipo_Area>";
}

std::string tComplementoEvento::ComplementoTemperatura(std::int32_t n, std::string_view c, std::int32_t t) const {
  try {
    const std::uint32_t a = hexu(Pedaco(c, 14, 14));
    std::string out = " <Temperatura_Validade> " + bit(a, 0) + " </Temperatura_Validade> " +
                      " <Temperatura_Controle> " + bit(a, 1) + " </Temperatura_Controle> " +
                      " <Temperatura_Tecnologia> " + num((a >> 2) & 63) + " </Temperatura_Tecnologia> ";
    const std::uint32_t v = hexu(Pedaco(c, 9, 12));
    const std::int64_t s16 = v < 32768 ? static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v) - 65536;
    out += " <Temperatura_Valor> " + text::floatToStr(static_cast<double>(s16) / 10) + " </Temperatura_Valor> ";
    out += " <Temperatura_Intervalo> " + num(static_cast<std::uint32_t>(hex(Pedaco(c, 1, 8)))) +
           " </Temperatura_Intervalo> ";
    out += " <Temperatura_AcaoAlarme> " + num(hex(Pedaco(c, 15, 15)) & 255) + " </Temperatura_AcaoAlarme> ";
    out += " <Temperatura_Codigo> " + num(hex(Pedaco(c, 16, 16)) & 255) + " </Temperatura_Codigo> ";
    return out;
  } catch (const FalhaConversao&) {
    lista(erroGenerico(n, c, t));
    return {};
  }
}

std::string tComplementoEvento::ComplementoRastreadorSolar(std::int32_t n, std::string_view c,
                                                           std::int32_t t) const {
  try {
    const std::int32_t alimentacao = hex(Pedaco(c, 2, 2));
    const std::pair<const char*, std::string> valores[] = {
        {"Tensao_Bat", text::formatFixed7_1(hex(Pedaco(c, 13, 16)) / 10.0)},
        {"Tensao_Painel", text::formatFixed7_1(hex(Pedaco(c, 9, 12)) / 10.0)},
        {"Corrente_Bat", num(hex(Pedaco(c, 5, 8)))},
        {"Temperatura", num(hex(Pedaco(c, 3, 4)))},
        {"Alimentacao", num(alimentacao & 3)},
        {"Carregador", num((alimentacao & 12) / 4)},
        {"Nivel_Bateria", std::string(Pedaco(c, 1, 1))},
    };
    std::string out;
    for (const auto& [nome, valor] : valores)
      out += std::string(" <RISOLAR_") + nome + "> " + valor + " </RISOLAR_" + nome + "> ";
    return out;
  } catch (const FalhaConversao&) {
    lista(erroGenerico(n, c, t));
    return {};
  }
}

std::string tComplementoEvento::ElementoAlvo(std::int32_t alvo, std::int32_t terminal) const {
  const std::string out = "<OrdemEnvioAlvo> " + num(alvo) + " </OrdemEnvioAlvo> ";
  const std::optional<std::string> nome = pesquisaAlvo_ ? pesquisaAlvo_(terminal, alvo) : std::nullopt;
  if (nome) return out + "<Nome_Alvo> " + TextoElemento(*nome) + " </Nome_Alvo>";
  return out + "<Nome_Alvo> ALVO NR. " + num(alvo) + " NAO IDENTIFICADO " + " </Nome_Alvo>";
}

std::string tComplementoEvento::ComplementoOrdemAlvo(std::int32_t n, std::string_view c, std::int32_t t) const {
  std::int32_t alvo = 0;
  try {
    alvo = hex(Pedaco(c, 1, 8));
  } catch (const FalhaConversao&) {
    lista(erroGenerico(n, c, t));
  }
  return ElementoAlvo(alvo, t);
}

std::string tComplementoEvento::ComplementoResultadoAlvo(std::int32_t n, std::string_view c, std::int32_t t) const {
  const auto sufixo = [&] {
    return num(n) + ". ComplementoEvt = " + std::string(c) + "; IdTerminal = " + num(t);
  };
  std::int32_t alvo = 0;
  try {
    alvo = hex(Pedaco(c, 3, 8));
  } catch (const FalhaConversao&) {
    lista("Erro ao obter IdAlvo do complemento do teleevento logístico nr. "_cp + sufixo());
  }
  std::int32_t resultado = 0;
  try {
    resultado = hex(Pedaco(c, 1, 2));
  } catch (const FalhaConversao&) {
    lista("Erro ao obter Resultado_Operacao do complemento do teleevento logístico nr. "_cp + sufixo());
  }
  return ElementoAlvo(alvo, t) + " <Resultado_Operacao> " + num(resultado) + " </Resultado_Operacao>";
}

std::string tComplementoEvento::ComplementoSequenciaMensagem(std::int32_t n, std::string_view c,
                                                             std::int32_t t) const {
  const bool curto = text::trim(c).size() == 8;
  std::string out;
  try {
    const int p = curto ? 7 : 15;
    const std::int32_t b = hex(Pedaco(c, p, p + 1));
    out += ((b >> 7) & 1) == 0 ? " <TipoMsg> 1 </TipoMsg>" : " <TipoMsg> 0 </TipoMsg>";
    out += " <SequenciaChegada> " + num(b & 127) + " </SequenciaChegada>";
    if (n == 149) {
      const int q = curto ? 5 : 13;
      out += " <SequenciaSaida> " + num(hex(Pedaco(c, q, q + 1))) + " </SequenciaSaida>";
    }
  } catch (const FalhaConversao&) {
    lista(erroGenerico(n, c, t));
  }
  return out;
}

std::string tComplementoEvento::ComplementoRecepcao(std::int32_t n, std::string_view c, std::int32_t t) const {
  const TextosRecepcao* textos = textosRecepcao(n);
  if (!textos) return {};
  const int tamanho = static_cast<int>(c.size());
  try {
    const std::uint32_t tipo = hexu(Pedaco(c, tamanho - 1, tamanho));
    const std::uint32_t confirmacao = hexu(Pedaco(c, tamanho - 3, tamanho - 2));
    registra(textos->cabecalho + num(t) + "] TipoMensagem[" + num(tipo) + "] IdMsgConfirmacao[" +
             num(confirmacao) + "]");
    return " <TipoMensagem> " + num(tipo) + " </TipoMensagem>" + " <IdMsgConfirmacao> " + num(confirmacao) +
           " </IdMsgConfirmacao>";
  } catch (const FalhaConversao&) {
    lista(textos->listado + num(t) + "].");
    registra(textos->registrado + num(t) + "] +ComplementoEvt[" + std::string(c) + "]");
    return {};
  }
}

std::string tComplementoEvento::ComplementoInfracao(std::int32_t n, std::string_view c, std::int32_t t) const {
  const std::string codigo = "[CODIGO=" + num(n) + "] para IdTerminal para [" + num(t) + "]";
  registra("Recebido TeleEvento Logistico[0x95] Evento Telemetria Trovik " + codigo);
  try {
    const std::uint32_t tipo = hexu(Pedaco(c, 6, 6));
    std::uint32_t valor = 0;
    if (tipo <= 1) valor = hexu(Pedaco(c, 9, 10));
    if (tipo == 2) valor = hexu(Pedaco(c, 9, 10)) * 100;
    const std::uint32_t duracao = tipo == 3 || tipo == 4 ? 0 : hexu(Pedaco(c, 13, 16));
    const std::string out = "<TipoInfracao> " + num(tipo) + " </TipoInfracao>" + "<ValorMaximoMedido> " +
                            num(valor) + " </ValorMaximoMedido> " + "<DuracaoInfracao>" + num(duracao) +
                            "</DuracaoInfracao> ";
    registra("Processado TeleEvento Logistico[0x95] Evento Telemetria Trovik " + codigo);
    return out;
  } catch (const FalhaConversao&) {
    lista("Erro ao processar o complemento do teleevento logístico Evento Telemetria Trovik [CODIGO="_cp + num(n) +
          "] IdTerminal[" + num(t) + "].");
    registra("Erro ao processar complemento do TeleEvento Logistico[0x95] Evento Telemetria Trovik [CODIGO=" +
             num(n) + "] para IdTerminal [" + num(t) + "] +ComplementoEvt[" + std::string(c) + "]");
    return {};
  }
}

std::string tComplementoEvento::ComplementoHyundai(std::int32_t n, std::string_view c, std::int32_t t) const {
  registra("Recebido TeleEvento Logistico[0x95] Evento Telemetria Hyundai [CODIGO=" + num(n) +
           "] para IdTerminal para [" + num(t) + "]");
  try {
    switch (n) {
      case 193: return hyundai193(c);
      case 194: return hyundai194(c);
      case 195: return hyundai195(c);
      case 196: return hyundai196(c);
      default: return {};
    }
  } catch (const FalhaConversao&) {
    lista("Erro ao processar o complemento do teleevento logístico Evento Telemetria Hyundai [CODIGO="_cp + num(n) +
          "] IdTerminal[" + num(t) + "].");
    registra("Erro ao processar complemento do  TeleEvento Logistico[0x95]Evento Telemetria Hyundai [CODIGO=" +
             num(n) + "]  para IdTerminal [" + num(t) + "] +ComplementoEvt[" + std::string(c) + "]");
    return {};
  }
}

}  // namespace kvt::events
