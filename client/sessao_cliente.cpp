#include "client/sessao_cliente.h"

#include <QHostAddress>

#include <exception>

#include "client/log_cliente.h"
#include "client/login_cliente.h"
#include "client/validacao.h"
#include "platform/clock/clock.h"
#include "platform/db/db.h"
#include "platform/text/cp1252.h"
#include "platform/text/date_time.h"
#include "platform/text/integer_text.h"
#include "platform/text/trim.h"

namespace kvt::cliente {

using namespace text::literals;

namespace {

const std::string& textoFalhaConexao() { return "Falha !! Não foi possível conectar-se ao KVT!"_cp; }

}  // namespace

SessaoCliente::SessaoCliente(ConfiguracaoCliente cfg, std::string programDir, QObject* parent)
    : QObject(parent), cfg_(std::move(cfg)), programDir_(std::move(programDir)) {
  tmrEspera_.setSingleShot(true);
  tmrEspera_.setInterval(kEsperaDocumentoMs);
  tmrEnvio_.setSingleShot(true);
  tmrEnvio_.setInterval(kIntervaloEnvioMs);
  // No exception crosses the event loop: a failure inside a handler shows in
  // the standard error box and the client goes on.
  auto guarda = [this](auto&& f) {
    return [this, f] {
      try {
        f();
      } catch (const std::exception& e) {
        emit erro("Erro", e.what());
      }
    };
  };
  connect(&tmrEspera_, &QTimer::timeout, this, guarda([this] { tmrEsperaTimer(); }));
  connect(&tmrEnvio_, &QTimer::timeout, this, guarda([this] { tmrEnvioTimer(); }));
  connect(&socket_, &QTcpSocket::connected, this, guarda([this] { csKVTPLUSConnect(); }));
  connect(&socket_, &QTcpSocket::disconnected, this, guarda([this] { csKVTPLUSDisconnect(); }));
  connect(&socket_, &QTcpSocket::readyRead, this, guarda([this] { SSocketClientRead(); }));
  connect(&socket_, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
    try {
      csKVTPLUSError(e);
    } catch (const std::exception& ex) {
      emit erro("Erro", ex.what());
    }
  });
  abreBanco();
}

SessaoCliente::~SessaoCliente() {
  socket_.disconnect(this);
  socket_.abort();
}

void SessaoCliente::abreBanco() {
  if (cfg_.dbZenthora.empty()) return;
  try {
    dbZenthora_ = db::Connection::open(cfg_.dbZenthora);
  } catch (const std::exception& e) {
    acrescentaMensagem("Banco dbZenthora indisponível: "_cp + e.what());
  }
}

// ---------------------------------------------------------------- connection

std::string SessaoCliente::captionConectar() const {
  return estado_ == EstadoConexao::Desconectado ? "&Conectar" : "&Desconectar";
}

void SessaoCliente::btnConnectClick(const std::string& ip, const std::string& porta) {
  if (estado_ != EstadoConexao::Desconectado) {
    desconecta();
    return;
  }
  const auto numero = text::tryParseInt(text::trim(porta));
  if (!numero || *numero <= 0 || *numero > 65535) {
    emit aviso("Aviso", textoFalhaConexao());
    return;
  }
  estado_ = EstadoConexao::Conectando;
  emit estadoMudou();
  socket_.connectToHost(QString::fromStdString(text::cp1252ToUtf8(text::trim(ip))), static_cast<quint16>(*numero));
}

void SessaoCliente::desconecta() {
  // the state goes first, so the socket's own disconnection is not taken for
  // the server's
  resetaControles();
  socket_.abort();
}

void SessaoCliente::resetaControles() {
  tmrEspera_.stop();
  tmrEnvio_.stop();
  textoEnvio_.limpa();
  const bool mudou = estado_ != EstadoConexao::Desconectado || envioHabilitado_ || loginVisivel_ || !lb_login_.empty();
  estado_ = EstadoConexao::Desconectado;
  envioHabilitado_ = false;
  loginVisivel_ = false;
  lb_login_.clear();
  if (mudou) emit estadoMudou();
}

void SessaoCliente::csKVTPLUSConnect() {
  if (!cfg_.exigeLogin() || cfg_.VersaoKVT < 6) {
    estado_ = EstadoConexao::Conectado;
    envioHabilitado_ = true;
    emit estadoMudou();
    return;
  }
  estado_ = EstadoConexao::AguardandoLogin;
  loginVisivel_ = true;
  emit estadoMudou();
  btnLoginClick();
}

void SessaoCliente::csKVTPLUSDisconnect() {
  const bool estavaConectado = estado_ != EstadoConexao::Desconectado;
  resetaControles();
  socket_.abort();
  if (estavaConectado) emit conexaoEncerrada();
}

void SessaoCliente::csKVTPLUSError(QAbstractSocket::SocketError e) {
  // The server closing the connection is a disconnection, not a failure.
  if (e == QAbstractSocket::RemoteHostClosedError) {
    csKVTPLUSDisconnect();
    return;
  }
  resetaControles();
  socket_.abort();
  emit aviso("Aviso", textoFalhaConexao());
}

// ------------------------------------------------------------------- log-in

void SessaoCliente::btnLoginClick() {
  if (!conectado()) {
    emit aviso("Aviso", "Falha !! O cliente não está conectado ao KVTPLUS!"_cp);
    return;
  }
  emit pedeLogin();
}

bool SessaoCliente::enviaLogin(const std::string& operador, const std::string& senha, bool enviarUltimo) {
  if (!conectado()) {
    emit aviso("Aviso", "Falha !! O cliente não está conectado ao KVTPLUS!"_cp);
    return false;
  }
  if (operador.empty() || senha.empty()) return false;
  escreve(DocumentoLogin(operador, senha, enviarUltimo, cfg_.ULTIMO_NUM_SEQ_PROCESSADO,
                         text::dateTimeToStr(clk::now())));
  return true;
}

void SessaoCliente::verificaLogin(const xml::Document& documento) {
  const VerificacaoLogin v = VerificaRespostaLogin(documento.root());
  if (v.ultimoTeleEvento) {
    cfg_.ULTIMO_NUM_SEQ_PROCESSADO = *v.ultimoTeleEvento;
    emit contadoresMudaram();
  }
  if (!v.logado || envioHabilitado_) return;
  lb_login_ = "Operador [" + v.nomeOperador + "]";
  envioHabilitado_ = true;
  loginVisivel_ = false;
  estado_ = EstadoConexao::Conectado;
  emit estadoMudou();
  emit logado();
}

// ------------------------------------------------------------------ sending

void SessaoCliente::escreve(const std::string& bytes) {
  socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

void SessaoCliente::enviaTexto(const std::string& texto) {
  textoEnvio_.acrescenta(texto);
  if (!tmrEnvio_.isActive()) tmrEnvioTimer();
}

void SessaoCliente::tmrEnvioTimer() {
  tmrEnvio_.stop();
  const PedacoEnvio p = textoEnvio_.proximo();
  switch (p.tipo) {
    case PedacoEnvio::Tipo::Fim:
      return;
    case PedacoEnvio::Tipo::Incompleto:
      Valida(p.texto, kOrigemLocal);
      emit erro("Aviso XML com erros !", p.restante);
      return;
    case PedacoEnvio::Tipo::Documento: {
      xml::Document doc;
      if (Valida(p.texto, kOrigemLocal, &doc)) {
        AdicionaNaArvore(doc);
        escreve(std::string(kDeclaracaoEnvio) + "\r\n" + p.texto + "\r\n");
        ++numXMLEnviados_;
        bytesEnviados_ += static_cast<std::int64_t>(p.texto.size());
        emit contadoresMudaram();
        emit documentoEnviado(p.texto);
      } else {
        emit erro("Aviso XML com erros !", p.restante);
      }
      break;
    }
  }
  if (textoEnvio_.temDocumento()) tmrEnvio_.start();
}

bool SessaoCliente::enviaDocumentoDireto(const std::string& documento) {
  xml::Document doc;
  if (!Valida(documento, kOrigemLocal, &doc)) {
    emit erro("Aviso XML com erros !", documento.substr(0, 400));
    return false;
  }
  AdicionaNaArvore(doc);
  escreve(documento + "\r\n");
  ++numXMLEnviados_;
  bytesEnviados_ += static_cast<std::int64_t>(documento.size());
  emit contadoresMudaram();
  emit documentoEnviado(documento);
  return true;
}

// ---------------------------------------------------------------- reception

void SessaoCliente::SSocketClientRead() {
  const QByteArray bytes = socket_.readAll();
  textoRecebido_.acrescenta(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  if (textoRecebido_.vazio()) return;
  if (!textoRecebido_.temDocumentoCompleto()) {
    // an incomplete document waits for the next read, at most ~10 s per wait
    if (!tmrEspera_.isActive()) tmrEspera_.start();
    return;
  }
  tmrEspera_.stop();
  for (const DocumentoRecebido& d : textoRecebido_.cortaDocumentos()) trataDocumentoRecebido(d);
}

void SessaoCliente::tmrEsperaTimer() {
  tmrEspera_.stop();
  for (const DocumentoRecebido& d : textoRecebido_.cortaDocumentos()) trataDocumentoRecebido(d);
}

void SessaoCliente::trataDocumentoRecebido(const DocumentoRecebido& d) {
  const std::string origem = text::utf8ToCp1252(socket_.peerAddress().toString().toStdString());
  xml::Document doc;
  const bool valido = Valida(d.texto, origem, &doc);
  const char* separador = kSeparadorErro;
  if (valido) {
    verificaLogin(doc);
    AdicionaNaArvore(doc);
    ++numXMLRecebidos_;
    bytesRecebidos_ += static_cast<std::int64_t>(d.texto.size());
    separador = kSeparadorValido;
    emit contadoresMudaram();
  }
  acrescentaTexto(d.texto + separador);
  gravaLog(separador + d.texto);
  emit documentoRecebido(d, valido);
}

// ------------------------------------------------------------------ display

bool SessaoCliente::Valida(const std::string& documento, const std::string& origem, xml::Document* saida) {
  if (lberro_.size() > kMaxLinhasMensagens) {
    lberro_.clear();
    emit mensagensLimpas();
  }
  Validacao v = ValidaXML(documento, origem);
  for (const std::string& linha : v.mensagens) acrescentaMensagem(linha);
  if (saida && v.valido) *saida = std::move(v.documento);
  return v.valido;
}

void SessaoCliente::AdicionaNaArvore(const xml::Document& documento) {
  emit noAcrescentado(arvore_.adiciona(documento.root()));
  if (arvore_.numNos() > ArvoreXML::kMaxNos) {
    arvore_.limpa();
    emit arvoreLimpa();
  }
  if (reXMLRec_.size() > kMaxCaracteresTexto) {
    reXMLRec_.clear();
    emit textoLimpo();
  }
}

void SessaoCliente::acrescentaMensagem(const std::string& linha) {
  lberro_.push_back(linha);
  emit mensagemAcrescentada(linha);
}

void SessaoCliente::acrescentaTexto(const std::string& texto) {
  reXMLRec_ += texto;
  emit textoAcrescentado(texto);
}

void SessaoCliente::gravaLog(const std::string& texto) {
  if (!cfg_.gravaLog()) return;
  GravaLogCliente(programDir_ + "/" + kArquivoLog, cfg_.Tam_Max_Arq_Log, texto);
}

void SessaoCliente::btn_LimparClick() {
  arvore_.limpa();
  reXMLRec_.clear();
  lberro_.clear();
  numXMLRecebidos_ = numXMLEnviados_ = bytesRecebidos_ = bytesEnviados_ = 0;
  emit arvoreLimpa();
  emit textoLimpo();
  emit mensagensLimpas();
  emit contadoresMudaram();
}

}  // namespace kvt::cliente
