#include "server/link/outbound_buffer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kvt::link {

std::string EnvelopaTeleEvento(std::string_view corpo) {
  std::string documento = "<?xml version=\"1.0\" ?> ";
  documento += " <TeleEvento> ";
  documento += corpo;
  documento += " </TeleEvento>";
  return documento;
}

BufferEnvio::BufferEnvio(std::string pasta, runtime::LogFiles& logs)
    : pasta_(std::move(pasta)), caminho_((std::filesystem::path(pasta_) / kArquivo).string()), logs_(logs) {
  dados_.reserve(kCapacidade);
}

void BufferEnvio::Incrementa_Buffer_Char_Envio(std::string_view documento) {
  logs_.log("TFPrincipal.Incrementa_Buffer_Char_Envio", "inicio");
  dados_.append(documento);
  GravaBufferEnvio(documento);
}

void BufferEnvio::GravaBufferEnvio(std::string_view bytes) {
  std::FILE* f = std::fopen(caminho_.c_str(), "ab");
  if (!f) throw std::runtime_error("Unable to write to " + caminho_);
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fflush(f) == 0;
  std::fclose(f);
  if (!ok) throw std::runtime_error("Unable to write to " + caminho_);
}

void BufferEnvio::LimpaBufferEnvio() {
  static constexpr const char* rotina = "TFPrincipal.LimpaBufferEnvio";
  logs_.log(rotina, "Ponto 1");
  std::error_code ec;
  if (std::filesystem::exists(caminho_, ec)) {
    logs_.log(rotina, "Ponto 2");
    std::filesystem::remove(caminho_, ec);
    logs_.log(rotina, "Ponto 3");
  }
  logs_.log(rotina, "Ponto 4");
}

void BufferEnvio::LeBufferEnvio() {
  static constexpr const char* rotina = "TFPrincipal.LeBufferEnvio";
  dados_.clear();
  logs_.log(rotina, "Ponto 4");
  std::error_code ec;
  if (!std::filesystem::exists(caminho_, ec)) return;
  logs_.log(rotina, "Ponto 5");
  std::ifstream in(caminho_, std::ios::binary);
  logs_.log(rotina, "Ponto 6");
  logs_.log(rotina, "Ponto 7");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t fimDeArquivo = bytes.find('\x1A');  // reading as text stops there
  if (fimDeArquivo != std::string::npos) bytes.resize(fimDeArquivo);
  dados_ = std::move(bytes);
  if (dados_.capacity() < kCapacidade) dados_.reserve(kCapacidade);
  logs_.log(rotina, "Ponto 9");
  in.close();
  logs_.log(rotina, "recuperados " + std::to_string(dados_.size()) + " bytes.");
}

void BufferEnvio::DescartaInicio(std::size_t n) {
  if (n >= dados_.size())
    dados_.clear();
  else
    dados_.erase(0, n);
}

}  // namespace kvt::link
