#include "server/service/endpoint_http.h"

#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerResponse>

namespace kvt::service {

EndpointHttp::EndpointHttp(std::function<Metricas()> metricas, std::function<Saude()> saude)
    : metricas_(std::move(metricas)), saude_(std::move(saude)), servidor_(std::make_unique<QHttpServer>()) {
  servidor_->route("/metrics", QHttpServerRequest::Method::Get, [this] {
    const std::string corpo = FormataMetricas(metricas_());
    return QHttpServerResponse("text/plain; version=0.0.4; charset=utf-8",
                               QByteArray(corpo.data(), static_cast<qsizetype>(corpo.size())));
  });
  servidor_->route("/health", QHttpServerRequest::Method::Get, [this] {
    const RespostaHttp r = AvaliaSaude(saude_());
    return QHttpServerResponse("application/json", QByteArray(r.corpo.data(), static_cast<qsizetype>(r.corpo.size())),
                               static_cast<QHttpServerResponse::StatusCode>(r.status));
  });
}

EndpointHttp::~EndpointHttp() = default;

bool EndpointHttp::Escuta(std::uint16_t porta) {
  const quint16 p = servidor_->listen(QHostAddress::LocalHost, porta);
  if (p == 0) return false;
  porta_ = p;
  return true;
}

}  // namespace kvt::service
