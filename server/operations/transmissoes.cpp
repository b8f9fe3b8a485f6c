// Transmissions to a vehicle: its pending operation (-21), one kind of
// configuration (-22), its targets (-23), fences (-24) and routes (-25), and
// its stop-logistics message configuration (-28). Each request is written
// into the central through a stored procedure; the communication base sends
// it, and the status events of its telecommands tell the outcome.

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "platform/text/cp1252.h"
#include "platform/text/hex_text.h"
#include "platform/text/trim.h"
#include "server/operations/leitura_pedido.h"
#include "server/operations/operacao.h"
#include "server/operations/perfil_configuracao.h"
#include "server/operations/resposta.h"

namespace kvt::operations {

using namespace text::literals;

KVT_SQL(sqlTransOperacao,
        "SELECT TT.IdOperacao,   TT.IdTransOperacao, TI.IdConfiguracao, TI.IdOpcao, \r\n"
        "              TI.NomeConfiguracao, TI.NomeOpcaoConf \r\n"
        "FROM  tTransOperacao AS TT inner join tItensOperacao AS TI \r\n"
        "      ON TT.IdOperacao = TI.IdOperacao\r\n"
        "WHERE TT.IdTerminal = :IdTerminal AND\r\n"
        "      TT.Status = 0",
        "SELECT TT.IdOperacao, TT.IdTransOperacao, TI.IdConfiguracao, TI.IdOpcao, TI.NomeConfiguracao, "
        "TI.NomeOpcaoConf "
        "FROM tTransOperacao AS TT INNER JOIN tItensOperacao AS TI ON TT.IdOperacao = TI.IdOperacao "
        "WHERE TT.IdTerminal = :IdTerminal AND TT.Status = 0 "
        "ORDER BY TT.IdTransOperacao, TI.IdItem");

KVT_SQL(sqlTransItemOperacao,
        "EXECUTE spTransItemOperacao\r\n"
        ":IdTransOperacao,\r\n"
        ":IdConfiguracao,\r\n"
        ":NomeConfiguracao,\r\n"
        ":IDOpcao,\r\n"
        ":NomeOpcaoConf,\r\n"
        ":IDTerminal,\r\n"
        ":Origem,\r\n"
        ":DESABILITAR_GPRS,\r\n"
        ":IdUsuario,\r\n"
        ":IdSeqMsg",
        "EXECUTE spTransItemOperacao :IdTransOperacao, :IdConfiguracao, :NomeConfiguracao, :IDOpcao, "
        ":NomeOpcaoConf, :IDTerminal, :Origem, :DESABILITAR_GPRS, :IdUsuario, :IdSeqMsg");

KVT_SQL(sqlAlvoVeicSE,
        "select Cont = Count(*)\r\n"
        "from tAlvoVeic\r\n"
        "where IdVeiculo = :IdTerminal",
        "SELECT count(*) AS Cont FROM tAlvoVeic WHERE IdVeiculo = :IdTerminal");

KVT_SQL(sqlCercaVeicSE,
        "select Cont = Count(*)\r\n"
        "from tCercaVeic\r\n"
        "where IdVeiculo = :IdTerminal",
        "SELECT count(*) AS Cont FROM tCercaVeic WHERE IdVeiculo = :IdTerminal");

KVT_SQL(sqlRotaVeicSE,
        "select Cont = Count(*)\r\n"
        "from tRotaVeic\r\n"
        "where IdVeiculo = :IdTerminal",
        "SELECT count(*) AS Cont FROM tRotaVeic WHERE IdVeiculo = :IdTerminal");

KVT_SQL(sqlCfgAlvos,
        "exec spCfgAlvo\r\n"
        ":IdTerminal,\r\n"
        ":TipoAlvos,\r\n"
        ":Persistencia,\r\n"
        ":EmSobreposicao,\r\n"
        ":Origem,\r\n"
        ":DESABILITAR_GPRS,\r\n"
        ":IdUsuario,\r\n"
        ":IdSeqMsg",
        "exec spCfgAlvo :IdTerminal, :TipoAlvos, :Persistencia, :EmSobreposicao, :Origem, :DESABILITAR_GPRS, "
        ":IdUsuario, :IdSeqMsg");

KVT_SQL(sqlMsgChegadaELP,
        "select Cont = Count(*)  from tCfgMensagemExtensaoLogistica \r\n"
        "where IdConfig = 0 and (TipoMsg = 0 or TipoMsg = 1) and IdTerminal = :IdTerminal",
        "SELECT count(*) AS Cont FROM tCfgMensagemExtensaoLogistica "
        "WHERE IdConfig = 0 AND (TipoMsg = 0 OR TipoMsg = 1) AND IdTerminal = :IdTerminal");

KVT_SQL(sqlMsgSaidaELP,
        "select Cont = Count(*)  from tCfgMensagemExtensaoLogistica \r\n"
        "where IdConfig = 0 and TipoMsg = 2 and IdTerminal = :IdTerminal",
        "SELECT count(*) AS Cont FROM tCfgMensagemExtensaoLogistica "
        "WHERE IdConfig = 0 AND TipoMsg = 2 AND IdTerminal = :IdTerminal");

// The procedure is called with its parameters by name.
KVT_SQL(sqlCfgMensagemExtLog,
        "exec spCfgMensagemExtLog;1 @IDTerminal = :IDTerminal, @IDConfig = :IDConfig, "
        "@TituloListaParadas = :TituloListaParadas, @TipoChegada = :TipoChegada, @TipoSaida = :TipoSaida, "
        "@ListaParadas = :ListaParadas, @NaturezaOperacao = :NaturezaOperacao, @Origem = :Origem, "
        "@DESABILITAR_GPRS = :DESABILITAR_GPRS, @Nome_Perfil = :Nome_Perfil, @IdUsuario = :IdUsuario, "
        "@IdSeqMsg = :IdSeqMsg",
        "exec spCfgMensagemExtLog;1 @IDTerminal = :IDTerminal, @IDConfig = :IDConfig, "
        "@TituloListaParadas = :TituloListaParadas, @TipoChegada = :TipoChegada, @TipoSaida = :TipoSaida, "
        "@ListaParadas = :ListaParadas, @NaturezaOperacao = :NaturezaOperacao, @Origem = :Origem, "
        "@DESABILITAR_GPRS = :DESABILITAR_GPRS, @Nome_Perfil = :Nome_Perfil, @IdUsuario = :IdUsuario, "
        "@IdSeqMsg = :IdSeqMsg");

KVT_SQL(sqlAtualizaStatusOperacao, "exec spAtualizaStatusOperacao :IdTransOperacao ",
        "exec spAtualizaStatusOperacao :IdTransOperacao ");

db::SqlText sqlUltimoPerfilEnviado(std::string_view tabela, std::int32_t terminal, std::int32_t tipo,
                                   std::string_view flag) {
  const std::string t = NomeDeTabela(tabela);
  const std::string condicao = CondicaoFlag(tipo, flag);
  const std::string id = std::to_string(terminal);
  std::string mssql = "SELECT top 1 IdSequencia, IdConfig\r\nFROM " + t + "\r\nWHERE IdTerminal =" + id +
                      "\r\nAND IdSequencia <> 0 ";
  std::string sqlite = "SELECT IdSequencia, IdConfig FROM " + t + " WHERE IdTerminal =" + id + " AND IdSequencia <> 0 ";
  if (!condicao.empty()) {
    mssql += "\r\n" + condicao;
    sqlite += condicao;
  }
  mssql += "\r\nORDER BY IdSequencia DESC";
  sqlite += " ORDER BY IdSequencia DESC LIMIT 1";
  return {mssql, sqlite};
}
KVT_SQL_COMPOSED(sqlUltimoPerfilEnviado, sqlUltimoPerfilEnviado("tCfgAtuadores", 4096, 10, "C"));

db::SqlText sqlMarcaTransOperacao(std::int32_t idTransOperacao) {
  const std::string id = std::to_string(idTransOperacao);
  return {"update tTransOperacao \r\nset DtTransmissao = getDate(), \r\nStatus = 1\r\nwhere IdTransOperacao = " + id,
          "UPDATE tTransOperacao SET DtTransmissao = datetime('now','localtime'), Status = 1 "
          "WHERE IdTransOperacao = " + id};
}
KVT_SQL_COMPOSED(sqlMarcaTransOperacao, sqlMarcaTransOperacao(1));

namespace {

// StsTransmissao of -52.
enum : std::int32_t {
  kOperacaoArmazenada = 0,
  kOperacaoVeiculoInvalido = 1,
  kSemOperacaoAguardando = 2,
  kOperacaoBaseFora = 3,
  kOperacaoRecusada = 4,
};
// StsTransmissao of -53.
enum : std::int32_t {
  kPerfilArmazenado = 0,
  kPerfilVeiculoInvalido = 1,
  kPerfilSemEnvioAnterior = 3,
  kPerfilNadaArmazenado = 4,
  kPerfilBaseFora = 5,
  kPerfilRecusado = 6,
};
// StsTransmissao of -54, -55, -56 and -62.
enum : std::int32_t {
  kArmazenado = 0,
  kVeiculoInvalido = 1,
  kNadaAssociado = 2,  // -62: no arrival or departure messages configured where asked
  kBaseFora = 3,
  kRecusado = 4,
};

// The command that transmits an operation, and the one of a stop list.
constexpr const char* kCodigoOperacao = "5C";
constexpr const char* kCodigoMensagensELP = "E7";

// The kinds of configuration of fences and routes.
constexpr std::int32_t kOpcaoCercas = 23;
constexpr std::int32_t kOpcaoRotas = 24;

// The arrival (TipoChegada) and departure (TipoSaida) type that uses the configured messages.
constexpr std::int32_t kComMensagens = 2;
constexpr std::size_t kTamanhoTitulo = 18;

constexpr std::array<ElementoPedido, 1> kPedidoOperacao{{{"IdTerminal", Leitura::Hexadecimal}}};

enum : std::size_t { kSeqPerfil, kTipoPerfil, kTerminalPerfil };
constexpr std::array<ElementoPedido, 3> kPedidoPerfil{{
    {"IdSeqMsg", Leitura::Decimal},
    {"TipoConfiguracao", Leitura::Decimal},
    {"IdTerminal", Leitura::Hexadecimal},
}};

enum : std::size_t { kSeq, kTerminal, kCaracteristica, kAtendimento, kSobreposicao };
constexpr std::array<ElementoPedido, 5> kPedidoAlvos{{
    {"IdSeqMsg", Leitura::Decimal},
    {"IdTerminal", Leitura::Hexadecimal},
    {"Caracteristica", Leitura::Decimal},
    {"Atendimento", Leitura::Decimal},
    {"Sobreposicao", Leitura::Decimal},
}};
constexpr std::array<ElementoPedido, 2> kPedidoCercasRotas{{
    {"IdSeqMsg", Leitura::Decimal},
    {"IdTerminal", Leitura::Hexadecimal},
}};

enum : std::size_t { kSeqELP, kTerminalELP, kTitulo, kTipoChegada, kTipoSaida, kListaParadas, kNaturezaOperacao };
constexpr std::array<ElementoPedido, 7> kPedidoELP{{
    {"IdSeqMsg", Leitura::Decimal},
    {"IdTerminal", Leitura::Hexadecimal},
    {"TituloListaParadas", Leitura::Texto},
    {"TipoChegada", Leitura::Decimal, 0, 2},
    {"TipoSaida", Leitura::Decimal, 0, 2},
    {"ListaParadas", Leitura::Decimal, 0, 1},
    {"NaturezaOperacao", Leitura::Decimal, 0, 1},
}};

std::int64_t Contagem(db::Statement& qr, std::int32_t terminal) {
  qr.bindInt("IdTerminal", terminal);
  qr.open();
  const std::int64_t n = qr.eof() ? 0 : qr.field("Cont").asInt64();
  qr.close();
  return n;
}

// A kind's command code as a number, for the inter-central check.
std::optional<std::uint32_t> CodigoDoTipo(db::Statement& opcoes, std::int64_t idOpcao) {
  for (opcoes.first(); !opcoes.eof(); opcoes.next())
    if (opcoes.field("IdOpcao").asInt64() == idOpcao) return text::HexParaNum(text::trim(opcoes.field("CodMsgHex").asString()));
  return std::nullopt;
}

std::int32_t Numero32(std::uint32_t n) { return static_cast<std::int32_t>(n); }

}  // namespace

// What differs between the transmissions of targets, fences and routes.
struct TdmOperacao::Transmissao {
  const char* resposta;                 // the reply's code
  std::string acao;                     // the end of its messages
  std::span<const ElementoPedido> pedido;
  db::Statement* contagem;              // the vehicle's associations in the security database
  const char* codigoVerificacao;        // for the transmission check
  const char* codigoPermissao;          // for the inter-central check
  // Stores the request with the request's values and the check's DESABILITAR_GPRS.
  std::function<void(const LeituraPedido&, std::int32_t desabilitarGprs)> armazena;
};

void TdmOperacao::TransmiteOperacao(const xml::Element& raiz, std::int32_t idUsuario) {
  const auto pedido = LePedido(raiz, kPedidoOperacao, {"não é possível realizar a transmissão da Operação"_cp, ""});
  if (pedido.erro) return erro(*pedido.erro);
  const std::int32_t terminal = pedido.numero(0);

  auto status = [&]() -> std::int32_t {
    if (!veiculoHabilitado(terminal)) return kOperacaoVeiculoInvalido;
    db::Statement& itens = *qrTransOperacao_;
    itens.bindInt("IdTerminal", terminal);
    itens.open();
    if (itens.eof()) {
      itens.close();
      return kSemOperacaoAguardando;
    }
    if (!estado_.BaseAtiva) {
      itens.close();
      return kOperacaoBaseFora;
    }
    const telecmd::Transmissao v = verificaTransmissao_->VerificaTransmissao(kCodigoOperacao, terminal);
    if (!v.permitido) {
      itens.close();
      return kOperacaoRecusada;
    }

    db::Statement& opcoes = *qrOpcoesOperacao_;
    if (opcoes.isOpen()) opcoes.close();
    opcoes.open();
    // every transmission whose items were read, in the order read
    std::vector<std::int32_t> transmissoes;
    for (; !itens.eof(); itens.next()) {
      const std::int32_t idTrans = itens.field("IdTransOperacao").asInt();
      if (transmissoes.empty() || transmissoes.back() != idTrans) {
        std::erase(transmissoes, idTrans);
        transmissoes.push_back(idTrans);
      }
      const std::int64_t idOpcao = itens.field("IdOpcao").asInt64();
      // an item of a kind the catalogue does not know has no command to go by
      const auto codigo = CodigoDoTipo(opcoes, idOpcao);
      if (!codigo || !permissao_.PermissaoCentral(Numero32(*codigo), terminal, "N")) continue;
      spTransItemOperacao_->bindInt("IdTransOperacao", idTrans)
          .bindInt("IdConfiguracao", itens.field("IdConfiguracao").asInt64())
          .bindText("NomeConfiguracao", itens.field("NomeConfiguracao").asString())
          .bindInt("IDOpcao", idOpcao)
          .bindText("NomeOpcaoConf", itens.field("NomeOpcaoConf").asString())
          .bindInt("IDTerminal", terminal)
          .bindText("Origem", cfg_.NOME_MR)
          .bindInt("DESABILITAR_GPRS", v.DESABILITAR_GPRS)
          .bindInt("IdUsuario", idUsuario)
          .bindInt("IdSeqMsg", 0);
      spTransItemOperacao_->execute();
    }
    opcoes.close();
    itens.close();

    // Each transmission read is marked as made, the last row's last: its
    // items are stored, and leaving one waiting would send them again.
    for (const std::int32_t idTrans : transmissoes) {
      db::Statement marca(dbZenthora_, sqlMarcaTransOperacao(idTrans));
      marca.execute();
      db::Statement atualiza(dbZenthora_, sqlAtualizaStatusOperacao());
      atualiza.bindInt("IdTransOperacao", idTrans);
      atualiza.execute();
    }
    return kOperacaoArmazenada;
  }();

  envia(CabecalhoResposta("-52") + " <IdTerminal> " + Literal(pedido.texto(0)) + " </IdTerminal>" +
        " <StsTransmissao>" + std::to_string(status) + "</StsTransmissao>");
}

void TdmOperacao::TransmitePerfil(const xml::Element& raiz, std::int32_t idUsuario) {
  const auto pedido = LePedido(raiz, kPedidoPerfil, {"não é possível realizar a transmissão"_cp, ""});
  if (pedido.erro) return erro(*pedido.erro);
  const std::int32_t idSeqMsg = pedido.numero(kSeqPerfil);
  const std::int32_t tipo = pedido.numero(kTipoPerfil);
  const std::int32_t terminal = pedido.numero(kTerminalPerfil);

  auto status = [&]() -> std::int32_t {
    const PerfilConfiguracao perfil = LePerfilConfiguracao(*qrPerfilConfiguracao_, tipo);
    if (perfil.TabelaConf.empty()) return kPerfilSemEnvioAnterior;
    if (!veiculoHabilitado(terminal)) return kPerfilVeiculoInvalido;

    db::Statement qrTemp(dbZenthora_, sqlUltimoPerfilEnviado(perfil.TabelaConf, terminal, tipo, perfil.FlagCentralRastSeg));
    qrTemp.open();
    const std::int64_t idSequencia = qrTemp.eof() ? 0 : qrTemp.field("IdSequencia").asInt64();
    const std::int64_t idConfig = qrTemp.eof() ? 0 : qrTemp.field("IdConfig").asInt64();
    qrTemp.close();
    if (idSequencia == 0 || idConfig == 0) return kPerfilSemEnvioAnterior;

    if (!estado_.BaseAtiva) return kPerfilBaseFora;
    const telecmd::Transmissao v = verificaTransmissao_->VerificaTransmissao(perfil.CodMsgHex, terminal);
    if (!v.permitido) return kPerfilRecusado;
    const auto codigo = text::HexParaNum(perfil.CodMsgHex);
    if (!permissao_.PermissaoCentral(codigo ? Numero32(*codigo) : 0, terminal, "N")) return kPerfilRecusado;

    db::Statement& sp = *spTransItemOperacao_;
    sp.bindInt("IdTransOperacao", 0)
        .bindInt("IdConfiguracao", idConfig)
        .bindText("NomeConfiguracao", "")
        .bindInt("IDOpcao", tipo)
        .bindText("NomeOpcaoConf", "")
        .bindInt("IDTerminal", terminal)
        .bindText("Origem", cfg_.NOME_MR)
        .bindInt("DESABILITAR_GPRS", v.DESABILITAR_GPRS)
        .bindInt("IdUsuario", idUsuario)
        .bindInt("IdSeqMsg", idSeqMsg);
    sp.open();
    const bool armazenado = !sp.eof() && sp.field(std::size_t{0}).asInt64() != 0;
    sp.close();
    return armazenado ? kPerfilArmazenado : kPerfilNadaArmazenado;
  }();

  envia(CabecalhoResposta("-53") + " <IdTerminal> " + Literal(pedido.texto(kTerminalPerfil)) + " </IdTerminal>" +
        " <TipoConfiguracao>" + std::to_string(tipo) + "</TipoConfiguracao>" + " <StsTransmissao>" +
        std::to_string(status) + "</StsTransmissao>");
}

void TdmOperacao::transmiteAssociados(const xml::Element& raiz, const Transmissao& t) {
  const auto pedido = LePedido(raiz, t.pedido, {t.acao, ""});
  if (pedido.erro) return erro(*pedido.erro);
  const std::int32_t terminal = pedido.numero(kTerminal);

  auto status = [&]() -> std::int32_t {
    if (!veiculoHabilitado(terminal)) return kVeiculoInvalido;
    if (Contagem(*t.contagem, terminal) == 0) return kNadaAssociado;
    if (!estado_.BaseAtiva) return kBaseFora;
    const telecmd::Transmissao v = verificaTransmissao_->VerificaTransmissao(t.codigoVerificacao, terminal);
    if (!v.permitido) return kRecusado;
    const auto codigo = text::HexParaNum(t.codigoPermissao);
    if (!permissao_.PermissaoCentral(Numero32(codigo.value_or(0)), terminal, "N")) return kRecusado;
    t.armazena(pedido, v.DESABILITAR_GPRS);
    return kArmazenado;
  }();
  RespostaTransmissao(t.resposta, pedido.texto(kTerminal), status);
}

void TdmOperacao::TransmiteAlvos(const xml::Element& raiz, std::int32_t idUsuario) {
  transmiteAssociados(raiz,
                      {"-54", "não é possível realizar a transmissão dos Alvos"_cp, kPedidoAlvos, qrAlvoVeicSE_.get(),
                       "30", "30", [&](const LeituraPedido& p, std::int32_t desabilitarGprs) {
                         spCfgAlvos_->bindInt("IdTerminal", p.numero(kTerminal))
                             .bindInt("TipoAlvos", p.numero(kAtendimento))
                             .bindInt("Persistencia", p.numero(kCaracteristica))
                             .bindInt("EmSobreposicao", p.numero(kSobreposicao))
                             .bindText("Origem", cfg_.NOME_MR)
                             .bindInt("DESABILITAR_GPRS", desabilitarGprs)
                             .bindInt("IdUsuario", idUsuario)
                             .bindInt("IdSeqMsg", p.numero(kSeq));
                         spCfgAlvos_->execute();
                       }});
}

namespace {

void ArmazenaItemAvulso(db::Statement& sp, std::int32_t opcao, const LeituraPedido& p, const std::string& origem,
                        std::int32_t desabilitarGprs, std::int32_t idUsuario) {
  sp.bindInt("IdTransOperacao", 0)
      .bindInt("IdConfiguracao", 0)
      .bindText("NomeConfiguracao", "")
      .bindInt("IDOpcao", opcao)
      .bindText("NomeOpcaoConf", "")
      .bindInt("IDTerminal", p.numero(kTerminal))
      .bindText("Origem", origem)
      .bindInt("DESABILITAR_GPRS", desabilitarGprs)
      .bindInt("IdUsuario", idUsuario)
      .bindInt("IdSeqMsg", p.numero(kSeq));
  sp.execute();
}

}  // namespace

void TdmOperacao::TransmiteCercas(const xml::Element& raiz, std::int32_t idUsuario) {
  transmiteAssociados(raiz,
                      {"-55", "não é possível realizar a transmissão das Cercas"_cp, kPedidoCercasRotas,
                       qrCercaVeicSE_.get(), "32", "32", [&](const LeituraPedido& p, std::int32_t desabilitarGprs) {
                         ArmazenaItemAvulso(*spTransItemOperacao_, kOpcaoCercas, p, cfg_.NOME_MR, desabilitarGprs,
                                            idUsuario);
                       }});
}

void TdmOperacao::TransmiteRotas(const xml::Element& raiz, std::int32_t idUsuario) {
  // routes are checked for transmission as the command 5C, and between centrals as the command 31
  transmiteAssociados(raiz,
                      {"-56", "não é possível realizar a transmissão das Rotas"_cp, kPedidoCercasRotas,
                       qrRotaVeicSE_.get(), "5C", "31", [&](const LeituraPedido& p, std::int32_t desabilitarGprs) {
                         ArmazenaItemAvulso(*spTransItemOperacao_, kOpcaoRotas, p, cfg_.NOME_MR, desabilitarGprs,
                                            idUsuario);
                       }});
}

void TdmOperacao::TransmiteMensagensELP(const xml::Element& raiz, std::int32_t idUsuario) {
  const std::string acao = "não é possível realizar a transmissão das Mensagens de Extensão Logistica de Parada"_cp;
  const auto pedido =
      LePedido(raiz, kPedidoELP, {acao, "Não é possível realizar a transmissão das Mensagens de Extensão Logistica de Parada"_cp});
  if (pedido.erro) return erro(*pedido.erro);
  const std::int32_t terminal = pedido.numero(kTerminalELP);

  auto status = [&]() -> std::int32_t {
    if (!veiculoHabilitado(terminal)) return kVeiculoInvalido;
    if (pedido.numero(kTipoChegada) == kComMensagens && Contagem(*qrMsgChegadaELP_, terminal) == 0) return kNadaAssociado;
    if (pedido.numero(kTipoSaida) == kComMensagens && Contagem(*qrMsgSaidaELP_, terminal) == 0) return kNadaAssociado;
    const std::string titulo = text::trim(pedido.texto(kTitulo)).substr(0, kTamanhoTitulo);
    if (!estado_.BaseAtiva) return kBaseFora;
    const telecmd::Transmissao v = verificaTransmissao_->VerificaTransmissao(kCodigoMensagensELP, terminal);
    if (!v.permitido) return kRecusado;
    if (!permissao_.PermissaoCentral(Numero32(*text::HexParaNum(kCodigoMensagensELP)), terminal, "N")) return kRecusado;
    spCfgMensagemExtLog_->bindInt("IDTerminal", terminal)
        .bindInt("IDConfig", 0)
        .bindText("TituloListaParadas", titulo)
        .bindInt("TipoChegada", pedido.numero(kTipoChegada))
        .bindInt("TipoSaida", pedido.numero(kTipoSaida))
        .bindInt("ListaParadas", pedido.numero(kListaParadas))
        .bindInt("NaturezaOperacao", pedido.numero(kNaturezaOperacao))
        .bindText("Origem", cfg_.NOME_MR)
        .bindInt("DESABILITAR_GPRS", v.DESABILITAR_GPRS)
        .bindText("Nome_Perfil", "")
        .bindInt("IdUsuario", idUsuario)
        .bindInt("IdSeqMsg", pedido.numero(kSeqELP));
    spCfgMensagemExtLog_->execute();
    return kArmazenado;
  }();
  RespostaTransmissao("-62", pedido.texto(kTerminalELP), status);
}

}  // namespace kvt::operations
