// The outbound buffer's disk mirror read back at start-up: random runs of
// documents appended, rows finished without a document, flushes that deliver
// and flushes that fail, each written to BufferEnvio.txt the way the link
// writes it; a restart at a random point must find exactly the documents the
// mirror held, split where each one ends, each counted once, and none of
// them committing a row (their rows were never committed, so they are read
// again).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/text/regional.h"
#include "server/link/outbound_buffer.h"
#include "server/runtime/configuracao.h"
#include "tests/support/temp_dir.h"

using namespace kvt;
using kvt::test::readFile;
using kvt::test::TempDir;
using kvt::test::writeFile;
using Tabela = link::OrigemDocumento::Tabela;

namespace {

struct Documento {
  std::string bytes;
  link::OrigemDocumento origem;
};

// What the link keeps: the documents in the buffer and those in the mirror.
struct Modelo {
  std::vector<Documento> buffer, espelho;
};

class Gerador {
 public:
  explicit Gerador(std::uint32_t semente) : aleatorio_(semente) {}

  int ate(int n) { return std::uniform_int_distribution<int>(0, n - 1)(aleatorio_); }

  // A body as the renderer and the reply builders make them: elements with
  // blanks around their texts, escaped texts that name the closing tag, a
  // closing tag in another case, Windows-1252 bytes, NUL; sometimes empty,
  // sometimes larger than a socket write.
  std::string corpo() {
    static const char* const kPecas[] = {
        "<DataHoraEm> 11/06/2024 10:20:30 </DataHoraEm>",
        " <CodMsg> 32 </CodMsg> ",
        "<IdTerminal> 001A2B </IdTerminal>",
        "<Texto> &lt;/TeleEvento&gt; chegou </Texto>",
        "</TeleEvento",
        "</teleevento>",
        "<TeleEvento>",
        "<Localizacao> 3,2 km NE de S\xE3o Paulo - SP </Localizacao>",
        "<Veiculo IdTerminal=\"001000\"/>",
    };
    if (ate(10) == 0) return {};
    std::string c;
    const int pecas = ate(12);
    for (int i = 0; i < pecas; ++i) {
      if (ate(3) == 0) {
        c += kPecas[ate(static_cast<int>(std::size(kPecas)))];
      } else {
        // free text: any byte but the end-of-file mark and '>', so no closing tag forms by chance
        const int n = ate(20) == 0 ? 2000 + ate(20000) : ate(40);
        for (int k = 0; k < n; ++k) {
          char b;
          do b = static_cast<char>(ate(256));
          while (b == '\x1A' || b == '>');
          c += b;
        }
      }
    }
    return c;
  }

  link::OrigemDocumento origem() {
    switch (ate(3)) {
      case 0: return {};
      case 1: return link::OrigemDocumento::Evento(++numSeq_);
      default: return link::OrigemDocumento::Controle(++numSeqCtrl_);
    }
  }
  link::OrigemDocumento linhaSemDocumento() {
    return ate(2) == 0 ? link::OrigemDocumento::Evento(++numSeq_) : link::OrigemDocumento::Controle(++numSeqCtrl_);
  }

 private:
  std::mt19937 aleatorio_;
  std::int32_t numSeq_ = 0, numSeqCtrl_ = 0;
};

struct LeituraDoEspelho : ::testing::Test {
  TempDir dir;
  clk::ManualClock relogio{0, {2024, 6, 11, 10, 20, 30, 0}};
  clk::ScopedClock escopo{relogio};
  runtime::tConfiguracao cfg;
  runtime::HistoryList historico;
  std::string ini = dir.file("KORVATEL.INI");
  std::unique_ptr<runtime::LogFiles> logs;

  void SetUp() override {
    text::setRegional({});
    writeFile(ini, "[KORVATEL]\r\n");
    logs = std::make_unique<runtime::LogFiles>(cfg.log, ini, historico, dir.path().string());
  }

  static std::string junta(const std::vector<Documento>& docs) {
    std::string s;
    for (const Documento& d : docs) s += d.bytes;
    return s;
  }

  // Runs one random life of the buffer, the way the link drives it.
  void vive(link::BufferEnvio& b, Modelo& m, Gerador& g) {
    auto anexa = [&] {
      Documento d{link::EnvelopaTeleEvento(g.corpo()), g.origem()};
      b.Incrementa_Buffer_Char_Envio(d.bytes, d.origem);
      m.buffer.push_back(d);
      m.espelho.push_back(d);
    };
    const int passos = 1 + g.ate(30);
    for (int p = 0; p < passos; ++p) {
      relogio.advance(static_cast<std::uint32_t>(g.ate(2000)));
      const int op = g.ate(10);
      if (op < 6) {
        anexa();
      } else if (op == 6) {
        b.MarcaLinhaConcluida(g.linhaSemDocumento());
      } else {
        // a flush: the mirror goes when it starts; documents queued while it
        // waits for a client join the buffer and a new mirror
        b.LimpaBufferEnvio();
        m.espelho.clear();
        const std::size_t enviados = m.buffer.size();
        const std::size_t tamanho = junta(m.buffer).size();
        for (int n = g.ate(3); n > 0; --n) anexa();
        if (op < 9) {  // delivered: the bytes it carried leave
          b.DescartaInicio(tamanho);
          m.buffer.erase(m.buffer.begin(), m.buffer.begin() + static_cast<std::ptrdiff_t>(enviados));
        } else {  // failed on a client: the replies stay, the mirror is rewritten with them
          b.MantemDocumentosSemLinha();
          std::erase_if(m.buffer, [](const Documento& d) { return d.origem.tabela != Tabela::Nenhuma; });
          b.LimpaBufferEnvio();
          if (b.TamBufferEnvio() > 0) b.GravaBufferEnvio(b.Conteudo());
          m.espelho = m.buffer;
        }
      }
      ASSERT_EQ(b.Documentos(), static_cast<std::int32_t>(m.buffer.size()));
      ASSERT_EQ(b.Conteudo(), junta(m.buffer));
    }
  }

  // The restored buffer holds these documents, split where each one ends.
  static void confereDocumentos(const link::BufferEnvio& r, const std::vector<Documento>& esperados) {
    ASSERT_EQ(r.Conteudo(), junta(esperados));
    ASSERT_EQ(r.Documentos(), static_cast<std::int32_t>(esperados.size()));
    std::size_t fim = 0;
    for (std::size_t k = 0; k < esperados.size(); ++k) {
      fim += esperados[k].bytes.size();
      ASSERT_EQ(r.DocumentosAte(fim - 1), static_cast<std::int32_t>(k)) << "document " << k << " ends early";
      ASSERT_EQ(r.DocumentosAte(fim), static_cast<std::int32_t>(k + 1)) << "document " << k << " ends late";
    }
    // no restored document names a row: a flush of them commits nothing
    const auto p = r.PosicoesAte(r.Conteudo().size());
    EXPECT_FALSE(p.eventos.has_value());
    EXPECT_FALSE(p.controle.has_value());
    EXPECT_EQ(r.TickDocumentoMaisAntigo().has_value(), !esperados.empty());
  }
};

}  // namespace

TEST_F(LeituraDoEspelho, ARestartFindsEveryDocumentOfTheMirrorOnceAndNoRow) {
  for (std::uint32_t rodada = 0; rodada < 100; ++rodada) {
    const std::uint32_t semente = 20261211 + rodada;
    SCOPED_TRACE(testing::Message() << "seed " << semente);
    std::filesystem::remove(dir.file(link::BufferEnvio::kArquivo));
    Gerador g(semente);
    Modelo m;
    {
      link::BufferEnvio b(dir.path().string(), *logs);
      ASSERT_NO_FATAL_FAILURE(vive(b, m, g));
      ASSERT_EQ(readFile(b.CaminhoArquivo()), junta(m.espelho));
    }
    // the process ends here, as after a kill; a new one reads the mirror
    link::BufferEnvio restaurado(dir.path().string(), *logs);
    restaurado.LeBufferEnvio();
    ASSERT_NO_FATAL_FAILURE(confereDocumentos(restaurado, m.espelho));

    // a new row's document after them commits that row once the whole buffer goes
    const std::int32_t linha = 900000 + static_cast<std::int32_t>(rodada);
    restaurado.Incrementa_Buffer_Char_Envio(link::EnvelopaTeleEvento("<n/>"), link::OrigemDocumento::Evento(linha));
    EXPECT_EQ(restaurado.Documentos(), static_cast<std::int32_t>(m.espelho.size() + 1));
    EXPECT_EQ(restaurado.PosicoesAte(restaurado.Conteudo().size()).eventos, linha);
    EXPECT_FALSE(restaurado.PosicoesAte(restaurado.Conteudo().size() - 1).eventos.has_value());
  }
}

// A kill while a document was being written leaves it cut short: the
// documents before it come back whole and the fragment goes out as one more.
TEST_F(LeituraDoEspelho, AMirrorCutShortKeepsTheWholeDocumentsAndCountsTheFragment) {
  for (std::uint32_t rodada = 0; rodada < 100; ++rodada) {
    const std::uint32_t semente = 7700 + rodada;
    SCOPED_TRACE(testing::Message() << "seed " << semente);
    Gerador g(semente);
    std::vector<Documento> docs;
    std::string bytes;
    for (int n = 1 + g.ate(6); n > 0; --n) {
      docs.push_back({link::EnvelopaTeleEvento(g.corpo()), {}});
      bytes += docs.back().bytes;
    }
    const std::size_t corte = 1 + static_cast<std::size_t>(g.ate(static_cast<int>(bytes.size())));
    writeFile(dir.file(link::BufferEnvio::kArquivo), bytes.substr(0, corte));

    std::vector<Documento> inteiros;
    std::size_t fim = 0;
    for (const Documento& d : docs) {
      if (fim + d.bytes.size() > corte) break;
      fim += d.bytes.size();
      inteiros.push_back(d);
    }
    link::BufferEnvio r(dir.path().string(), *logs);
    r.LeBufferEnvio();
    EXPECT_EQ(r.Conteudo(), bytes.substr(0, corte));
    EXPECT_EQ(r.DocumentosAte(fim), static_cast<std::int32_t>(inteiros.size()));
    EXPECT_EQ(r.Documentos(), static_cast<std::int32_t>(inteiros.size() + (corte > fim ? 1 : 0)));
  }
}
