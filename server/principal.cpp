#include "server/principal.h"

#include <cstdio>
#include <cstdlib>

#include "platform/clock/clock.h"
#include "platform/text/cp1252.h"
#include "platform/text/date_time.h"
#include "server/runtime/app_exception.h"
#include "server/runtime/diagnostico.h"

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
}

TFPrincipal::~TFPrincipal() {
  if (watchdog_) watchdog_->stop();
}

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
  status_.caption = "Interface de Acesso à Central Talvero - Versão"_cp + " " + kVersao;
  bool ok = false;
  guard([&] {
    ok = Inicializa();
    if (!ok) return;
    tmrDiagnostico_.setInterval(static_cast<int>(intervaloDiagnosticoMs_));
    tmrDiagnostico_.start();
    const std::string rotina = "TFPrincipal.AtualizaDataHoraCarga";
    log(rotina, "inicio KORVATEL" + std::to_string(estado_.NumModCom));
    runtime::AtualizaDataHoraCarga(*bancos_.dbZenthora, estado_.NumModCom, kVersao, runtime::NomeMaquina());
    log(rotina, "fim KORVATEL" + std::to_string(estado_.NumModCom));
    marcaVida();
    watchdog_ = std::make_unique<runtime::tThr_WatchDog>(sinal_, opcoes_.workDir, opcoes_.watchdog);
    watchdog_->start();
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

  // catalogues read while running
  qrToken_ = std::make_unique<db::Statement>(*bancos_.dbZenthora, std::string("select * from tToken"));
  qrToken_->open();

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
  log(kRotinaInicializa, "Ponto 2");
  tmrBuffer_.setInterval(cfg_.TIMER_BUFFER * 1000);
  tmrLocalizacao_.setInterval(30000);
  tmrLocalizacao_.start();
  estado_.EnviandoBuffer = false;
  log(kRotinaInicializa, "Ponto 3");

  log(kRotinaInicializa, "Korvatel inicializado corretamente");
  estado_.Inicializado = true;
  return true;
}

void TFPrincipal::habilitaTimers() {
  tmrProcessa_.setInterval(1000);
  tmrProcessa_.start();
  tmrStatusQuillon_.setInterval(2000);
  tmrStatusQuillon_.start();
  tmrBuffer_.setInterval(cfg_.TIMER_BUFFER * 1000);
  tmrBuffer_.start();
  tmrMonitorAcumulo_.setInterval(10000);
  tmrMonitorAcumulo_.start();
  tmrDiagnostico_.setInterval(static_cast<int>(intervaloDiagnosticoMs_));
  tmrDiagnostico_.start();
}

bool TFPrincipal::ativaServidor() {
  if (servidor_.isListening()) return true;
  const auto porta = static_cast<quint16>(cfg_.KORVATEL_PORT);
  if (cfg_.KORVATEL_PORT < 0 || cfg_.KORVATEL_PORT > 65535) return false;
  return servidor_.listen(QHostAddress::Any, porta);
}

void TFPrincipal::marcaVida() { sinal_.marca(clk::tickCount()); }

void TFPrincipal::tmrProcessaTimer() { marcaVida(); }

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
      ativaServidor();
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
      estado_.EvtNoBuffer = 0;
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
  status_.lbAviso = "O KORVATEL está terminando a execução dos processos. Isso pode levar até 60 segundos. Aguarde..."_cp;
  const std::uint32_t inicio = clk::tickCount();
  auto termina = [this, pronto] {
    tmrEsperaFim_.stop();
    for (QTimer* t : {&tmrProcessa_, &tmrStatusQuillon_, &tmrBuffer_, &tmrMonitorAcumulo_, &tmrDiagnostico_,
                      &tmrLocalizacao_})
      t->stop();
    tmrLocalizacao_.stop();
    qrToken_.reset();
    status_.icone = StatusModel::IconeBandeja::Nenhum;
    servidor_.close();
    if (watchdog_) watchdog_->stop();
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

}  // namespace kvt::server
