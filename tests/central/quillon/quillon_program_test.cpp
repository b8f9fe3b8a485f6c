// The quillon-sim program on a demo central: it runs, and stops cleanly.
#include <gtest/gtest.h>

#include <QProcess>

#include <signal.h>

#include <chrono>
#include <thread>

#include "central/central.h"
#include "platform/db/db.h"
#include "tests/support/temp_dir.h"

using namespace kvt;

namespace {

QString program() { return QString::fromStdString((test::binaryDir() / "bin" / "quillon-sim").string()); }

std::int64_t count(const std::string& url, const std::string& sql) {
  auto c = db::Connection::open(url);
  db::Statement q(*c, sql);
  q.open();
  return q.field(std::size_t{0}).asInt64();
}

struct Run {
  int exitCode;
  std::string output;
};

Run runToEnd(const QStringList& arguments) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program(), arguments);
  EXPECT_TRUE(p.waitForFinished(10000));
  return {p.exitCode(), p.readAll().toStdString()};
}

}  // namespace

TEST(QuillonProgram, RunsOnTheCentralAndStopsAtOnceOnSigtermAndSigint) {
  test::TempDir dir;
  const auto files = central::createCentral(dir.path().string(), {.demo = true, .nomeMr = "ModCom03"});

  for (int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    const std::int64_t before = count(files.urlBase, "SELECT count(*) FROM tEvtPost03");
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    // The module comes from the INI's NOME_MR when --module is not given.
    p.start(program(), {"--central", QString::fromStdString(dir.path().string()), "--rate", "200", "--vehicles", "5"});
    ASSERT_TRUE(p.waitForStarted(5000));

    std::int64_t events = 0;
    for (int waited = 0; waited < 10000 && events < 20; waited += 20) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      events = count(files.urlBase, "SELECT count(*) FROM tEvtPost03") - before;
    }
    EXPECT_GE(events, 20);
    EXPECT_EQ(count(files.urlBase, "SELECT count(*) FROM tEvtPost02"), 0);
    EXPECT_EQ(count(files.urlZenthora,
                    "SELECT count(*) FROM tDiagnostico WHERE NomePrograma = 'Quillon' AND "
                    "strftime('%s', datetime('now','localtime')) - strftime('%s', DataHoraUltimaAtualizacao) <= 3"),
              1);

    const auto stopAsked = std::chrono::steady_clock::now();
    ::kill(static_cast<pid_t>(p.processId()), signal);
    ASSERT_TRUE(p.waitForFinished(2000));
    EXPECT_LT(std::chrono::steady_clock::now() - stopAsked, std::chrono::milliseconds(1500));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    const std::string output = p.readAll().toStdString();
    EXPECT_NE(output.find("ModCom03"), std::string::npos) << output;
    EXPECT_NE(output.find("encerrado"), std::string::npos) << output;
  }
}

TEST(QuillonProgram, BadArgumentsAndAMissingCentralEndWithExitCode1) {
  test::TempDir dir;
  for (const QStringList& args : {QStringList{"--module", "7"}, QStringList{"--rate", "-1"}, QStringList{"--rate", "abc"},
                                  QStringList{"--vehicles", "0"}, QStringList{"--seed"}, QStringList{"--demais"}}) {
    SCOPED_TRACE(args.join(' ').toStdString());
    const auto run = runToEnd(QStringList{"--central", QString::fromStdString(dir.path().string())} + args);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("uso: quillon-sim"), std::string::npos) << run.output;
  }
  const auto run = runToEnd({"--ini", QString::fromStdString(dir.file("KORVATEL.INI"))});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("KORVATEL.INI"), std::string::npos) << run.output;
}
