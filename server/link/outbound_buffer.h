#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "server/runtime/log_files.h"

namespace kvt::link {

// "<?xml version=\"1.0\" ?> " + " <TeleEvento> " + body + " </TeleEvento>"
std::string EnvelopaTeleEvento(std::string_view corpo);

// The outbound buffer: the documents waiting for the next flush, back to back,
// mirrored on disk in BufferEnvio.txt so that a restart can send them again.
// It starts with room for kCapacidade bytes and grows when a document does
// not fit, so no append ever writes past its storage.
class BufferEnvio {
 public:
  static constexpr std::size_t kCapacidade = 1048576;
  static constexpr const char* kArquivo = "BufferEnvio.txt";

  // pasta: the folder of BufferEnvio.txt (the working directory in production).
  BufferEnvio(std::string pasta, runtime::LogFiles& logs);

  const std::string& Conteudo() const { return dados_; }
  std::int32_t TamBufferEnvio() const { return static_cast<std::int32_t>(dados_.size()); }
  const std::string& CaminhoArquivo() const { return caminho_; }

  // Appends a document to the buffer and to the disk mirror.
  void Incrementa_Buffer_Char_Envio(std::string_view documento);
  // Appends bytes to the disk mirror (created when absent).
  void GravaBufferEnvio(std::string_view bytes);
  // Deletes the disk mirror when it exists.
  void LimpaBufferEnvio();
  // Start-up: the buffer becomes the mirror's bytes up to an end-of-file mark (byte 26).
  void LeBufferEnvio();

  // Empties the buffer (the mirror is not touched).
  void Esvazia() { dados_.clear(); }
  // Drops the first n bytes, keeping what was appended after them.
  void DescartaInicio(std::size_t n);

 private:
  std::string pasta_;
  std::string caminho_;
  runtime::LogFiles& logs_;
  std::string dados_;
};

}  // namespace kvt::link
