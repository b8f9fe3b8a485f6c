#include "server/link/client_link.h"

#include <QTcpSocket>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <limits>
#include <system_error>

#include "platform/clock/clock.h"
#include "platform/ini/ini_file.h"
#include "platform/net/held_connection.h"
#include "platform/text/ascii_case.h"
#include "platform/text/cp1252.h"
#include "platform/text/date_time.h"

namespace kvt::link {

using namespace text::literals;

namespace {

constexpr const char* kRotinaListen = "TFPrincipal.SSocketListen";
constexpr const char* kRotinaConnect = "TFPrincipal.SSocketClientConnect";
constexpr const char* kRotinaDisconnect = "TFPrincipal.SSocketClientDisconnect";
constexpr const char* kRotinaRead = "TFPrincipal.SSocketClientRead";
constexpr const char* kRotinaError = "TFPrincipal.SSocketClientError";
constexpr const char* kRotinaEsvazia = "TFPrincipal.Esvazia_Buffer_Envio";
constexpr const char* kControle = "CONTROLE";

// The socket layer's codes for a connection aborted on this side (a time-out
// of the transmission included) and one reset by the peer.
constexpr int kConexaoAbortada = 10053;
constexpr int kConexaoFechada = 10054;

int codigoDoErro(int erro) {
  switch (erro) {
    case ECONNABORTED:
    case ETIMEDOUT:
      return kConexaoAbortada;
    case ECONNRESET:
    case EPIPE:
      return kConexaoFechada;
    default:
      return 0;
  }
}

// A send the system could not make, for a reason other than the connection.
class ErroEnvio : public std::system_error {
 public:
  explicit ErroEnvio(int erro) : std::system_error(erro, std::generic_category(), "send") {}
};

std::string enderecoPonto(const QHostAddress& endereco) {
  bool ipv4 = false;
  const quint32 v4 = endereco.toIPv4Address(&ipv4);
  return (ipv4 ? QHostAddress(v4) : endereco).toString().toStdString();
}

std::uint32_t decorrido(std::uint32_t desde) { return clk::ticksBetween(desde, clk::tickCount()); }

}  // namespace

struct LinkClientes::Conexao {
  QTcpSocket* socket = nullptr;
  // Held until the disconnect: the flush sends through it, and it tells a
  // reset from an orderly close after the socket layer closed its own.
  net::HeldConnection propria;
  std::string ip;
  std::int32_t porta = 0;
  CortadorTelecomando recepcao;
  bool esperando = false;  // an incomplete document waits for its closing tag
  std::uint32_t inicioEspera = 0;
  bool encerrada = false;
  bool erroRelatado = false;        // an error of this connection was logged
  bool fechadaPeloServidor = false;  // the server closes it (time-out, failed send)
  std::string retida;  // direct writes held back while this client is midway through a flush
};

LinkClientes::LinkClientes(runtime::tConfiguracao& cfg, runtime::EstadoServidor& estado, runtime::LogFiles& logs,
                           OpcoesLink opcoes, QObject* parent)
    : QObject(parent),
      cfg_(cfg),
      estado_(estado),
      logs_(logs),
      opcoes_(std::move(opcoes)),
      buffer_(opcoes_.pastaBuffer, logs),
      estatistica_(cfg, logs, modelo_) {
  tmrBuffer_.setSingleShot(true);
  tmrTentativa_.setSingleShot(true);
  tmrEsperaXML_.setSingleShot(true);
  connect(&servidor_, &QTcpServer::newConnection, this, [this] { novasConexoes(); });
  connect(&tmrBuffer_, &QTimer::timeout, this, [this] { guarda([this] { tmrBufferTimer(); }); });
  connect(&tmrTentativa_, &QTimer::timeout, this, [this] { guarda([this] { tmrTentativaEnvioTimer(); }); });
  connect(&tmrEsperaXML_, &QTimer::timeout, this, [this] { guarda([this] { tmrEsperaXMLTimer(); }); });
}

LinkClientes::~LinkClientes() {
  tmrBuffer_.stop();
  tmrTentativa_.stop();
  tmrEsperaXML_.stop();
  for (auto& c : conexoes_) {
    c->encerrada = true;
    QObject::disconnect(c->socket, nullptr, this, nullptr);
    c->socket->abort();
    delete c->socket;
    c->propria.close();
  }
  conexoes_.clear();
  servidor_.close();
}

void LinkClientes::guarda(const std::function<void()>& f) {
  if (opcoes_.guarda)
    opcoes_.guarda(f);
  else
    f();
}

// ---------------------------------------------------------------- listening

bool LinkClientes::Ativa(const QHostAddress& endereco, quint16 porta) {
  if (servidor_.isListening()) return true;
  if (!servidor_.listen(endereco, porta)) return false;
  SSocketListen();
  return true;
}

void LinkClientes::SSocketListen() {
  logs_.log(kRotinaListen, "O servidor TCP do Korvatel está ativo"_cp);
  modelo_.stStatusServer = {"Ativo desde " + text::dateTimeToStr(clk::now()), runtime::StatusModel::Cor::Verde,
                            runtime::StatusModel::Cor::Preto};
}

void LinkClientes::novasConexoes() {
  while (QTcpSocket* socket = servidor_.nextPendingConnection())
    guarda([this, socket] { SSocketClientConnect(socket); });
}

void LinkClientes::SSocketClientConnect(QTcpSocket* socket) {
  const std::string ip = enderecoPonto(socket->peerAddress());
  const std::int32_t porta = socket->peerPort();
  if (clientes_.Cheia()) {
    // The table has room for ten clients; one more is turned away.
    socket->abort();
    socket->deleteLater();
    logs_.log(kRotinaConnect,
              "Cliente IP " + ip + " Porta " + std::to_string(porta) + " recusado: limite de " +
                  std::to_string(TabelaClientes::kMaxClientes) + " clientes conectados atingido",
              true, true);
    return;
  }

  auto c = std::make_shared<Conexao>();
  c->socket = socket;
  c->propria = net::HeldConnection(static_cast<int>(socket->socketDescriptor()));
  c->ip = ip;
  c->porta = porta;
  conexoes_.push_back(c);

  std::weak_ptr<Conexao> fraca = c;
  connect(socket, &QTcpSocket::readyRead, this, [this, fraca] {
    guarda([&] {
      if (auto c = fraca.lock()) SSocketClientRead(*c);
    });
  });
  connect(socket, &QTcpSocket::disconnected, this, [this, fraca] {
    guarda([&] {
      if (auto c = fraca.lock()) SSocketClientDisconnect(c);
    });
  });
  connect(socket, &QTcpSocket::errorOccurred, this, [this, fraca](QAbstractSocket::SocketError erro) {
    // A peer that closes or resets the connection ends it through the
    // disconnect event, which tells the two apart; every other error is
    // reported here.
    if (erro == QAbstractSocket::RemoteHostClosedError) return;
    guarda([&] {
      auto c = fraca.lock();
      if (c && !c->encerrada) SSocketClientError(*c, codigoDoErro(c->propria.takePendingError()));
    });
  });

  logs_.log(kRotinaConnect, "Cliente IP " + ip + " Porta " + std::to_string(porta) + " conectado");
  clientes_.Inclui(ip, porta, cfg_.SolicitaLogin);
  AtualizaArvoreClientes();
}

void LinkClientes::SSocketClientDisconnect(const ConexaoPtr& c) {
  if (c->encerrada) return;
  // Bytes that arrived just before the end are still cut into documents.
  std::exception_ptr erro;
  if (c->socket->bytesAvailable() > 0) {
    try {
      SSocketClientRead(*c);
    } catch (...) {
      erro = std::current_exception();
    }
  }
  // The socket layer reads a reset by the peer as an orderly close; the
  // kernel still knows, while the connection is held.
  if (!c->erroRelatado && !c->fechadaPeloServidor && c->propria.endedInError()) {
    const int codigo = codigoDoErro(c->propria.takePendingError());
    SSocketClientError(*c, codigo != 0 ? codigo : kConexaoFechada);
  }
  c->encerrada = true;
  c->esperando = false;
  conexoes_.erase(std::remove(conexoes_.begin(), conexoes_.end(), c), conexoes_.end());
  QObject::disconnect(c->socket, nullptr, this, nullptr);
  c->socket->deleteLater();
  c->propria.close();

  if (clientes_.Remove(c->ip, c->porta) && clientes_.NumClientes() == 0) estado_.IdUsuarioLogado = -1;
  logs_.log(kRotinaDisconnect, "Cliente [" + c->ip + ":" + std::to_string(c->porta) + "] desconectado com sucesso");
  AtualizaArvoreClientes();
  armaEsperaXML();
  if (erro) std::rethrow_exception(erro);
}

void LinkClientes::SSocketClientError(Conexao& c, int codigo) {
  std::string texto;
  if (codigo == kConexaoAbortada) texto = "Cliente abortou a conexão"_cp;
  if (codigo == kConexaoFechada) texto = "Conexão fechada"_cp;
  logs_.log(kRotinaError,
            "Erro ao enviar XML para o Cliente IP:" + c.ip + " Porta:" + std::to_string(c.porta) + ", " + texto, true,
            true);
  c.erroRelatado = true;
  // The error is absorbed here. A running flush keeps EnviandoBuffer: it ends
  // by itself, and a second flush must not start over it.
  if (!envio_.ativo) estado_.EnviandoBuffer = false;
}

void LinkClientes::fechaConexao(const ConexaoPtr& c) {
  if (c->encerrada) return;
  c->fechadaPeloServidor = true;
  c->socket->abort();  // normally reports the disconnect at once
  if (!c->encerrada) SSocketClientDisconnect(c);
}

void LinkClientes::confereAbortada(const ConexaoPtr& c) {
  // A write the socket layer could not make aborts the socket; the connection
  // ends here, so nothing more is written to it.
  if (!c->encerrada && c->socket->state() == QAbstractSocket::UnconnectedState) SSocketClientDisconnect(c);
}

// ------------------------------------------------------------------ framing

void LinkClientes::SSocketClientRead(Conexao& c) {
  if (c.encerrada) return;
  if (!c.esperando) c.inicioEspera = clk::tickCount();
  const QByteArray dados = c.socket->readAll();
  c.recepcao.Acrescenta(std::string_view(dados.constData(), static_cast<std::size_t>(dados.size())));
  if (c.recepcao.Vazio()) {
    c.esperando = false;
  } else if (c.recepcao.TemDocumento()) {
    finalizaEspera(c, true);
  } else if (decorrido(c.inicioEspera) >= kEsperaXMLMs) {
    finalizaEspera(c, false);
  } else {
    c.esperando = true;
  }
  // A document that never ends must not grow without bound.
  const std::size_t limite =
      cfg_.Tam_Max_XML_Recebido > 0 ? static_cast<std::size_t>(cfg_.Tam_Max_XML_Recebido) : 1048576u;
  if (c.recepcao.Tamanho() > limite) {
    c.esperando = false;
    const std::string descartado = c.recepcao.Descarta();
    logs_.log(kRotinaRead,
              "XML incompleto do Cliente [" + c.ip + ":" + std::to_string(c.porta) + "] descartado: " +
                  std::to_string(descartado.size()) + " bytes sem </telecomando> (limite " + std::to_string(limite) +
                  ")\r\n" + descartado,
              true, false);
  }
  armaEsperaXML();
}

void LinkClientes::finalizaEspera(Conexao& c, bool encontrado) {
  c.esperando = false;
  const std::string cliente = "[" + c.ip + ":" + std::to_string(c.porta) + "]";
  if (cfg_.LogaXMLRecebido == 1) {
    logs_.log(kRotinaRead, encontrado ? "Espera finalizada, foi encontrado </telecomando>" : "Espera finalizada por tempo");
    logs_.log(kRotinaRead, "XML Recebido do Cliente " + cliente + "\r\n" + std::string(c.recepcao.Texto()));
  }
  const std::string ip = c.ip;
  const std::int32_t porta = c.porta;
  while (auto documento = c.recepcao.ProximoDocumento()) {
    logs_.log(kRotinaRead, "Tratando XML=" + *documento);
    if (opcoes_.insereComando) opcoes_.insereComando(*documento, ip, porta);
  }
}

void LinkClientes::armaEsperaXML() {
  std::uint32_t menor = kEsperaXMLMs + 1;
  for (const auto& c : conexoes_) {
    if (!c->esperando) continue;
    const std::uint32_t passou = decorrido(c->inicioEspera);
    menor = std::min(menor, passou >= kEsperaXMLMs ? 0u : kEsperaXMLMs - passou);
  }
  if (menor > kEsperaXMLMs)
    tmrEsperaXML_.stop();
  else
    tmrEsperaXML_.start(static_cast<int>(menor));
}

void LinkClientes::tmrEsperaXMLTimer() {
  const auto conexoes = conexoes_;  // a handler below may change the list
  for (const auto& c : conexoes)
    if (!c->encerrada && c->esperando && decorrido(c->inicioEspera) >= kEsperaXMLMs) finalizaEspera(*c, false);
  armaEsperaXML();
}

// ----------------------------------------------------------- client table

void LinkClientes::AtualizaArvoreClientes() { modelo_.ClientesTreeView = clientes_.Arvore(); }

telecmd::CanalClientes::Cliente LinkClientes::LocalizaCliente(const std::string& ip, int porta) const {
  Cliente cliente;
  const int pos = clientes_.LocalizaCliente(ip, porta);
  if (pos < 0) return cliente;
  const TClientes& r = clientes_[pos];
  cliente.encontrado = true;
  cliente.Comunica = r.Comunica;
  cliente.IdUsuario = r.IdUsuario;
  cliente.Operador = r.Operador;
  return cliente;
}

void LinkClientes::RegistraLogin(const std::string& ip, int porta, std::int32_t idUsuario, const std::string& operador) {
  const int pos = clientes_.LocalizaCliente(ip, porta);
  if (pos < 0) return;
  clientes_[pos].Comunica = "Sim";
  clientes_[pos].IdUsuario = idUsuario;
  clientes_[pos].Operador = operador;
  AtualizaArvoreClientes();
}

// ------------------------------------------------------------ direct writes

void LinkClientes::escreveDireto(const ConexaoPtr& c, const std::string& bytes) {
  if (c->encerrada || bytes.empty()) return;
  // Through the socket's own queue: what the peer cannot take at once is sent
  // as it drains, and a flush waits for that queue before its own bytes.
  c->socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
  c->socket->flush();
  confereAbortada(c);
}

void LinkClientes::EscreveEmTodasConexoes(const std::string& documento) {
  const auto conexoes = conexoes_;
  for (const auto& c : conexoes) {
    if (envio_.ativo && envio_.atual == c && envio_.enviado > 0 && envio_.enviado < envio_.tamanho)
      c->retida += documento;  // never inside a document of the flush
    else
      escreveDireto(c, documento);
  }
}

// ---------------------------------------------------------- outbound buffer

void LinkClientes::mostraTamBuf() { modelo_.lbTamBuf = std::to_string(buffer_.TamBufferEnvio()); }

void LinkClientes::HabilitaTmrBuffer() { armaTmrBuffer(); }

void LinkClientes::LeBufferEnvio() {
  buffer_.LeBufferEnvio();
  estado_.EvtNoBuffer = buffer_.Documentos();
  mostraTamBuf();
  armaTmrBuffer();
}

std::int64_t LinkClientes::EsperaMaxBufferMs() const {
  if (cfg_.Espera_Max_Buffer > 0) return static_cast<std::int64_t>(cfg_.Espera_Max_Buffer) * 1000;
  const std::int64_t timer = cfg_.TIMER_BUFFER > 0 ? cfg_.TIMER_BUFFER : 5;
  return std::min<std::int64_t>(3 * timer * 1000, std::numeric_limits<int>::max());
}

void LinkClientes::armaTmrBuffer() {
  if (envio_.ativo) return;
  if (!buffer_.TemPendencias()) {
    tmrBuffer_.stop();
    return;
  }
  // TIMER_BUFFER after the latest document, but no later than the longest
  // wait of the oldest one. Without TIMER_BUFFER only the longest wait holds.
  const std::int64_t maximo = EsperaMaxBufferMs();
  std::int64_t ms = runtime::IntervaloTimerMs(cfg_.TIMER_BUFFER, 1000);
  if (ms <= 0 || ms > maximo) ms = maximo;
  if (const auto antigo = buffer_.TickDocumentoMaisAntigo())
    ms = std::min(ms, maximo - static_cast<std::int64_t>(decorrido(*antigo)));
  if (ms <= 0) ms = 1;  // already due: once, on the next pass of the loop
  tickTmrBuffer_ = clk::tickCount();
  runtime::ArmaTimer(tmrBuffer_, ms);
}

void LinkClientes::Enfileira_XML_Envio(const std::string& corpo) { enfileira(EnvelopaTeleEvento(corpo), {}); }

void LinkClientes::Enfileira_Post_Envio(const std::string& post, OrigemDocumento origem) {
  if (!opcoes_.post2xml) throw std::logic_error("Enfileira_Post_Envio: no event renderer");
  enfileira(EnvelopaTeleEvento(opcoes_.post2xml(post)), origem);
}

void LinkClientes::MarcaLinhaConcluida(OrigemDocumento linha) {
  buffer_.MarcaLinhaConcluida(linha);
  if (!tmrBuffer_.isActive()) armaTmrBuffer();
}

void LinkClientes::EsqueceLinhas(OrigemDocumento::Tabela tabela) { buffer_.EsqueceLinhas(tabela); }

void LinkClientes::enfileira(const std::string& documento, OrigemDocumento origem) {
  if (conexoes_.empty()) return;
  mostraTamBuf();
  const std::size_t limiteCalculado =
      static_cast<std::size_t>(std::max<std::int32_t>(0, estatistica_.LimBufCalculado()));
  const std::size_t limite = std::min(limiteCalculado, BufferEnvio::kCapacidade);
  if (!envio_.ativo && buffer_.Conteudo().size() + documento.size() > limite) {
    // The flush carries what is queued now; this document waits for the next
    // one, and its row is committed only when that one delivers it.
    // When it fails, an event goes with the buffer (its row is read again); a
    // reply stays for the next flush, as the replies in the buffer do, unless
    // there was nobody to serve.
    if (Esvazia_Buffer_Envio() == ResultadoEnvio::Falhou &&
        (origem.tabela != OrigemDocumento::Tabela::Nenhuma || !ultimaFalhaDeCliente_ || conexoes_.empty()))
      return;
  }
  buffer_.Incrementa_Buffer_Char_Envio(documento, origem);
  estado_.EvtNoBuffer = buffer_.Documentos();
  mostraTamBuf();
  armaTmrBuffer();
}

void LinkClientes::tmrBufferTimer() {
  if (!envio_.ativo) Esvazia_Buffer_Envio();
}

void LinkClientes::gravaPosicoes(const PosicoesEntregues& p) {
  // Never past what the passes hold now: a log-in or a truncation may have
  // moved them back since these rows were queued.
  // Both positions in one rewrite of the file: one sync, and never one new beside one old.
  std::vector<std::pair<std::string_view, std::int32_t>> posicoes;
  if (p.eventos) posicoes.emplace_back("ULTIMO_NUM_SEQ_PROCESSADO", std::min(*p.eventos, estado_.UltimoNumSeqProcessado));
  if (p.controle)
    posicoes.emplace_back("ULTIMO_NUM_SEQ_PROCESSADO_CTRL", std::min(*p.controle, estado_.UltimoNumSeqProcessadoCtrl));
  if (posicoes.empty()) return;
  ini::IniFile(opcoes_.iniPath).writeIntegers(kControle, posicoes);
}

void LinkClientes::comprometeLinhasSemDocumento() {
  // Only rows without documents are left: nothing of theirs waits.
  gravaPosicoes(buffer_.PosicoesAte(0));
  buffer_.Esvazia();
  estado_.EvtNoBuffer = 0;
}

ResultadoEnvio LinkClientes::Esvazia_Buffer_Envio() {
  if (envio_.ativo) return ResultadoEnvio::EmAndamento;
  buffer_.LimpaBufferEnvio();
  if (buffer_.TamBufferEnvio() <= 0) {
    comprometeLinhasSemDocumento();
    return ResultadoEnvio::Entregue;
  }
  tmrBuffer_.stop();

  estado_.EnviandoBuffer = true;
  envio_ = Envio{};
  envio_.ativo = true;
  envio_.tamanho = buffer_.Conteudo().size();
  envio_.documentos = buffer_.DocumentosAte(envio_.tamanho);
  envio_.posicoes = conexoes_.size();
  mostraTamBuf();
  logs_.log(kRotinaEsvazia,
            "KVT inicia envio de XML para Clientes conectados [" + std::to_string(conexoes_.size()) + "]");
  return prossegue();
}

void LinkClientes::tmrTentativaEnvioTimer() {
  if (!envio_.ativo || !envio_.atual) return;
  tmrTentativa_.stop();
  prossegue();
}

long LinkClientes::enviaResto(const ConexaoPtr& c) {
  // Bytes written directly to this client go out first, whole.
  if (c->socket->bytesToWrite() > 0) {
    c->socket->flush();
    confereAbortada(c);
    if (c->encerrada || c->socket->bytesToWrite() > 0) return -1;
  }
  const net::SendResult r =
      c->propria.send(buffer_.Conteudo().data() + envio_.enviado, envio_.tamanho - envio_.enviado);
  switch (r.failure) {
    case net::SendFailure::None:
      return r.taken;
    case net::SendFailure::WouldBlock:
      return -1;
    case net::SendFailure::Connection:
      SSocketClientError(*c, codigoDoErro(r.error));
      fechaConexao(c);
      return -1;
    case net::SendFailure::Local:
      break;
  }
  throw ErroEnvio(r.error);
}

ResultadoEnvio LinkClientes::prossegue() {
  try {
    for (;;) {
      Envio& e = envio_;
      if (!e.atual) {
        if (e.falhou || e.posicao >= e.posicoes) return conclui();
        if (e.posicao >= conexoes_.size()) abandonaPorListaAlterada(e.posicao);
        ConexaoPtr c = conexoes_[e.posicao];
        const int pos = clientes_.LocalizaCliente(c->ip, c->porta);
        if (pos < 0 || text::upperAscii(clientes_[pos].Comunica) != "SIM") {
          ++e.posicao;
          continue;
        }
        e.atendeu = true;
        e.atual = c;
        e.tentativa = 1;
        e.enviado = 0;
        e.inicio = clk::tickCount();
      }

      const ConexaoPtr c = e.atual;
      while (decorrido(e.inicio) < static_cast<std::uint32_t>(std::max(0, cfg_.TIMEOUT)) && !conexoes_.empty() &&
             e.enviado != e.tamanho && !c->encerrada) {
        logs_.log(kRotinaEsvazia, "Enviando");
        long aceitos = -1;
        try {
          aceitos = enviaResto(c);
        } catch (const ErroEnvio& erro) {
          // The connection is not known to have failed: the attempts go on.
          logs_.log(kRotinaEsvazia, "KVT tentou enviar [" + std::to_string(e.tentativa) +
                                        "] o XML para os clientes Excecao [" + erro.what() + "].");
        }
        ++estado_.TentativasEnvio;
        if (aceitos > 0) e.enviado += static_cast<std::size_t>(aceitos);
        const std::int32_t tentativa = e.tentativa;
        if (!conexoes_.empty()) {
          const int pos = clientes_.LocalizaCliente(c->ip, c->porta);
          if (pos > 0) clientes_[pos].Tentativas = tentativa;
        }
        ++e.tentativa;
        if (aceitos <= 0 && !c->encerrada) {
          tmrTentativa_.start(std::min(tentativa * 100, 1000));
          return ResultadoEnvio::EmAndamento;
        }
      }

      if (e.enviado != e.tamanho && decorrido(e.inicio) >= static_cast<std::uint32_t>(std::max(0, cfg_.TIMEOUT))) {
        logs_.log(kRotinaEsvazia,
                  "Timeout (" + std::to_string(cfg_.TIMEOUT / 1000) + " seg) para envio de buffer. Cliente IP " +
                      c->ip + " Porta " + std::to_string(c->porta) + ". Cliente desconectado pelo KVT",
                  true, true);
        fechaConexao(c);
        logs_.log(kRotinaEsvazia, "Buffer: " + buffer_.Conteudo().substr(0, e.tamanho), true, false);
      }
      if (e.enviado != e.tamanho) {
        e.falhou = true;
      } else {
        bytesEnviados_ += static_cast<std::int64_t>(e.tamanho);
        modelo_.lbBytes_Enviados = std::to_string(bytesEnviados_);
        if (!conexoes_.empty()) {
          const int pos = clientes_.LocalizaCliente(c->ip, c->porta);
          if (pos > 0) clientes_[pos].TentativasAcumuladas += e.tentativa;
        }
      }
      if (!c->retida.empty()) {
        const std::string retida = std::move(c->retida);
        c->retida.clear();
        escreveDireto(c, retida);
      }
      e.atual.reset();
      ++e.posicao;
    }
  } catch (...) {
    // Whatever went wrong, the flush is over and a later one may run.
    if (envio_.ativo) {
      tmrTentativa_.stop();
      envio_ = Envio{};
      estado_.EnviandoBuffer = false;
    }
    throw;
  }
}

void LinkClientes::releEnviosDoIni() {
  const ini::IniFile ini(opcoes_.iniPath);
  estado_.UltimoNumSeqProcessado = ini.readInteger(kControle, "ULTIMO_NUM_SEQ_PROCESSADO", 0);
  estado_.UltimoNumSeqProcessadoCtrl = ini.readInteger(kControle, "ULTIMO_NUM_SEQ_PROCESSADO_CTRL", 0);
}

ResultadoEnvio LinkClientes::conclui() {
  const bool entregue = !envio_.falhou && envio_.atendeu;
  const bool clienteFalhou = envio_.falhou;
  ultimaFalhaDeCliente_ = clienteFalhou;
  const std::size_t tamanho = envio_.tamanho;
  const std::int32_t documentos = envio_.documentos;
  envio_ = Envio{};
  if (!entregue) {
    releEnviosDoIni();
    // The events are read again from the positions just re-read. Replies are
    // not: when a client failed they stay for the next flush (the clients
    // served before it get them twice); with nobody to serve, or nobody left,
    // they go. The mirror then holds exactly what stays.
    const bool haviaMais = buffer_.Conteudo().size() > tamanho;
    if (clienteFalhou && !conexoes_.empty())
      buffer_.MantemDocumentosSemLinha();
    else
      buffer_.Esvazia();
    if (haviaMais || buffer_.TamBufferEnvio() > 0) buffer_.LimpaBufferEnvio();
    if (buffer_.TamBufferEnvio() > 0) buffer_.GravaBufferEnvio(buffer_.Conteudo());
  } else {
    estado_.TotalEvtEnviados += documentos;
    // Exactly the rows this flush carried; what was queued meanwhile keeps
    // its rows uncommitted until a later flush delivers it.
    gravaPosicoes(buffer_.PosicoesAte(tamanho));
    modelo_.lbevtsent = std::to_string(estado_.TotalEvtEnviados);
    estatistica_.ContaEnvioBemSucedido(clientes_);
    buffer_.DescartaInicio(tamanho);
  }
  estado_.EvtNoBuffer = buffer_.Documentos();
  estado_.EnviandoBuffer = false;
  mostraTamBuf();
  AtualizaArvoreClientes();
  armaTmrBuffer();
  emit envioTerminado(entregue);
  return entregue ? ResultadoEnvio::Entregue : ResultadoEnvio::Falhou;
}

void LinkClientes::abandonaPorListaAlterada(std::size_t posicao) {
  // The buffer keeps its content for the next flush; the positions go back to
  // what was last delivered. The application's handler logs the outcome.
  tmrTentativa_.stop();
  envio_ = Envio{};
  estado_.EnviandoBuffer = false;
  releEnviosDoIni();
  estado_.EvtNoBuffer = buffer_.Documentos();
  mostraTamBuf();
  armaTmrBuffer();
  emit envioTerminado(false);
  throw ListaClientesAlterada(posicao);
}

}  // namespace kvt::link
