#include "client/modo_cli.h"

#include <QTcpSocket>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

#include "platform/text/cp1252.h"

namespace kvt::cliente {

using namespace text::literals;

std::string UsoCli() {
  return "uso: kvtclient --cli [--host H] [--port P] [--login USUARIO:SENHA] [--send ARQUIVO|-]...\n"
         "                      [--count N] [--timeout S] [--dir PASTA]\n"
         "  Conecta ao KVT, faz o login, envia os telecomandos dos arquivos (um por segundo)\n"
         "  e escreve cada documento recebido numa linha da saída padrão.\n"
         "  Termina com 0 após N documentos ou S segundos; 1 sem conexão, 2 login recusado,\n"
         "  3 arquivo ilegível, 64 argumentos errados.\n";
}

std::optional<OpcoesCli> LeOpcoesCli(const std::vector<std::string>& args, std::string& erro) {
  OpcoesCli o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--cli") continue;
    auto valor = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) {
        erro = a + " precisa de um valor";
        return std::nullopt;
      }
      return args[++i];
    };
    std::optional<std::string> v;
    if (a == "--host" || a == "--port" || a == "--login" || a == "--send" || a == "--count" || a == "--timeout" ||
        a == "--dir") {
      v = valor();
      if (!v) return std::nullopt;
    } else {
      erro = "opção desconhecida: " + a;
      return std::nullopt;
    }
    if (a == "--host") {
      o.host = *v;
    } else if (a == "--port") {
      o.porta = *v;
    } else if (a == "--dir") {
      o.dir = *v;
    } else if (a == "--send") {
      o.envios.push_back(*v);
    } else if (a == "--login") {
      const auto dois = v->find(':');
      if (dois == std::string::npos || dois == 0 || dois + 1 == v->size()) {
        erro = "--login espera USUARIO:SENHA";
        return std::nullopt;
      }
      o.operador = v->substr(0, dois);
      o.senha = v->substr(dois + 1);
    } else if (a == "--count") {
      char* fim = nullptr;
      errno = 0;
      const long n = std::strtol(v->c_str(), &fim, 10);
      if (v->empty() || *fim != '\0' || errno != 0 || n < 1) {
        erro = "--count espera um número inteiro positivo";
        return std::nullopt;
      }
      o.count = n;
    } else if (a == "--timeout") {
      char* fim = nullptr;
      errno = 0;
      const double s = std::strtod(v->c_str(), &fim);
      if (v->empty() || *fim != '\0' || errno != 0 || !(s > 0) || s > 2000000) {
        erro = "--timeout espera um número positivo de segundos";
        return std::nullopt;
      }
      o.timeout = s;
    }
  }
  return o;
}

namespace {

bool ehRespostaLogin(const std::string& documento) {
  xml::Document doc;
  return doc.parse(documento) && doc.root().child("CODMSG").value() == "-58";
}

}  // namespace

std::string LinhaDoDocumento(const std::string& documento) {
  std::string linha = documento;
  for (char& c : linha)
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  return text::cp1252ToUtf8(linha);
}

ModoCli::ModoCli(OpcoesCli opcoes, ConfiguracaoCliente cfg, std::string programDir, std::FILE* saida,
                 std::FILE* erros, QObject* parent)
    : QObject(parent), opcoes_(std::move(opcoes)), saida_(saida), erros_(erros) {
  // The log-in is the command line's, not the log-in window's.
  cfg.EnviarLogin = opcoes_.operador ? "SIM" : "NAO";
  cfg.VersaoKVT = 6;
  if (!opcoes_.host.empty()) cfg.IP = opcoes_.host;
  if (!opcoes_.porta.empty()) cfg.Porta = opcoes_.porta;
  sessao_ = std::make_unique<SessaoCliente>(std::move(cfg), std::move(programDir));
  tmrLimite_.setSingleShot(true);
  tmrLogin_.setSingleShot(true);
  tmrLogin_.setInterval(kEsperaLoginMs);

  connect(sessao_.get(), &SessaoCliente::estadoMudou, this, [this] {
    if (sessao_->estado() == EstadoConexao::Conectado && !opcoes_.operador && !enviosIniciados_) conectado();
  });
  connect(sessao_.get(), &SessaoCliente::conexaoEncerrada, this,
          [this] { termina(kSaidaSemConexao, "o KVT encerrou a conexão"_cp); });
  connect(sessao_.get(), &SessaoCliente::pedeLogin, this, [this] {
    aguardandoLogin_ = true;
    mensagem("conectado a " + sessao_->configuracao().IP + ":" + sessao_->configuracao().Porta +
             "; login de " + *opcoes_.operador);
    sessao_->enviaLogin(*opcoes_.operador, opcoes_.senha, false);
    tmrLogin_.start();
  });
  connect(sessao_.get(), &SessaoCliente::logado, this, [this] { logado(); });
  connect(sessao_.get(), &SessaoCliente::documentoRecebido, this,
          [this](const DocumentoRecebido& d, bool valido) { recebido(d, valido); });
  connect(sessao_.get(), &SessaoCliente::aviso, this, [this](const std::string&, const std::string& texto) {
    const QString detalhe = sessao_->csKVTPLUS().errorString();
    termina(kSaidaSemConexao, texto + " (" + sessao_->configuracao().IP + ":" + sessao_->configuracao().Porta + ": " +
                                  text::utf8ToCp1252(detalhe.toStdString()) + ")");
  });
  connect(sessao_.get(), &SessaoCliente::erro, this,
          [this](const std::string& titulo, const std::string& texto) { mensagem(titulo + ": " + texto); });
  connect(&tmrLimite_, &QTimer::timeout, this, [this] {
    if (aguardandoLogin_)
      termina(kSaidaLoginRecusado, "o KVT não confirmou o login de "_cp + *opcoes_.operador + " (sem resposta -58 com StsLogin 0)");
    else
      termina(kSaidaOk);
  });
  connect(&tmrLogin_, &QTimer::timeout, this, [this] {
    termina(kSaidaLoginRecusado, "o KVT não confirmou o login de "_cp + *opcoes_.operador +
                                     " em 10 s (sem resposta -58 com StsLogin 0)");
  });
}

void ModoCli::mensagem(const std::string& texto) {
  const std::string linha = "kvtclient: " + text::cp1252ToUtf8(texto) + "\n";
  std::fputs(linha.c_str(), erros_);
  std::fflush(erros_);
}

void ModoCli::termina(int codigo, const std::string& texto) {
  if (terminado_) return;
  terminado_ = true;
  tmrLimite_.stop();
  tmrLogin_.stop();
  if (!texto.empty()) mensagem(texto);
  std::fflush(saida_);
  emit terminou(codigo);
}

void ModoCli::inicia() {
  for (const std::string& nome : opcoes_.envios) {
    std::string conteudo;
    if (nome == "-") {
      conteudo.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
      std::ifstream f(nome, std::ios::binary);
      if (!f) {
        termina(kSaidaArquivo, "não foi possível ler "_cp + nome + ": " + std::strerror(errno));
        return;
      }
      conteudo.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    textoEnvio_ += conteudo + "\r\n";
  }
  if (opcoes_.timeout) tmrLimite_.start(static_cast<int>(*opcoes_.timeout * 1000.0));
  sessao_->btnConnectClick(sessao_->configuracao().IP, sessao_->configuracao().Porta);
}

void ModoCli::conectado() {
  enviosIniciados_ = true;
  mensagem("conectado a " + sessao_->configuracao().IP + ":" + sessao_->configuracao().Porta);
  if (!textoEnvio_.empty()) sessao_->enviaTexto(textoEnvio_);
  textoEnvio_.clear();
}

void ModoCli::logado() {
  aguardandoLogin_ = false;
  enviosIniciados_ = true;
  tmrLogin_.stop();
  mensagem("login aceito: " + sessao_->lb_login());
  if (!textoEnvio_.empty()) sessao_->enviaTexto(textoEnvio_);
  textoEnvio_.clear();
}

void ModoCli::recebido(const DocumentoRecebido& d, bool valido) {
  // one read may carry more documents than were asked for
  if (terminado_) return;
  const std::string linha = LinhaDoDocumento(d.original) + "\n";
  std::fputs(linha.c_str(), saida_);
  std::fflush(saida_);
  ++recebidos_;
  // A -58 reply that did not log in is a refusal (the server may also say
  // nothing at all: then the log-in wait ends it).
  if (valido && aguardandoLogin_ && ehRespostaLogin(d.texto)) {
    termina(kSaidaLoginRecusado, "login de "_cp + *opcoes_.operador + " recusado pelo KVT");
    return;
  }
  if (opcoes_.count && recebidos_ >= *opcoes_.count) termina(kSaidaOk);
}

}  // namespace kvt::cliente
