#pragma once

// The rules of the maker's tracker catalogue that decide how a vehicle command
// may go: the model whose commands are checked against its vehicle's service
// plan, the models that take pre-defined messages, and the models and firmware
// versions that take free-text and binary, or formatted, messages by
// satellite. They live in the central's table tRegraRastreadorKVT (README,
// "Tracker catalogue rules") and are read once when the server starts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/db.h"

namespace kvt::telecmd {

const db::SqlText& sqlRegrasRastreador();

// One row: a rule, a tracker model and, for the satellite rules, the firmware
// versions from VersaoMinima to VersaoMaxima (texts compared as texts; an
// empty bound is open).
struct RegraRastreador {
  std::string Regra;
  std::int32_t Rastreador = 0;
  std::string VersaoMinima;
  std::string VersaoMaxima;
};

class tCatalogoRastreadores {
 public:
  static constexpr std::string_view kModeloComPlano = "ModeloComPlano";
  static constexpr std::string_view kModelosMensagemPre = "ModelosMensagemPre";
  static constexpr std::string_view kAceitaTextoSatelite = "AceitaTextoSatelite";
  static constexpr std::string_view kAceitaFormatadaSatelite = "AceitaFormatadaSatelite";

  tCatalogoRastreadores() = default;
  explicit tCatalogoRastreadores(std::vector<RegraRastreador> regras) : regras_(std::move(regras)) {}
  // Reads the rules of the central.
  static tCatalogoRastreadores Carrega(db::Connection& dbZenthora);

  // The model whose commands are checked against the plan (the first rule
  // row), or nothing when the central names none.
  std::optional<std::int32_t> ModeloComPlano() const;
  // The models that take pre-defined messages, in model order.
  std::vector<std::int32_t> ModelosMensagemPre() const;
  bool AceitaMensagemPre(std::int32_t rastreador) const;
  // The model list as the refusal quotes it: "2, 3, 6".
  std::string TextoModelosMensagemPre() const;
  // Whether free-text and binary messages may go by satellite to this model
  // and firmware version.
  bool AceitaTextoSatelite(std::int32_t rastreador, const std::string& versao) const;
  // The same for formatted messages.
  bool AceitaFormatadaSatelite(std::int32_t rastreador, const std::string& versao) const;

  const std::vector<RegraRastreador>& Regras() const { return regras_; }

 private:
  bool aceita(std::string_view regra, std::int32_t rastreador, const std::string& versao) const;

  std::vector<RegraRastreador> regras_;
};

}  // namespace kvt::telecmd
