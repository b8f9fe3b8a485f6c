#include "central/quillon/quillon_sim.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "central/quillon/post_text.h"
#include "platform/clock/clock.h"
#include "platform/text/ascii_case.h"
#include "platform/text/cp1252.h"
#include "platform/text/trim.h"

namespace kvt::quillon {

namespace {

constexpr const char* kNomePrograma = "Quillon";
constexpr const char* kVersao = "quillon-sim 1.0";

// Event codes (field 5) written by the base.
constexpr const char* kEvtPosicao = "2";
constexpr const char* kEvtTextoLivre = "13";
constexpr const char* kEvtLogistico = "95";
constexpr const char* kEvtStatusEnvio = "81";
constexpr const char* kEvtCallProgress = "8C";
constexpr const char* kEvtProcessamentoParado = "D2";

// Logistic event numbers (field 38) and their complements (field 3A).
constexpr int kLogEntradaArea = 22;
constexpr int kLogSaidaArea = 23;
constexpr int kLogReferencia = 4;
constexpr int kLogTemperatura = 53;

KVT_SQL(sqlQuillonVeiculos,
        "SELECT V.IdTerminal, G.Latitude, G.Longitude\r\n"
        "FROM tVeiculo V LEFT JOIN tGridVeiculos G ON G.IdTerminal = V.IdTerminal\r\n"
        "ORDER BY V.IdTerminal",
        "SELECT V.IdTerminal, G.Latitude, G.Longitude "
        "FROM tVeiculo V LEFT JOIN tGridVeiculos G ON G.IdTerminal = V.IdTerminal "
        "ORDER BY V.IdTerminal");

KVT_SQL(sqlQuillonCidades,
        "SELECT Cidade, Latitude, Longitude\r\nFROM tcidades\r\nORDER BY IdCidade",
        "SELECT Cidade, Latitude, Longitude FROM tcidades ORDER BY IdCidade");

KVT_SQL(sqlQuillonCarga,
        "UPDATE tDiagnostico\r\n"
        "SET DataHoraCarga = GetDate(), DataHoraUltimaAtualizacao = GetDate(),\r\n"
        "    IntervaloAtualizacao = :IntervaloAtualizacao, Versao = :Versao, Maquina = :Maquina\r\n"
        "WHERE NomePrograma = :NomePrograma",
        "UPDATE tDiagnostico SET DataHoraCarga = datetime('now', 'localtime'), "
        "DataHoraUltimaAtualizacao = datetime('now', 'localtime'), "
        "IntervaloAtualizacao = :IntervaloAtualizacao, Versao = :Versao, Maquina = :Maquina "
        "WHERE NomePrograma = :NomePrograma");

KVT_SQL(sqlQuillonMaiorCodigo,
        "SELECT Maior = MAX(CodigoPrograma)\r\nFROM tDiagnostico",
        "SELECT MAX(CodigoPrograma) AS Maior FROM tDiagnostico");

KVT_SQL(sqlQuillonNovaLinha,
        "INSERT INTO tDiagnostico (CodigoPrograma, NomePrograma, DataHoraCarga, DataHoraUltimaAtualizacao,\r\n"
        "                          IntervaloAtualizacao, Versao, Maquina)\r\n"
        "VALUES (:CodigoPrograma, :NomePrograma, GetDate(), GetDate(), :IntervaloAtualizacao, :Versao, :Maquina)",
        "INSERT INTO tDiagnostico (CodigoPrograma, NomePrograma, DataHoraCarga, DataHoraUltimaAtualizacao, "
        "IntervaloAtualizacao, Versao, Maquina) VALUES (:CodigoPrograma, :NomePrograma, "
        "datetime('now', 'localtime'), datetime('now', 'localtime'), :IntervaloAtualizacao, :Versao, :Maquina)");

KVT_SQL(sqlQuillonBatimento,
        "UPDATE tDiagnostico\r\n"
        "SET DataHoraUltimaAtualizacao = GetDate(), IntervaloAtualizacao = :IntervaloAtualizacao\r\n"
        "WHERE NomePrograma = :NomePrograma",
        "UPDATE tDiagnostico SET DataHoraUltimaAtualizacao = datetime('now', 'localtime'), "
        "IntervaloAtualizacao = :IntervaloAtualizacao WHERE NomePrograma = :NomePrograma");

KVT_SQL(sqlQuillonComandos,
        "SELECT NumSeq, Post\r\nFROM tCmdPost\r\nWHERE ModCom = :ModCom AND NumSeq > :NumSeq\r\nORDER BY NumSeq",
        "SELECT NumSeq, Post FROM tCmdPost WHERE ModCom = :ModCom AND NumSeq > :NumSeq ORDER BY NumSeq");

// Rows of other modules belong to their own base; rows without an origin are
// taken by whichever base sees them first.
KVT_SQL(sqlQuillonTelecomandos,
        "SELECT T.IdSequencia, T.IdSeqMsg, T.IdTerminal, T.Tentativas, Cadastrado = V.IdTerminal\r\n"
        "FROM tTelecomando T LEFT JOIN tVeiculo V ON V.IdTerminal = T.IdTerminal\r\n"
        "WHERE T.StatusEnvio = 16 AND (T.Origem = :Origem OR T.Origem IS NULL OR T.Origem = '')\r\n"
        "ORDER BY T.IdSequencia",
        "SELECT T.IdSequencia, T.IdSeqMsg, T.IdTerminal, T.Tentativas, V.IdTerminal AS Cadastrado "
        "FROM tTelecomando T LEFT JOIN tVeiculo V ON V.IdTerminal = T.IdTerminal "
        "WHERE T.StatusEnvio = 16 AND (T.Origem = :Origem OR T.Origem IS NULL OR T.Origem = '') "
        "ORDER BY T.IdSequencia");

KVT_SQL(sqlQuillonTransmitido,
        "UPDATE tTelecomando SET StatusEnvio = 200\r\nWHERE IdSequencia = :IdSequencia AND StatusEnvio = 16",
        "UPDATE tTelecomando SET StatusEnvio = 200 WHERE IdSequencia = :IdSequencia AND StatusEnvio = 16");

db::SqlText sqlQuillonGravaPost(const std::string& table) {
  const std::string text = "INSERT INTO " + table + " (Post) VALUES (:Post)";
  return {text, text};
}
KVT_SQL_COMPOSED(sqlQuillonGravaPost, sqlQuillonGravaPost("tEvtPost02"));

std::string twoDigits(int n) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02d", n);
  return buffer;
}

std::string machineName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return std::string(name).substr(0, 15);
}

// What the drivers type on their consoles (UTF-8 here, Windows-1252 on the wire).
const std::vector<std::string>& freeTexts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> out;
    for (const char* t : {"Chegando ao cliente em 15 minutos", "Parado para refeição",
                          "Trânsito lento, previsão de atraso de 30 min", "Carga entregue, retornando à base",
                          "Solicito contato com a central", "Abastecendo no posto da rodovia",
                          "Fiscalização na balança, aguardando liberação", "Pernoite no posto #2 da BR-116",
                          "Baú lacrado ^OK^"})
      out.push_back(text::utf8ToCp1252(t));
    return out;
  }();
  return texts;
}

}  // namespace

QuillonSim::QuillonSim(db::Connection& zenthora, db::Connection& base, SimOptions options)
    : zenthora_(zenthora), base_(base), options_(std::move(options)), fleet_({}, options_.seed) {
  if (options_.module < 2 || options_.module > 5)
    throw std::invalid_argument("module must be 2 to 5, not " + std::to_string(options_.module));
  nomeMr_ = "ModCom" + twoDigits(options_.module);
  eventTable_ = "tEvtPost" + twoDigits(options_.module);
  controlTable_ = "tEvtPostCtrl" + twoDigits(options_.module);

  std::vector<Place> places;
  {
    db::Statement q(zenthora_, sqlQuillonCidades());
    for (q.open(); !q.eof(); q.next())
      places.push_back({q.field("Cidade").asString(), q.field("Latitude").asFloat(), q.field("Longitude").asFloat()});
  }
  fleet_ = Fleet(std::move(places), options_.seed);
  db::Statement q(zenthora_, sqlQuillonVeiculos());
  for (q.open(); !q.eof() && static_cast<int>(fleet_.size()) < options_.vehicles; q.next()) {
    std::optional<std::pair<double, double>> start;
    if (!q.field("Latitude").isNull() && !q.field("Longitude").isNull())
      start = std::make_pair(q.field("Latitude").asFloat(), q.field("Longitude").asFloat());
    fleet_.add(q.field("IdTerminal").asInt64(), start);
  }
  queued_.resize(fleet_.size());
}

void QuillonSim::notify(const std::string& text) const {
  if (options_.note) options_.note(text);
}

// ------------------------------------------------------------------ heartbeat

void QuillonSim::heartbeat() {
  if (loaded_) {
    db::Statement s(zenthora_, sqlQuillonBatimento());
    s.bindInt("IntervaloAtualizacao", options_.heartbeatSeconds).bindText("NomePrograma", kNomePrograma);
    if (s.execute() > 0) return;
    loaded_ = false;  // the row went away: write it again
  }
  db::Statement load(zenthora_, sqlQuillonCarga());
  load.bindInt("IntervaloAtualizacao", options_.heartbeatSeconds)
      .bindText("Versao", kVersao)
      .bindText("Maquina", machineName())
      .bindText("NomePrograma", kNomePrograma);
  if (load.execute() == 0) {
    db::Statement top(zenthora_, sqlQuillonMaiorCodigo());
    top.open();
    // Numbered past the servers' own rows (their module number + 10).
    const std::int64_t code = std::max<std::int64_t>(top.eof() ? 0 : top.field("Maior").asInt64() + 1, 20);
    db::Statement add(zenthora_, sqlQuillonNovaLinha());
    add.bindInt("CodigoPrograma", code)
        .bindText("NomePrograma", kNomePrograma)
        .bindInt("IntervaloAtualizacao", options_.heartbeatSeconds)
        .bindText("Versao", kVersao)
        .bindText("Maquina", machineName());
    add.execute();
  }
  loaded_ = true;
}

// --------------------------------------------------------------------- events

std::string QuillonSim::header(const std::string& code, bool position) const {
  std::string post = "#1,1,0";
  appendField(post, "2", nomeMr_);
  appendField(post, "3", options_.nomeBase);
  appendField(post, "4", position ? "1" : "0");
  appendField(post, "5", code);
  appendField(post, "6", postDateTime(clk::now()));
  appendField(post, "7", "0");
  return post;
}

void QuillonSim::appendPosition(std::string& post, std::size_t i) const {
  const Vehicle& v = fleet_.vehicle(i);
  appendField(post, "2A", std::to_string(v.speedKmh));
  appendField(post, "2B", std::to_string(v.headingDegrees));
  appendField(post, "2C", std::to_string(static_cast<long long>(v.odometerKm)));
  appendField(post, "2D", v.ignition ? "1" : "0");
  appendField(post, "2E", coordinateText(v.latitude, true));
  appendField(post, "2F", coordinateText(v.longitude, false));
  appendField(post, "30", "0");
  appendField(post, "31", std::to_string(v.satellites));
}

std::string QuillonSim::vehicleEvent(std::size_t i) {
  Random& random = fleet_.random();
  const Vehicle& v = fleet_.vehicle(i);
  std::string post;
  auto logistic = [&](int number, const std::string& complement) {
    post = header(kEvtLogistico, true);
    appendField(post, "21", hexText(v.terminal));
    appendField(post, "38", std::to_string(number));
    appendField(post, "3A", complement);
  };

  if (!queued_[i].empty()) {
    const Queued q = queued_[i].front();
    queued_[i].pop_front();
    char reference[16];
    switch (q) {
      case Queued::AreaEntry:  // treatment "normal event" (0 + 1), area of a target (5)
        logistic(kLogEntradaArea, "05");
        break;
      case Queued::AreaExit:
        logistic(kLogSaidaArea, "05");
        break;
      case Queued::DeliveryReference:
        std::snprintf(reference, sizeof reference, "%08X", 100000u + random.below(900000));
        logistic(kLogReferencia, reference);
        break;
    }
    appendPosition(post, i);
    return post;
  }

  const auto happening = fleet_.advance(i, options_.secondsPerReport);
  if (happening == Fleet::Happening::Arrived) {
    queued_[i].push_back(Queued::AreaEntry);
    if (random.chance(0.5)) queued_[i].push_back(Queued::DeliveryReference);
  } else if (happening == Fleet::Happening::Departed) {
    queued_[i].push_back(Queued::AreaExit);
  }

  const double roll = random.unit();
  if (roll < 0.04) {
    const auto& texts = freeTexts();
    std::string message = texts[random.below(static_cast<std::uint32_t>(texts.size()))];
    const std::string town = fleet_.placeName(i);
    if (!town.empty() && random.chance(0.3)) message = "Chegando em " + town;
    post = header(kEvtTextoLivre, true);
    appendField(post, "21", hexText(v.terminal));
    appendField(post, "26", encodeFreeText(message));
  } else if (v.refrigerated && roll < 0.12) {
    // Reading interval (8 digits), temperature in tenths of a degree (16-bit),
    // a spare digit, validity and control bits, alarm action, sensor code.
    const long tenths = std::lround(random.between(-19.5, -16.5) * 10);
    char complement[32];
    std::snprintf(complement, sizeof complement, "%08X%04lX0301", 300u, static_cast<unsigned long>(tenths) & 0xFFFFul);
    logistic(kLogTemperatura, complement);
  } else {
    post = header(kEvtPosicao, true);
    appendField(post, "21", hexText(v.terminal));
  }
  appendPosition(post, i);
  return post;
}

void QuillonSim::insert(const std::string& table, const std::string& post) {
  db::Statement s(base_, sqlQuillonGravaPost(table));
  s.bindMemo("Post", post);
  s.execute();
}

int QuillonSim::appendEvents(int n) {
  if (paused_ || fleet_.size() == 0) return 0;
  int written = 0;
  for (; written < n; ++written) {
    const std::size_t i = nextVehicle_;
    nextVehicle_ = (nextVehicle_ + 1) % fleet_.size();
    insert(eventTable_, vehicleEvent(i));
  }
  return written;
}

// -------------------------------------------------------------- command Posts

void QuillonSim::applyCommand(const std::string& code) {
  if (code == "D0") {
    paused_ = true;
    insert(eventTable_, header(kEvtProcessamentoParado, false));
    notify("D0 recebido: processamento parado, D2 gravado em " + eventTable_);
  } else if (code == "D1") {
    if (paused_) notify("D1 recebido: processamento retomado");
    paused_ = false;
  }
}

int QuillonSim::serveCommandPosts() {
  db::Statement q(zenthora_, sqlQuillonComandos());
  q.bindText("ModCom", nomeMr_).bindInt("NumSeq", lastCommand_);
  q.open();
  int taken = 0;
  std::string newest;  // the first call: the newest pause or resume command only
  for (; !q.eof(); q.next(), ++taken) {
    lastCommand_ = std::max(lastCommand_, q.field("NumSeq").asInt64());
    const std::string code = text::upperAscii(text::trim(fieldValue(q.field("Post").asString(), "5").value_or("")));
    if (code != "D0" && code != "D1") {
      notify("comando desconhecido ignorado: " + code);
      continue;
    }
    if (commandsStarted_)
      applyCommand(code);
    else
      newest = code;
  }
  if (!commandsStarted_) {
    commandsStarted_ = true;
    if (newest == "D0") applyCommand(newest);
  }
  return taken;
}

// -------------------------------------------------------------- telecommands

int QuillonSim::serveTelecommands() {
  if (paused_) return 0;
  Random& random = fleet_.random();
  const std::uint32_t now = clk::tickCount();
  int written = 0;
  std::map<std::int64_t, PendingCommand> still;

  db::Statement q(zenthora_, sqlQuillonTelecomandos());
  q.bindText("Origem", nomeMr_);
  for (q.open(); !q.eof(); q.next()) {
    const std::int64_t id = q.field("IdSequencia").asInt64();
    const std::int64_t tentativas = q.field("Tentativas").asInt64();
    auto it = pending_.find(id);
    PendingCommand c;
    if (it == pending_.end()) {
      c.idSeqMsg = q.field("IdSeqMsg").asInt64();
      c.terminal = q.field("IdTerminal").asInt64();
      c.knownVehicle = !q.field("Cadastrado").isNull();
      c.baseline = tentativas;
      const double roll = random.unit();
      c.planned = !c.knownVehicle ? 1 : roll < 0.7 ? 1 : roll < 0.9 ? 2 : 3;
    } else {
      c = it->second;
      const bool counted = tentativas >= c.baseline + c.written;
      if (!counted && clk::ticksBetween(c.lastTick, now) < options_.callWaitMs) {
        still[id] = c;
        continue;
      }
    }

    if (c.written < c.planned) {
      std::string post = header(kEvtCallProgress, false);
      appendField(post, "21", hexText(c.terminal));
      appendField(post, "27", std::to_string(c.idSeqMsg));
      appendField(post, "A4", std::to_string(kCallChamando));
      insert(controlTable_, post);
      ++written;
      ++c.written;
      c.lastTick = now;
      still[id] = c;
      notify("telecomando IdSeqMsg " + std::to_string(c.idSeqMsg) + " (IdTerminal " + hexText(c.terminal) +
             "): tentativa " + std::to_string(c.written) + " (8C)");
      continue;
    }

    db::Statement moved(zenthora_, sqlQuillonTransmitido());
    moved.bindInt("IdSequencia", id);
    if (moved.execute() == 0) continue;  // someone else took it out of state 16
    const int status = !c.knownVehicle                             ? kStatusVeiculoDesconhecido
                       : c.planned == 3 && random.chance(0.3)      ? kStatusTentativasEsgotadas
                                                                   : kStatusEnviado;
    std::string post = header(kEvtStatusEnvio, false);
    appendField(post, "21", hexText(c.terminal));
    appendField(post, "27", std::to_string(c.idSeqMsg));
    appendField(post, "28", std::to_string(status));
    if (c.knownVehicle) {
      const auto t = static_cast<std::uint64_t>(c.terminal);
      appendField(post, "A4", std::to_string(status == kStatusEnviado ? kCallConectado : kCallSemResposta));
      appendField(post, "B0", "10." + std::to_string(t >> 16 & 255) + "." + std::to_string(t >> 8 & 255) + "." +
                                  std::to_string(t & 255));
      appendField(post, "B1", std::to_string(20000 + t % 40000));
      appendField(post, "E3", std::to_string(1 + t % 4));
    }
    insert(controlTable_, post);
    ++written;
    notify("telecomando IdSeqMsg " + std::to_string(c.idSeqMsg) + " (IdTerminal " + hexText(c.terminal) +
           "): status " + std::to_string(status) + " (81)");
  }
  pending_ = std::move(still);  // rows that left state 16 otherwise are forgotten
  return written;
}

}  // namespace kvt::quillon
