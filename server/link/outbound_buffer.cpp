#include "server/link/outbound_buffer.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/clock/clock.h"

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

void BufferEnvio::Incrementa_Buffer_Char_Envio(std::string_view documento, OrigemDocumento origem) {
  logs_.log("TFPrincipal.Incrementa_Buffer_Char_Envio", "inicio");
  dados_.append(documento);
  marcas_.push_back({dados_.size(), origem, true, clk::tickCount()});
  ++documentos_;
  GravaBufferEnvio(documento);
}

void BufferEnvio::MarcaLinhaConcluida(OrigemDocumento linha) {
  if (linha.tabela == OrigemDocumento::Tabela::Nenhuma) return;
  // A run of filtered rows needs one mark only: the last one.
  if (!marcas_.empty()) {
    Marca& ultima = marcas_.back();
    if (!ultima.documento && ultima.fim == dados_.size() && ultima.origem.tabela == linha.tabela) {
      ultima.origem = linha;
      return;
    }
  }
  marcas_.push_back({dados_.size(), linha, false, clk::tickCount()});
}

void BufferEnvio::EsqueceLinhas(OrigemDocumento::Tabela tabela) {
  std::erase_if(marcas_, [tabela](const Marca& m) { return !m.documento && m.origem.tabela == tabela; });
  for (Marca& m : marcas_)
    if (m.origem.tabela == tabela) m.origem = {};
}

std::int32_t BufferEnvio::DocumentosAte(std::size_t n) const {
  std::int32_t total = 0;
  for (const Marca& m : marcas_) {
    if (m.fim > n) break;
    if (m.documento) ++total;
  }
  return total;
}

PosicoesEntregues BufferEnvio::PosicoesAte(std::size_t n) const {
  // The latest row counts, not the largest: after a rewind the rows are read
  // again from a lower number.
  PosicoesEntregues p;
  for (const Marca& m : marcas_) {
    if (m.fim > n) break;
    if (m.origem.tabela == OrigemDocumento::Tabela::Eventos) p.eventos = m.origem.numSeq;
    if (m.origem.tabela == OrigemDocumento::Tabela::Controle) p.controle = m.origem.numSeq;
  }
  return p;
}

std::optional<std::uint32_t> BufferEnvio::TickDocumentoMaisAntigo() const {
  for (const Marca& m : marcas_)
    if (m.documento) return m.tick;
  return std::nullopt;
}

void BufferEnvio::Esvazia() {
  dados_.clear();
  marcas_.clear();
  documentos_ = 0;
}

void BufferEnvio::GravaBufferEnvio(std::string_view bytes) {
  // The file may have been deleted or replaced by someone else meanwhile: the
  // bytes then go to whatever the name leads to now, as an open per append did.
  if (!espelho_.follow(caminho_) || !espelho_.append(bytes)) throw std::runtime_error("Unable to write to " + caminho_);
}

void BufferEnvio::LimpaBufferEnvio() {
  static constexpr const char* rotina = "TFPrincipal.LimpaBufferEnvio";
  logs_.log(rotina, "Ponto 1");
  std::error_code ec;
  if (std::filesystem::exists(caminho_, ec)) {
    logs_.log(rotina, "Ponto 2");
    espelho_.close();
    std::filesystem::remove(caminho_, ec);
    logs_.log(rotina, "Ponto 3");
  }
  logs_.log(rotina, "Ponto 4");
}

void BufferEnvio::LeBufferEnvio() {
  static constexpr const char* rotina = "TFPrincipal.LeBufferEnvio";
  Esvazia();
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
  // Each restored document counts as waiting, so nothing that waits for the
  // buffer to be delivered runs before it is.
  marcas_.clear();
  documentos_ = 0;
  static constexpr std::string_view kFim = "</TeleEvento>";
  std::size_t fim = 0;
  for (std::size_t p = dados_.find(kFim); p != std::string::npos; p = dados_.find(kFim, fim)) {
    fim = p + kFim.size();
    marcas_.push_back({fim, {}, true, clk::tickCount()});
    ++documentos_;
  }
  if (fim < dados_.size()) {  // a last document cut short still goes out
    marcas_.push_back({dados_.size(), {}, true, clk::tickCount()});
    ++documentos_;
  }
  logs_.log(rotina, "Ponto 9");
  in.close();
  logs_.log(rotina, "recuperados " + std::to_string(dados_.size()) + " bytes.");
}

void BufferEnvio::MantemDocumentosSemLinha() {
  std::string mantidos;
  std::vector<Marca> marcas;
  std::size_t inicio = 0;
  for (const Marca& m : marcas_) {
    if (m.documento && m.origem.tabela == OrigemDocumento::Tabela::Nenhuma) {
      mantidos.append(dados_, inicio, m.fim - inicio);
      marcas.push_back({mantidos.size(), {}, true, m.tick});
    }
    inicio = m.fim;
  }
  dados_ = std::move(mantidos);
  if (dados_.capacity() < kCapacidade) dados_.reserve(kCapacidade);
  marcas_ = std::move(marcas);
  documentos_ = static_cast<std::int32_t>(marcas_.size());
}

void BufferEnvio::DescartaInicio(std::size_t n) {
  if (n >= dados_.size()) {
    Esvazia();
    return;
  }
  dados_.erase(0, n);
  std::size_t consumidas = 0;
  while (consumidas < marcas_.size() && marcas_[consumidas].fim <= n) {
    if (marcas_[consumidas].documento) --documentos_;
    ++consumidas;
  }
  marcas_.erase(marcas_.begin(), marcas_.begin() + static_cast<std::ptrdiff_t>(consumidas));
  for (Marca& m : marcas_) m.fim -= n;
}

}  // namespace kvt::link
