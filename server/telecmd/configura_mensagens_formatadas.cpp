// 5C: the formatted-message definitions of one or more vehicles.

#include <cstdio>

#include "platform/text/cp1252.h"
#include "platform/text/integer_text.h"
#include "server/common/elemento.h"
#include "server/telecmd/lista_veiculos_cmd.h"
#include "server/telecmd/mensagens_formatadas.h"
#include "server/telecmd/texto_terminal.h"
#include "server/telecmd/texto_xml.h"

namespace kvt::telecmd {

using namespace text::literals;

KVT_SQL(sqlGrupoMacroKVT,
        "IF NOT EXISTS(SELECT IdGrupo  FROM tGrupoMacro  WHERE Nome_Grupo = 'GRUPO CADASTRADO PELO KVTPLUS')  EXECUTE "
        "spInsertGrupoMacro 'GRUPO CADASTRADO PELO KVTPLUS', NULL EXECUTE spOpenGrupoMacro 4, 'GRUPO CADASTRADO PELO "
        "KVTPLUS' ",
        "exec spInsertGrupoMacro 'GRUPO CADASTRADO PELO KVTPLUS', NULL; "
        "exec spOpenGrupoMacro 4, 'GRUPO CADASTRADO PELO KVTPLUS'");
KVT_SQL(sqlApagaMacroVeic, "delete from tMacroVeic where IdTerminal = :IdTerminal",
        "delete from tMacroVeic where IdTerminal = :IdTerminal");
KVT_SQL(sqlGravaCfgMacro,
        "delete from tcfgmacrocampos where idmacro = :idMacro delete from tcfgmacro where idmacro = :idMacro INSERT "
        "INTO tCfgMacro (idMacro, idultimo, Titulo, Terminal, idGrupo, Enviado, Hash, TE, TC) VALUES (:idMacro, "
        ":idultimo, :Titulo, :Terminal, :idGrupo, :Enviado, :Hash, :TE, :TC) ",
        "delete from tcfgmacrocampos where idmacro = :idMacro; delete from tcfgmacro where idmacro = :idMacro; INSERT "
        "INTO tCfgMacro (idMacro, idultimo, Titulo, Terminal, idGrupo, Enviado, Hash, TE, TC) VALUES (:idMacro, "
        ":idultimo, :Titulo, :Terminal, :idGrupo, :Enviado, :Hash, :TE, :TC) ");
KVT_SQL(sqlGravaCfgMacroCampo,
        "INSERT INTO tCfgMacroCampos (idMacro, idCampo, Hash, Nome, Tipo, Tam, lin, col, alin, Obrig, Repet, Ordem) "
        "VALUES (:idMacro, :idCampo, :Hash, :Nome, :Tipo, :Tam, :lin, :col, :alin, :Obrig, :Repet, :Ordem)",
        "INSERT INTO tCfgMacroCampos (idMacro, idCampo, Hash, Nome, Tipo, Tam, lin, col, alin, Obrig, Repet, Ordem) "
        "VALUES (:idMacro, :idCampo, :Hash, :Nome, :Tipo, :Tam, :lin, :col, :alin, :Obrig, :Repet, :Ordem)");
KVT_SQL(sqlGravaMacroVeic,
        "Insert into  tMacroVeic (idMacro,idTerminal,Status,Central,IdSeq) values (:idMacro,:idTerminal,3,0,:IdSeq) ",
        "Insert into  tMacroVeic (idMacro,idTerminal,Status,Central,IdSeq) values (:idMacro,:idTerminal,3,0,:IdSeq) ");
KVT_SQL(sqlRecMacro, "execute spRecMacro :IdConfig,:IdTerminal,:Origem,:DESABILITAR_GPRS,:IdUsuario,:IdSeqMsg",
        "execute spRecMacro :IdConfig,:IdTerminal,:Origem,:DESABILITAR_GPRS,:IdUsuario,:IdSeqMsg");

namespace {

constexpr const char* kCodigo = "5C";

// Sizes of the field types whose size the form fixes.
constexpr std::int32_t kTamanhoFixo[] = {16, 14, 5, 8, 10, 5};  // types 3 to 8

std::optional<std::int32_t> numero(const xml::Element& e) {
  if (!e.hasTextChild()) return std::nullopt;
  return text::tryParseInt(e.value());
}

}  // namespace

std::int32_t TamanhoDoTipo(std::int32_t tipo, std::int32_t declarado) {
  if (tipo >= 3 && tipo <= 8) return kTamanhoFixo[tipo - 3];
  return declarado;
}

std::string TextoHashArmazenado(std::int32_t hash) { return std::to_string(hash); }

std::string TextoHashSemSinal(std::int32_t hash) { return std::to_string(static_cast<std::uint32_t>(hash)); }

tMensagensFormatadas::tMensagensFormatadas(const Dependencias& d)
    : dbZenthora_(d.dbZenthora),
      cfg_(d.cfg),
      estado_(d.estado),
      logs_(d.logs),
      respostas_(d.respostas),
      verifica_(d.verifica),
      cadastro_(d.cadastro),
      qrVeiculo_(d.qrVeiculo),
      qrGrupo_(d.dbZenthora, sqlGrupoMacroKVT()),
      delMacroVeic_(d.dbZenthora, sqlApagaMacroVeic()),
      insCfgMacro_(d.dbZenthora, sqlGravaCfgMacro()),
      insCfgMacroCampo_(d.dbZenthora, sqlGravaCfgMacroCampo()),
      insMacroVeic_(d.dbZenthora, sqlGravaMacroVeic()),
      spRecMacro_(d.dbZenthora, sqlRecMacro()),
      qrTamanho_(d.dbZenthora, sqlTamanhoMacro()),
      spMensagemFormatada_(d.dbZenthora, sqlMensagemFormatada()) {}

void tMensagensFormatadas::log(std::string_view mensagem, bool erro) { logs_.log("tTeleCmd", mensagem, erro); }

// What one 5C request has read so far.
struct tMensagensFormatadas::Leitura5C {
  std::int32_t IdSeqMsg = 0;
  std::string terminalTexto;
  tListaVeiculosCmd veiculos;
  std::vector<Macro> macros;
};

void tMensagensFormatadas::aviso(const Leitura5C& l, const std::string& mensagem) {
  respostas_.RetornaErroXML(mensagem, kCodigo, l.terminalTexto, 0, l.IdSeqMsg);
}

bool tMensagensFormatadas::ConfiguraMensagensFormatadas(const PedidoTeleCmd& pedido) {
  Leitura5C l;
  l.IdSeqMsg = pedido.IdSeqMsg;
  l.terminalTexto = common::TextoTerminal(pedido.IdTerminal);

  if (pedido.IdTerminal != 0) {
    if (cadastro_.VeiculoCadastrado(pedido.IdTerminal))
      l.veiculos.Adiciona(pedido.IdTerminal);
    else
      aviso(l, " Veículo "_cp + l.terminalTexto + " não está cadastrado !"_cp);
  }

  for (xml::Element e = pedido.raiz.firstChildElement(); e; e = e.nextSiblingElement()) {
    const std::string nome = common::NomeDoElemento(e);
    if (nome == "VEICULO") {
      for (xml::Element v = e.firstChildElement(); v; v = v.nextSiblingElement()) {
        if (!common::ElementoChamado(v, "IDTERMINAL")) continue;
        const std::string texto = common::TextoDoElemento(v);
        if (texto.empty()) return false;
        l.terminalTexto = texto;
        const std::int32_t id = HexParaInt(texto).value_or(0);
        if (cadastro_.VeiculoCadastrado(id))
          l.veiculos.Adiciona(id);
        else
          aviso(l, " Veículo "_cp + texto + " não está cadastrado !"_cp);
      }
    } else if (nome == "MACRO") {
      Macro macro;
      if (!leMacro(l, e, macro)) return false;
      l.macros.push_back(std::move(macro));
    }
  }

  // the whole document has been read: only now is anything written
  bool resultado = false;
  for (const std::int32_t veiculo : l.veiculos.Terminais())
    resultado = GravaMacros(l.macros, pedido.IdUsuario, pedido.IdSeqMsg, veiculo);
  return resultado;
}

bool tMensagensFormatadas::leMacro(Leitura5C& l, const xml::Element& elemento, Macro& macro) {
  std::int64_t bytesUteis = 0;  // the declared sizes, added as each TamCampo is read
  for (xml::Element e = elemento.firstChildElement(); e; e = e.nextSiblingElement()) {
    const std::string nome = common::NomeDoElemento(e);
    if (nome == "NOMEMACRO") {
      macro.Titulo = common::TextoDoElemento(e);
      if (macro.Titulo.empty()) {
        macro.Titulo = "MACRO EM BRANCO";
        aviso(l, "Verifique a Tag <NOMEMACRO>, está em branco, assumido valor \"MACRO EM BRANCO\""_cp);
      }
    } else if (nome == "NROSEQMACRO") {
      const std::string texto = common::TextoDoElemento(e);
      macro.idMacro = HexParaInt(texto).value_or(0);
      macro.hash = macro.idMacro;
      if (texto.empty()) aviso(l, "Verifique a Tag <NROSEQMACRO>, está em branco, assumido valor 0"_cp);
    } else if (nome == "TERMINAL") {
      macro.Terminal = e.hasTextChild() ? text::strToIntDef(e.value(), 0) : 1;
    } else if (nome == "TE") {
      std::string texto = common::TextoDoElemento(e);
      if (texto.empty()) {
        texto = "1";
        respostas_.RetornaErroXML("Verifique a Tag <TE>, está em branco, assumido valor 1"_cp, "", l.terminalTexto, 0,
                                  -1);
      }
      macro.TE = texto == "0" ? 1 : 0;
    } else if (nome == "TC") {
      std::string texto = common::TextoDoElemento(e);
      if (texto.empty()) {
        texto = "0";
        respostas_.RetornaErroXML("Verifique a Tag <TC>, está em branco, assumido valor 0"_cp, "", l.terminalTexto, 0,
                                  -1);
      }
      macro.TC = texto == "0" ? 1 : 0;
    } else if (nome == "CAMPO") {
      CampoMacro campo;
      campo.idCampo = static_cast<std::int32_t>(macro.campos.size()) + 1;
      if (!leCampo(l, e, campo, bytesUteis)) return false;
      macro.campos.push_back(std::move(campo));
    }
  }
  const std::size_t limite = macro.Terminal == 5 ? kCamposConsoleCompleto : kCamposOutrosConsoles;
  if (macro.campos.size() > kCamposConsoleCompleto || macro.campos.size() > limite) {
    aviso(l,
          "Mensagem formatada com mais campos do que o permitido para o tipo de terminal. Telecomando não pode ser "
          "enviado."_cp);
    return false;
  }
  return true;
}

bool tMensagensFormatadas::leCampo(Leitura5C& l, const xml::Element& elemento, CampoMacro& campo,
                                   std::int64_t& bytesUteis) {
  for (xml::Element e = elemento.firstChildElement(); e; e = e.nextSiblingElement()) {
    const std::string nome = common::NomeDoElemento(e);
    if (nome == "NOMECAMPO") {
      campo.Nome = common::TextoDoElemento(e);
      if (campo.Nome.empty()) {
        campo.Nome = "CAMPO EM BRANCO";
        aviso(l, "Tag <NOMECAMPO> está em branco, assumido valor \"CAMPO EM BRANCO\""_cp);
      }
    } else if (nome == "TIPOCAMPO") {
      const auto v = numero(e);
      campo.Tipo = v.value_or(0);
      if (!v) aviso(l, "Tag <TIPOCAMPO> está em branco, assumido valor 0"_cp);
    } else if (nome == "TAMCAMPO") {
      campo.Tam = HexParaInt(common::TextoDoElemento(e)).value_or(0);
      // a negative size counts as nothing: it never makes room for more fields
      bytesUteis += campo.Tam > 0 ? campo.Tam : 0;
      if (bytesUteis > kBytesUteisMacro) {
        aviso(l, "Mensagem formatada com mais de 512 bytes úteis. Telecomando não pode ser enviado."_cp);
        return false;
      }
    } else if (nome == "LINCAMPO") {
      campo.lin = numero(e).value_or(0);
    } else if (nome == "COLCAMPO") {
      campo.col = numero(e).value_or(0);
    } else if (nome == "POSEDCAMPO") {
      const auto v = numero(e);
      campo.alin = v.value_or(1);
      if (!v) aviso(l, "Tag <POSEDCAMPO> está em branco, assumido valor 1"_cp);
    } else if (nome == "OBRIGCAMPO") {
      const auto v = numero(e);
      campo.Obrig = v.value_or(0);
      if (!v) aviso(l, "Tag <OBRIGCAMPO> está em branco, assumido valor 0"_cp);
    }
  }
  return true;
}

std::int32_t tMensagensFormatadas::GrupoMacroKVT() {
  qrGrupo_.open();
  const std::int32_t grupo = qrGrupo_.eof() ? 0 : qrGrupo_.field("IdGrupo").asInt();
  qrGrupo_.close();
  return grupo;
}

bool tMensagensFormatadas::GravaMacros(const std::vector<Macro>& macros, std::int32_t idUsuario,
                                       std::int32_t idSeqMsg, std::int32_t veiculo) {
  const std::int32_t grupo = GrupoMacroKVT();
  delMacroVeic_.bindInt("IdTerminal", veiculo).execute();
  if (!gravaDefinicoes(macros, grupo, veiculo)) return false;

  const Transmissao t = verifica_.VerificaTransmissao(kCodigo, veiculo);
  if (!t.permitido) {
    const std::string ri = "RI (" + std::to_string(veiculo) + ") esta ";
    if (t.sleep)
      respostas_.RetornaErroXML(ri + "em modo economia (ModoSleep) e nao é permitido o envio do Telecomando [5C]"_cp,
                                kCodigo, common::TextoTerminal(veiculo), 308, idSeqMsg);
    else
      respostas_.RetornaErroXML(ri + "sem comunicacao GPRS e o telecomando (5C) nao e permitido envio em Satelite",
                                kCodigo, common::TextoTerminal(veiculo), 301, idSeqMsg);
    return false;
  }
  spRecMacro_.bindInt("IdConfig", 0)
      .bindInt("IdTerminal", veiculo)
      .bindText("Origem", cfg_.NOME_MR)
      .bindInt("DESABILITAR_GPRS", t.DESABILITAR_GPRS)
      .bindInt("IdUsuario", idUsuario)
      .bindInt("IdSeqMsg", idSeqMsg);
  spRecMacro_.execute();
  log("Enviando Configuração de Mensagens Formatadas para IdTerminal["_cp + std::to_string(veiculo) + "] IdSeqMsg[" +
      std::to_string(idSeqMsg) + "]");
  return true;
}

bool tMensagensFormatadas::gravaDefinicoes(const std::vector<Macro>& macros, std::int32_t grupo,
                                           std::int32_t veiculo) {
  const std::int32_t console = TipoConsoleTerminal(dbZenthora_, veiculo);
  for (std::size_t i = 0; i < macros.size(); ++i) {
    const Macro& m = macros[i];
    try {
      insCfgMacro_.bindInt("idMacro", m.idMacro)
          .bindInt("idultimo", 0)
          .bindText("Titulo", FiltraTextoTerminal(m.Titulo, console))
          .bindInt("Terminal", m.Terminal)
          .bindInt("idGrupo", grupo)
          .bindInt("Enviado", 0)
          .bindInt("Hash", m.hash)
          .bindInt("TE", m.TC == 1 ? 0 : m.TE)
          .bindInt("TC", m.TC);
      insCfgMacro_.execute();
    } catch (const db::DbError& e) {
      if (e.connectionLost()) throw;  // the fatal path, not this vehicle alone
      log("Erro ao inserir Mensagem Formatada Nº "_cp + std::to_string(m.hash) + " no banco de dados. ", true);
      return false;
    }

    std::int32_t linha = 1;
    for (const CampoMacro& c : m.campos) {
      try {
        insCfgMacroCampo_.bindInt("idMacro", m.idMacro)
            .bindInt("idCampo", c.idCampo)
            .bindInt("Hash", m.hash)
            .bindText("Nome", FiltraTextoTerminal(c.Nome, console))
            .bindInt("Tipo", c.Tipo)
            .bindInt("Tam", TamanhoDoTipo(c.Tipo, c.Tam))
            .bindInt("lin", c.lin != 0 ? c.lin : linha)
            .bindInt("col", c.col != 0 ? c.col : 1)
            .bindInt("alin", c.alin)
            .bindInt("Obrig", c.Obrig)
            .bindInt("Repet", c.Repet)
            .bindInt("Ordem", c.Ordem);
        insCfgMacroCampo_.execute();
      } catch (const db::DbError& e) {
        if (e.connectionLost()) throw;
        log("Erro ao inserir Campo de Mensagem Formatada Nº "_cp + std::to_string(m.hash) + " no banco de dados. " +
                e.what(),
            true);
        return false;
      }
      linha += 2;
    }

    insMacroVeic_.bindInt("idMacro", m.idMacro)
        .bindInt("idTerminal", veiculo)
        .bindInt("IdSeq", static_cast<std::int32_t>(i) + 1)
        .execute();
  }
  return true;
}

}  // namespace kvt::telecmd
