// The monitoring endpoint answered over a real socket on 127.0.0.1.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>

#include "server/service/endpoint_http.h"

using namespace kvt;

namespace {

// The answer holds its headers and as many body bytes as they announce.
bool completa(const std::string& r) {
  const auto fim = r.find("\r\n\r\n");
  if (fim == std::string::npos) return false;
  const auto cl = r.find("Content-Length: ");
  if (cl == std::string::npos || cl > fim) return true;
  return r.size() - (fim + 4) >= std::stoul(r.substr(cl + 16));
}

// One HTTP/1.0 request; the whole answer (status line, headers, body).
std::string pede(std::uint16_t porta, const std::string& metodo, const std::string& caminho) {
  QTcpSocket s;
  s.connectToHost("127.0.0.1", porta);
  if (!s.waitForConnected(5000)) return {};
  const std::string pedido = metodo + " " + caminho + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
  s.write(pedido.data(), static_cast<qint64>(pedido.size()));
  std::string resposta;
  for (int i = 0; i < 200 && !completa(resposta) && s.state() == QAbstractSocket::ConnectedState; ++i) {
    QCoreApplication::processEvents();
    if (s.waitForReadyRead(25)) resposta += s.readAll().toStdString();
  }
  resposta += s.readAll().toStdString();
  return resposta;
}

}  // namespace

TEST(EndpointHttp, ServesMetricsAndHealthWithTheirStatusAndNothingElse) {
  service::Metricas m;
  service::Saude saude;
  int pedidos = 0;
  service::EndpointHttp endpoint(
      [&] {
        ++pedidos;
        return m;
      },
      [&] { return saude; });
  ASSERT_TRUE(endpoint.Escuta(0));
  ASSERT_NE(endpoint.Porta(), 0);

  m.eventosLidos = 41;
  auto r = pede(endpoint.Porta(), "GET", "/metrics");
  EXPECT_EQ(r.rfind("HTTP/1.1 200", 0), 0u) << r;
  EXPECT_NE(r.find("text/plain; version=0.0.4"), std::string::npos) << r;
  EXPECT_NE(r.find("\nkorvatel_eventos_lidos_total 41\n"), std::string::npos) << r;
  m.eventosLidos = 42;  // figures are taken fresh at every request
  r = pede(endpoint.Porta(), "GET", "/metrics");
  EXPECT_NE(r.find("\nkorvatel_eventos_lidos_total 42\n"), std::string::npos) << r;
  EXPECT_EQ(pedidos, 2);

  r = pede(endpoint.Porta(), "GET", "/health");
  EXPECT_EQ(r.rfind("HTTP/1.1 503", 0), 0u) << r;
  saude.dbZenthora = saude.dbBase = saude.dbSSE = saude.inicializado = true;
  saude.msDesdePassagem = 10;
  r = pede(endpoint.Porta(), "GET", "/health");
  EXPECT_EQ(r.rfind("HTTP/1.1 200", 0), 0u) << r;
  EXPECT_NE(r.find("\"status\":\"ok\""), std::string::npos) << r;

  EXPECT_EQ(pede(endpoint.Porta(), "GET", "/").rfind("HTTP/1.1 404", 0), 0u);
  EXPECT_EQ(pede(endpoint.Porta(), "GET", "/metrics/x").rfind("HTTP/1.1 404", 0), 0u);
  EXPECT_NE(pede(endpoint.Porta(), "POST", "/metrics").rfind("HTTP/1.1 200", 0), 0u);
  // garbage is answered or dropped, never taken for a request, and the endpoint goes on
  EXPECT_EQ(pede(endpoint.Porta(), "\x01\x02 ###", "\xff").find("korvatel_"), std::string::npos);
  EXPECT_NE(pede(endpoint.Porta(), "GET", "/metrics").find("korvatel_eventos_lidos_total 42"), std::string::npos);
}

TEST(EndpointHttp, ListensOnLoopbackOnlyAndRefusesATakenPort) {
  service::EndpointHttp endpoint([] { return service::Metricas{}; }, [] { return service::Saude{}; });
  ASSERT_TRUE(endpoint.Escuta(0));
  for (const auto& endereco : QNetworkInterface::allAddresses()) {
    if (endereco.isLoopback() || endereco.protocol() != QAbstractSocket::IPv4Protocol) continue;
    QTcpSocket s;
    s.connectToHost(endereco, endpoint.Porta());
    EXPECT_FALSE(s.waitForConnected(1000)) << endereco.toString().toStdString();
  }
  QTcpServer ocupado;
  ASSERT_TRUE(ocupado.listen(QHostAddress::LocalHost, 0));
  service::EndpointHttp outro([] { return service::Metricas{}; }, [] { return service::Saude{}; });
  EXPECT_FALSE(outro.Escuta(ocupado.serverPort()));
}
