// The client link's hot paths, each against a baseline of the same run:
// - framing: bytes per second cut into telecomando documents, against copying
//   the same bytes in the same chunks;
// - one log entry of a flush, against one write of its bytes;
// - both positions written to KORVATEL.INI, against rewriting the file's
//   bytes whole the same safe way;
// - one flush of the outbound buffer to ten local clients, against writing the
//   same bytes with plain sends to ten sockets and to one socket; once with
//   documents that come from no row (replies: the flush writes no position)
//   and once with event documents, whose flush commits both positions of
//   the event tables in KORVATEL.INI (one rewrite, with its sync to disk).
#include <benchmark/benchmark.h>

#include "bench/ratio_reporter.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/ini/ini_file.h"
#include "server/link/client_link.h"
#include "server/link/framing.h"

namespace {

constexpr std::size_t kPedaco = 4096;  // bytes per read

std::string fluxoDeDocumentos() {
  const std::string doc =
      "<TELECOMANDO> <CodMsg>5C</CodMsg> <IdTerminal>1A2B3C</IdTerminal> <IdSeqMsg>1234</IdSeqMsg> "
      "<Mensagem>Pare no pr\xF3ximo posto, confirme a chegada</Mensagem> </TELECOMANDO>\r\n";
  std::string out;
  while (out.size() < 1024 * 1024) out += doc;
  return out;
}

void BM_CopiaEmPedacos(benchmark::State& state) {
  const std::string fluxo = fluxoDeDocumentos();
  std::string destino;
  destino.reserve(fluxo.size());
  for (auto _ : state) {
    destino.clear();
    for (std::size_t p = 0; p < fluxo.size(); p += kPedaco) destino.append(fluxo, p, kPedaco);
    benchmark::DoNotOptimize(destino.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fluxo.size()));
}
BENCHMARK(BM_CopiaEmPedacos);

void BM_CortadorTelecomando(benchmark::State& state) {
  const std::string fluxo = fluxoDeDocumentos();
  std::size_t documentos = 0;
  for (auto _ : state) {
    kvt::link::CortadorTelecomando c;
    for (std::size_t p = 0; p < fluxo.size(); p += kPedaco) {
      c.Acrescenta(std::string_view(fluxo).substr(p, kPedaco));
      while (auto d = c.ProximoDocumento()) {
        benchmark::DoNotOptimize(d->data());
        ++documentos;
      }
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fluxo.size()));
  state.counters["docs"] = benchmark::Counter(static_cast<double>(documentos), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CortadorTelecomando);

// ------------------------------------------------------------------- flush

constexpr int kClientes = 10;

int conectaLeitor(quint16 porta) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(porta);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  return fd;
}

void leTudo(int fd, std::size_t n) {
  static char b[1 << 16];
  while (n > 0) {
    const ssize_t r = ::recv(fd, b, std::min(sizeof b, n), 0);
    if (r <= 0) std::abort();
    n -= static_cast<std::size_t>(r);
  }
}

void enviaTudo(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t r = ::send(fd, p, n, MSG_NOSIGNAL);
    if (r <= 0) std::abort();
    p += r;
    n -= static_cast<std::size_t>(r);
  }
}

// The documents of one flush at the default limit.
std::vector<std::string> corposDeUmEnvio() {
  std::vector<std::string> corpos;
  std::size_t total = 0;
  for (int i = 0; total + 400 < 65536; ++i) {
    corpos.push_back(" <DataHoraEm> 06/05/2024 07:08:09 </DataHoraEm>  <CodMsg> 81 </CodMsg>  <IdTerminal> 1A2B" +
                     std::to_string(i) + " </IdTerminal> <Latitude> -22.9 </Latitude> <Longitude> -47.06 </Longitude>" +
                     std::string(200, 'x'));
    total += corpos.back().size() + 60;
  }
  return corpos;
}

std::string bytesDeUmEnvio() {
  std::string s;
  for (const auto& c : corposDeUmEnvio()) s += kvt::link::EnvelopaTeleEvento(c);
  return s;
}

// KORVATEL.INI as a central has it: every key of the program, the long code
// lists among them, and both positions.
std::string textoIniDeUmaCentral() {
  std::string codigos = ",";
  for (int c = 1; c <= 255; ++c) codigos += std::to_string(c) + ",";
  std::string t = "[KORVATEL]\r\nNum_Arquivos_Log=5\r\nTam_Max_Arq_Log=10000000\r\nArq_Log_Corrente=1\r\n"
                  "LogaXMLRecebido=0\r\nLogaXMLEnviado=0\r\nNOME_MR=ModCom02\r\nNOME_BASE=Quillon\r\nID_BASE=601\r\n"
                  "BASE_SENHA=ZQZQ\r\nTIMEOUT_POLLING=3\r\nTIMEOUT_RECONNECT=15\r\nTIMER_BUFFER=5\r\n"
                  "SOLICITA_LOGIN=SIM\r\nKORVATEL_PORT=7001\r\n";
  t += "TELECMD=" + codigos + "\r\nTELEEVT=" + codigos + "\r\n";
  t += "FiltraEvtLogistico=0\r\nListaEvtLogistico=\r\nTamanho_Buffer_Min=10240\r\nTamanho_Buffer=65536\r\n"
       "Contador_Analisar_Estat=20\r\nContador_Restaurar_Buffer=10\r\nAlarme_Tamanho_Buffer_Disco=100\r\n"
       "Tempo_Recorrencia_Alarme=10\r\n\r\n"
       "[CONTROLE]\r\nULTIMO_NUM_SEQ_PROCESSADO_CTRL=0\r\nULTIMO_NUM_SEQ_PROCESSADO=0\r\nMAX_EVT_PROCESSADOS=10000\r\n"
       "MAX_EVT_ACUMULADOS=500\r\nTIMEOUT=60\r\nTIMEOUT_DESABILITAR_GPRS_TELECMD=10\r\n\r\n"
       "[BANCOS]\r\ndbZenthora=sqlite:///srv/central/zenthora.db\r\ndbBase=sqlite:///srv/central/base.db\r\n"
       "dbSSE=sqlite:///srv/central/sse.db\r\n";
  return t;
}

struct AmbienteEnvio {
  std::filesystem::path pasta = std::filesystem::temp_directory_path() / "kvt-link-bench";
  kvt::runtime::tConfiguracao cfg;
  kvt::runtime::EstadoServidor estado;
  kvt::runtime::HistoryList historico;
  std::unique_ptr<kvt::runtime::LogFiles> logs;
  std::unique_ptr<kvt::link::LinkClientes> link;
  std::vector<int> clientes;
  std::string ini = (pasta / "KORVATEL.INI").string();

  AmbienteEnvio() {
    // No channel analysis: the limit stays put, so every flush carries the same bytes.
    cfg.Contador_Analisar_Estat = 0;
    std::filesystem::create_directories(pasta);
    std::FILE* f = std::fopen(ini.c_str(), "wb");
    std::fputs(textoIniDeUmaCentral().c_str(), f);
    std::fclose(f);
    logs = std::make_unique<kvt::runtime::LogFiles>(cfg.log, ini, historico, pasta.string());
    kvt::link::OpcoesLink op;
    op.iniPath = ini;
    op.pastaBuffer = pasta.string();
    op.post2xml = [](const std::string& corpo) { return corpo; };  // the bench queues bodies as they are
    link = std::make_unique<kvt::link::LinkClientes>(cfg, estado, *logs, op);
    link->Ativa(QHostAddress::LocalHost, 0);
    for (int i = 0; i < kClientes; ++i) clientes.push_back(conectaLeitor(link->PortaEscuta()));
    while (link->NumConexoes() < kClientes) QCoreApplication::processEvents();
  }
  ~AmbienteEnvio() {
    for (int fd : clientes) ::close(fd);
    link.reset();
    std::filesystem::remove_all(pasta);
  }
};

// Reads what is waiting on a client, without blocking.
std::size_t drena(int fd) {
  static char b[1 << 16];
  std::size_t total = 0;
  for (;;) {
    const ssize_t r = ::recv(fd, b, sizeof b, MSG_DONTWAIT);
    if (r > 0) {
      total += static_cast<std::size_t>(r);
      continue;
    }
    if (r == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) std::abort();
    return total;
  }
}

// One flush of what is queued, timed until every client read all of it: the
// clients read meanwhile; a client the kernel could not take all at once gets
// its next attempt as soon as the others have read.
void esvaziaParaTodos(AmbienteEnvio& amb, std::size_t tamanho, std::size_t& esperas) {
  auto r = amb.link->Esvazia_Buffer_Envio();
  std::vector<std::size_t> faltam(kClientes, tamanho);
  bool restam = true;
  while (restam || amb.link->EnvioEmAndamento()) {
    restam = false;
    for (int i = 0; i < kClientes; ++i) {
      faltam[static_cast<std::size_t>(i)] -= drena(amb.clientes[static_cast<std::size_t>(i)]);
      restam = restam || faltam[static_cast<std::size_t>(i)] > 0;
    }
    if (amb.link->EnvioEmAndamento()) {
      ++esperas;
      amb.link->tmrTentativaEnvioTimer();
    }
  }
  if (r == kvt::link::ResultadoEnvio::Falhou || amb.estado.TotalEvtEnviados == 0) std::abort();
}

void BM_EsvaziaBufferDezClientes(benchmark::State& state) {
  AmbienteEnvio amb;
  const auto corpos = corposDeUmEnvio();
  const std::string umEnvio = bytesDeUmEnvio();
  std::size_t bytes = 0, esperas = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (const auto& c : corpos) amb.link->Enfileira_XML_Envio(c);
    const std::size_t tamanho = amb.link->Buffer().Conteudo().size();
    if (amb.link->Buffer().Conteudo() != umEnvio) std::abort();
    state.ResumeTiming();
    esvaziaParaTodos(amb, tamanho, esperas);
    bytes += tamanho * kClientes;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.counters["esperas"] = static_cast<double>(esperas) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_EsvaziaBufferDezClientes)->Unit(benchmark::kMicrosecond);

// The same documents from rows of both event tables, the last one from the
// control table: the flush commits both positions.
void BM_EsvaziaBufferDezClientesComLinhas(benchmark::State& state) {
  using kvt::link::OrigemDocumento;
  AmbienteEnvio amb;
  const auto corpos = corposDeUmEnvio();
  const std::string umEnvio = bytesDeUmEnvio();
  std::size_t bytes = 0, esperas = 0;
  std::int32_t linha = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (std::size_t i = 0; i < corpos.size(); ++i) {
      ++linha;
      amb.link->Enfileira_Post_Envio(corpos[i], i + 1 < corpos.size() ? OrigemDocumento::Evento(linha)
                                                                       : OrigemDocumento::Controle(linha));
    }
    amb.estado.UltimoNumSeqProcessado = amb.estado.UltimoNumSeqProcessadoCtrl = linha;
    const std::size_t tamanho = amb.link->Buffer().Conteudo().size();
    if (amb.link->Buffer().Conteudo() != umEnvio) std::abort();
    state.ResumeTiming();
    esvaziaParaTodos(amb, tamanho, esperas);
    state.PauseTiming();
    const kvt::ini::IniFile ini(amb.ini);
    if (ini.readInteger("CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO", 0) != linha - 1 ||
        ini.readInteger("CONTROLE", "ULTIMO_NUM_SEQ_PROCESSADO_CTRL", 0) != linha)
      std::abort();
    state.ResumeTiming();
    bytes += tamanho * kClientes;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.counters["esperas"] = static_cast<double>(esperas) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_EsvaziaBufferDezClientesComLinhas)->Unit(benchmark::kMicrosecond);

// One log entry of a flush ("Enviando", written once per client and attempt),
// against one write of the same bytes to a file kept open.
void BM_EntradaDeLog(benchmark::State& state) {
  AmbienteEnvio amb;
  for (auto _ : state) amb.logs->log("TFPrincipal.Esvazia_Buffer_Envio", "Enviando");
}
BENCHMARK(BM_EntradaDeLog);

void BM_BaseEscritaDaEntrada(benchmark::State& state) {
  AmbienteEnvio amb;
  const std::string entrada = "[INFO][06/05/2024 07:08:09][TFPrincipal.Esvazia_Buffer_Envio] Enviando\r\n\r\n";
  const int fd = ::open((amb.pasta / "base.log").c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  for (auto _ : state)
    if (::write(fd, entrada.data(), entrada.size()) != static_cast<ssize_t>(entrada.size())) std::abort();
  ::close(fd);
}
BENCHMARK(BM_BaseEscritaDaEntrada);

// Both positions written to KORVATEL.INI as a flush writes them, against
// writing the same file's bytes whole the same safe way (temporary file,
// sync, rename): what reading, editing and formatting the file add.
void BM_GravaPosicoesNoIni(benchmark::State& state) {
  AmbienteEnvio amb;
  std::int32_t n = 0;
  for (auto _ : state) {
    ++n;
    const std::pair<std::string_view, std::int32_t> posicoes[] = {{"ULTIMO_NUM_SEQ_PROCESSADO", n},
                                                                  {"ULTIMO_NUM_SEQ_PROCESSADO_CTRL", n}};
    kvt::ini::IniFile(amb.ini).writeIntegers("CONTROLE", posicoes);
  }
}
BENCHMARK(BM_GravaPosicoesNoIni)->Unit(benchmark::kMicrosecond);

void BM_BaseReescritaDoArquivo(benchmark::State& state) {
  AmbienteEnvio amb;
  const std::string bytes = textoIniDeUmaCentral();
  const std::string temp = amb.ini + ".tmp";
  for (auto _ : state) {
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
    ::fsync(fd);
    ::close(fd);
    if (std::rename(temp.c_str(), amb.ini.c_str()) != 0) std::abort();
  }
}
BENCHMARK(BM_BaseReescritaDoArquivo)->Unit(benchmark::kMicrosecond);

// The same bytes written with plain sends.
struct ParDeSockets {
  int servidor = -1, cliente = -1;
};

std::vector<ParDeSockets> pares(int n) {
  const int escuta = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(escuta, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::listen(escuta, n);
  socklen_t len = sizeof a;
  ::getsockname(escuta, reinterpret_cast<sockaddr*>(&a), &len);
  std::vector<ParDeSockets> v;
  for (int i = 0; i < n; ++i) {
    ParDeSockets p;
    p.cliente = conectaLeitor(ntohs(a.sin_port));
    p.servidor = ::accept(escuta, nullptr, nullptr);
    v.push_back(p);
  }
  ::close(escuta);
  return v;
}

void BM_BaseEnvioDiretoDezSockets(benchmark::State& state) {
  const auto ps = pares(kClientes);
  const std::string dados = bytesDeUmEnvio();
  for (auto _ : state) {
    for (const auto& p : ps) enviaTudo(p.servidor, dados.data(), dados.size());
    for (const auto& p : ps) leTudo(p.cliente, dados.size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * dados.size() * kClientes));
  for (const auto& p : ps) ::close(p.servidor), ::close(p.cliente);
}
BENCHMARK(BM_BaseEnvioDiretoDezSockets)->Unit(benchmark::kMicrosecond);

void BM_BaseEnvioDiretoUmSocket(benchmark::State& state) {
  const auto ps = pares(1);
  const std::string dados = bytesDeUmEnvio();
  for (auto _ : state) {
    // the same number of bytes as ten clients get, through one socket
    for (int i = 0; i < kClientes; ++i) {
      enviaTudo(ps[0].servidor, dados.data(), dados.size());
      leTudo(ps[0].cliente, dados.size());
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * dados.size() * kClientes));
  ::close(ps[0].servidor);
  ::close(ps[0].cliente);
}
BENCHMARK(BM_BaseEnvioDiretoUmSocket)->Unit(benchmark::kMicrosecond);

using ::kvt::bench::Coletor;

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Coletor coletor;
  benchmark::RunSpecifiedBenchmarks(&coletor);
  const auto razao = [&](const char* medido, const char* base, const char* texto) {
    const double m = coletor.tempo(medido), b = coletor.tempo(base);
    if (m > 0 && b > 0) std::printf("%s: %.2f x the time of %s (%s)\n", medido, m / b, base, texto);
  };
  razao("BM_CortadorTelecomando", "BM_CopiaEmPedacos", "cutting against copying the same chunks");
  using kvt::bench::imprimeRazoes;
  imprimeRazoes(coletor, "BM_EsvaziaBufferDezClientes", "BM_BaseEnvioDiretoDezSockets",
                "flush against plain sends to ten sockets");
  imprimeRazoes(coletor, "BM_EsvaziaBufferDezClientes", "BM_BaseEnvioDiretoUmSocket",
                "flush against the same bytes through one socket");
  imprimeRazoes(coletor, "BM_EsvaziaBufferDezClientesComLinhas", "BM_BaseEnvioDiretoDezSockets",
                "flush that commits both positions against plain sends to ten sockets");
  imprimeRazoes(coletor, "BM_GravaPosicoesNoIni", "BM_BaseReescritaDoArquivo",
                "both positions written to KORVATEL.INI against rewriting its bytes whole");
  imprimeRazoes(coletor, "BM_EntradaDeLog", "BM_BaseEscritaDaEntrada",
                "a log entry against one write of its bytes to a file kept open");
  benchmark::Shutdown();
  return 0;
}
