#pragma once

// The stand-in for the communication base Quillon. Like the real base it meets
// the servers only in the central's tables:
//   - its heartbeat row "Quillon" in tDiagnostico;
//   - the vehicles' events, appended as Posts to the event table of one module
//     (tEvtPost0N), and the telecommands' feedback (call progress 8C, send
//     status 81) appended to the control event table (tEvtPostCtrl0N);
//   - the command Posts that a server writes into tCmdPost for the module:
//     D0 stops the base, which answers with the event D2 and then writes no
//     event until D1 resumes it;
//   - the telecommand rows waiting in state 16 in tTelecomando.
// Each step is one call, so a program drives them from a loop and tests call
// them one by one.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "central/quillon/fleet.h"
#include "platform/db/db.h"

namespace kvt::quillon {

struct SimOptions {
  int module = 2;                    // 2..5: ModCom0N, tEvtPost0N, tEvtPostCtrl0N
  std::string nomeBase = "Quillon";  // the base's name, field 3 of every Post
  int vehicles = 20;                 // how many of the central's vehicles report
  std::uint32_t seed = 1;
  int heartbeatSeconds = 3;          // IntervaloAtualizacao: how stale the row may get
  double secondsPerReport = 30;      // driving time between two reports of a vehicle
  // After a call attempt (8C) a telecommand stays in state 16 until the server
  // has counted the attempt (its Tentativas grew) or this time has passed, so
  // that the server still finds the row waiting when it reads the 8C.
  std::uint32_t callWaitMs = 4000;
  // Told of notable happenings (pause, resume, telecommands answered).
  std::function<void(const std::string&)> note;
};

class QuillonSim {
 public:
  // Reads the vehicles and towns of the central. `zenthora` holds tDiagnostico,
  // tCmdPost, tTelecomando, tVeiculo, tGridVeiculos and tcidades; `base` the
  // event tables. Throws std::invalid_argument for a module outside 2..5.
  QuillonSim(db::Connection& zenthora, db::Connection& base, SimOptions options);

  // Refreshes the "Quillon" row (created when missing); the first call of a
  // run also records the load time, version and machine.
  void heartbeat();

  // Appends up to n vehicle events (positions, free texts, logistic events)
  // to the event table; none while stopped by D0 or without vehicles.
  // Returns how many it wrote.
  int appendEvents(int n);

  // Takes the command Posts of the module that arrived since the last call.
  // The first call of a run looks only at the newest pause or resume command,
  // so that a D0 written while the base was down is still answered. Returns
  // how many command Posts it took.
  int serveCommandPosts();

  // Moves every telecommand of the module waiting in state 16 one stage on:
  // a call attempt (8C), and after the last attempt the row goes to state 200
  // (transmitted, waiting for the vehicle) and its send status 81 is written.
  // Nothing while stopped by D0. Returns how many Posts it wrote.
  int serveTelecommands();

  bool paused() const { return paused_; }
  const std::string& nomeMr() const { return nomeMr_; }
  const std::string& eventTable() const { return eventTable_; }
  const std::string& controlTable() const { return controlTable_; }
  const Fleet& fleet() const { return fleet_; }

  // Send statuses of the 81 event (field 28).
  static constexpr int kStatusEnviado = 0;
  static constexpr int kStatusTentativasEsgotadas = 1;
  static constexpr int kStatusVeiculoDesconhecido = 257;
  // Call progress (field A4).
  static constexpr int kCallChamando = 1;
  static constexpr int kCallConectado = 2;
  static constexpr int kCallSemResposta = 3;

 private:
  enum class Queued { AreaEntry, DeliveryReference, AreaExit };
  struct PendingCommand {
    std::int64_t idSeqMsg = 0;
    std::int64_t terminal = 0;
    bool knownVehicle = true;
    int planned = 1;           // call attempts before the status
    int written = 0;           // attempts written
    std::int64_t baseline = 0; // Tentativas when first seen
    std::uint32_t lastTick = 0;
  };

  std::string header(const std::string& code, bool position) const;
  void appendPosition(std::string& post, std::size_t vehicle) const;
  std::string vehicleEvent(std::size_t vehicle);
  void insert(const std::string& table, const std::string& post);
  void applyCommand(const std::string& code);
  void notify(const std::string& text) const;

  db::Connection& zenthora_;
  db::Connection& base_;
  SimOptions options_;
  std::string nomeMr_, eventTable_, controlTable_;
  Fleet fleet_;
  std::vector<std::deque<Queued>> queued_;
  std::size_t nextVehicle_ = 0;
  bool loaded_ = false;         // the load record was written
  bool commandsStarted_ = false;
  std::int64_t lastCommand_ = 0;  // NumSeq of the last command Post taken
  bool paused_ = false;
  std::map<std::int64_t, PendingCommand> pending_;  // by IdSequencia
};

}  // namespace kvt::quillon
