#include "central/demo_data.h"

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "central/central.h"
#include "central/schema.h"
#include "central/sqlite_file.h"
#include "platform/crypto/md5.h"
#include "platform/text/ascii_case.h"
#include "platform/text/cp1252.h"
#include "platform/text/trim.h"

namespace kvt::central {

using namespace text::literals;

namespace {

struct City {
  std::int64_t id;
  std::string regiao, cidade;
  double latitude, longitude;
};

std::filesystem::path demoDir() { return sourceDir() / "central" / "demo"; }

void runDemoScript(SqliteFile& file, const std::string& database) {
  file.exec(text::utf8ToCp1252(readTextFile((demoDir() / (database + ".sql")).string())));
}

// Reads "Regiao,Cidade,Latitude,Longitude" lines (UTF-8, with a header line).
std::vector<City> readPlaces() {
  std::stringstream in(text::utf8ToCp1252(readTextFile((demoDir() / "br-places.csv").string())));
  std::vector<City> cities;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    line = text::trim(line);
    if (line.empty()) continue;
    std::vector<std::string> cells;
    std::stringstream fields(line);
    for (std::string cell; std::getline(fields, cell, ',');) cells.push_back(cell);
    if (cells.size() != 4) throw std::runtime_error("br-places.csv: bad line: " + line);
    cities.push_back(
        {static_cast<std::int64_t>(cities.size() + 1), cells[0], cells[1], std::stod(cells[2]), std::stod(cells[3])});
  }
  return cities;
}

void loadPlaces(SqliteFile& zenthora, const std::vector<City>& cities) {
  std::vector<std::vector<SqlValue>> rows;
  rows.reserve(cities.size());
  for (const auto& c : cities) rows.push_back({c.id, c.regiao, c.cidade, c.latitude, c.longitude});
  zenthora.runEach("INSERT INTO tcidades (IdCidade, Regiao, Cidade, Latitude, Longitude) VALUES (?, ?, ?, ?, ?)", rows);
}

void loadOperators(SqliteFile& zenthora) {
  std::vector<std::vector<SqlValue>> rows;
  for (const auto& o : demoOperators())
    rows.push_back({text::upperAscii(o.login), o.nome, Blob{crypto::md5(text::upperAscii(text::trim(o.senha)))},
                    std::int64_t{o.status}, std::int64_t{o.habKvt}});
  zenthora.runEach("INSERT INTO tUsuario (Login, Nome, Senha, Status, HabKVT) VALUES (?, ?, ?, ?, ?)", rows);
}

// A small deterministic generator, so that every demo central is the same.
class Sequence {
 public:
  std::uint32_t next(std::uint32_t bound) {
    state_ = state_ * 1103515245u + 12345u;
    return (state_ >> 8) % bound;
  }

 private:
  std::uint32_t state_ = 20240501u;
};

struct Truck {
  const char* marca;
  const char* modelo;
};

const Truck kTrucks[] = {{"Volvo", "FH 540"},
                         {"Scania", "R 450"},
                         {"Mercedes-Benz", "Actros 2651"},
                         {"Volkswagen", "Constellation 24.280"},
                         {"Iveco", "Stralis 600"},
                         {"Ford", "Cargo 2429"},
                         {"DAF", "XF 530"}};
const char* const kCores[] = {"Branco", "Prata", "Vermelho", "Azul", "Preto", "Amarelo"};

// Tracker model of the i-th vehicle (models of central/demo/zenthora.sql):
// mostly GPRS units, some GPRS/satellite, a few of a model not enabled.
int trackerModel(int i) {
  static const int models[] = {1, 1, 1, 1, 2, 2, 3, 3, 4, 5};
  return models[i % 10];
}

std::string plate(Sequence& seq) {
  std::string p;
  for (int k = 0; k < 3; ++k) p += static_cast<char>('A' + seq.next(26));
  p += static_cast<char>('0' + seq.next(10));
  p += static_cast<char>('A' + seq.next(26));
  p += static_cast<char>('0' + seq.next(10));
  p += static_cast<char>('0' + seq.next(10));
  return p;
}

std::string chassis(Sequence& seq) {
  static const char digits[] = "ABCDEFGHJKLMNPRSTUVWXYZ0123456789";
  std::string c = "9BW";
  while (c.size() < 17) c += digits[seq.next(sizeof digits - 1)];
  return c;
}

// The last connection of the i-th vehicle. Among the GPRS/satellite units
// (models 2 and 3) one in twenty connected over GPRS two minutes ago, so it
// takes every command over GPRS, and one in twenty entered power-saving mode
// (event 57), so it takes only the codes that wake it; the others were last
// heard an hour ago and take only what may go by satellite.
int connectionEvent(int i) { return i % 20 == 15 ? 57 : 2; }
const char* connectionAge(int i) { return i % 20 == 4 ? "-2 minutes" : "-1 hour"; }

void loadVehicles(SqliteFile& zenthora, const std::vector<City>& cities) {
  Sequence seq;
  const std::int64_t transportadoras = zenthora.scalar("SELECT count(*) FROM tTransp");
  std::vector<std::vector<SqlValue>> vehicles, grid, zeta, events, visibility;
  for (int i = 0; i < kDemoVehicles; ++i) {
    const std::int64_t terminal = kFirstDemoTerminal + i;
    const int model = trackerModel(i);
    const Truck& truck = kTrucks[seq.next(std::size(kTrucks))];
    const City& city = cities[seq.next(static_cast<std::uint32_t>(cities.size()))];
    const std::int64_t transp = 1 + i % transportadoras;
    const std::int64_t frota = transp * 2 - 1 + (i / static_cast<int>(transportadoras)) % 2;
    const bool dual = model == 2 || model == 3;  // GPRS and satellite
    char number[8];
    std::snprintf(number, sizeof number, "%03d", i + 1);
    vehicles.push_back({terminal,
                        transp,
                        frota,
                        "Caminhão "_cp + number,
                        std::string(truck.marca),
                        std::string(truck.modelo),
                        "Cavalo mecânico"_cp,
                        std::string(kCores[seq.next(std::size(kCores))]),
                        std::int64_t{2012 + seq.next(13)},
                        plate(seq),
                        chassis(seq),
                        city.cidade,
                        city.regiao,
                        std::int64_t{model},
                        std::string(model == 3 ? "3.2.1" : "2.0.4"),
                        std::int64_t{dual ? 6 : 1},
                        "55119" + std::to_string(70000000 + terminal),
                        std::int64_t{model == 3 ? 5 : 1},
                        std::int64_t{model == 3 ? 5 : 1},
                        std::string(model == 1 ? "PLANO BASICO" : "PLANO COMPLETO")});
    // Last position: a little off the town centre.
    const double latitude = city.latitude + (static_cast<double>(seq.next(2001)) - 1000.0) / 50000.0;
    const double longitude = city.longitude + (static_cast<double>(seq.next(2001)) - 1000.0) / 50000.0;
    grid.push_back({terminal, terminal, latitude, longitude, "Em " + city.cidade,
                    std::string(seq.next(3) == 0 ? "Parado" : "Em movimento"), std::int64_t{2},
                    std::string("-") + std::to_string(1 + seq.next(600)) + " minutes"});
    events.push_back({terminal, terminal, std::int64_t{connectionEvent(i)}, std::string(connectionAge(i)),
                      std::string(connectionAge(i)), std::int64_t{2}});
    if (model == 3)
      zeta.push_back({terminal, std::string("CS") + std::to_string(100 + i % 7), std::string("ZQZQ"),
                      std::to_string(900000 + terminal), std::to_string(700000000 + terminal)});
    if (transp <= 2) visibility.push_back({terminal});
  }
  zenthora.runEach(
      "INSERT INTO tVeiculo (IdTerminal, IdTransp, IdFrota, Veiculo, Marca, Modelo, Tipo, Cor, Ano, Placas, Chassi, "
      "Cidade, UF, Rastreador, Versao, TipoComunicacao, DadosCnx1, Console, TipoConsole, linker_plano) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
      vehicles);
  // The last connection of every vehicle was a GPRS event: a while ago for
  // most, so the GPRS/satellite units take commands by satellite only.
  zenthora.runEach(
      "INSERT INTO tTeleEvento (IdSequencia, IdTerminal, CodMsg, Evento, DataHoraEm, DataHoraRec, TecnologiaEvento) "
      "VALUES (?, ?, 2, ?, datetime('now','localtime',?), datetime('now','localtime',?), ?)",
      events);
  zenthora.runEach(
      "INSERT INTO tGridVeiculos (IdTerminal, IdSeq_LastCnx, Latitude, Longitude, Localizacao, StatusVeic, "
      "TecnologiaEvento, DataHoraEm_LastCnx_OK) VALUES (?, ?, ?, ?, ?, ?, ?, datetime('now','localtime',?))",
      grid);
  zenthora.runEach(
      "INSERT INTO tVeicZeta (IdTerminal, ControlStationID, Password, DestinationAddress, TerminalID) "
      "VALUES (?, ?, ?, ?, ?)",
      zeta);
  // The operator sees the vehicles of the first two carriers only.
  zenthora.runEach(
      "INSERT INTO tUsuarioVeiculo (idUsuario, IdTerminal) SELECT idUsuario, ? FROM tUsuario WHERE Login = 'OPERADOR'",
      visibility);
}

}  // namespace

const std::vector<DemoOperator>& demoOperators() {
  static const std::vector<DemoOperator> operators = {
      {"ADMIN", "Administrador da Central", "admin", 1, 1},
      {"OPERADOR", "Operador de Monitoramento", "operador", 1, 1},
      {"SUPERVISOR", "João Supervisor"_cp, "supervisor", 1, 1},
      {"SEMKVT", "Usuário sem acesso ao KVT"_cp, "semkvt", 1, 0},
      {"INATIVO", "Usuário inativo"_cp, "inativo", 0, 1},
  };
  return operators;
}

void loadDemo(SqliteFile& zenthora, SqliteFile& base, SqliteFile& sse) {
  runDemoScript(zenthora, "zenthora");
  runDemoScript(base, "base");
  runDemoScript(sse, "sse");
  const auto cities = readPlaces();
  loadPlaces(zenthora, cities);
  loadOperators(zenthora);
  loadVehicles(zenthora, cities);
}

}  // namespace kvt::central
