// Associations of an operation (-3) and of a configuration profile (-5) with
// a vehicle.

#include <array>
#include <stdexcept>

#include "platform/text/cp1252.h"
#include "platform/text/hex_text.h"
#include "server/operations/leitura_pedido.h"
#include "server/operations/operacao.h"
#include "server/operations/perfil_configuracao.h"
#include "server/operations/resposta.h"

namespace kvt::operations {

using namespace text::literals;

KVT_SQL(sqlOperacao,
        "SELECT Nome\r\n"
        "FROM  tOperacao \r\n"
        "WHERE IdOperacao = :IdOperacao",
        "SELECT Nome FROM tOperacao WHERE IdOperacao = :IdOperacao");

KVT_SQL(sqlAssociaOperacao, "exec spAssociaOperacao :IdOperacao, :IdTerminal, :NomeOperacao, :IdUsuario",
        "exec spAssociaOperacao :IdOperacao, :IdTerminal, :NomeOperacao, :IdUsuario");

KVT_SQL(sqlPerfilConfiguracao,
        "SELECT TabelaConf, FlagCentralRastSeg, CodMsgHex\r\n"
        "FROM tOpcoesOPeracao \r\n"
        "WHERE IdOpcao = :IdOpcao\r\n"
        "      ",
        "SELECT TabelaConf, FlagCentralRastSeg, CodMsgHex FROM tOpcoesOperacao WHERE IdOpcao = :IdOpcao");

KVT_SQL(sqlAssociaPerfil,
        "exec spAssociaPerfil :IDConfig, :IDTerminal, :Tabela, :CodMsg, :FlagCentralRastSeg, :Tecnologia",
        "exec spAssociaPerfil :IDConfig, :IDTerminal, :Tabela, :CodMsg, :FlagCentralRastSeg, :Tecnologia");

db::SqlText sqlPerfilModelo(std::string_view tabela, std::int32_t idPerfil, std::int32_t tipo, std::string_view flag) {
  const std::string t = NomeDeTabela(tabela);
  const std::string condicao = CondicaoFlag(tipo, flag);
  const std::string id = std::to_string(idPerfil);
  std::string mssql = "SELECT IdConfig\r\nFROM " + t + "\r\nWHERE IdTerminal = 0 AND IdSequencia = 0 AND IdConfig = " + id;
  std::string sqlite = "SELECT IdConfig FROM " + t + " WHERE IdTerminal = 0 AND IdSequencia = 0 AND IdConfig = " + id;
  if (!condicao.empty()) {
    mssql += "\r\n" + condicao;
    sqlite += " " + condicao;
  }
  return {mssql, sqlite};
}
KVT_SQL_COMPOSED(sqlPerfilModelo, sqlPerfilModelo("tCfgSegCentralRast", 801, 8, "C"));

namespace {

enum : std::size_t { kIdOperacao, kIdTerminalOperacao };
constexpr std::array<ElementoPedido, 2> kPedidoAssociaOperacao{{
    {"IdOperacao", Leitura::Decimal},
    {"IdTerminal", Leitura::Hexadecimal},
}};

enum : std::size_t { kIdPerfil, kTipo, kIdTerminalPerfil };
constexpr std::array<ElementoPedido, 3> kPedidoAssociaPerfil{{
    {"IdPerfilConfiguracao", Leitura::Decimal},
    {"TipoConfiguracao", Leitura::Decimal},
    {"IdTerminal", Leitura::Hexadecimal},
}};

// StsAssociacao of -42.
enum : std::int32_t { kOperacaoAssociada = 0, kOperacaoNaoEncontrada = 1, kOperacaoVeiculoInvalido = 2 };
// StsAssociacao of -44.
enum : std::int32_t { kPerfilAssociado = 0, kPerfilVeiculoInvalido = 1, kPerfilNaoEncontrado = 2, kTipoDesconhecido = 3 };

// Kinds whose profiles are kept once per tracker technology (0, 1 and 2).
bool PorTecnologia(std::int32_t tipo) { return tipo == 8 || tipo == 9; }

}  // namespace

void TdmOperacao::AssociaOperacao(const xml::Element& raiz, std::int32_t idUsuario) {
  const auto pedido = LePedido(raiz, kPedidoAssociaOperacao,
                               {"não é possível realizar a associação da operação"_cp, ""});
  if (pedido.erro) return erro(*pedido.erro);
  const std::int32_t idOperacao = pedido.numero(kIdOperacao);
  const std::int32_t terminal = pedido.numero(kIdTerminalOperacao);

  qrOperacao_->bindInt("IdOperacao", idOperacao);
  qrOperacao_->open();
  const std::string nome = qrOperacao_->eof() ? std::string() : qrOperacao_->field("Nome").asString();
  qrOperacao_->close();

  std::int32_t status = kOperacaoAssociada;
  if (nome.empty()) {
    status = kOperacaoNaoEncontrada;
  } else if (!veiculoHabilitado(terminal)) {
    status = kOperacaoVeiculoInvalido;
  } else {
    spAssociaOperacao_->bindInt("IdOperacao", idOperacao)
        .bindInt("IdTerminal", terminal)
        .bindText("NomeOperacao", nome)
        .bindInt("IdUsuario", idUsuario);
    spAssociaOperacao_->execute();
  }

  envia(CabecalhoResposta("-42") + " <IdOperacao> " + std::to_string(idOperacao) + " </IdOperacao>" +
        " <IdTerminal> " + Literal(pedido.texto(kIdTerminalOperacao)) + " </IdTerminal>" + " <StsAssociacao> " +
        std::to_string(status) + " </StsAssociacao>");
}

void TdmOperacao::AssociaPerfil(const xml::Element& raiz) {
  const auto pedido = LePedido(raiz, kPedidoAssociaPerfil,
                               {"não é possível realizar a associação do perfil de configuração"_cp, ""});
  if (pedido.erro) return erro(*pedido.erro);
  const std::int32_t idPerfil = pedido.numero(kIdPerfil);
  const std::int32_t tipo = pedido.numero(kTipo);
  const std::int32_t terminal = pedido.numero(kIdTerminalPerfil);

  auto status = [&]() -> std::int32_t {
    const PerfilConfiguracao perfil = LePerfilConfiguracao(*qrPerfilConfiguracao_, tipo);
    if (perfil.TabelaConf.empty()) return kTipoDesconhecido;
    const auto codigo = text::HexParaInt(perfil.CodMsgHex);
    if (!codigo)
      throw std::runtime_error("Tipo de configuração " + std::to_string(tipo) + " sem o código do comando (CodMsgHex)"_cp);
    if (!veiculoHabilitado(terminal)) return kPerfilVeiculoInvalido;

    db::Statement qrTemp(dbZenthora_, sqlPerfilModelo(perfil.TabelaConf, idPerfil, tipo, perfil.FlagCentralRastSeg));
    qrTemp.open();
    const bool existe = !qrTemp.eof() && qrTemp.field(std::size_t{0}).asInt64() != 0;
    qrTemp.close();
    if (!existe) return kPerfilNaoEncontrado;

    const int tecnologias = PorTecnologia(tipo) ? 3 : 1;
    for (int tecnologia = 0; tecnologia < tecnologias; ++tecnologia) {
      spAssociaPerfil_->bindInt("IDConfig", idPerfil)
          .bindInt("IDTerminal", terminal)
          .bindText("Tabela", perfil.TabelaConf)
          .bindInt("CodMsg", *codigo)
          .bindText("FlagCentralRastSeg", perfil.FlagCentralRastSeg)
          .bindInt("Tecnologia", tecnologia);
      spAssociaPerfil_->execute();
    }
    return kPerfilAssociado;
  }();

  envia(CabecalhoResposta("-44") + " <IdTerminal> " + Literal(pedido.texto(kIdTerminalPerfil)) + " </IdTerminal>" +
        " <IdPerfilConfiguracao>" + std::to_string(idPerfil) + "</IdPerfilConfiguracao>" + " <TipoConfiguracao>" +
        std::to_string(tipo) + "</TipoConfiguracao>" + " <StsAssociacao>" + std::to_string(status) +
        "</StsAssociacao>");
}

}  // namespace kvt::operations
