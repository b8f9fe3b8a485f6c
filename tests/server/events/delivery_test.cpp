// At-least-once delivery of the event tables, checked from outside: the real
// link on 127.0.0.1, the embedded central, the passes and the command queue,
// timers driven by calling their handlers. A client is broken (its connection
// reset, so the server's next send to it fails) at each point where a flush
// can fail during a pass. After every step the committed positions in
// KORVATEL.INI are compared with what the clients received: every row up to
// a committed position reached every authorised client, no table is emptied
// before its rows were delivered, and in the end every row arrived.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/server/events/pipeline_fixture.h"

using namespace kvt;
using namespace kvt::test;

namespace {

// A client on a plain socket read by the test itself: what the server's send
// accepted is in its receive queue at once, without running the event loop.
struct Leitor {
  int fd = -1;
  std::int32_t porta = 0;
  std::string recebido;
  bool vivo = true;
  // What was committed when it connected: rows up to there were not its to receive.
  int epoca = 0;
  std::int32_t base = 0, baseCtrl = 0;

  // recepcaoMinima: a receive buffer as small as the system allows, so that
  // what it does not read soon holds a flush up.
  explicit Leitor(quint16 portaServidor, bool recepcaoMinima = false) {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (recepcaoMinima) {
      int pequeno = 1;
      ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &pequeno, sizeof pequeno);
    }
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(portaServidor);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
    porta = ntohs(a.sin_port);
  }
  ~Leitor() {
    if (fd >= 0) ::close(fd);
  }
  void le() {
    char b[65536];
    while (fd >= 0) {
      const ssize_t n = ::recv(fd, b, sizeof b, MSG_DONTWAIT);
      if (n <= 0) return;
      recebido.append(b, static_cast<std::size_t>(n));
    }
  }
  // Resets the connection: the server hears of it at its next send.
  void quebra() {
    le();
    linger semEspera{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &semEspera, sizeof semEspera);
    ::close(fd);
    fd = -1;
    vivo = false;
  }
  // How many times each event (its Velocidade) arrived.
  std::map<int, int> eventos() const {
    std::map<int, int> vezes;
    static const std::string marca = "<Velocidade> ";
    for (std::size_t p = recebido.find(marca); p != std::string::npos; p = recebido.find(marca, p + 1))
      ++vezes[std::atoi(recebido.c_str() + p + marca.size())];
    return vezes;
  }
};

struct Linha {
  bool controle;
  int epoca;  // which filling of the tables (a truncation starts the next)
  std::int32_t numSeq;
  int id;
  bool visivel;
};

struct Entrega : Pipeline {
  std::vector<Linha> linhas;
  int epoca = 0;
  int proximoId = 1;
  std::vector<std::unique_ptr<Leitor>> leitores;
  std::vector<int> extras;  // restored documents that must arrive before a truncation
  int truncamentos = 0;

  void SetUp() override {
    Pipeline::SetUp();
    cfg.SolicitaLogin = false;  // every client is authorised from the start
    cfg.TIMEOUT = 3000;
  }

  Leitor& conectaLeitor(bool recepcaoMinima = false) {
    const int antes = link->NumConexoes();
    leitores.push_back(std::make_unique<Leitor>(link->PortaEscuta(), recepcaoMinima));
    EXPECT_TRUE(esperaAte([&] { return link->NumConexoes() == antes + 1; }));
    Leitor& l = *leitores.back();
    l.epoca = epoca;
    l.base = ini("ULTIMO_NUM_SEQ_PROCESSADO");
    l.baseCtrl = ini("ULTIMO_NUM_SEQ_PROCESSADO_CTRL");
    return l;
  }

  static std::string postEvento(bool visivel, int id, const std::string& texto = {}) {
    const std::string v = std::to_string(id);
    std::string post =
        std::string("#5,2,") + (visivel ? "20" : "21") + "#21,4,1A2B#2A," + std::to_string(v.size()) + "," + v;
    if (!texto.empty()) post += "#26," + std::to_string(texto.size()) + "," + texto;
    return post;
  }
  std::int32_t topo(bool controle) {
    return conta(*dbBase, std::string("select coalesce(max(NumSeq), 0) from ") +
                              (controle ? "tEvtPostCtrl02" : "tEvtPost02"));
  }
  // n rows; every filtrarCada-th one is filtered out by TELEEVT.
  void postaEventos(int n, bool controle = false, int filtrarCada = 0) {
    for (int i = 0; i < n; ++i) {
      const int id = proximoId++;
      const bool visivel = !(filtrarCada > 0 && id % filtrarCada == 0);
      posta(controle ? "tEvtPostCtrl02" : "tEvtPost02", postEvento(visivel, id));
      linhas.push_back({controle, epoca, topo(controle), id, visivel});
    }
  }
  // A visible row whose document is more than a connection holds in flight.
  void postaEventoGrande() {
    const int id = proximoId++;
    posta("tEvtPost02", postEvento(true, id, std::string(3 * 1024 * 1024, 'g')));
    linhas.push_back({false, epoca, topo(false), id, true});
  }
  void postaParada() {
    posta("tEvtPost02", "#5,2,D2#2,8,ModCom02#3,7,Quillon");
    linhas.push_back({false, epoca, topo(false), 0, false});
  }
  void pedePausa() {
    const auto limite = cfg.MAX_EVT_PROCESSADOS;
    cfg.MAX_EVT_PROCESSADOS = -1;
    leitura->tmrMonitorAcumuloTimer();
    cfg.MAX_EVT_PROCESSADOS = limite;
    ASSERT_TRUE(leitura->PausaSolicitada());
  }

  // Every visible row up to the committed positions reached this client.
  void confere(const Leitor& l, const std::string& onde) {
    const auto recebidos = l.eventos();
    const std::int32_t p = ini("ULTIMO_NUM_SEQ_PROCESSADO"), pc = ini("ULTIMO_NUM_SEQ_PROCESSADO_CTRL");
    std::vector<int> faltam;
    for (const Linha& r : linhas) {
      const bool antesDele = r.epoca == l.epoca && r.numSeq <= (r.controle ? l.baseCtrl : l.base);
      if (r.epoca == epoca && r.visivel && !antesDele && r.numSeq <= (r.controle ? pc : p) && !recebidos.count(r.id))
        faltam.push_back(r.id);
    }
    EXPECT_TRUE(faltam.empty()) << onde << ": client " << l.porta << " never received event " << faltam.front()
                                << " although KORVATEL.INI holds " << p << "/" << pc;
  }
  // A truncation empties the tables: everything of that filling must have arrived.
  void confereTruncamento(const std::string& onde) {
    const bool haviaLinhas = std::any_of(linhas.begin(), linhas.end(), [&](const Linha& r) { return r.epoca == epoca; });
    if (!haviaLinhas || conta(*dbBase, "select count(*) from tEvtPost02") > 0) return;
    ++truncamentos;
    for (const auto& l : leitores) {
      if (!l->vivo) continue;
      const auto recebidos = l->eventos();
      for (const Linha& r : linhas) {
        if (r.epoca == epoca && r.visivel) {
          EXPECT_TRUE(recebidos.count(r.id)) << onde << ": row of event " << r.id << " truncated before delivery";
        }
      }
      for (int id : extras) {
        EXPECT_TRUE(recebidos.count(id)) << onde << ": restored document " << id << " not delivered";
      }
    }
    ++epoca;
  }
  void verifica(const std::string& onde) {
    for (const auto& l : leitores) l->le();
    confereTruncamento(onde);
    for (const auto& l : leitores)
      if (l->vivo) confere(*l, onde);
  }
  // Breaks a client where the test stands; the first law is checked for it there.
  void quebra(Leitor& l, const std::string& onde) {
    l.le();
    confere(l, onde);
    l.quebra();
  }

  bool tudoEntregue() {
    return estado.UltimoNumSeqProcessado == topo(false) && estado.UltimoNumSeqProcessadoCtrl == topo(true) &&
           !link->EnvioEmAndamento() && link->Buffer().TamBufferEnvio() == 0 && !leitura->TruncamentoPendente() &&
           ini("ULTIMO_NUM_SEQ_PROCESSADO") == topo(false) && ini("ULTIMO_NUM_SEQ_PROCESSADO_CTRL") == topo(true);
  }
  // Runs the loop (passes, timed flushes, send attempts) until everything was
  // read, delivered and committed, checking after every step.
  void conclui(const std::string& caso) {
    for (int i = 0; i < 400 && !tudoEntregue(); ++i) {
      leitura->ProcessFromDatabase();
      verifica(caso + " pass " + std::to_string(i));
      relogio.advance(400);
      if (link->EnvioEmAndamento()) link->tmrTentativaEnvioTimer();
      if (i % 3 == 2) link->tmrBufferTimer();
      verifica(caso + " flush " + std::to_string(i));
    }
    ASSERT_TRUE(tudoEntregue()) << caso;
    ASSERT_TRUE(excecoes.empty()) << excecoes.front();
  }
  // Every visible row of every filling reached this client at least once.
  void recebeuTudo(const Leitor& l, const std::string& caso) {
    const auto recebidos = l.eventos();
    for (const Linha& r : linhas) {
      if (r.visivel) {
        EXPECT_TRUE(recebidos.count(r.id)) << caso << ": event " << r.id << " never arrived";
      }
    }
  }
};

struct Caso {
  const char* nome;
  std::function<void(Entrega&)> roteiro;
};

std::string loginDoc(int ultimoEvento = 0) {
  std::string d = "<telecomando><codmsg>-27</codmsg><loginoperador>maria</loginoperador><senha>segredo</senha>";
  if (ultimoEvento > 0)
    d += "<ultimoteleeventoprocessado>" + std::to_string(ultimoEvento) + "</ultimoteleeventoprocessado>";
  return d + "</telecomando>";
}

const Caso kCasos[] = {
    {"InsideTheSizeLimitFlushOfAHandOn",
     [](Entrega& t) {
       t.cfg.Tamanho_Buffer = 300;  // two events fit; the third flushes the first two
       t.cria();
       auto& leitor = t.conectaLeitor();
       auto& ruim = t.conectaLeitor();
       t.postaEventos(14, false, 7);
       t.postaEventos(4, true);
       t.aoRenderizar = [&](const std::string& post) {
         if (ruim.vivo && post == Entrega::postEvento(true, 5)) t.quebra(ruim, "hand-on of row 5");
       };
       t.conclui("size-limit flush of a hand-on");
       EXPECT_FALSE(ruim.vivo);
       t.recebeuTudo(leitor, "size-limit flush of a hand-on");
     }},
    {"RightAfterASuccessfulSizeLimitFlush",
     [](Entrega& t) {
       t.cfg.Tamanho_Buffer = 300;
       t.cria();
       auto& leitor = t.conectaLeitor();
       auto& ruim = t.conectaLeitor();
       t.postaEventos(12);
       // the flush made inside the hand-on of row 3 delivers rows 1 and 2; row 3
       // joins the buffer after it, and the next flush fails
       QObject::connect(t.link.get(), &link::LinkClientes::envioTerminado, [&](bool entregue) {
         if (entregue && ruim.vivo) t.quebra(ruim, "after the first size-limit flush");
       });
       t.conclui("after a successful size-limit flush");
       EXPECT_FALSE(ruim.vivo);
       t.recebeuTudo(leitor, "after a successful size-limit flush");
     }},
    {"InsideTheFlushOfTheInLoopCommand",
     [](Entrega& t) {
       t.cfg.Tamanho_Buffer = 300;
       t.cria();
       auto& ruim = t.conectaLeitor();  // served first: the reader gets nothing from the failed flush
       auto& leitor = t.conectaLeitor();
       t.postaEventos(20);
       // the pass takes it before its sixth row; its reply overflows the buffer
       t.fila->InsereComandoBanco(loginDoc(), "127.0.0.1", leitor.porta);
       t.aoExecutar = [&](const std::string&) {
         if (ruim.vivo) t.quebra(ruim, "in-loop command");
       };
       t.conclui("flush of the in-loop command");
       EXPECT_FALSE(ruim.vivo);
       EXPECT_NE(leitor.recebido.find("<CodMsg> -58 </CodMsg>"), std::string::npos) << t.log();
       t.recebeuTudo(leitor, "flush of the in-loop command");
     }},
    {"WithThePauseAnswerInTheSamePass",
     [](Entrega& t) {
       t.cria();
       auto& leitor = t.conectaLeitor();
       auto& ruim = t.conectaLeitor();
       t.postaEventos(8);
       t.pedePausa();
       t.postaParada();
       t.leitura->ProcessFromDatabase();  // control table
       t.leitura->ProcessFromDatabase();  // the events and the answer, in one pass
       EXPECT_TRUE(t.leitura->TruncamentoPendente());
       t.quebra(ruim, "pause answer read");
       EXPECT_EQ(t.link->Esvazia_Buffer_Envio(), link::ResultadoEnvio::Falhou);
       t.verifica("failed flush after the pause answer");
       t.conclui("pause answer in the same pass");
       // the answer read again after the rewind answers nothing: the tables stay
       EXPECT_EQ(t.truncamentos, 0);
       t.recebeuTudo(leitor, "pause answer in the same pass");
       // a later pause whose flush succeeds truncates, after the delivery
       t.postaEventos(3);
       t.relogio.advance(61000);
       t.pedePausa();
       t.postaParada();
       t.conclui("second pause");
       EXPECT_EQ(t.truncamentos, 1);
       t.recebeuTudo(leitor, "second pause");
     }},
    {"WithABufferRestoredFromDisk",
     [](Entrega& t) {
       t.cria();
       t.extras = {900001, 900002};
       test::writeFile(t.dir.file("BufferEnvio.txt"),
                       documento(t.renderizador->Post2XML(Entrega::postEvento(true, 900001))) +
                           documento(t.renderizador->Post2XML(Entrega::postEvento(true, 900002))));
       t.link->LeBufferEnvio();
       EXPECT_EQ(t.estado.EvtNoBuffer, 2);
       auto& leitor = t.conectaLeitor();
       auto& ruim = t.conectaLeitor();
       t.postaEventos(3, false, 1);  // all filtered: only the restored documents wait
       t.pedePausa();
       t.postaParada();
       t.leitura->ProcessFromDatabase();
       t.leitura->ProcessFromDatabase();
       EXPECT_TRUE(t.leitura->TruncamentoPendente());  // the restored documents are not delivered yet
       t.verifica("restored buffer, pause answer read");
       EXPECT_EQ(t.truncamentos, 0);
       // their flush goes to the reader and fails on the other client
       t.quebra(ruim, "restored buffer");
       EXPECT_EQ(t.link->Esvazia_Buffer_Envio(), link::ResultadoEnvio::Falhou);
       t.verifica("restored buffer, failed flush");
       t.conclui("restored buffer");
       // the restored documents stay through the failure (they belong to no row);
       // once they and every row read are delivered, the tables are emptied
       EXPECT_EQ(t.truncamentos, 1);
       t.recebeuTudo(leitor, "restored buffer");
       EXPECT_EQ(leitor.eventos().count(900001), 1u);
     }},
    {"WhileAFlushWaitsOnAClientThatResets",
     [](Entrega& t) {
       t.cria();
       auto& ruim = t.conectaLeitor(true);  // served first, and it holds the flush up
       auto& leitor = t.conectaLeitor();
       t.postaEventos(4);
       t.postaEventoGrande();
       t.postaEventos(4, false, 3);
       t.leitura->ProcessFromDatabase();  // control table
       t.leitura->ProcessFromDatabase();  // the events
       t.verifica("rows read");
       if (!t.link->EnvioEmAndamento()) t.link->tmrBufferTimer();
       ASSERT_TRUE(t.link->EnvioEmAndamento());
       t.quebra(ruim, "flush waiting on it");
       // the server meets the reset while the flush waits
       ASSERT_TRUE(esperaAte([&] { return t.link->NumConexoes() == 1; }));
       t.verifica("reset met during the flush");
       if (t.link->EnvioEmAndamento()) t.link->tmrTentativaEnvioTimer();
       EXPECT_FALSE(t.link->EnvioEmAndamento());
       t.verifica("flush failed by the reset");
       EXPECT_NE(t.log().find("Porta:" + std::to_string(ruim.porta) + ", " + "Conexão fechada"_cp), std::string::npos)
           << t.log();
       t.conclui("reset while a flush waits");
       t.recebeuTudo(leitor, "reset while a flush waits");
     }},
    {"AfterALogInThatRewinds",
     [](Entrega& t) {
       t.cfg.Tamanho_Buffer = 300;
       t.cria();
       auto& leitor = t.conectaLeitor();
       t.postaEventos(12);
       t.conclui("before the log-in");
       t.postaEventos(12);
       // the only client logs in again, saying it processed up to row 3; the
       // pass that takes the log-in stops, and reading resumes after row 3
       t.fila->InsereComandoBanco(loginDoc(3), "127.0.0.1", leitor.porta);
       t.leitura->ProcessFromDatabase();
       t.leitura->ProcessFromDatabase();
       t.verifica("log-in that rewinds");
       EXPECT_EQ(t.estado.UltimoNumSeqProcessado, 3);
       auto& ruim = t.conectaLeitor();
       t.aoRenderizar = [&](const std::string& post) {
         if (ruim.vivo && post == Entrega::postEvento(true, 8)) t.quebra(ruim, "re-read after the log-in");
       };
       t.conclui("after a log-in that rewinds");
       EXPECT_FALSE(ruim.vivo);
       EXPECT_GE(leitor.eventos().at(4), 2);  // sent again: the rewind kept its effect
       t.recebeuTudo(leitor, "after a log-in that rewinds");
     }},
};

void PrintTo(const Caso& c, std::ostream* os) { *os << c.nome; }

struct Matriz : Entrega, ::testing::WithParamInterface<Caso> {};

TEST_P(Matriz, EveryCommittedRowReachedEveryClient) { GetParam().roteiro(*this); }

INSTANTIATE_TEST_SUITE_P(FlushFailsAt, Matriz, ::testing::ValuesIn(kCasos),
                         [](const ::testing::TestParamInfo<Caso>& i) { return std::string(i.param.nome); });

}  // namespace
