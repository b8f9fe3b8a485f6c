#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "server/service/metricas.h"

class QHttpServer;

namespace kvt::service {

// The monitoring endpoint: GET /health and GET /metrics on 127.0.0.1 only.
// It runs on the main thread like every other socket, and asks the server
// for fresh figures at each request.
class EndpointHttp {
 public:
  EndpointHttp(std::function<Metricas()> metricas, std::function<Saude()> saude);
  ~EndpointHttp();
  EndpointHttp(const EndpointHttp&) = delete;
  EndpointHttp& operator=(const EndpointHttp&) = delete;

  // Listens on 127.0.0.1:porta (0 picks a free port); false when it cannot.
  bool Escuta(std::uint16_t porta);
  std::uint16_t Porta() const { return porta_; }

 private:
  std::function<Metricas()> metricas_;
  std::function<Saude()> saude_;
  std::unique_ptr<QHttpServer> servidor_;
  std::uint16_t porta_ = 0;
};

}  // namespace kvt::service
