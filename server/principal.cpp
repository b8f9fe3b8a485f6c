#include "server/principal.h"

#include <cstdio>
#include <cstdlib>

#include "platform/clock/clock.h"
#include "platform/text/cp1252.h"
#include "platform/text/date_time.h"
#include "server/canal_eventos_link.h"
#include "server/common/lista_veiculo.h"
#include "server/events/custom_event.h"
#include "server/events/event_polling.h"
#include "server/events/event_sinks.h"
#include "server/events/location.h"
#include "server/events/logistic_complement.h"
#include "server/events/post_xml.h"
#include "server/link/client_link.h"
#include "server/link/command_queue.h"
#include "server/operations/operacao.h"
#include "server/operations/tratadores.h"
#include "server/runtime/app_exception.h"
#include "server/runtime/diagnostico.h"
#include "server/runtime/intervalo_timer.h"
#include "server/security/seg_eletronica.h"
#include "server/service/endpoint_http.h"
#include "server/service/sonda_bancos.h"
#include "server/telecmd/consultas.h"
#include "server/telecmd/permissao_central.h"
#include "server/telecmd/resposta_erro.h"
#include "server/telecmd/tele_cmd.h"

namespace kvt::server {

using namespace text::literals;
using runtime::StatusModel;

namespace {

constexpr const char* kRotinaInicializa = "TFPrincipal.Inicializa";
constexpr const char* kRotinaAppException = "TFPrincipal.AppException";

std::string caminho(const std::string& pasta, const std::string& arquivo) {
  if (pasta.empty() || pasta == ".") return arquivo;
  return pasta.back() == '/' ? pasta + arquivo : pasta + "/" + arquivo;
}

}  // namespace

TFPrincipal::TFPrincipal(OpcoesServidor opcoes, runtime::Bancos& bancos, std::uint32_t intervaloDiagnosticoMs)
    : opcoes_(std::move(opcoes)),
      bancos_(bancos),
      intervaloDiagnosticoMs_(intervaloDiagnosticoMs),
      iniPath_(caminho(opcoes_.programDir, "KORVATEL.INI")),
      logs_(cfg_.log, iniPath_, status_.lberro, opcoes_.workDir) {
  if (!opcoes_.termina) opcoes_.termina = [](int code) { std::_Exit(code); };
  if (!opcoes_.mostraMensagem)
    opcoes_.mostraMensagem = [](const std::string& texto) {
      const std::string utf8 = text::cp1252ToUtf8(texto) + "\n";
      std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    };
  conecta(tmrProcessa_, &TFPrincipal::tmrProcessaTimer);
  conecta(tmrStatusQuillon_, &TFPrincipal::tmrStatusQuillonTimer);
  conecta(tmrDiagnostico_, &TFPrincipal::tmrDiagnosticoTimer);
  conecta(tmrMonitorAcumulo_, &TFPrincipal::tmrMonitorAcumuloTimer);
  conecta(tmrLocalizacao_, &TFPrincipal::tmrLocalizacaoTimer);
}

TFPrincipal::~TFPrincipal() {
  if (watchdog_) watchdog_->stop();
}

std::uint16_t TFPrincipal::portaEscuta() const { return link_ && link_->Escutando() ? link_->PortaEscuta() : 0; }

void TFPrincipal::conecta(QTimer& timer, void (TFPrincipal::*handler)()) {
  connect(&timer, &QTimer::timeout, this, [this, handler] { guard([this, handler] { (this->*handler)(); }); });
}

void TFPrincipal::log(std::string_view routine, std::string_view message, bool isError, bool showOnScreen) {
  logs_.log(routine, message, isError, showOnScreen);
}

void TFPrincipal::guard(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    AppException(e.what());
  } catch (...) {
    AppException("Unknown exception");
  }
}

bool TFPrincipal::FormCreate() {
  estado_ = {};
  estado_.IdUsuarioLogado = -1;
  listaVeiculo_ = std::make_unique<common::tListaVeiculo>(*bancos_.dbZenthora);
  status_.caption = "Interface de Acesso à Central Talvero - Versão"_cp + " " + kVersao;
  bool ok = false;
  guard([&] {
    ok = Inicializa();
    if (!ok) return;
    runtime::ArmaTimer(tmrDiagnostico_, intervaloDiagnosticoMs_);  // 0 or less: it does not run
    const std::string rotina = "TFPrincipal.AtualizaDataHoraCarga";
    log(rotina, "inicio KORVATEL" + std::to_string(estado_.NumModCom));
    runtime::AtualizaDataHoraCarga(*bancos_.dbZenthora, estado_.NumModCom, kVersao, runtime::NomeMaquina());
    log(rotina, "fim KORVATEL" + std::to_string(estado_.NumModCom));
    marcaVida();
    watchdog_ = std::make_unique<runtime::tThr_WatchDog>(sinal_, opcoes_.workDir, opcoes_.watchdog);
    watchdog_->start();
    criaEndpoint();
    notificador_.Pronto(estado_.BaseAtiva, link_ ? link_->NumConexoes() : 0);
  });
  return ok && estado_.Inicializado;
}

bool TFPrincipal::conectaBanco(const char* nome, std::unique_ptr<db::Connection>& conexao) {
  const std::string n(nome);
  log(kRotinaInicializa, "Conectando ao banco " + n + "...");
  try {
    if (!conexao) {
      conexao = runtime::AbreBanco(ini::IniFile(iniPath_), n);
    } else if (!conexao->isOpen()) {
      conexao->reopen();
    }
  } catch (const db::DbError& e) {
    log(kRotinaInicializa, "Falha de conexão com "_cp + n + ": " + e.what(), true);
    return false;
  }
  log(kRotinaInicializa, n + " conectado com sucesso");
  return true;
}

bool TFPrincipal::Inicializa() {
  ini::IniFile ini(iniPath_);
  runtime::LeChavesLog(ini, cfg_);
  log(kRotinaInicializa, std::string("Iniciando Korvatel [V") + kVersao + "]...");

  if (!conectaBanco("dbZenthora", bancos_.dbZenthora)) return false;
  if (!conectaBanco("dbBase", bancos_.dbBase)) return false;
  // the electronic-security database of the data modules
  if (!conectaBanco("dbSSE", bancos_.dbSSE)) return false;

  carregaCatalogos();

  runtime::LeChavesKorvatel(ini, cfg_);
  estado_.NumModCom = runtime::NumModComDe(cfg_.NOME_MR);

  estado_.Integracao = false;
  const auto modulo = runtime::LeModulo(*bancos_.dbBase, estado_.NumModCom);
  if (!modulo) {
    const std::string texto =
        cfg_.NOME_MR + " inválido, verifique a configuração na Quillon e no arquivo KORVATEL.INI"_cp;
    log(kRotinaInicializa, texto);
    opcoes_.mostraMensagem(texto);
    return false;
  }
  estado_.ModuloValido = true;
  if (modulo->ccro == 1) {
    estado_.Integracao = true;
    status_.caption = std::string("KVT(") + kVersao + ") INTEGRAÇÃO ZENTHORA ("_cp + cfg_.NOME_MR + ")";
  }

  habilitaTimers();

  runtime::LeChavesControle(ini, cfg_);
  estado_.UltimoNumSeqProcessado = cfg_.ULTIMO_NUM_SEQ_PROCESSADO;
  estado_.UltimoNumSeqProcessadoCtrl = cfg_.ULTIMO_NUM_SEQ_PROCESSADO_CTRL;

  status_.nome_Base = cfg_.NOME_BASE;
  status_.lb_modcom = cfg_.NOME_MR;
  status_.lb_id_base = std::to_string(cfg_.ID_BASE);
  status_.lb_KVTPorta = std::to_string(cfg_.KORVATEL_PORT);

  // the event-table statements are built by the event passes from NOME_MR
  criaLink();
  estado_.TotalCmdEnviados = 0;
  estado_.TotalEvtEnviados = 0;
  estado_.EvtNoBuffer = 0;

  estado_.FalhaPorta = false;
  if (!ativaServidor()) {
    estado_.FalhaPorta = true;
    opcoes_.mostraMensagem("Falha na conexão com a porta do KVT."_cp);
    return false;
  }

  log(kRotinaInicializa, "Ponto 1");
  criaProcessadores();
  log(kRotinaInicializa, "Ponto 2");
  link_->HabilitaTmrBuffer();
  tmrLocalizacao_.setInterval(static_cast<int>(events::tLocalizacao::kIntervaloTimerMs));
  tmrLocalizacao_.start();
  estado_.EnviandoBuffer = false;
  log(kRotinaInicializa, "Ponto 3");
  link_->LeBufferEnvio();

  log(kRotinaInicializa, "Korvatel inicializado corretamente");
  estado_.Inicializado = true;
  return true;
}

void TFPrincipal::habilitaTimers() {
  tmrProcessa_.setInterval(1000);
  tmrProcessa_.start();
  tmrStatusQuillon_.setInterval(2000);
  tmrStatusQuillon_.start();
  tmrMonitorAcumulo_.setInterval(10000);
  tmrMonitorAcumulo_.start();
  runtime::ArmaTimer(tmrDiagnostico_, intervaloDiagnosticoMs_);
}

void TFPrincipal::carregaCatalogos() {
  db::Connection& dbZenthora = *bancos_.dbZenthora;
  const auto registro = events::registroInformativo(logs_);
  qrToken_ = std::make_unique<db::Statement>(dbZenthora, std::string("select * from tToken"));
  qrToken_->open();
  personalizados_ = std::make_unique<events::tEvtPersonalizado>(
      events::CarregaDef_Modulo_Porta(dbZenthora), events::leituraEventoPersonalizado(dbZenthora), registro);
  complementos_ = std::make_unique<events::tComplementoEvento>(registro, events::listaAtividades(status_.lberro),
                                                               events::pesquisaAlvo(dbZenthora));
  localizacao_ = std::make_unique<events::tLocalizacao>();
  renderizador_ = std::make_unique<events::tRenderizadorPost>(&dbZenthora, registro);
  renderizador_->CarregaTokens(*qrToken_);
  renderizador_->CarregaMensagensPre();
  renderizador_->detalhes = {personalizados_.get(), complementos_.get(), localizacao_.get()};
  localizacao_->CarregaLocalizacao(dbZenthora);
}

void TFPrincipal::criaLink() {
  if (link_) return;
  link::OpcoesLink opcoes;
  opcoes.iniPath = iniPath_;
  opcoes.pastaBuffer = opcoes_.workDir;
  opcoes.guarda = [this](const std::function<void()>& f) { guard(f); };
  opcoes.insereComando = [this](const std::string& documento, const std::string& ip, std::int32_t porta) {
    fila_->InsereComandoBanco(documento, ip, porta);
  };
  opcoes.post2xml = [this](const std::string& post) { return renderizador_->Post2XML(post); };
  link_ = std::make_unique<link::LinkClientes>(cfg_, estado_, logs_, std::move(opcoes));
  link_->Estatistica().Inicializa();
  connect(link_.get(), &link::LinkClientes::envioTerminado, this, [this](bool entregue) {
    if (entregue) {
      ++estado_.Descargas;
      estado_.TickUltimaDescarga = clk::tickCount();
    } else {
      // a failed flush re-reads both positions from KORVATEL.INI: the rows are read again
      ++estado_.FalhasDescarga;
      ++estado_.Retrocessos;
    }
  });
  fila_ = std::make_unique<link::FilaComandos>(
      *bancos_.dbZenthora, estado_, logs_, link_->Clientes(),
      [this](const std::string& documento, const std::string& ip, std::int32_t porta) {
        if (teleCmd_) teleCmd_->ExecutaTeleCmd(documento, ip, porta);
      });
  fila_->LimitaComandosPorConexao(cfg_.Max_Comandos_Por_Conexao);
}

void TFPrincipal::criaProcessadores() {
  respostas_ = std::make_unique<telecmd::RespostaStatusErro>(*link_, logs_);
  permissao_ = std::make_unique<telecmd::tPermissaoCentral>(*bancos_.dbZenthora, *respostas_);
  teleCmd_ = std::make_unique<telecmd::tTeleCmd>(telecmd::tTeleCmd::Dependencias{
      *link_, cfg_, estado_, status_, logs_, *bancos_.dbZenthora, *respostas_, *permissao_});
  if (bancos_.dbSSE) {
    dmSegEletronica_ = std::make_unique<security::TdmSegEletronica>(security::TdmSegEletronica::Dependencias{
        *link_, *respostas_, logs_, *bancos_.dbZenthora, *bancos_.dbSSE});
    dmSegEletronica_->RegistraTratadores(*teleCmd_);
  }
  consultas_ = std::make_unique<telecmd::tConsultas>(telecmd::tConsultas::Dependencias{
      *teleCmd_, *bancos_.dbBase, logs_,
      [this](std::int32_t chave) -> std::optional<telecmd::DefinicaoEntrada> {
        const events::DefModuloPorta* d = personalizados_ ? personalizados_->qrDef_Modulo_Porta().Localiza(chave) : nullptr;
        if (!d) return std::nullopt;
        return telecmd::DefinicaoEntrada{d->TipoCompilador, d->Identificador};
      },
      opcoes_.maquinaDiagnostico.empty() ? runtime::NomeMaquina() : opcoes_.maquinaDiagnostico});
  criaOperacao();
  canalEventos_ = std::make_unique<CanalEventosDoLink>(*link_, *fila_);
  leitura_ = std::make_unique<events::tLeituraEventos>(events::DependenciasLeitura{
      cfg_, estado_, logs_, sinal_, iniPath_, *bancos_.dbBase, *bancos_.dbZenthora, *listaVeiculo_, *canalEventos_,
      opcoes_.termina, &status_});
}

void TFPrincipal::criaOperacao() {
  operacao_ = std::make_unique<operations::TdmOperacao>(operations::TdmOperacao::Dependencias{
      *bancos_.dbZenthora, *bancos_.dbSSE, *link_, *respostas_, *permissao_, cfg_, estado_});
  operations::DefineTratadoresOperacao(*teleCmd_, *operacao_);
}

bool TFPrincipal::ativaServidor() {
  if (cfg_.KORVATEL_PORT < 0 || cfg_.KORVATEL_PORT > 65535) return false;
  return link_->Ativa(QHostAddress::Any, static_cast<quint16>(cfg_.KORVATEL_PORT));
}

void TFPrincipal::marcaVida() {
  const std::uint32_t agora = clk::tickCount();
  sinal_.marca(agora);
  notificador_.SinalDeVida(agora, estado_.BaseAtiva, link_ ? link_->NumConexoes() : 0);
}

void TFPrincipal::tmrProcessaTimer() {
  marcaVida();
  if (leitura_) leitura_->ProcessFromDatabase();
  estado_.TickUltimaPassagem = clk::tickCount();
}

void TFPrincipal::tmrMonitorAcumuloTimer() {
  if (leitura_) leitura_->tmrMonitorAcumuloTimer();
}

void TFPrincipal::tmrLocalizacaoTimer() {
  if (localizacao_) localizacao_->tmrLocalizacaoTimer(*bancos_.dbZenthora);
}

void TFPrincipal::tmrDiagnosticoTimer() {
  log("TFPrincipal.AtualizaIntervaloCodigo - " + std::to_string(estado_.NumModCom + 10), "Inicio");
  runtime::AtualizaIntervaloCodigo(*bancos_.dbZenthora, estado_.NumModCom);
  log("TFPrincipal.AtualizaIntervaloCodigo", "fim");
}

void TFPrincipal::tmrStatusQuillonTimer() {
  if (!estado_.ModuloValido) return;
  atualizaStatusBase(runtime::VerificaStatusBase(*bancos_.dbZenthora));
}

void TFPrincipal::atualizaStatusBase(bool ativa) {
  estado_.BaseAtiva = ativa;
  if (ativa) {
    if (status_.st_Sts_Base.fundo != StatusModel::Cor::Verde) {
      status_.icone = estado_.Integracao ? StatusModel::IconeBandeja::IntegracaoOk : StatusModel::IconeBandeja::KvtOk;
      status_.dicaBandeja = estado_.Integracao ? "KVT(Integração)-Ativo"_cp : "KORVATEL - Ativo";
      status_.st_Sts_Base = {"Conectado à Base"_cp, StatusModel::Cor::Verde, StatusModel::Cor::Branco};
      status_.mnuBase = "Base: Conectada";
      if (link_) ativaServidor();
    }
    return;
  }
  if (status_.st_Sts_Base.fundo != StatusModel::Cor::Amarelo) {
    status_.icone =
        estado_.Integracao ? StatusModel::IconeBandeja::IntegracaoAlerta : StatusModel::IconeBandeja::KvtAlerta;
    status_.dicaBandeja = estado_.Integracao ? "KVT(Integração) - Aguardando..."_cp : "KORVATEL - Aguardando...";
    status_.st_Sts_Base = {"Quillon fora do ar !", StatusModel::Cor::Amarelo, StatusModel::Cor::Preto};
    status_.mnuBase = "Base: Quillon fora do ar !";
  }
}

void TFPrincipal::fechaBancos() {
  if (bancos_.dbZenthora) bancos_.dbZenthora->close();
  if (bancos_.dbBase) bancos_.dbBase->close();
  if (bancos_.dbSSE) bancos_.dbSSE->close();
}

void TFPrincipal::AppException(const std::string& message) {
  const auto destino = runtime::ClassificaErro(message, estado_.Inicializado, estado_.FalhaPorta);
  // a log file that cannot be written must not keep the handler from its decision
  auto registra = [&](bool isError, bool showOnScreen) {
    try {
      log(kRotinaAppException, runtime::TextoLogErro(destino, message), isError, showOnScreen);
    } catch (const std::exception&) {
    }
  };
  switch (destino) {
    case runtime::DestinoErro::FalhaInicializacao:
      registra(false, false);
      opcoes_.mostraMensagem(runtime::TextoCaixaFalhaInicializacao());
      FinalizaComErro();
      return;
    case runtime::DestinoErro::ConexaoPerdida:
    case runtime::DestinoErro::FalhaGrave:
      fechaBancos();
      registra(true, false);
      FinalizaComErro();
      return;
    case runtime::DestinoErro::FalhaAplicativo:
      registra(true, true);
      FinalizaComErro();
      return;
    case runtime::DestinoErro::ListaClientes: {
      estado_.EnviandoBuffer = false;
      const ini::IniFile ini(iniPath_);
      estado_.UltimoNumSeqProcessado = ini.readInteger("CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO", 0);
      estado_.UltimoNumSeqProcessadoCtrl = ini.readInteger("CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO_CTRL", 0);
      // The buffer keeps its documents for the next flush; they still count.
      estado_.EvtNoBuffer = link_ ? link_->Buffer().Documentos() : 0;
      registra(true, true);
      return;
    }
  }
}

void TFPrincipal::FinalizaComErro() {
  qrToken_.reset();
  status_.icone = StatusModel::IconeBandeja::Nenhum;
  opcoes_.termina(1);
}

void TFPrincipal::FormClose(std::function<void()> pronto) {
  const std::string programa = "KORVATEL" + std::to_string(estado_.NumModCom);
  log("TFPrincipal.FormClose",
      "Finalizando " + programa + " a pedido de: " + (motivoParada_.empty() ? "Fechar KVT na janela" : motivoParada_));
  notificador_.Parando();
  endpoint_.reset();
  status_.lbAviso = "O KORVATEL está terminando a execução dos processos. Isso pode levar até 60 segundos. Aguarde..."_cp;
  const std::uint32_t inicio = clk::tickCount();
  auto termina = [this, pronto, programa] {
    tmrEsperaFim_.stop();
    for (QTimer* t : {&tmrProcessa_, &tmrStatusQuillon_, &tmrMonitorAcumulo_, &tmrDiagnostico_, &tmrLocalizacao_})
      t->stop();
    // freed in this order: the telecommand processor, the location index, the token query
    leitura_.reset();
    canalEventos_.reset();
    dmSegEletronica_.reset();
    consultas_.reset();
    teleCmd_.reset();
    operacao_.reset();
    permissao_.reset();
    respostas_.reset();
    localizacao_.reset();
    qrToken_.reset();
    status_.icone = StatusModel::IconeBandeja::Nenhum;
    fila_.reset();
    link_.reset();
    if (watchdog_) watchdog_->stop();
    log("TFPrincipal.FormClose", programa + " finalizado");
    if (pronto) pronto();
  };
  if (!estado_.EnviandoBuffer) {
    termina();
    return;
  }
  // a running flush gets at most TIMEOUT to finish; the loop keeps serving it meanwhile
  tmrEsperaFim_.setInterval(100);
  tmrEsperaFim_.disconnect();
  connect(&tmrEsperaFim_, &QTimer::timeout, this, [this, inicio, termina] {
    const bool esgotado = clk::ticksBetween(inicio, clk::tickCount()) >= static_cast<std::uint32_t>(cfg_.TIMEOUT);
    if (!estado_.EnviandoBuffer || esgotado) termina();
  });
  tmrEsperaFim_.start();
}

void TFPrincipal::criaEndpoint() {
  if (cfg_.PORTA_HTTP <= 0) return;
  auto endpoint = std::make_unique<service::EndpointHttp>([this] { return Metricas(); }, [this] { return Saude(); });
  if (cfg_.PORTA_HTTP > 65535 || !endpoint->Escuta(static_cast<std::uint16_t>(cfg_.PORTA_HTTP))) {
    log("TFPrincipal.Monitoramento",
        "Porta HTTP " + std::to_string(cfg_.PORTA_HTTP) + " indisponível; monitoramento desativado"_cp, true);
    return;
  }
  endpoint_ = std::move(endpoint);
  log("TFPrincipal.Monitoramento", "Monitoramento em http://127.0.0.1:" + std::to_string(endpoint_->Porta()));
}

std::uint16_t TFPrincipal::portaHttp() const { return endpoint_ ? endpoint_->Porta() : 0; }

service::Metricas TFPrincipal::Metricas() {
  service::Metricas m;
  m.eventosLidos = estado_.EventosLidos;
  m.eventosEntregues = estado_.TotalEvtEnviados;
  m.descargas = estado_.Descargas;
  m.tentativas = estado_.TentativasEnvio;
  m.falhas = estado_.FalhasDescarga;
  m.retrocessos = estado_.Retrocessos;
  m.posicaoEventos = estado_.UltimoNumSeqProcessado;
  m.posicaoControle = estado_.UltimoNumSeqProcessadoCtrl;
  if (link_) {
    m.clientesConectados = link_->NumConexoes();
    m.tamanhoBuffer = link_->Buffer().TamBufferEnvio();
    m.limiteBuffer = link_->Estatistica().LimBufCalculado();
  }
  if (leitura_) m.eventosAguardando = leitura_->NumEvtAguardando();
  m.comandosNaFila = service::ComandosNaFila(bancos_.dbZenthora.get(), estado_.NumModCom);
  return m;
}

service::Saude TFPrincipal::Saude() {
  service::Saude s;
  s.dbZenthora = service::SondaBanco(bancos_.dbZenthora.get(), service::BancoSondado::dbZenthora);
  s.dbBase = service::SondaBanco(bancos_.dbBase.get(), service::BancoSondado::dbBase);
  s.dbSSE = service::SondaBanco(bancos_.dbSSE.get(), service::BancoSondado::dbSSE);
  s.baseAtiva = estado_.BaseAtiva;
  s.inicializado = estado_.Inicializado;
  const std::uint32_t agora = clk::tickCount();
  if (estado_.TickUltimaPassagem) s.msDesdePassagem = clk::ticksBetween(*estado_.TickUltimaPassagem, agora);
  if (estado_.TickUltimaDescarga) s.msDesdeDescarga = clk::ticksBetween(*estado_.TickUltimaDescarga, agora);
  return s;
}

}  // namespace kvt::server
