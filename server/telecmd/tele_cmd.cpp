#include "server/telecmd/tele_cmd.h"

#include <optional>

#include "platform/text/cp1252.h"
#include "platform/text/integer_text.h"
#include "server/telecmd/texto_xml.h"

namespace kvt::telecmd {

using namespace text::literals;

namespace {

// Sets a busy flag for the lifetime of the object; the flag is cleared however
// the handler ends, so one failed request never blocks the later ones.
class Ocupado {
 public:
  explicit Ocupado(bool& flag) : flag_(flag) { flag_ = true; }
  ~Ocupado() { flag_ = false; }
  Ocupado(const Ocupado&) = delete;
  Ocupado& operator=(const Ocupado&) = delete;

 private:
  bool& flag_;
};

// A negative CodMsg is a decimal control code; any other is hexadecimal.
std::int32_t leCodMsg(const std::string& texto) {
  if (!texto.empty() && texto.front() == '-') return text::strToIntDef(texto, 0);
  return HexParaInt(texto).value_or(0);
}

constexpr std::size_t kMaxLinhasLista = 1000;

}  // namespace

DependenciasVeiculo tTeleCmd::dependenciasVeiculo(const Dependencias& d) {
  return {d.dbZenthora, d.cfg, d.estado, d.logs, d.respostas, *verifica_, *cadastro_, *qrVeiculo_};
}

tTeleCmd::tTeleCmd(const Dependencias& d)
    : canal_(d.canal),
      cfg_(d.cfg),
      estado_(d.estado),
      status_(d.status),
      logs_(d.logs),
      dbZenthora_(d.dbZenthora),
      respostas_(d.respostas),
      permissao_(d.permissao),
      qrLogin_(std::make_unique<db::Statement>(d.dbZenthora, sqlLoginOperador())),
      verifica_(std::make_unique<tVerificaTransmissao>(d.dbZenthora, d.cfg.TIMEOUT_DESABILITAR_GPRS_TELECMD)),
      cadastro_(std::make_unique<common::tCadastroVeiculos>(d.dbZenthora)),
      qrVeiculo_(std::make_unique<common::tQrVeiculo>(d.dbZenthora)),
      comandoVeiculo_(std::make_unique<tComandoVeiculo>(dependenciasVeiculo(d))),
      mensagensFormatadas_(std::make_unique<tMensagensFormatadas>(dependenciasVeiculo(d))) {
  DefineTratador(Tratador::EfetuaLogin, [this](const PedidoTeleCmd& p) {
    EfetuaLogin(p.raiz, p.ip, p.porta);
    return true;
  });
  DefineTratador(Tratador::EnviaComandoVeiculo,
                 [this](const PedidoTeleCmd& p) { return comandoVeiculo_->EnviaComandoVeiculo(p); });
  DefineTratador(Tratador::ConfiguraMensagensFormatadas,
                 [this](const PedidoTeleCmd& p) { return mensagensFormatadas_->ConfiguraMensagensFormatadas(p); });
  DefineTratador(Tratador::EnviaMensagemFormatada,
                 [this](const PedidoTeleCmd& p) { return mensagensFormatadas_->EnviaMensagemFormatada(p); });
}

void tTeleCmd::DefineTratador(Tratador slot, TratadorTeleCmd tratador) {
  if (slot == Tratador::Nenhum || slot == Tratador::Quantidade) return;
  tratadores_[static_cast<std::size_t>(slot)] = std::move(tratador);
}

bool tTeleCmd::TemTratador(Tratador slot) const {
  if (slot == Tratador::Nenhum || slot == Tratador::Quantidade) return false;
  return static_cast<bool>(tratadores_[static_cast<std::size_t>(slot)]);
}

void tTeleCmd::log(std::string_view mensagem) { logs_.log("tTeleCmd", mensagem); }

void tTeleCmd::ExecutaTeleCmd(const std::string& xml, const std::string& ip, int porta) {
  std::string erro;
  try {
    ProcessaTeleCmd(xml, ip, porta);
    return;
  } catch (const std::exception& e) {
    erro = e.what();
  } catch (...) {
    erro = "Exceção desconhecida"_cp;
  }
  const std::string cliente = ip + ":" + std::to_string(porta);
  log("Erro ao processar TeleComando do Cliente[" + cliente + "]\r\n[" + erro + "]");
  MostraNaLista("[" + DataHoraAtual() + "] Erro ao processar XML do Cliente[" + cliente +
                "] verifique o arquivo de log.");
  MostraAviso("Erro ao processar XML em " + DataHoraAtual());
  log("XML que gerou erro:\r\n" + xml);
  log("Mensagem de Erro: " + erro);
}

void tTeleCmd::ProcessaTeleCmd(const std::string& xml, const std::string& ip, int porta) {
  xml_ = xml;
  ip_ = ip;
  porta_ = porta;

  // A telecommand started while another one is still being handled parses
  // into a document of its own, so the outer handler's document stays intact.
  std::optional<xml::Document> proprio;
  xml::Document& documento = profundidade_ > 0 ? proprio.emplace() : documento_;
  struct Profundidade {
    int& n;
    explicit Profundidade(int& p) : n(p) { ++n; }
    ~Profundidade() { --n; }
  } profundidade{profundidade_};

  if (!ValidaXML(documento, xml, ip)) return;
  const Cabecalho cab = LeCabecalho(documento);
  if (!cab.ok) return;

  const CanalClientes::Cliente cliente = canal_.LocalizaCliente(ip, porta);
  const std::string comunica = cliente.encontrado ? cliente.Comunica : "Nao";
  const std::int32_t idUsuario = cliente.encontrado ? cliente.IdUsuario : 0;

  if (comunica == "Nao" && cab.CodMsg != -27) {
    RetornaErroXML("KORVATEL aguardando o login, realize o login antes de comecar a comunicacao", "", "", 0, -1);
    MostraNaLista("[" + DataHoraAtual() + "] KORVATEL aguardando o login do Cliente.");
    return;
  }

  PedidoTeleCmd pedido;
  pedido.raiz = documento.root();
  pedido.CodMsg = cab.CodMsg;
  pedido.IdTerminal = cab.IdTerminal;
  pedido.IdSeqMsg = cab.IdSeqMsg;
  pedido.ServWeb = cab.ServWeb;
  pedido.IdUsuario = idUsuario;
  pedido.CodMsgTexto = cab.CodMsgTexto;
  pedido.IdTerminalTexto = cab.IdTerminalTexto;
  pedido.ip = ip;
  pedido.porta = porta;
  despacha(pedido);
}

void tTeleCmd::despacha(const PedidoTeleCmd& pedido) {
  const Tratador slot = TratadorDoCodigo(pedido.CodMsg);
  switch (slot) {
    case Tratador::Nenhum:
      return;  // 0, -17 to -20 and below -33: consumed without a reply
    case Tratador::ListaRastreadores: {
      if (ocupadoListaRastreadores_) return;
      Ocupado ocupado(ocupadoListaRastreadores_);
      chamaTratador(slot, pedido);
      return;
    }
    case Tratador::ListaOdometros: {
      if (ocupadoListaOdometros_) return;
      Ocupado ocupado(ocupadoListaOdometros_);
      log("tTeleCmd.ProcessaTeleCmd: [7.1] CMD_CONTROLE_SOLIC_ODOMETROS (inicio)");
      chamaTratador(slot, pedido);
      log("tTeleCmd.ProcessaTeleCmd: [7.1] CMD_CONTROLE_SOLIC_ODOMETROS (fim)");
      return;
    }
    default:
      break;
  }
  const bool enviado = chamaTratador(slot, pedido);
  if (pedido.CodMsg > 0 && enviado) {
    ++estado_.TotalCmdEnviados;
    status_.lbcmdsent = std::to_string(estado_.TotalCmdEnviados);
  }
}

bool tTeleCmd::chamaTratador(Tratador slot, const PedidoTeleCmd& pedido) {
  const TratadorTeleCmd& tratador = tratadores_[static_cast<std::size_t>(slot)];
  if (!tratador) {
    log("Telecomando com CodMsg " + std::to_string(pedido.CodMsg) + " (" + NomeTratador(slot) +
        ") ainda não é tratado por este servidor; descartado"_cp);
    return false;
  }
  return tratador(pedido);
}

bool tTeleCmd::ValidaXML(const std::string& xml, const std::string& ip) { return ValidaXML(documento_, xml, ip); }

bool tTeleCmd::ValidaXML(xml::Document& documento, const std::string& xml, const std::string& ip) {
  if (documento.parse(xml + "\r\n")) return true;
  MostraNaLista("[" + DataHoraAtual() + "] Recebido XML com erros de sintaxe do Cliente [" + ip + "]");
  RetornaErroXML("Recebido XML com erros. Verifique sua estrutura e sintaxe", "", "", 0, -1);
  log("XML com erro sintaxe:\r\n" + xml);
  for (const std::string& erro : documento.errors()) status_.lberro.append(erro);
  return false;
}

tTeleCmd::Cabecalho tTeleCmd::LeCabecalho(const xml::Document& documento) {
  Cabecalho c;
  for (xml::Element e = documento.root().firstChildElement(); e; e = e.nextSiblingElement()) {
    const std::string nome = e.upperName();
    if (nome == "SERV_WEB") {
      c.ServWeb = HexParaInt(e.value()).value_or(0);
    } else if (nome == "CODMSG") {
      c.CodMsgTexto = e.value();
      c.CodMsg = leCodMsg(c.CodMsgTexto);
    } else if (nome == "IDTERMINAL") {
      c.IdTerminalTexto = e.value();
      c.IdTerminal = HexParaInt(c.IdTerminalTexto).value_or(0);
    } else if (nome == "IDSEQMSG") {
      c.IdSeqMsg = text::strToIntDef(e.value(), 0);
    }
  }

  c.ok = true;
  const std::string codigo = std::to_string(c.CodMsg);
  if (!TeleCmdPermitido(c.CodMsg)) {
    RetornaErroXML("Telecomando não permitido: Verifique a existencia da Tag com o valor igual "_cp + codigo +
                       " no arquivo de configuração do KVT"_cp,
                   c.CodMsgTexto, c.IdTerminalTexto, 307, c.IdSeqMsg);
    c.ok = false;
  }
  if (c.IdSeqMsg <= 0 && c.CodMsg > 0) {
    RetornaErroXML("IdSeqMsg inválido para o Telecomando="_cp + codigo, c.CodMsgTexto, c.IdTerminalTexto, 0,
                   c.IdSeqMsg);
    c.ok = false;
  }
  if (c.ok && c.CodMsg > 0) c.ok = permissao_.PermissaoCentral(c.CodMsg, c.IdTerminal, "S");
  return c;
}

bool tTeleCmd::TeleCmdPermitido(std::int32_t codMsg) const {
  return cfg_.ListaTeleCmdPermitidos.find(std::to_string(codMsg)) != std::string::npos;
}

void tTeleCmd::RetornaErroXML(const std::string& mensagem, const std::string& telecomando,
                              const std::string& terminal, std::int32_t stsEnvio, std::int32_t idStatus) {
  respostas_.RetornaErroXML(mensagem, telecomando, terminal, stsEnvio, idStatus);
}

void tTeleCmd::EnviaResposta(const std::string& corpo) {
  ultimaResposta_ = corpo;
  canal_.Enfileira_XML_Envio(corpo);
}

void tTeleCmd::MostraNaLista(const std::string& texto) {
  if (status_.lberro.size() > kMaxLinhasLista) status_.lberro.clear();
  status_.lberro.append(texto);
}

void tTeleCmd::MostraAviso(const std::string& texto) {
  status_.lbAviso = texto;
  status_.corAviso = runtime::StatusModel::Cor::Vermelho;
}

}  // namespace kvt::telecmd
