#include "client/compositor.h"

#include <chrono>
#include <memory>
#include <random>

#include "client/formato.h"
#include "client/modelos_telecomando.h"
#include "platform/text/cp1252.h"
#include "platform/text/trim.h"

namespace kvt::cliente {

using namespace text::literals;

const char* TituloAba(Aba aba) {
  static const std::string titulos[kNumAbas] = {"Telecomandos Normais",
                                                "Telecomandos de Controle",
                                                "Troca Operadora Celular",
                                                "Mensagens",
                                                "Autorizações"_cp,
                                                "Configurações"_cp,
                                                "Segurança Eletrônica / Mensagens ELP"_cp};
  return titulos[static_cast<int>(aba)].c_str();
}

Aleatorio AleatorioSemeado() {
  auto gerador = std::make_shared<std::mt19937>(static_cast<std::uint32_t>(
      std::chrono::steady_clock::now().time_since_epoch().count() ^
      std::chrono::system_clock::now().time_since_epoch().count()));
  return [gerador](std::uint32_t n) -> std::uint32_t {
    if (n == 0) return 0;
    return std::uniform_int_distribution<std::uint32_t>(0, n - 1)(*gerador);
  };
}

std::string CodigoDoItem(const std::string& item, std::size_t n) { return text::trim(item.substr(0, n)); }

std::string EscapaTextoLivre(const std::string& texto) {
  std::string out;
  out.reserve(texto.size());
  for (char c : texto) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

bool TeclaAceitaTextoLivre(char c) { return c != '~' && c != '`'; }

const std::string& ModeloNormal(const std::string& item) {
  const ModelosTelecomando& m = ModelosTelecomando::preparados();
  return CodigoDoItem(item, 2) == "E6" ? m.NormalComTempo : m.Normal;
}

const std::string& ModeloMensagem(TipoMensagem tipo) {
  const ModelosTelecomando& m = ModelosTelecomando::preparados();
  switch (tipo) {
    case TipoMensagem::Livre: return m.MensagemLivre;
    case TipoMensagem::Configuracao: return m.ConfigMensagemFormatada;
    case TipoMensagem::PreDefinida: return m.MensagemPreDefinida;
    case TipoMensagem::Formatada: return m.MensagemFormatada;
    case TipoMensagem::Binaria: break;
  }
  return m.MensagemBinaria;
}

CamposMensagem CamposDaMensagem(TipoMensagem tipo) {
  switch (tipo) {
    case TipoMensagem::Livre: return {true, true, true, false, false};
    case TipoMensagem::Configuracao: return {};
    case TipoMensagem::PreDefinida: return {false, false, true, true, false};
    case TipoMensagem::Formatada: return {true, false, true, false, true};
    case TipoMensagem::Binaria: break;
  }
  return {true, false, true, false, false};
}

const std::string& ModeloConfiguracao(const std::string& item) {
  static const std::string vazio;
  const ModelosTelecomando& m = ModelosTelecomando::preparados();
  const std::string codigo = CodigoDoItem(item, 3);
  if (codigo == "-3") return m.Configuracao3;
  if (codigo == "-5") return m.Configuracao5;
  if (codigo == "-14" || codigo == "-21" || codigo == "-26") return m.Configuracao14_21_26;
  if (codigo == "-22") return m.Configuracao22;
  if (codigo == "-23") return m.Configuracao23;
  if (codigo == "-24" || codigo == "-25") return m.Configuracao24_25;
  if (codigo == "-28") return m.Configuracao28;
  return vazio;
}

bool MostraELP(const std::string& item) { return CodigoDoItem(item, 3) == "-28"; }

namespace {

using Args = std::vector<ArgumentoFormato>;

std::int64_t inteiro(const std::string& texto) { return StrToInt(texto); }
std::int64_t marcado(bool b) { return b ? 1 : 0; }

// The head's values in template order: IdSeqMsg, Origem, Destino, CodMsg,
// DataHoraEmissao, IdTerminal.
Args cabecalho(std::int64_t idSeqMsg, const CamposComposicao& c, const std::string& codMsg,
               const std::string& dataHora) {
  return {idSeqMsg, c.Origem, c.Destino, codMsg, dataHora, inteiro(c.IdTerminal)};
}

template <typename... T>
Args mais(Args a, T&&... resto) {
  (a.push_back(ArgumentoFormato(std::forward<T>(resto))), ...);
  return a;
}

}  // namespace

Composicao ComporTelecomando(Aba aba, const CamposComposicao& c, const Aleatorio& aleatorio,
                             const std::string& dataHora) {
  const auto seqCurta = [&] { return static_cast<std::int64_t>(aleatorio(99999)); };
  switch (aba) {
    case Aba::Normais: {
      const std::int64_t idSeq = aleatorio(99999999);
      const std::string codMsg = c.cmb_codmsg.substr(0, 2);
      if (CodigoDoItem(c.cmb_codmsg, 2) == "E6") {
        const std::int64_t tempo = inteiro(text::trim(c.cmb_codmsg.size() > 20 ? c.cmb_codmsg.substr(20, 4) : ""));
        return {Formata(c.mem_normal, {idSeq, c.Origem, c.Destino, codMsg, tempo, dataHora, inteiro(c.IdTerminal)}),
                {}};
      }
      return {Formata(c.mem_normal, cabecalho(idSeq, c, codMsg, dataHora)), {}};
    }
    case Aba::Troca: {
      const std::int64_t idSeq = seqCurta();
      const std::string operadora = c.cmb_codmsgtroca.empty() ? "" : c.cmb_codmsgtroca.substr(c.cmb_codmsgtroca.size() - 1);
      return {Formata(c.mem_troca, mais(cabecalho(idSeq, c, c.cmb_codmsgtroca.substr(0, 2), dataHora),
                                        inteiro(operadora))),
              {}};
    }
    case Aba::Controle:
      return {Formata(c.mem_controle, {CodigoDoItem(c.cmb_controle, 3), dataHora}), {}};
    case Aba::Autorizacoes: {
      if (c.ed_idautorizacao.empty()) return {"", "Digite um ID de autorização válido !"_cp};
      const std::int64_t idSeq = seqCurta();
      return {Formata(c.mem_autorizacao, mais(cabecalho(idSeq, c, c.cmb_autorizacao.substr(0, 2), dataHora),
                                              inteiro(c.ed_idautorizacao))),
              {}};
    }
    case Aba::Mensagens: {
      const std::int64_t idSeq = seqCurta();
      const std::string texto = EscapaTextoLivre(c.ed_msg_livre);
      switch (c.cbMensagem) {
        case TipoMensagem::Livre:
          return {Formata(c.mem_msg, mais(cabecalho(idSeq, c, "13", dataHora), texto,
                                          static_cast<std::int64_t>(aleatorio(255)), marcado(c.chk_ConfirmaLeitura),
                                          marcado(c.chk_ConfirmaRecebimento))),
                  {}};
        case TipoMensagem::Configuracao:
          return {Formata(c.mem_msg, cabecalho(idSeq, c, "5C", dataHora)), {}};
        case TipoMensagem::PreDefinida:
          return {Formata(c.mem_msg, mais(cabecalho(idSeq, c, "60", dataHora), inteiro(c.ed_msg_pre),
                                          marcado(c.chk_ConfirmaRecebimento))),
                  {}};
        case TipoMensagem::Formatada:
          return {Formata(c.mem_msg, mais(cabecalho(idSeq, c, "6A", dataHora),
                                          static_cast<std::int64_t>(aleatorio(255)), EscapaTextoLivre(c.ed_hash),
                                          texto, marcado(c.chk_ConfirmaRecebimento))),
                  {}};
        case TipoMensagem::Binaria:
          return {Formata(c.mem_msg, mais(cabecalho(idSeq, c, "6B", dataHora), texto,
                                          static_cast<std::int64_t>(aleatorio(255)),
                                          marcado(c.chk_ConfirmaRecebimento))),
                  {}};
      }
      return {};
    }
    case Aba::Configuracoes: {
      const std::string codigo = CodigoDoItem(c.cmb_configuracoes, 3);
      const std::string tipoConf = CodigoDoItem(c.cmb_OpcaoConf, 3);
      if (codigo == "-3")
        return {Formata(c.mem_trans, {codigo, dataHora, inteiro(c.ed_Operacao), inteiro(c.IdTerminal)}), {}};
      if (codigo == "-5")
        return {Formata(c.mem_trans, {codigo, dataHora, inteiro(c.ed_Configuracao), tipoConf, inteiro(c.IdTerminal)}),
                {}};
      if (codigo == "-14" || codigo == "-21" || codigo == "-26")
        return {Formata(c.mem_trans, {codigo, dataHora, inteiro(c.IdTerminal)}), {}};
      if (codigo == "-22")
        return {Formata(c.mem_trans, {seqCurta(), codigo, dataHora, tipoConf, inteiro(c.IdTerminal)}), {}};
      if (codigo == "-23")
        return {Formata(c.mem_trans, {seqCurta(), codigo, dataHora, std::int64_t{c.rg_caracteristica},
                                      std::int64_t{c.rg_atendimento}, std::int64_t{c.rg_sobreposicao},
                                      inteiro(c.IdTerminal)}),
                {}};
      if (codigo == "-24" || codigo == "-25")
        return {Formata(c.mem_trans, {seqCurta(), codigo, dataHora, inteiro(c.IdTerminal)}), {}};
      if (codigo == "-28")
        return {Formata(c.mem_trans, {seqCurta(), codigo, dataHora, EscapaTextoLivre(c.ed_Titulo),
                                      std::int64_t{c.opChegada}, std::int64_t{c.opSaida},
                                      marcado(c.chk_ListaParadas), marcado(c.chk_NaturezaOperacao),
                                      inteiro(c.IdTerminal)}),
                {}};
      return {Formata(c.mem_trans, {}), {}};  // the blank item: its (empty) template as it stands
    }
    case Aba::Seguranca:
      return {c.mem_seg_eletr, {}};
  }
  return {};
}

}  // namespace kvt::cliente
