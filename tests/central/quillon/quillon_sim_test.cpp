// The Quillon stand-in's steps on a demo central built from the project's schema.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

#include "central/central.h"
#include "central/quillon/quillon_sim.h"
#include "platform/clock/clock.h"
#include "platform/db/db.h"
#include "tests/support/temp_dir.h"

using namespace kvt;

namespace {

struct Field {
  std::string id;
  std::string value;
};

// The plain field scan: "#" id "," length "," value, the value running to the
// next "#". Fails the test when a field is malformed or its length is wrong.
std::vector<Field> scan(const std::string& post) {
  std::vector<Field> fields;
  std::size_t p = 0;
  while (p < post.size()) {
    EXPECT_EQ(post[p], '#') << "at " << p << " of " << post;
    if (post[p] != '#') break;
    const auto comma1 = post.find(',', p + 1);
    const auto comma2 = comma1 == std::string::npos ? comma1 : post.find(',', comma1 + 1);
    EXPECT_NE(comma2, std::string::npos) << post;
    if (comma2 == std::string::npos) break;
    const auto end = std::min(post.find('#', comma2 + 1), post.size());
    Field f{post.substr(p + 1, comma1 - p - 1), post.substr(comma2 + 1, end - comma2 - 1)};
    EXPECT_EQ(post.substr(comma1 + 1, comma2 - comma1 - 1), std::to_string(f.value.size()))
        << "length of field " << f.id << " in " << post;
    EXPECT_FALSE(f.id.empty()) << post;
    fields.push_back(f);
    p = end;
  }
  return fields;
}

std::string field(const std::vector<Field>& fields, const std::string& id) {
  for (const auto& f : fields)
    if (f.id == id) return f.value;
  return "<none>";
}

// Degrees of an event coordinate text "DDD MM SS T H".
double degrees(const std::string& t) {
  EXPECT_EQ(t.size(), 13u) << t;
  if (t.size() != 13) return 0;
  const double v = std::stoi(t.substr(0, 3)) + std::stoi(t.substr(4, 2)) / 60.0 + std::stoi(t.substr(7, 2)) / 3600.0 +
                   std::stoi(t.substr(10, 1)) / 36000.0;
  EXPECT_TRUE(std::string("NSLO").find(t[12]) != std::string::npos) << t;
  return t[12] == 'S' || t[12] == 'O' ? -v : v;
}

struct Row {
  std::int64_t numSeq;
  std::string post;
  std::vector<Field> fields;
};

struct QuillonSimTest : ::testing::Test {
  test::TempDir dir;
  central::CentralFiles files = central::createCentral(dir.path().string(), {.demo = true});
  std::unique_ptr<db::Connection> zenthora = db::Connection::open(files.urlZenthora);
  std::unique_ptr<db::Connection> base = db::Connection::open(files.urlBase);

  static quillon::SimOptions options(int vehicles = 10) {
    quillon::SimOptions o;
    o.vehicles = vehicles;
    o.seed = 7;
    o.callWaitMs = 0;
    return o;
  }

  std::vector<Row> rows(const std::string& table) {
    db::Statement q(*base, "SELECT NumSeq, Post FROM " + table + " ORDER BY NumSeq");
    std::vector<Row> out;
    for (q.open(); !q.eof(); q.next()) {
      const std::string post = q.field("Post").asString();
      out.push_back({q.field("NumSeq").asInt64(), post, scan(post)});
    }
    return out;
  }

  std::int64_t scalar(db::Connection& c, const std::string& sql) {
    db::Statement q(c, sql);
    q.open();
    return q.eof() ? -1 : q.field(std::size_t{0}).asInt64();
  }

  // What the server writes for a pause or resume request.
  void commandPost(const std::string& nomeMr, const std::string& code) {
    db::Statement s(*zenthora, std::string("exec spSendPost :IdBase, :ModCom, :Post"));
    s.bindInt("IdBase", 601).bindText("ModCom", nomeMr);
    s.bindMemo("Post", "#1,1,0#2,8," + nomeMr + "#3,7,Quillon#4,1,0#5,2," + code + "#6,19,11/12/2026 05:21:00#7,1,0\r\n");
    s.execute();
  }

  // A vehicle command as the server stores it, through the central's procedure.
  void telecommand(std::int64_t terminal, const std::string& origem, std::int64_t idSeqMsg) {
    db::Statement s(*zenthora, std::string("exec spCmdAvulso :MSG_CmdAvulso,:IdTerminal,:Origem,:DESABILITAR_GPRS,"
                                           ":IdUsuario,:Token1,:Token2,:IdSeqMsg"));
    s.bindText("MSG_CmdAvulso", "1").bindInt("IdTerminal", terminal).bindText("Origem", origem);
    s.bindInt("DESABILITAR_GPRS", 0).bindInt("IdUsuario", 1).bindText("Token1", "").bindText("Token2", "");
    s.bindInt("IdSeqMsg", idSeqMsg);
    s.open();
  }

  std::int64_t status(std::int64_t idSeqMsg) {
    return scalar(*zenthora, "SELECT StatusEnvio FROM tTelecomando WHERE IdSeqMsg = " + std::to_string(idSeqMsg));
  }

  // The server's own freshness rule for the base's heartbeat.
  bool baseUp() {
    db::Statement q(*zenthora, std::string("SELECT strftime('%s', datetime('now', 'localtime')) - "
                                           "strftime('%s', DataHoraUltimaAtualizacao) AS df, "
                                           "IFNULL(IntervaloAtualizacao, 3) AS intervalo "
                                           "FROM tDiagnostico WHERE NomePrograma = 'Quillon'"));
    q.open();
    return !q.eof() && !q.field("df").isNull() && q.field("intervalo").asInt64() >= q.field("df").asInt64();
  }
};

}  // namespace

TEST_F(QuillonSimTest, HeartbeatKeepsTheQuillonRowFreshAndRecreatesIt) {
  ASSERT_FALSE(baseUp());  // the demo's row is a day old
  quillon::QuillonSim sim(*zenthora, *base, options());
  sim.heartbeat();
  EXPECT_TRUE(baseUp());
  EXPECT_EQ(scalar(*zenthora, "SELECT count(*) FROM tDiagnostico WHERE NomePrograma = 'Quillon' AND "
                              "Versao LIKE 'quillon-sim%' AND DataHoraCarga >= datetime('now','localtime','-1 minute')"),
            1);

  // A stale row is made fresh again by the next beat.
  db::Statement(*zenthora, std::string("UPDATE tDiagnostico SET DataHoraUltimaAtualizacao = "
                                       "datetime('now','localtime','-1 hour') WHERE NomePrograma = 'Quillon'"))
      .execute();
  ASSERT_FALSE(baseUp());
  sim.heartbeat();
  EXPECT_TRUE(baseUp());

  // Without a row the base writes its own, clear of the servers' rows.
  db::Statement(*zenthora, std::string("DELETE FROM tDiagnostico WHERE NomePrograma = 'Quillon'")).execute();
  db::Statement(*zenthora, std::string("INSERT INTO tDiagnostico (CodigoPrograma, NomePrograma) VALUES (12, 'KORVATEL2')"))
      .execute();
  sim.heartbeat();
  EXPECT_TRUE(baseUp());
  EXPECT_GT(scalar(*zenthora, "SELECT CodigoPrograma FROM tDiagnostico WHERE NomePrograma = 'Quillon'"), 15);
  EXPECT_EQ(scalar(*zenthora, "SELECT IntervaloAtualizacao FROM tDiagnostico WHERE NomePrograma = 'Quillon'"), 3);
}

TEST_F(QuillonSimTest, EventsAreWellFormedPostsOfKnownVehiclesMovingAlongPlausiblePaths) {
  std::set<std::string> known;  // the first ten vehicles of the central, in hexadecimal
  {
    db::Statement q(*zenthora, std::string("SELECT IdTerminal FROM tVeiculo ORDER BY IdTerminal LIMIT 10"));
    char hex[16];
    for (q.open(); !q.eof(); q.next()) {
      std::snprintf(hex, sizeof hex, "%llX", static_cast<unsigned long long>(q.field("IdTerminal").asInt64()));
      known.insert(hex);
    }
  }
  quillon::QuillonSim sim(*zenthora, *base, options(10));
  EXPECT_EQ(sim.appendEvents(250), 250);
  EXPECT_EQ(sim.appendEvents(150), 150);

  const auto events = rows("tEvtPost02");
  ASSERT_EQ(events.size(), 400u);
  EXPECT_TRUE(rows("tEvtPost03").empty());
  EXPECT_TRUE(rows("tEvtPostCtrl02").empty());

  std::map<std::string, int> codes;
  std::map<std::string, std::pair<double, double>> lastPosition;
  std::set<std::string> moved;
  double longestStepKm = 0;
  std::int64_t previous = 0;
  for (const auto& e : events) {
    SCOPED_TRACE(e.post);
    EXPECT_GT(e.numSeq, previous);
    previous = e.numSeq;
    ASSERT_GE(e.fields.size(), 7u);
    EXPECT_EQ(field(e.fields, "2"), "ModCom02");
    EXPECT_EQ(field(e.fields, "3"), "Quillon");
    EXPECT_EQ(field(e.fields, "6").size(), 19u);
    const std::string code = field(e.fields, "5");
    ++codes[code];
    const std::string terminal = field(e.fields, "21");
    EXPECT_TRUE(known.count(terminal)) << terminal;

    ASSERT_EQ(field(e.fields, "4"), "1");
    EXPECT_EQ(field(e.fields, "30"), "0");
    const double lat = degrees(field(e.fields, "2E")), lon = degrees(field(e.fields, "2F"));
    EXPECT_TRUE(lat > -34 && lat < 6 && lon > -74 && lon < -28) << lat << " " << lon;  // in Brazil
    if (auto it = lastPosition.find(terminal); it != lastPosition.end()) {
      const double north = (lat - it->second.first) * 111.2;
      const double east = (lon - it->second.second) * 111.2 * std::cos(lat * 3.14159265 / 180);
      const double km = std::sqrt(north * north + east * east);
      longestStepKm = std::max(longestStepKm, km);
      if (km > 0.05) moved.insert(terminal);
    }
    lastPosition[terminal] = {lat, lon};

    if (code == "13") {  // free text: no blank and no "#" survive the substitution
      const std::string t = field(e.fields, "26");
      EXPECT_FALSE(t.empty());
      EXPECT_EQ(t.find(' '), std::string::npos);
    }
    if (code == "95") {  // logistic: its number before its complement
      std::size_t at38 = 0, at3A = 0;
      for (std::size_t k = 0; k < e.fields.size(); ++k) {
        if (e.fields[k].id == "38") at38 = k;
        if (e.fields[k].id == "3A") at3A = k;
      }
      EXPECT_GT(at38, 0u);
      EXPECT_GT(at3A, at38);
      EXPECT_TRUE(std::set<std::string>({"4", "22", "23", "53"}).count(field(e.fields, "38")));
    }
  }
  EXPECT_GT(codes["2"], 300);  // mostly positions
  EXPECT_GT(codes["13"], 0);
  EXPECT_GT(codes["95"], 0);
  EXPECT_GE(moved.size(), 5u);
  EXPECT_LT(longestStepKm, 1.0);  // at most road speed between two reports
}

TEST_F(QuillonSimTest, PauseIsAnsweredWithD2AndNothingIsWrittenUntilResume) {
  quillon::QuillonSim sim(*zenthora, *base, options());
  EXPECT_EQ(sim.serveCommandPosts(), 0);
  sim.appendEvents(3);

  commandPost("ModCom03", "D0");  // another module's base
  sim.serveCommandPosts();
  EXPECT_FALSE(sim.paused());
  EXPECT_EQ(rows("tEvtPost02").size(), 3u);

  commandPost("ModCom02", "D0");
  EXPECT_EQ(sim.serveCommandPosts(), 1);
  EXPECT_TRUE(sim.paused());
  auto events = rows("tEvtPost02");
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(field(events.back().fields, "5"), "D2");
  EXPECT_EQ(field(events.back().fields, "2"), "ModCom02");
  EXPECT_EQ(field(events.back().fields, "21"), "<none>");

  // Stopped: no event, no telecommand feedback, until D1.
  telecommand(0x1000, "ModCom02", 50);
  EXPECT_EQ(sim.appendEvents(5), 0);
  EXPECT_EQ(sim.serveTelecommands(), 0);
  EXPECT_EQ(sim.serveCommandPosts(), 0);
  EXPECT_EQ(rows("tEvtPost02").size(), 4u);
  EXPECT_TRUE(rows("tEvtPostCtrl02").empty());
  EXPECT_EQ(status(50), 16);

  // The server empties both tables between D2 and D1; numbering starts again.
  db::Statement(*base, std::string("DELETE FROM tEvtPost02")).execute();
  commandPost("ModCom02", "D1");
  EXPECT_EQ(sim.serveCommandPosts(), 1);
  EXPECT_FALSE(sim.paused());
  EXPECT_EQ(sim.appendEvents(2), 2);
  events = rows("tEvtPost02");
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].numSeq, 1);
  EXPECT_NE(field(events[0].fields, "5"), "D2");
  EXPECT_GT(sim.serveTelecommands(), 0);
}

TEST_F(QuillonSimTest, ARestartedBaseAnswersOnlyAnOutstandingPause) {
  commandPost("ModCom02", "D0");
  commandPost("ModCom02", "D1");
  {
    quillon::QuillonSim sim(*zenthora, *base, options());
    EXPECT_EQ(sim.serveCommandPosts(), 2);  // an old, finished pause: nothing to answer
    EXPECT_FALSE(sim.paused());
    EXPECT_TRUE(rows("tEvtPost02").empty());
    EXPECT_EQ(sim.serveCommandPosts(), 0);  // taken once
  }
  commandPost("ModCom02", "D0");  // written while no base was running
  quillon::QuillonSim sim(*zenthora, *base, options());
  sim.serveCommandPosts();
  EXPECT_TRUE(sim.paused());
  const auto events = rows("tEvtPost02");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(field(events[0].fields, "5"), "D2");
}

TEST_F(QuillonSimTest, TelecommandsInState16GetCallProgressThenSendStatus) {
  telecommand(0x1000, "ModCom02", 4711);
  telecommand(0x1001, "ModCom03", 4712);  // another module's
  telecommand(0x9999, "ModCom02", 4713);  // a vehicle the base does not know
  quillon::QuillonSim sim(*zenthora, *base, options());
  for (int i = 0; i < 10 && (status(4711) == 16 || status(4713) == 16); ++i) sim.serveTelecommands();
  EXPECT_EQ(status(4711), 200);
  EXPECT_EQ(status(4713), 200);
  EXPECT_EQ(status(4712), 16);
  EXPECT_EQ(sim.serveTelecommands(), 0);  // each is answered once

  std::map<std::string, std::vector<std::vector<Field>>> byIdSeqMsg;
  for (const auto& r : rows("tEvtPostCtrl02")) byIdSeqMsg[field(r.fields, "27")].push_back(r.fields);
  EXPECT_FALSE(byIdSeqMsg.count("4712"));
  EXPECT_TRUE(rows("tEvtPost02").empty());

  const auto& posts = byIdSeqMsg["4711"];
  ASSERT_GE(posts.size(), 2u);
  for (std::size_t k = 0; k + 1 < posts.size(); ++k) {
    EXPECT_EQ(field(posts[k], "5"), "8C");
    EXPECT_EQ(field(posts[k], "21"), "1000");
    EXPECT_EQ(field(posts[k], "A4"), "1");
  }
  const auto& sent = posts.back();
  EXPECT_EQ(field(sent, "5"), "81");
  EXPECT_EQ(field(sent, "21"), "1000");
  const std::string sts = field(sent, "28");
  EXPECT_TRUE(sts == "0" || sts == "1") << sts;
  const std::string ip = field(sent, "B0"), port = field(sent, "B1"), operadora = field(sent, "E3");
  EXPECT_EQ(ip.rfind("10.", 0), 0u) << ip;

  const auto& unknown = byIdSeqMsg["4713"];
  ASSERT_EQ(unknown.size(), 2u);
  EXPECT_EQ(field(unknown[0], "5"), "8C");
  EXPECT_EQ(field(unknown[1], "5"), "81");
  EXPECT_EQ(field(unknown[1], "28"), "257");

  // The row was left where the server's status update still finds it.
  db::Statement update(*zenthora, std::string("UPDATE tTelecomando SET StatusEnvio = :StsEnvio, "
                                              "DataHoraRec = datetime('now','localtime'), IP = :IP, Port = :Port, "
                                              "Operadora = :Operadora, CallProgress = :CallProgress "
                                              "WHERE IdSeqMsg = :IdStatus AND (StatusEnvio = 16 OR StatusEnvio = 200)"));
  update.bindInt("StsEnvio", std::stoi(sts)).bindText("IP", ip).bindInt("Port", std::stoi(port));
  update.bindInt("Operadora", std::stoi(operadora)).bindInt("CallProgress", std::stoi(field(sent, "A4")));
  update.bindInt("IdStatus", 4711);
  EXPECT_EQ(update.execute(), 1);
  EXPECT_EQ(status(4711), std::stoi(sts));
}

TEST_F(QuillonSimTest, ACallAttemptWaitsForTheServerToCountItOrForTheWaitToPass) {
  clk::ManualClock clock(1000);
  clk::ScopedClock scoped(clock);
  auto o = options();
  o.callWaitMs = 4000;
  quillon::QuillonSim sim(*zenthora, *base, o);
  auto ctrl = [&] { return rows("tEvtPostCtrl02").size(); };

  telecommand(0x1000, "ModCom02", 61);
  EXPECT_EQ(sim.serveTelecommands(), 1);  // the first attempt
  EXPECT_EQ(sim.serveTelecommands(), 0);  // not counted yet, no time passed
  clock.advance(3999);
  EXPECT_EQ(sim.serveTelecommands(), 0);
  EXPECT_EQ(ctrl(), 1u);

  // The server counts the attempt, which it can only do while the row waits in 16.
  db::Statement counted(*zenthora, std::string("UPDATE tTelecomando SET CallProgress = :CallProgress, "
                                               "Tentativas = ifnull(Tentativas, 0) + 1 "
                                               "WHERE IdSeqMsg = :IdStatus AND StatusEnvio = 16"));
  counted.bindInt("CallProgress", 1).bindInt("IdStatus", 61);
  EXPECT_EQ(counted.execute(), 1);
  EXPECT_EQ(sim.serveTelecommands(), 1);  // the next stage at once
  EXPECT_EQ(ctrl(), 2u);

  // Without a server counting, each stage follows once the wait has passed.
  telecommand(0x1001, "ModCom02", 62);
  EXPECT_EQ(sim.serveTelecommands(), 1);  // 62's first attempt; 61 waits for its count
  clock.advance(3999);
  EXPECT_EQ(sim.serveTelecommands(), 0);
  clock.advance(1);
  EXPECT_GE(sim.serveTelecommands(), 1);
  for (int i = 0; i < 6 && (status(61) == 16 || status(62) == 16); ++i) {
    clock.advance(4000);
    sim.serveTelecommands();
  }
  EXPECT_EQ(status(61), 200);
  EXPECT_EQ(status(62), 200);
  EXPECT_EQ(field(rows("tEvtPostCtrl02").back().fields, "5"), "81");
}
