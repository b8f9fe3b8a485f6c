// How long a document waits in the outbound buffer under a steady flow of
// events: the real link and passes on 127.0.0.1, the embedded central, the
// manual clock moved in steps of 100 ms, and each timer's handler called when
// its time comes (the polling timer every second, tmrBuffer when it is due,
// the next send attempt of a flush that waits). Five events a second keep
// restarting the wait for the latest document, so only the bound on the
// oldest one's wait (Espera_Max_Buffer) lets the timed flush come.
#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "tests/server/events/pipeline_fixture.h"

using namespace kvt;
using namespace kvt::test;

namespace {

struct FluxoConstante : Pipeline {
  static constexpr std::uint32_t kPassoMs = 100;
  static constexpr std::uint32_t kIntervaloEventoMs = 200;  // 5 events a second
  static constexpr std::uint32_t kIntervaloPollingMs = 1000;
  // A row waits at most three polling ticks for its pass, a queued log-in as long for its turn.
  static constexpr std::uint32_t kEsperaLeituraMs = 3 * kIntervaloPollingMs;

  std::uint32_t agora = 0;  // simulated milliseconds since the flow began
  int proximoId = 1;
  std::map<int, std::uint32_t> postadoEm;

  std::string postEvento(int id) {
    const std::string v = std::to_string(id);
    return "#5,2,20#21,4,1A2B#2A," + std::to_string(v.size()) + "," + v;
  }

  // One step of 100 ms: the flow writes its events, the timers that are due
  // run, and the socket bytes move.
  void passo() {
    relogio.advance(kPassoMs);
    agora += kPassoMs;
    if (agora % kIntervaloEventoMs == 0) {
      postadoEm[proximoId] = agora;
      posta("tEvtPost02", postEvento(proximoId++));
    }
    if (agora % kIntervaloPollingMs == 0) leitura->ProcessFromDatabase();
    if (link->TmrBuffer().isActive() &&
        static_cast<std::int32_t>(clk::tickCount() - link->TmrBufferVence()) >= 0)
      link->tmrBufferTimer();
    if (link->EnvioEmAndamento()) link->tmrTentativaEnvioTimer();
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }

  // The simulated time at which each event (by its Velocidade) first reached the client.
  struct Chegadas {
    std::map<int, std::uint32_t> em;
    std::size_t lido = 0;
    void atualiza(const std::string& recebido, std::uint32_t agora) {
      static const std::string marca = "<Velocidade> ";
      for (std::size_t p = recebido.find(marca, lido); p != std::string::npos; p = recebido.find(marca, p + 1)) {
        em.emplace(std::atoi(recebido.c_str() + p + marca.size()), agora);
        lido = p + 1;
      }
    }
  };
};

}  // namespace

TEST_F(FluxoConstante, AClientLoggingInMidFlowGetsItsReplyAndEventsWithinTheLongestWait) {
  cria();
  const std::int64_t esperaMax = link->EsperaMaxBufferMs();
  ASSERT_EQ(esperaMax, 3 * cfg.TIMER_BUFFER * 1000) << "the default: three times TIMER_BUFFER";
  ASSERT_LT(kIntervaloEventoMs, static_cast<std::uint32_t>(cfg.TIMER_BUFFER) * 1000)
      << "the flow must come faster than TIMER_BUFFER for the bound to matter";

  auto primeiro = conecta();
  login(*primeiro);
  for (int i = 0; i < 200; ++i) passo();  // 20 s of flow: the buffer is never empty for long

  auto novo = conecta();
  const std::uint32_t loginEm = agora;
  novo->envia(kLogin);
  std::optional<std::uint32_t> respostaEm;
  Chegadas chegadas;
  for (int i = 0; i < 600; ++i) {  // 60 s more
    passo();
    if (!respostaEm && novo->recebido.find("<CodMsg> -58 </CodMsg>") != std::string::npos) respostaEm = agora;
    chegadas.atualiza(novo->recebido, agora);
  }
  ASSERT_TRUE(excecoes.empty()) << excecoes.front();

  const std::uint32_t limite = kEsperaLeituraMs + static_cast<std::uint32_t>(esperaMax) + kPassoMs;
  ASSERT_TRUE(respostaEm.has_value()) << "no -58 reply in 60 s\n" << log().substr(0, 3000);
  EXPECT_LE(*respostaEm - loginEm, limite) << "the -58 reply waited past the longest wait";
  ASSERT_FALSE(chegadas.em.empty()) << "no event reached the new client";
  std::uint32_t primeiraChegada = agora;
  for (const auto& [id, em] : chegadas.em) primeiraChegada = std::min(primeiraChegada, em);
  EXPECT_LE(primeiraChegada - loginEm, limite) << "its first events waited past the longest wait";
  // and so does every event written once it was served, for as long as the flow runs
  int depois = 0;
  for (const auto& [id, em] : postadoEm) {
    if (em < *respostaEm || em + limite > agora) continue;
    ++depois;
    ASSERT_TRUE(chegadas.em.count(id)) << "event " << id << " written at " << em << " ms never arrived";
    EXPECT_LE(chegadas.em.at(id) - em, limite) << "event " << id << " written at " << em << " ms";
  }
  EXPECT_GT(depois, 100);
}
