#pragma once

// kvtclient --cli: the test client without windows, for scripts. Connects,
// logs in, sends the documents of the given files, prints every received
// document on one line of standard output and ends after N documents or S
// seconds.

#include <QObject>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "client/sessao_cliente.h"

namespace kvt::cliente {

// Exit codes of the command-line mode.
enum CodigoSaidaCli : int {
  kSaidaOk = 0,
  kSaidaSemConexao = 1,     // could not connect, or the server closed the connection
  kSaidaLoginRecusado = 2,  // no -58 reply with StsLogin 0
  kSaidaArquivo = 3,        // a --send file could not be read
  kSaidaUso = 64,           // wrong arguments
};

struct OpcoesCli {
  std::string host;   // empty: IP of KVTCLIENT.INI
  std::string porta;  // empty: Porta of KVTCLIENT.INI
  std::string dir;    // folder of KVTCLIENT.INI; empty: the executable's
  std::optional<std::string> operador;
  std::string senha;
  std::vector<std::string> envios;  // file names, "-" for standard input
  std::optional<long> count;
  std::optional<double> timeout;
};

// Reads the arguments after the program name (with or without "--cli");
// nullopt and the reason in erro when they are wrong.
std::optional<OpcoesCli> LeOpcoesCli(const std::vector<std::string>& args, std::string& erro);
std::string UsoCli();

// One received document as one line: line breaks and tabs become blanks,
// Windows-1252 becomes UTF-8.
std::string LinhaDoDocumento(const std::string& documento);

class ModoCli : public QObject {
  Q_OBJECT

 public:
  static constexpr int kEsperaLoginMs = 10000;

  ModoCli(OpcoesCli opcoes, ConfiguracaoCliente cfg, std::string programDir, std::FILE* saida = stdout,
          std::FILE* erros = stderr, QObject* parent = nullptr);
  // Reads the files to send and connects; the end comes through terminou().
  void inicia();
  SessaoCliente& sessao() { return *sessao_; }

 signals:
  void terminou(int codigo);

 private:
  void conectado();
  void logado();
  void recebido(const DocumentoRecebido& d, bool valido);
  void termina(int codigo, const std::string& mensagem = {});
  void mensagem(const std::string& texto);

  OpcoesCli opcoes_;
  std::unique_ptr<SessaoCliente> sessao_;
  std::FILE* saida_;
  std::FILE* erros_;
  std::string textoEnvio_;
  long recebidos_ = 0;
  bool aguardandoLogin_ = false;
  bool enviosIniciados_ = false;
  bool terminado_ = false;
  QTimer tmrLimite_;
  QTimer tmrLogin_;
};

}  // namespace kvt::cliente
