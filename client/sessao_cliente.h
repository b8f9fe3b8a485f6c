#pragma once

// The test client without its windows: the connection to the server, the
// log-in, the reception and sending of documents, the counters and the
// models of the three display areas (text, tree, message list). The main
// window and the command-line mode are views of it.

#include <QObject>
#include <QTcpSocket>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "client/arvore_xml.h"
#include "client/config_cliente.h"
#include "client/recepcao.h"
#include "client/texto_envio.h"

namespace kvt::db {
class Connection;
}

namespace kvt::cliente {

enum class EstadoConexao { Desconectado, Conectando, AguardandoLogin, Conectado };

inline constexpr const char* kSeparadorValido =
    "\r\n============================================\r\n";
inline constexpr const char* kSeparadorErro = "\r\n================= ERROS NO XML =============\r\n";
inline constexpr const char* kDeclaracaoEnvio = "<?xml version = \"1.0\"?>";

class SessaoCliente : public QObject {
  Q_OBJECT

 public:
  static constexpr std::size_t kMaxLinhasMensagens = 1000;
  static constexpr std::size_t kMaxCaracteresTexto = 90000;
  static constexpr int kEsperaDocumentoMs = 9999;
  static constexpr int kIntervaloEnvioMs = 1000;

  // programDir: the folder of KVTCLIENT.INI and KVTCLIENT.LOG.
  SessaoCliente(ConfiguracaoCliente cfg, std::string programDir, QObject* parent = nullptr);
  ~SessaoCliente() override;

  ConfiguracaoCliente& configuracao() { return cfg_; }
  const ConfiguracaoCliente& configuracao() const { return cfg_; }
  const std::string& programDir() const { return programDir_; }

  // --- connection
  // "&Conectar": opens the connection to ip (trimmed) and port; otherwise
  // closes it.
  void btnConnectClick(const std::string& ip, const std::string& porta);
  void desconecta();
  EstadoConexao estado() const { return estado_; }
  bool conectado() const { return estado_ == EstadoConexao::AguardandoLogin || estado_ == EstadoConexao::Conectado; }
  std::string captionConectar() const;
  bool envioHabilitado() const { return envioHabilitado_; }
  bool loginVisivel() const { return loginVisivel_; }
  const std::string& lb_login() const { return lb_login_; }

  // --- log-in
  // Sends the -27 document when both fields are filled; false (and the warning
  // box) when not connected.
  bool enviaLogin(const std::string& operador, const std::string& senha, bool enviarUltimo);
  // The "&Login" button: the warning box when not connected, else asks the
  // view for the log-in window (pedeLogin).
  void btnLoginClick();

  // --- sending
  // Lower-cases the text and sends its documents one second apart (the first
  // at once), each validated, added to the tree and preceded by the
  // declaration line. More text while sending waits behind what is left.
  void enviaTexto(const std::string& texto);
  bool enviando() const { return tmrEnvio_.isActive(); }
  // The one-second pacing timer's handler (tests call it directly).
  void tmrEnvioTimer();
  // Sends one document as it is (no declaration, letter case kept), validated
  // and added to the tree; false when it does not parse (the error box).
  bool enviaDocumentoDireto(const std::string& documento);

  // --- reception
  void SSocketClientRead();
  // End of the wait for an incomplete document (tests call it directly).
  void tmrEsperaTimer();
  bool esperandoDocumento() const { return tmrEspera_.isActive(); }

  // --- display models and counters
  void btn_LimparClick();
  const std::string& reXMLRec() const { return reXMLRec_; }
  const std::vector<std::string>& lberro() const { return lberro_; }
  const ArvoreXML& trvDadosXML() const { return arvore_; }
  std::int64_t NumXMLRecebidos() const { return numXMLRecebidos_; }
  std::int64_t NumXMLEnviados() const { return numXMLEnviados_; }
  std::int64_t BytesRecebidos() const { return bytesRecebidos_; }
  std::int64_t BytesEnviados() const { return bytesEnviados_; }
  std::int32_t UltimoTeleEventoProcessado() const { return cfg_.ULTIMO_NUM_SEQ_PROCESSADO; }

  // The validation routine: parses, adds the lines to the message list.
  bool Valida(const std::string& documento, const std::string& origem, xml::Document* saida = nullptr);
  // The tree routine: adds a parsed document and applies both size limits.
  void AdicionaNaArvore(const xml::Document& documento);

  // The central's database (BANCOS dbZenthora) for the simulator; null when
  // it is not configured or could not be opened.
  db::Connection* dbZenthora() const { return dbZenthora_.get(); }

  QTcpSocket& csKVTPLUS() { return socket_; }

 signals:
  void estadoMudou();
  void contadoresMudaram();
  void textoAcrescentado(const std::string& texto);
  void textoLimpo();
  void mensagemAcrescentada(const std::string& linha);
  void mensagensLimpas();
  void noAcrescentado(const kvt::cliente::NoArvore& no);
  void arvoreLimpa();
  void aviso(const std::string& titulo, const std::string& texto);
  void erro(const std::string& titulo, const std::string& texto);
  void pedeLogin();
  void logado();
  // the server closed the connection (not the client, not a failure)
  void conexaoEncerrada();
  void documentoRecebido(const kvt::cliente::DocumentoRecebido& documento, bool valido);
  void documentoEnviado(const std::string& documento);

 private:
  void csKVTPLUSConnect();
  void csKVTPLUSDisconnect();
  void csKVTPLUSError(QAbstractSocket::SocketError erro);
  void resetaControles();
  void trataDocumentoRecebido(const DocumentoRecebido& doc);
  void verificaLogin(const xml::Document& documento);
  void acrescentaMensagem(const std::string& linha);
  void acrescentaTexto(const std::string& texto);
  void gravaLog(const std::string& texto);
  void escreve(const std::string& bytes);
  void abreBanco();

  ConfiguracaoCliente cfg_;
  std::string programDir_;
  QTcpSocket socket_;
  QTimer tmrEspera_;
  QTimer tmrEnvio_;
  EstadoConexao estado_ = EstadoConexao::Desconectado;
  bool envioHabilitado_ = false;
  bool loginVisivel_ = false;
  std::string lb_login_;

  TextoRecebido textoRecebido_;
  TextoEnvio textoEnvio_;

  std::string reXMLRec_;
  std::vector<std::string> lberro_;
  ArvoreXML arvore_;
  std::int64_t numXMLRecebidos_ = 0;
  std::int64_t numXMLEnviados_ = 0;
  std::int64_t bytesRecebidos_ = 0;
  std::int64_t bytesEnviados_ = 0;

  std::unique_ptr<db::Connection> dbZenthora_;
};

}  // namespace kvt::cliente
