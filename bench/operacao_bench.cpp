// The catalogue lists of the operations module on the embedded central: the
// operation list (-2) over 300 operations of 5 items and the pre-defined
// message list (-16) over 11 groups, each against reading the same rows with
// the same statement alone; and the reading of a stop-list transmission
// request (-28) against the bare parse of its bytes.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "bench/ratio_reporter.h"
#include "central/central.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "platform/text/regional.h"
#include "platform/xml/xml_document.h"
#include "server/operations/leitura_pedido.h"
#include "server/operations/operacao.h"
#include "server/runtime/configuracao.h"
#include "server/runtime/estado_servidor.h"
#include "server/runtime/log_files.h"
#include "server/runtime/status_model.h"
#include "server/telecmd/permissao_central.h"
#include "server/telecmd/resposta_erro.h"
#include "server/telecmd/texto_xml.h"

namespace {

using namespace kvt;

struct Central {
  bench::PastaTemporaria pasta{"kvt-operacao-bench"};
  central::CentralFiles files;
  std::unique_ptr<db::Connection> dbZenthora, dbSSE;
  runtime::tConfiguracao cfg;
  runtime::EstadoServidor estado;
  runtime::StatusModel status;
  std::unique_ptr<runtime::LogFiles> logs;
  bench::CanalContador canal;
  std::unique_ptr<telecmd::RespostaStatusErro> respostas;
  std::unique_ptr<telecmd::tPermissaoCentral> permissao;
  std::unique_ptr<operations::TdmOperacao> operacao;

  Central() {
    files = central::createCentral((pasta.caminho() / "central").string());
    ini::IniFile ini(files.ini);
    runtime::LeChavesLog(ini, cfg);
    runtime::LeChavesKorvatel(ini, cfg);
    dbZenthora = db::Connection::open(files.urlZenthora);
    dbSSE = db::Connection::open(files.urlSse);
    executa("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
            "INSERT INTO tOperacao (IdOperacao, Nome) SELECT i, printf('Operação %d', i) FROM n");
    executa("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 1499) "
            "INSERT INTO tItensOperacao (IdOperacao, IDConfiguracao, NomeConfiguracao, IdOpcao, NomeOpcaoConf) "
            "SELECT 1 + i / 5, 100 + i, printf('Configuração nº %d', i), 1 + i % 5, 'Parâmetros' FROM n");
    executa("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 87) "
            "INSERT INTO tMensagemPre_Zeta (idMsg, idMsgSub, Mensagem) "
            "SELECT 32 + i / 8, i % 8, printf('Mensagem pré-definida %d', i) FROM n");
    logs = std::make_unique<runtime::LogFiles>(cfg.log, files.ini, status.lberro, pasta.caminho().string());
    respostas = std::make_unique<telecmd::RespostaStatusErro>(canal, *logs);
    permissao = std::make_unique<telecmd::tPermissaoCentral>(*dbZenthora, *respostas);
    operacao = std::make_unique<operations::TdmOperacao>(operations::TdmOperacao::Dependencias{
        *dbZenthora, *dbSSE, canal, *respostas, *permissao, cfg, estado});
  }
  ~Central() {
    operacao.reset();
    dbZenthora.reset();
    dbSSE.reset();
  }
  void executa(const std::string& sql) { db::Statement(*dbZenthora, sql).execute(); }
};

Central& central() {
  static Central c;
  return c;
}

// The same statement opened and every column of every row read, without a reply.
void BM_LeMesmasLinhas(benchmark::State& state, const db::SqlText& (*sql)()) {
  db::Statement qr(*central().dbZenthora, sql());
  for (auto _ : state) {
    std::size_t n = 0;
    for (qr.open(); !qr.eof(); qr.next())
      for (std::size_t c = 0; c < qr.columnCount(); ++c) n += qr.field(c).asString().size();
    qr.close();
    benchmark::DoNotOptimize(n);
  }
}

void BM_Lista(benchmark::State& state, void (operations::TdmOperacao::*lista)()) {
  Central& c = central();
  c.canal.bytes = 0;
  for (auto _ : state) (c.operacao.get()->*lista)();
  if (c.canal.bytes == 0) state.SkipWithError("nothing was answered");
  state.SetBytesProcessed(static_cast<std::int64_t>(c.canal.bytes));
}

const std::string kPedidoELP =
    "<telecomando><CodMsg>-28</CodMsg><IdSeqMsg>60</IdSeqMsg><IdTerminal>1000</IdTerminal>"
    "<TituloListaParadas>Entregas do dia</TituloListaParadas><TipoChegada>2</TipoChegada><TipoSaida>1</TipoSaida>"
    "<ListaParadas>1</ListaParadas><NaturezaOperacao>0</NaturezaOperacao></telecomando>";

void BM_Parse(benchmark::State& state) {
  xml::Document doc;
  for (auto _ : state) benchmark::DoNotOptimize(doc.parse(kPedidoELP));
}

void BM_ParseELeitura(benchmark::State& state) {
  static constexpr std::array<operations::ElementoPedido, 7> elementos{{
      {"IdSeqMsg", operations::Leitura::Decimal},
      {"IdTerminal", operations::Leitura::Hexadecimal},
      {"TituloListaParadas", operations::Leitura::Texto},
      {"TipoChegada", operations::Leitura::Decimal, 0, 2},
      {"TipoSaida", operations::Leitura::Decimal, 0, 2},
      {"ListaParadas", operations::Leitura::Decimal, 0, 1},
      {"NaturezaOperacao", operations::Leitura::Decimal, 0, 1},
  }};
  const operations::MensagensPedido mensagens{"não é possível", "Não é possível"};
  xml::Document doc;
  for (auto _ : state) {
    doc.parse(kPedidoELP);
    const auto r = operations::LePedido(doc.root(), elementos, mensagens);
    if (r.erro) state.SkipWithError("the request was refused");
    benchmark::DoNotOptimize(r.valores.numero.data());
  }
}

}  // namespace

BENCHMARK_CAPTURE(BM_LeMesmasLinhas, operacoes, &operations::sqlOperacaoItens);
BENCHMARK_CAPTURE(BM_Lista, operacoes, &operations::TdmOperacao::ListaOperacoes);
BENCHMARK_CAPTURE(BM_LeMesmasLinhas, pre, &operations::sqlListaMsgPre);
BENCHMARK_CAPTURE(BM_Lista, pre, &operations::TdmOperacao::ListaMensagensPre);
BENCHMARK(BM_Parse);
BENCHMARK(BM_ParseELeitura);

int main(int argc, char** argv) {
  text::setRegional({});
  return kvt::bench::executaBenchmarks(argc, argv, [](const kvt::bench::Coletor& coletor) {
    kvt::bench::imprimeRazao(coletor, "BM_Lista/operacoes", "BM_LeMesmasLinhas/operacoes",
                             "-2 over 300 operations of 5 items, against reading the same 1500 rows");
    kvt::bench::imprimeRazao(coletor, "BM_Lista/pre", "BM_LeMesmasLinhas/pre",
                             "-16 over 11 groups, against reading the same 88 rows");
    kvt::bench::imprimeRazao(coletor, "BM_ParseELeitura", "BM_Parse",
                             "a -28 request parsed and its 7 elements read, against the parse alone");
  });
}
