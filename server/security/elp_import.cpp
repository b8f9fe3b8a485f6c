#include "server/security/elp_import.h"

#include "platform/text/cp1252.h"
#include "platform/text/integer_text.h"
#include "platform/text/trim.h"
#include "server/common/elemento.h"
#include "server/security/import_options.h"
#include "server/telecmd/texto_xml.h"

namespace kvt::security {

using namespace kvt::text::literals;

KVT_SQL(sqlCfgMensagemExtLogDelete, "exec spCfgMensagemExtLogDelete;1 @IdTerminal = :IdTerminal, @TipoMsg = :TipoMsg",
        "exec spCfgMensagemExtLogDelete;1 @IdTerminal = :IdTerminal, @TipoMsg = :TipoMsg");
KVT_SQL(sqlMensagemExtLogInsert, "exec spMensagemExtLogInsert;1 @TipoMsg = :TipoMsg, @Mensagem = :Mensagem",
        "exec spMensagemExtLogInsert;1 @TipoMsg = :TipoMsg, @Mensagem = :Mensagem");
KVT_SQL(sqlCfgMensagemExtLogInsert,
        "exec spCfgMensagemExtLogInsert;1 @IdTerminal = :IdTerminal, @IdSequencia = :IdSequencia, "
        "@Sequencia = :Sequencia, @IdConfig = :IdConfig, @IdMsg = :IdMsg, @TipoMsg = :TipoMsg, @Origem = :Origem",
        "exec spCfgMensagemExtLogInsert;1 @IdTerminal = :IdTerminal, @IdSequencia = :IdSequencia, "
        "@Sequencia = :Sequencia, @IdConfig = :IdConfig, @IdMsg = :IdMsg, @TipoMsg = :TipoMsg, @Origem = :Origem");
KVT_SQL(sqlCfgMensagemExtLogAssociaPerfil,
        "exec spCfgMensagemExtLogAssociaPerfil;1 @IdTerminal = :IdTerminal, @IdConfig = :IdConfig, "
        "@IdTerminalOrigem = :IdTerminalOrigem",
        "exec spCfgMensagemExtLogAssociaPerfil;1 @IdTerminal = :IdTerminal, @IdConfig = :IdConfig, "
        "@IdTerminalOrigem = :IdTerminalOrigem");

namespace elp {

bool tVeiculo::Igual(const common::tValorNo& outro) const {
  const auto* v = dynamic_cast<const tVeiculo*>(&outro);
  return v && v->idTerminal_ == idTerminal_;
}

}  // namespace elp

namespace {

const std::string& complemento() {
  static const std::string c =
      ", não é possível realizar a Importação de Mensagens de Extensão Logística de Parada"_cp;
  return c;
}

const std::string& semEssaMensagem() {
  static const std::string s = "A configuração será gravada sem essa mensagem"_cp;
  return s;
}

elp::tVeiculo& veiculoDo(common::tNoListaEncadeada* no) { return static_cast<elp::tVeiculo&>(no->Valor()); }

}  // namespace

tImportacaoMensagensELP::tImportacaoMensagensELP(const Dependencias& d)
    : canal_(d.canal), respostas_(d.respostas), dbZenthora_(d.dbZenthora) {}

void tImportacaoMensagensELP::erro(const std::string& mensagem) {
  respostas_.Retorna_Status_Erro_XML(mensagem, "", "", 0, -1);
}

void tImportacaoMensagensELP::Importa(const xml::Element& raiz) {
  leVeiculos(raiz);
  if (veiculos_.Vazia()) {
    erro("Tag <Veiculo> está em branco"_cp + complemento());
    return;
  }
  xml::Element mensagens;
  for (xml::Element e = raiz.firstChildElement(); e && !mensagens; e = e.nextSiblingElement())
    if (common::ElementoChamado(e, "MENSAGENSELP")) mensagens = e;
  if (!mensagens) return;
  if (!mensagens.firstChildElement()) {
    erro("Tag <MensagensELP> está em branco"_cp + complemento());
    return;
  }
  configuraMensagens(mensagens);
  enviaStatus();
}

void tImportacaoMensagensELP::leVeiculos(const xml::Element& raiz) {
  std::vector<OpcaoImportacao> semOpcoes;
  LeituraVeiculos leitura;
  leitura.terminalNaResposta = false;
  leitura.adiciona = [this](std::int32_t idTerminal) {
    veiculos_.InsereUnico(std::make_unique<elp::tVeiculo>(idTerminal));
  };
  LeOpcoesEVeiculos(raiz, semOpcoes, leitura, dbZenthora_, respostas_);
}

bool tImportacaoMensagensELP::leMensagem(const xml::Element& mensagem, std::int32_t& tipo, std::string& texto) {
  tipo = -1;
  texto.clear();
  for (xml::Element e = mensagem.firstChildElement(); e; e = e.nextSiblingElement()) {
    if (common::ElementoChamado(e, "TIPOMSG")) {
      const auto lido = e.hasTextChild() ? text::tryParseInt(common::TextoDoElemento(e)) : std::nullopt;
      if (lido) {
        tipo = *lido;
      } else {
        erro("Tag <TipoMsg> informado erroneamente. "_cp + semEssaMensagem());
        faltou_ = kStsELPIncompleto;
      }
    } else if (common::ElementoChamado(e, "MENSAGEM")) {
      if (e.hasTextChild()) {
        texto = common::TextoDoElemento(e);
        if (texto.empty()) erro("Tag <Mensagem> vazia. "_cp + semEssaMensagem());
      } else {
        erro("Tag <Mensagem> informado erroneamente. "_cp + semEssaMensagem());
        faltou_ = kStsELPIncompleto;
      }
    }
  }
  std::string recusa;
  if (tipo == -1 || texto.empty())
    recusa = "Configuração de mensagem incompleto. "_cp;
  else if (tipo < 0 || tipo >= static_cast<std::int32_t>(SequenciasELP.size()))
    recusa = "Tipo de mensagem inválido. "_cp;
  if (recusa.empty()) return true;
  erro(recusa + semEssaMensagem() + ": " + texto);
  faltou_ = kStsELPIncompleto;
  return false;
}

void tImportacaoMensagensELP::configuraMensagens(const xml::Element& mensagens) {
  std::array<std::int32_t, SequenciasELP.size()> sequencia{};
  for (std::size_t t = 0; t < SequenciasELP.size(); ++t) sequencia[t] = SequenciasELP[t].primeira;
  faltou_ = kStsELPCompleto;
  elp::tVeiculo& v1 = veiculoDo(veiculos_.Primeiro());

  apagaConfiguracao(v1.IdTerminal());
  for (xml::Element m = mensagens.firstChildElement(); m; m = m.nextSiblingElement()) {
    if (!common::ElementoChamado(m, "MENSAGEMELP")) continue;
    std::int32_t tipo = -1;
    std::string texto;
    if (!leMensagem(m, tipo, texto)) continue;
    const auto t = static_cast<std::size_t>(tipo);
    if (sequencia[t] > SequenciasELP[t].ultima) {
      erro("Configuração atingiu o limite do número de mensagens. "_cp + semEssaMensagem() + ": " + texto);
      faltou_ = kStsELPIncompleto;
      continue;
    }
    gravaMensagem(v1.IdTerminal(), tipo, sequencia[t], texto.substr(0, kTamanhoMensagemELP));
    ++sequencia[t];
  }
  v1.DefineStatus(faltou_);

  for (common::tNoListaEncadeada* no = veiculos_.Primeiro()->Proximo(); no; no = no->Proximo()) {
    elp::tVeiculo& v = veiculoDo(no);
    apagaConfiguracao(v.IdTerminal());
    db::Statement associa(dbZenthora_, sqlCfgMensagemExtLogAssociaPerfil());
    associa.bindInt("IdTerminal", v.IdTerminal()).bindInt("IdConfig", 0).bindInt("IdTerminalOrigem", v1.IdTerminal());
    associa.execute();
    v.DefineStatus(faltou_);
  }
}

void tImportacaoMensagensELP::apagaConfiguracao(std::int32_t idTerminal) {
  db::Statement apaga(dbZenthora_, sqlCfgMensagemExtLogDelete());
  for (std::int32_t tipo = 0; tipo < static_cast<std::int32_t>(SequenciasELP.size()); ++tipo) {
    apaga.bindInt("IdTerminal", idTerminal).bindInt("TipoMsg", tipo);
    apaga.execute();
  }
}

void tImportacaoMensagensELP::gravaMensagem(std::int32_t idTerminal, std::int32_t tipo, std::int32_t sequencia,
                                            const std::string& texto) {
  db::Statement mensagem(dbZenthora_, sqlMensagemExtLogInsert());
  mensagem.bindInt("TipoMsg", tipo).bindText("Mensagem", texto);
  mensagem.open();
  if (mensagem.eof()) throw db::DbError("spMensagemExtLogInsert não retornou o IdMsg da mensagem "_cp + texto);
  const std::int32_t idMsg = mensagem.field("IdMsg").asInt();

  db::Statement cfg(dbZenthora_, sqlCfgMensagemExtLogInsert());
  cfg.bindInt("IdTerminal", idTerminal)
      .bindInt("IdSequencia", 0)
      .bindInt("Sequencia", sequencia)
      .bindInt("IdConfig", 0)
      .bindInt("IdMsg", idMsg)
      .bindInt("TipoMsg", tipo)
      .bindInt("Origem", 1);
  cfg.execute();
}

void tImportacaoMensagensELP::enviaStatus() {
  std::string corpo = " <CodMsg> -61 </CodMsg>  <MensagensELP>  <DataHoraEm> " + telecmd::DataHoraAtual() +
                      " </DataHoraEm> ";
  for (common::tNoListaEncadeada* no = veiculos_.Primeiro(); no; no = no->Proximo()) {
    const elp::tVeiculo& v = veiculoDo(no);
    corpo += " <Veiculo>  <IdTerminal>" + common::TextoTerminal(v.IdTerminal()) + "</IdTerminal>  <StsAssociacao>" +
             std::to_string(v.Status()) + "</StsAssociacao>  </Veiculo> ";
  }
  corpo += " </MensagensELP> ";
  canal_.Enfileira_XML_Envio(telecmd::LimpaAcentos(corpo));
}

}  // namespace kvt::security
