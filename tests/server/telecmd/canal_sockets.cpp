#include "tests/server/telecmd/canal_sockets.h"

#include <stdexcept>

#include "server/telecmd/texto_xml.h"

namespace kvt::test {

namespace {
// Never part of a reply: replies are text without control bytes.
const std::string kMarca = "\x01\x02MARCA\x02\x01";
constexpr int kEsperaMs = 5000;  // only a broken connection ever waits this long
}  // namespace

CanalSockets::CanalSockets() {
  if (!servidor_.listen(QHostAddress::LocalHost, 0)) throw std::runtime_error("listen failed");
}

CanalSockets::~CanalSockets() {
  for (auto& c : conexoes_) {
    if (c.cliente) c.cliente->abort();
    if (c.servidor) c.servidor->abort();
  }
}

int CanalSockets::conecta(const std::string& comunica) {
  Conexao c;
  c.cliente = std::make_unique<QTcpSocket>();
  c.cliente->connectToHost(QHostAddress::LocalHost, servidor_.serverPort());
  if (!c.cliente->waitForConnected(kEsperaMs)) throw std::runtime_error("connect failed");
  if (!servidor_.hasPendingConnections() && !servidor_.waitForNewConnection(kEsperaMs))
    throw std::runtime_error("accept failed");
  c.servidor.reset(servidor_.nextPendingConnection());
  c.servidor->setParent(nullptr);
  c.ip = c.servidor->peerAddress().toString().toStdString();
  c.porta = c.servidor->peerPort();
  c.registro.encontrado = true;
  c.registro.Comunica = comunica;
  c.registro.IdUsuario = -1;
  c.registro.Operador = "Desconhecido";
  c.ativa = true;
  conexoes_.push_back(std::move(c));
  return static_cast<int>(conexoes_.size()) - 1;
}

void CanalSockets::desconecta(int i) {
  Conexao& c = conexoes_.at(static_cast<std::size_t>(i));
  c.ativa = false;
  c.cliente->abort();
  c.servidor->abort();
}

std::string CanalSockets::ip(int i) const { return conexoes_.at(static_cast<std::size_t>(i)).ip; }
int CanalSockets::porta(int i) const { return conexoes_.at(static_cast<std::size_t>(i)).porta; }
telecmd::CanalClientes::Cliente CanalSockets::registro(int i) const {
  return conexoes_.at(static_cast<std::size_t>(i)).registro;
}

telecmd::CanalClientes::Cliente CanalSockets::LocalizaCliente(const std::string& ip, int porta) const {
  for (const auto& c : conexoes_)
    if (c.ativa && c.ip == ip && c.porta == porta) return c.registro;
  return {};
}

void CanalSockets::RegistraLogin(const std::string& ip, int porta, std::int32_t idUsuario,
                                 const std::string& operador) {
  ++registrosDeLogin_;
  for (auto& c : conexoes_)
    if (c.ativa && c.ip == ip && c.porta == porta) {
      c.registro.IdUsuario = idUsuario;
      c.registro.Operador = operador;
      c.registro.Comunica = "Sim";
    }
}

int CanalSockets::NumClientes() const {
  int n = 0;
  for (const auto& c : conexoes_) n += c.ativa ? 1 : 0;
  return n;
}

// The outbound buffer of this stand-in delivers at once, to the logged-in clients only.
void CanalSockets::Enfileira_XML_Envio(const std::string& corpo) {
  enfileirados_.push_back(corpo);
  const std::string documento = telecmd::EnvelopaTeleEvento(corpo);
  for (auto& c : conexoes_)
    if (c.ativa && c.registro.Comunica == "Sim") escreve(c, documento);
}

void CanalSockets::EscreveEmTodasConexoes(const std::string& documento) {
  for (auto& c : conexoes_)
    if (c.ativa) escreve(c, documento);
}

void CanalSockets::escreve(Conexao& c, const std::string& bytes) {
  c.servidor->write(bytes.data(), static_cast<qint64>(bytes.size()));
  c.servidor->flush();
}

std::string CanalSockets::leAteMarca(Conexao& c) {
  std::string lido;
  for (;;) {
    const QByteArray pedaco = c.cliente->readAll();
    lido.append(pedaco.constData(), static_cast<std::size_t>(pedaco.size()));
    const auto p = lido.find(kMarca);
    if (p != std::string::npos) return lido.substr(0, p);
    if (c.servidor->bytesToWrite() > 0) c.servidor->waitForBytesWritten(kEsperaMs);
    if (!c.cliente->waitForReadyRead(kEsperaMs)) throw std::runtime_error("client read timed out");
  }
}

std::vector<std::string> CanalSockets::recebidos() {
  for (auto& c : conexoes_)
    if (c.ativa) escreve(c, kMarca);
  std::vector<std::string> out;
  for (auto& c : conexoes_) out.push_back(c.ativa ? leAteMarca(c) : std::string());
  return out;
}

std::string CanalSockets::recebido(int i) {
  Conexao& c = conexoes_.at(static_cast<std::size_t>(i));
  if (!c.ativa) return {};
  escreve(c, kMarca);
  return leAteMarca(c);
}

}  // namespace kvt::test
