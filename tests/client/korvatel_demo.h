#pragma once

// The real programs for the client's end-to-end tests: an embedded central
// with the demo data in a temporary folder, quillon-sim writing vehicle events
// into it, and korvatel serving it on an ephemeral port.

#include <QProcess>
#include <QTest>

#include <memory>
#include <string>

#include "central/central.h"
#include "platform/db/db.h"
#include "platform/ini/ini_file.h"
#include "tests/support/central_processos.h"
#include "tests/support/temp_dir.h"

namespace kvt::test {

class KorvatelDemo {
 public:
  TempDir dir;
  central::CentralFiles files;
  int porta = 0;

  KorvatelDemo() {
    central::CentralOptions opt;
    opt.demo = true;
    opt.overwrite = true;
    files = centralParaProcessos(dir.path().string(), opt);
    ini::IniFile ini(files.ini);
    porta = ini.readInteger("KORVATEL", "KORVATEL_PORT", 0);
    ini.writeInteger("KORVATEL", "TIMER_BUFFER", 1);
  }

  ~KorvatelDemo() {
    for (QProcess* p : {servidor.get(), quillon.get()}) {
      if (p && p->state() != QProcess::NotRunning) {
        p->terminate();
        if (!p->waitForFinished(10000)) p->kill();
      }
    }
  }

  // Starts quillon-sim (events at `taxa` per second) and korvatel; true when
  // the server says it is ready.
  bool inicia(int taxa = 20) {
    quillon = programa("quillon-sim", {"--ini", QString::fromStdString(files.ini), "--rate",
                                       QString::number(taxa), "--vehicles", "20"});
    servidor = programa("korvatel", {"--dir", QString::fromStdString(dir.path().string()), "--headless"});
    return QTest::qWaitFor(
        [this] { return readFile(dir.file("KORVATEL01.log")).find("Korvatel inicializado corretamente") !=
                        std::string::npos; },
        30000);
  }

  std::unique_ptr<QProcess> programa(const char* nome, const QStringList& args) const {
    auto p = std::make_unique<QProcess>();
    p->setWorkingDirectory(QString::fromStdString(dir.path().string()));
    p->setProgram(QString::fromStdString((binaryDir() / "bin" / nome).string()));
    p->setArguments(args);
    p->start();
    p->waitForStarted(5000);
    return p;
  }

  std::string log() const { return readFile(dir.file("KORVATEL01.log")); }

  std::unique_ptr<QProcess> quillon;
  std::unique_ptr<QProcess> servidor;
};

}  // namespace kvt::test
