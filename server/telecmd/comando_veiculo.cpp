#include "server/telecmd/comando_veiculo.h"

#include <cstdio>
#include <optional>
#include <stdexcept>

#include "platform/text/cp1252.h"
#include "platform/text/integer_text.h"
#include "server/common/elemento.h"
#include "server/telecmd/lista_veiculos_cmd.h"
#include "server/telecmd/texto_terminal.h"
#include "server/telecmd/texto_xml.h"

namespace kvt::telecmd {

using namespace text::literals;

KVT_SQL(sqlCmdAvulso,
        "execute spCmdAvulso :MSG_CmdAvulso,:IdTerminal,:Origem,:DESABILITAR_GPRS,:IdUsuario,:Token1,:Token2,:IdSeqMsg",
        "execute spCmdAvulso :MSG_CmdAvulso,:IdTerminal,:Origem,:DESABILITAR_GPRS,:IdUsuario,:Token1,:Token2,:IdSeqMsg");
KVT_SQL(sqlRecMensagemEnv, "execute spRecMensagemEnv :IdSequencia, :Texto, :StsConfirmacao, :StsConfReceb, :IdMensagem",
        "execute spRecMensagemEnv :IdSequencia, :Texto, :StsConfirmacao, :StsConfReceb, :IdMensagem");
KVT_SQL(sqlPlanoComando,
        "select count(*) as Quantidade from tveiculo a, tlnk_planoXcomando b \r\n"
        "where a.idterminal=:idTerminal and a.linker_plano=b.TX_Plano \r\n"
        "and idComandoHex=:codCMD",
        "select count(*) as Quantidade from tveiculo a, tlnk_planoXcomando b \r\n"
        "where a.idterminal=:idTerminal and a.linker_plano=b.TX_Plano \r\n"
        "and idComandoHex=:codCMD");
KVT_SQL(sqlTrocaOperadoraCelular,
        "insert into tCfgTrocaOperadoraCelular (IdSequencia, IdTerminal, OperadoraCelular) values (:IdSequencia, "
        ":IdTerminal, :OperadoraCelular)",
        "insert into tCfgTrocaOperadoraCelular (IdSequencia, IdTerminal, OperadoraCelular) values (:IdSequencia, "
        ":IdTerminal, :OperadoraCelular)");
KVT_SQL(sqlMensagensPreDefinidas,
        " Select dp.* , (Select count(idMsg) From tmensagempre_zeta Where idMsg=dp.idMsg) As quant  From "
        "tmensagempre_zeta As dp  Order By dp.idMsg, dp.idMsgSub ",
        " Select dp.* , (Select count(idMsg) From tmensagempre_zeta Where idMsg=dp.idMsg) As quant  From "
        "tmensagempre_zeta As dp  Order By dp.idMsg, dp.idMsgSub ");

namespace {

constexpr std::int32_t kMensagemLivre = 0x13;
constexpr std::int32_t kMensagemBinaria = 0x6B;
constexpr std::int32_t kMensagemPreDefinida = 0x60;
constexpr std::int32_t kTrocaOperadora = 0xE3;
constexpr std::int32_t kParametrosComunicacao = 0xE4;
constexpr std::int32_t kLacreTemporizado = 0xE6;
constexpr std::int32_t kComplementoLacre = 0xF5;
constexpr std::int32_t kComplementoDeslacre = 0xF6;
constexpr std::int32_t kAutorizacao = 0x1E;

constexpr std::size_t kMaxMensagemBinaria = 1024;
constexpr std::int32_t kTempoMaximo = 1800;
constexpr std::int32_t kPrimeiroGrupoPre = 31;
constexpr std::int32_t kUltimoGrupoPre = 42;

// field code, comma, length of the value, comma, value
std::string token(std::string_view campo, std::string_view valor) {
  return std::string(campo) + "," + std::to_string(valor.size()) + "," + std::string(valor);
}

std::optional<std::int32_t> numero(const xml::Element& e) {
  if (!e.hasTextChild()) return std::nullopt;
  return text::tryParseInt(e.value());
}

std::string hexa2(std::int32_t codMsg) {
  char t[16];
  std::snprintf(t, sizeof t, "%02X", static_cast<std::uint32_t>(codMsg));
  return t;
}

}  // namespace

// The working values of one request.
struct tComandoVeiculo::Comando {
  std::int32_t codMsg = 0;
  std::string codigo;  // the code text
  std::int32_t IdSeqMsg = 0;
  std::int32_t IdUsuario = -1;
  std::int32_t referencia = 0;  // the reference terminal
  std::string referenciaTexto;
  tListaVeiculosCmd veiculos;

  std::string Texto;
  std::string Complemento;
  std::string CausaAutorizacao;
  std::string OperCelAOperar;
  std::int32_t IdMensagem = -1;
  std::int32_t IdMensagemPre = -1;
  std::int32_t ConfirmaLeitura = -1;
  std::int32_t ConfirmaRecebimento = 0;
  std::int32_t Tempo = 0;

  std::string Token1;
  std::string Token2;
  std::string tokenIP;     // the forms without "#" that code E4 uses
  std::string tokenPorta;
  std::string tokenOperacao;  // "#CC,..."
  bool resultado = true;
};

tComandoVeiculo::tComandoVeiculo(const Dependencias& d)
    : dbZenthora_(d.dbZenthora),
      cfg_(d.cfg),
      estado_(d.estado),
      logs_(d.logs),
      respostas_(d.respostas),
      verifica_(d.verifica),
      cadastro_(d.cadastro),
      qrVeiculo_(d.qrVeiculo),
      spCmdAvulso_(d.dbZenthora, sqlCmdAvulso()),
      spRecMensagemEnv_(d.dbZenthora, sqlRecMensagemEnv()),
      qrPlano_(d.dbZenthora, sqlPlanoComando()) {}

std::string tComandoVeiculo::TextoCodigo(std::int32_t codMsg) {
  char t[16];
  std::snprintf(t, sizeof t, "%X", static_cast<std::uint32_t>(codMsg));
  return t;
}

void tComandoVeiculo::log(std::string_view mensagem) { logs_.log("tTeleCmd", mensagem); }

void tComandoVeiculo::erro(const Comando& c, const std::string& mensagem, std::int32_t stsEnvio) {
  respostas_.RetornaErroXML(mensagem, c.codigo, c.referenciaTexto, stsEnvio, c.IdSeqMsg);
}

bool tComandoVeiculo::EnviaComandoVeiculo(const PedidoTeleCmd& pedido) {
  Comando c;
  c.codMsg = pedido.CodMsg;
  c.codigo = TextoCodigo(pedido.CodMsg);
  c.IdSeqMsg = pedido.IdSeqMsg;
  c.IdUsuario = pedido.IdUsuario;
  c.referencia = pedido.IdTerminal;
  c.referenciaTexto = common::TextoTerminal(pedido.IdTerminal);

  // 1. the header's vehicle
  if (pedido.IdTerminal != 0) {
    if (cadastro_.VeiculoCadastrado(pedido.IdTerminal))
      c.veiculos.Adiciona(pedido.IdTerminal);
    else
      erro(c, " Veículo "_cp + c.referenciaTexto + " não está cadastrado !"_cp, 302);
  }
  // 2. the elements
  if (!leElementos(c, pedido.raiz)) return c.resultado;
  // 3. the model of the reference terminal
  const std::optional<std::int32_t> rastreador = qrVeiculo_.Rastreador(c.referencia);
  if (!rastreador) {
    erro(c, "Terminal desconhecido ou modelo incompativel para esse telecomando", 302);
    return c.resultado;
  }
  // 4. the service plan of the model that follows one
  if (const std::optional<std::int32_t> comPlano = verifica_.Catalogo().ModeloComPlano();
      comPlano && *comPlano == *rastreador && !verificaPlano(c, *rastreador))
    return c.resultado;
  // 5. the parameters of each code
  if (!aplicaTokens(c, *rastreador)) return c.resultado;
  // 6. the communication base
  if (!estado_.BaseAtiva) {
    erro(c, "Base fora do ar, não é possível realizar a transmissão do telecomando"_cp, 306);
    return c.resultado;
  }
  // 7. every vehicle, from the front
  enviaParaVeiculos(c);
  return c.resultado;
}

bool tComandoVeiculo::leElementos(Comando& c, const xml::Element& raiz) {
  for (xml::Element e = raiz.firstChildElement(); e; e = e.nextSiblingElement()) {
    const std::string nome = common::NomeDoElemento(e);
    if (nome == "VEICULO") {
      for (xml::Element v = e.firstChildElement(); v; v = v.nextSiblingElement()) {
        if (!common::ElementoChamado(v, "IDTERMINAL")) continue;
        const std::string texto = common::TextoDoElemento(v);
        if (texto.empty()) return false;  // ends the handler without a reply
        c.referencia = HexParaInt(texto).value_or(0);
        c.referenciaTexto = texto;
        if (cadastro_.VeiculoCadastrado(c.referencia))
          c.veiculos.Adiciona(c.referencia);
        else
          erro(c, " Veículo "_cp + texto + " não está cadastrado !"_cp, 302);
      }
    } else if (nome == "TEXTO") {
      if (!e.hasTextChild()) throw std::runtime_error("Tag <Texto> está em branco"_cp);
      c.Texto = e.rawValue();
    } else if (nome == "COMPLEMENTO") {
      c.Complemento = e.rawValue();
    } else if (nome == "CAUSAAUTORIZACAO") {
      c.CausaAutorizacao = e.rawValue();
    } else if (nome == "IDMENSAGEM") {
      const auto v = numero(e);
      if (!v) {
        erro(c, "Tag <IdMensagem> está em branco, não é possível realizar a transmissão da mensagem livre"_cp);
        return false;
      }
      c.IdMensagem = *v;
    } else if (nome == "IDMENSAGEMPRE") {
      const auto v = numero(e);
      if (!v) {
        erro(c, "Tag <IdMensagemPre> está em branco, não é possível realizar a transmissão da mensagem Pre-Definida"_cp);
        return false;
      }
      c.IdMensagemPre = *v;
    } else if (nome == "CONFIRMALEITURA") {
      const auto v = numero(e);
      if (!v) {
        erro(c, "Tag <ConfirmaLeitura> está em branco, não é possível realizar a transmissão da mensagem livre"_cp);
        return false;
      }
      c.ConfirmaLeitura = *v;
    } else if (nome == "CONFIRMARECEBIMENTO") {
      const auto v = numero(e);
      if (!v) {
        erro(c, "Tag <ConfirmaRecebimento> está em branco, não é possível realizar a transmissão da mensagem"_cp);
        return false;
      }
      if (*v != 0 && *v != 1) {
        erro(c, "Tag <ConfirmaRecebimento> inválida, não é possível realizar a transmissão da mensagem"_cp);
        return false;
      }
      c.ConfirmaRecebimento = *v;
    } else if (nome == "IP") {
      const std::string ip = e.value();
      if (ip.empty()) {
        erro(c, "Tag <IP> está em branco, não é possível realizar a transmissão do telecomando avulso"_cp, 303);
        return false;
      }
      c.tokenIP = token("B0", ip);
      c.Token1 = "#" + c.tokenIP;
    } else if (nome == "PORTA") {
      const std::string porta = e.value();
      if (porta.empty()) {
        erro(c, "Tag <Porta> está em branco, não é possível realizar a transmissão do telecomando avulso"_cp, 304);
        return false;
      }
      c.tokenPorta = token("B1", porta);
      c.Token2 = "#" + c.tokenPorta;
    } else if (nome == "OPERACAO") {
      const std::string operacao = e.value();
      if (operacao.empty()) {
        erro(c, "Tag <Operacao> está em branco, não é possível realizar a transmissão do telecomando avulso"_cp, 305);
        return false;
      }
      c.tokenOperacao = "#" + token("CC", operacao);
    } else if (nome == "OPERCELAOPERAR" && c.codMsg == kTrocaOperadora) {
      c.OperCelAOperar = e.value();
      if (c.OperCelAOperar.empty()) {
        erro(c, "Tag <OperCelAOperar> está em branco, não é possível realizar a transmissão da mensagem livre"_cp);
        return false;
      }
    } else if (nome == "TEMPO" && c.codMsg == kLacreTemporizado) {
      const auto v = numero(e);
      if (!v) {
        erro(c, "Tag <Tempo> inválida, não é possível realizar a transmissão do lacre de motor"_cp);
        return false;
      }
      if (*v < 0 || *v > kTempoMaximo) {
        erro(c, "Tag <Tempo> inválida. Deve ser entre 0 e 1800, não é possível realizar a transmissão do lacre de motor"_cp);
        return false;
      }
      c.Tempo = *v;
    }
  }
  return true;
}

bool tComandoVeiculo::verificaPlano(Comando& c, std::int32_t /*rastreador*/) {
  const std::string codigo2 = hexa2(c.codMsg);
  log("select count(*) as Quantidade from tveiculo a, tlnk_planoXcomando b where a.idterminal=" + c.referenciaTexto +
      " and a.linker_plano=b.TX_Plano " + "and idComandoHex=" + codigo2);
  qrPlano_.bindInt("idTerminal", c.referencia);
  qrPlano_.bindText("codCMD", codigo2);
  qrPlano_.open();
  std::optional<std::int64_t> quantidade;
  if (!qrPlano_.eof()) quantidade = qrPlano_.field("Quantidade").asInt64();
  qrPlano_.close();
  if (!quantidade) {
    log("ponto 1");
    erro(c, "Telecomando não permitido para esse plano"_cp);
    return false;
  }
  log("ponto 2");
  if (*quantidade == 0) {
    log("ponto 3");
    erro(c, "Telecomando não permitido para esse plano"_cp);
    return false;
  }

  switch (c.codMsg) {
    case kComplementoLacre:
    case kComplementoDeslacre:
      if (c.Complemento.empty()) {
        erro(c, "Necessario Complemento");
        return false;
      }
      c.Token1 = token(c.codMsg == kComplementoLacre ? "FA" : "F9", c.Complemento);
      break;
    case kAutorizacao: {
      bool valida = false;
      for (const char* causa : kCausasAutorizacao) valida = valida || c.CausaAutorizacao == causa;
      if (!valida) {
        erro(c, "Deslacre Motor: 2,130 Abertura Bau: 3,131 Executar Macro: 14,142 ");
        return false;
      }
      c.Token1 = token("F9", c.Complemento);
      c.Token2 = token("36", c.CausaAutorizacao);
      break;
    }
    default:
      break;
  }
  return true;
}

const common::tCatalogoMensagensPre& tComandoVeiculo::mensagensPre() {
  if (!mensagensPre_) {
    db::Statement qr(dbZenthora_, sqlMensagensPreDefinidas());
    qr.open();
    std::vector<common::LinhaMensagemPre> linhas;
    for (; !qr.eof(); qr.next())
      linhas.push_back({qr.field("idMsg").asInt(), qr.field("idMsgSub").asInt(), qr.field("Mensagem").asString()});
    mensagensPre_ = std::make_unique<common::tCatalogoMensagensPre>(linhas);
  }
  return *mensagensPre_;
}

bool tComandoVeiculo::aplicaTokens(Comando& c, std::int32_t rastreador) {
  switch (c.codMsg) {
    case kMensagemBinaria:
      if (c.Texto.empty() || c.IdMensagem == -1) {
        erro(c, "Telecomando (Mensagem Binária) incompleto"_cp);
        return false;
      }
      if (c.Texto.size() > kMaxMensagemBinaria) {
        respostas_.RetornaErroXML("Tag <Texto> inválida. O tamanho do campo deve ser inferior a 1024"_cp, "",
                                  c.referenciaTexto, 0, -1);
        return false;
      }
      c.Token1 = token("26", c.Texto);
      c.Token2 = token("25", std::to_string(c.IdMensagem)) + "#29,1," + std::to_string(c.ConfirmaRecebimento);
      return true;

    case kMensagemPreDefinida: {
      if (c.IdMensagemPre == -1) {
        erro(c, "Telecomando (Mensagem Pre-Definida) incompleto");
        return false;
      }
      const tCatalogoRastreadores& catalogo = verifica_.Catalogo();
      if (!catalogo.AceitaMensagemPre(rastreador)) {
        erro(c, "Telecomando (Mensagem Pre-Definida) valido somente para os modelo de Rastreadores " +
                    catalogo.TextoModelosMensagemPre());
        return false;
      }
      const std::int32_t grupo = c.IdMensagemPre / 8;
      if (c.IdMensagemPre < 0 || grupo < kPrimeiroGrupoPre || grupo > kUltimoGrupoPre) {
        erro(c, "Telecomando (Mensagem Pre-Definida) a token IdMensagemPre esta com um valor invalido");
        return false;
      }
      const common::LinhaMensagemPre* linha = mensagensPre().Procura(c.IdMensagemPre);
      if (!linha) {
        erro(c,
             "Telecomando (Mensagem Pre-Definida) a token IdMensagemPre nao foi encontra na lista de mensagens "
             "pre-definidas validas");
        return false;
      }
      c.Texto = linha->Mensagem;
      c.ConfirmaLeitura = 0;
      c.Token1 = "D5,3," + std::to_string(c.IdMensagemPre);
      c.Token2 = "29,1," + std::to_string(c.ConfirmaRecebimento);
      if (c.IdMensagem != -1) c.Token2 += "#" + token("25", std::to_string(c.IdMensagem));
      return true;
    }

    case kTrocaOperadora:
      if (c.OperCelAOperar.size() != 1) {
        erro(c, "Campo operadora celular a comunicar não informada corretamente"_cp);
        return false;
      }
      if (c.OperCelAOperar != "1" && c.OperCelAOperar != "2") {
        respostas_.RetornaErroXML("Operadora celular desconhecida", "", c.referenciaTexto, 0, -1);
        return false;
      }
      c.Token1 = "E5,1," + c.OperCelAOperar;
      return true;

    case kLacreTemporizado:
      c.Token1 = token("23", std::to_string(c.Tempo));
      return true;

    case kParametrosComunicacao:
      c.Token1 = c.tokenIP;
      c.Token2 = c.tokenPorta + c.tokenOperacao;
      return true;

    default:
      return true;
  }
}

bool tComandoVeiculo::enviaParaVeiculos(Comando& c) {
  for (const std::int32_t veiculo : c.veiculos.Terminais()) {
    if (c.codMsg == kMensagemLivre) {
      if (c.Texto.empty() || c.IdMensagem == -1 || c.ConfirmaLeitura == -1) {
        erro(c, "Telecomando (Mensagem Livre) incompleto");
        return false;
      }
      c.Texto = FiltraTextoTerminal(c.Texto, TipoConsoleTerminal(dbZenthora_, c.referencia));
      c.Token1 = token("26", c.Texto);
      c.Token2 = "24,1," + std::to_string(c.ConfirmaLeitura) + "#" + token("25", std::to_string(c.IdMensagem)) +
                 "#29,1," + std::to_string(c.ConfirmaRecebimento);
    }
    const Transmissao t = verifica_.VerificaTransmissao(c.codigo, veiculo);
    if (t.permitido) {
      armazena(c, veiculo, t);
      c.resultado = true;
    } else {
      if (t.sleep)
        erro(c,
             "RI (" + std::to_string(veiculo) +
                 ") esta em modo economia (ModoSleep) e nao é permitido o envio do telecomando"_cp,
             308);
      else
        erro(c,
             "RI (" + std::to_string(veiculo) + ") esta sem comunicacao GPRS e o telecomando (" + c.codigo +
                 ") nao e permitido envio em Satelite",
             301);
      c.resultado = false;
    }
  }
  return true;
}

void tComandoVeiculo::armazena(Comando& c, std::int32_t veiculo, const Transmissao& t) {
  spCmdAvulso_.bindText("MSG_CmdAvulso", c.codigo)
      .bindInt("IdTerminal", veiculo)
      .bindText("Origem", cfg_.NOME_MR)
      .bindInt("DESABILITAR_GPRS", t.DESABILITAR_GPRS)
      .bindInt("IdUsuario", c.IdUsuario)
      .bindText("Token1", c.Token1)
      .bindText("Token2", c.Token2)
      .bindInt("IdSeqMsg", c.IdSeqMsg);
  spCmdAvulso_.open();
  const std::int32_t idSequencia = spCmdAvulso_.eof() ? 0 : spCmdAvulso_.field(std::size_t{0}).asInt();
  spCmdAvulso_.close();

  if (c.codMsg == kMensagemLivre)
    log("Enviando Mensagens Livre para IdTerminal[" + std::to_string(c.referencia) + "] IdSeqMsg[" +
        std::to_string(c.IdSeqMsg) + "] IdMensagem[" + std::to_string(c.IdMensagem) + "] Texto[" + c.Texto + "]");
  ++c.IdSeqMsg;

  if (c.codMsg == kMensagemLivre || c.codMsg == kMensagemPreDefinida) {
    spRecMensagemEnv_.bindInt("IdSequencia", idSequencia)
        .bindText("Texto", c.Texto)
        .bindText("StsConfirmacao", (c.ConfirmaLeitura & 0xFF) != 0 ? "P" : "N")
        .bindInt("StsConfReceb", c.ConfirmaRecebimento)
        .bindInt("IdMensagem", c.IdMensagem);
    spRecMensagemEnv_.execute();
  }
  if (c.codMsg == kTrocaOperadora) {
    db::Statement troca(dbZenthora_, sqlTrocaOperadoraCelular());
    troca.bindInt("IdSequencia", idSequencia)
        .bindInt("IdTerminal", veiculo)
        .bindInt("OperadoraCelular", c.OperCelAOperar == "1" ? 1 : 2)
        .execute();
  }
}

}  // namespace kvt::telecmd
