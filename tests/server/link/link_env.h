#pragma once

// A client link on 127.0.0.1 with an ephemeral port, real files in a
// temporary folder, a manual clock, and clients of two kinds: Qt sockets that
// read everything, and plain sockets with a tiny receive buffer that read only
// when told.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/ini/ini_file.h"
#include "platform/text/regional.h"
#include "server/link/client_link.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/estado_servidor.h"
#include "server/runtime/log_files.h"
#include "tests/support/temp_dir.h"

#include "tests/support/cliente_qt.h"
#include "tests/support/laco_eventos.h"

namespace kvt::test {

struct DocumentoRecebido {
  std::string documento, ip;
  std::int32_t porta;
  friend bool operator==(const DocumentoRecebido&, const DocumentoRecebido&) = default;
};


// A client that reads only when told, with a receive buffer as small as the
// system allows, so the server soon cannot send it more.
struct ClienteLento {
  int fd = -1;
  std::string recebido;
  explicit ClienteLento(quint16 porta) {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int pequeno = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &pequeno, sizeof pequeno);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(porta);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  }
  ~ClienteLento() { fecha(); }
  void fecha() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  // Closes with a reset instead of an orderly end.
  void reseta() {
    linger semEspera{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &semEspera, sizeof semEspera);
    fecha();
  }
  std::int32_t portaLocal() const {
    sockaddr_in a{};
    socklen_t n = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
    return ntohs(a.sin_port);
  }
  // Reads what is waiting, without blocking; false once the server closed.
  bool le() {
    char b[65536];
    for (;;) {
      const ssize_t n = ::recv(fd, b, sizeof b, MSG_DONTWAIT);
      if (n > 0) {
        recebido.append(b, static_cast<std::size_t>(n));
        continue;
      }
      if (n == 0) return false;
      return errno == EAGAIN || errno == EWOULDBLOCK;
    }
  }
};

struct LinkEnv {
  TempDir dir;
  clk::ManualClock relogio{1000, {2024, 5, 6, 7, 8, 9, 0}};
  clk::ScopedClock escopo{relogio};
  runtime::tConfiguracao cfg;
  runtime::EstadoServidor estado;
  runtime::HistoryList historico;
  std::string ini = dir.file("KORVATEL.INI");
  std::unique_ptr<runtime::LogFiles> logs;
  std::unique_ptr<link::LinkClientes> link;
  std::vector<DocumentoRecebido> documentos;
  std::vector<std::string> excecoes;  // what the guard caught
  link::InsereComando insere;         // replaces the capture of documents when set
  link::RenderizaPost post2xml;

  LinkEnv() {
    text::setRegional({});
    writeFile(ini, "[KORVATEL]\r\nNOME_MR=ModCom02\r\n[CONTROLE]\r\nULTIMO_NUM_SEQ_PROCESSADO=10\r\n"
                   "ULTIMO_NUM_SEQ_PROCESSADO_CTRL=20\r\nTIMEOUT=60\r\n");
  }
  ~LinkEnv() {
    link.reset();
    QCoreApplication::processEvents();  // sockets deleted later go now
  }

  // Builds the link from the settings as they are now and starts listening.
  void cria(bool escuta = true) {
    logs = std::make_unique<runtime::LogFiles>(cfg.log, ini, historico, dir.path().string());
    link::OpcoesLink op;
    op.iniPath = ini;
    op.pastaBuffer = dir.path().string();
    op.guarda = [this](const std::function<void()>& f) {
      try {
        f();
      } catch (const std::exception& e) {
        excecoes.push_back(e.what());
      }
    };
    op.insereComando = [this](const std::string& d, const std::string& ip, std::int32_t porta) {
      if (insere)
        insere(d, ip, porta);
      else
        documentos.push_back({d, ip, porta});
    };
    op.post2xml = [this](const std::string& post) { return post2xml ? post2xml(post) : post; };
    link = std::make_unique<link::LinkClientes>(cfg, estado, *logs, op);
    if (escuta) link->Ativa(QHostAddress::LocalHost, 0);
  }
  quint16 porta() const { return link->PortaEscuta(); }

  std::unique_ptr<ClienteQt> conectaQt() {
    auto c = std::make_unique<ClienteQt>();
    const int antes = link->NumConexoes();
    c->conecta(porta());
    esperaAte([&] { return link->NumConexoes() == antes + 1 && c->socket.state() == QAbstractSocket::ConnectedState; });
    return c;
  }
  std::unique_ptr<ClienteLento> conectaLento() {
    const int antes = link->NumConexoes();
    auto c = std::make_unique<ClienteLento>(porta());
    esperaAte([&] { return link->NumConexoes() == antes + 1; });
    return c;
  }

  // Every log entry written so far, in order.
  std::string logTexto() const {
    std::string todo;
    for (int i = 0; i <= cfg.log.Num_Arquivos_Log; ++i) {
      char nome[32];
      std::snprintf(nome, sizeof nome, "KORVATEL%.2d.log", i);
      todo += readFile(dir.file(nome));
    }
    return todo;
  }
  bool logTem(const std::string& trecho) const { return logTexto().find(trecho) != std::string::npos; }
  // The whole first log line that holds trecho (empty when none does).
  std::string linhaLog(const std::string& trecho) const {
    const std::string todo = logTexto();
    const std::size_t p = todo.find(trecho);
    if (p == std::string::npos) return {};
    const std::size_t antes = todo.rfind("\r\n\r\n", p);
    const std::size_t inicio = antes == std::string::npos ? 0 : antes + 4;
    return todo.substr(inicio, todo.find("\r\n", p) - inicio);
  }
  std::int32_t iniInteiro(const char* chave) const { return ini::IniFile(ini).readInteger("CONTROLE", chave, -99); }
  std::string espelho() const { return readFile(dir.file("BufferEnvio.txt")); }
  bool existeEspelho() const { return std::filesystem::exists(dir.file("BufferEnvio.txt")); }
};

// The document the clients receive for a reply body.
inline std::string envelope(const std::string& corpo) { return link::EnvelopaTeleEvento(corpo); }

}  // namespace kvt::test
