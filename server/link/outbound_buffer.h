#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file/append_file.h"
#include "server/runtime/log_files.h"

namespace kvt::link {

// "<?xml version=\"1.0\" ?> " + " <TeleEvento> " + body + " </TeleEvento>"
std::string EnvelopaTeleEvento(std::string_view corpo);

// The event-table row a document came from. Replies come from no row.
struct OrigemDocumento {
  enum class Tabela : std::uint8_t { Nenhuma, Eventos, Controle };
  Tabela tabela = Tabela::Nenhuma;
  std::int32_t numSeq = 0;

  static OrigemDocumento Evento(std::int32_t n) { return {Tabela::Eventos, n}; }
  static OrigemDocumento Controle(std::int32_t n) { return {Tabela::Controle, n}; }
};

// The positions a delivery of the buffer's first bytes makes safe to commit:
// for each table, the last row whose documents all lie within those bytes.
struct PosicoesEntregues {
  std::optional<std::int32_t> eventos;
  std::optional<std::int32_t> controle;
};

// The outbound buffer: the documents waiting for the next flush, back to back,
// mirrored on disk in BufferEnvio.txt so that a restart can send them again.
// It starts with room for kCapacidade bytes and grows when a document does
// not fit, so no append ever writes past its storage.
//
// Beside the bytes it keeps, in order, where each document ends and the row
// it came from, and the rows the event passes finished without a document
// (filtered out). A flush of the first n bytes thus knows exactly which rows
// it delivered, whatever the passes read meanwhile.
class BufferEnvio {
 public:
  static constexpr std::size_t kCapacidade = 1048576;
  static constexpr const char* kArquivo = "BufferEnvio.txt";

  // pasta: the folder of BufferEnvio.txt (the working directory in production).
  BufferEnvio(std::string pasta, runtime::LogFiles& logs);

  const std::string& Conteudo() const { return dados_; }
  std::int32_t TamBufferEnvio() const { return static_cast<std::int32_t>(dados_.size()); }
  const std::string& CaminhoArquivo() const { return caminho_; }
  // Documents in the buffer (delivered or not yet).
  std::int32_t Documentos() const { return documentos_; }
  // Documents that end within the first n bytes.
  std::int32_t DocumentosAte(std::size_t n) const;

  // Appends a document to the buffer and to the disk mirror.
  void Incrementa_Buffer_Char_Envio(std::string_view documento, OrigemDocumento origem = {});
  // A pass finished this row: every document it gave is already in the buffer.
  void MarcaLinhaConcluida(OrigemDocumento linha);
  // The rows of a table were renumbered (truncated or emptied): what the
  // buffer remembers of them no longer names rows of the table.
  void EsqueceLinhas(OrigemDocumento::Tabela tabela);
  // The rows whose documents all lie within the first n bytes.
  PosicoesEntregues PosicoesAte(std::size_t n) const;
  // Something waits for a flush: a document, or rows to commit.
  bool TemPendencias() const { return !marcas_.empty(); }
  // When the oldest document still in the buffer was queued.
  std::optional<std::uint32_t> TickDocumentoMaisAntigo() const;

  // Appends bytes to the disk mirror (created when absent). The mirror stays
  // open between appends while its name still leads to it.
  void GravaBufferEnvio(std::string_view bytes);
  // Deletes the disk mirror when it exists.
  void LimpaBufferEnvio();
  // Start-up: the buffer becomes the mirror's bytes up to an end-of-file mark
  // (byte 26); each document in them counts, from no known row.
  void LeBufferEnvio();

  // Empties the buffer (the mirror is not touched).
  void Esvazia();
  // Keeps only the documents that come from no row (replies, restored
  // documents): the rows of the others are read again. The mirror is not touched.
  void MantemDocumentosSemLinha();
  // Drops the first n bytes, keeping what was appended after them.
  void DescartaInicio(std::size_t n);

 private:
  struct Marca {
    std::size_t fim;  // the byte after the document, or the end of the buffer when the row had none
    OrigemDocumento origem;
    bool documento;
    std::uint32_t tick;  // when it was queued
  };

  std::string pasta_;
  std::string caminho_;
  file::AppendFile espelho_;  // the disk mirror, open between appends
  runtime::LogFiles& logs_;
  std::string dados_;
  std::vector<Marca> marcas_;
  std::int32_t documentos_ = 0;
};

}  // namespace kvt::link
