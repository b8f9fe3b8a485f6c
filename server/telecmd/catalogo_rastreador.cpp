#include "server/telecmd/catalogo_rastreador.h"

namespace kvt::telecmd {

KVT_SQL(sqlRegrasRastreador,
        "select Regra, Rastreador, VersaoMinima, VersaoMaxima from tRegraRastreadorKVT order by Regra, Rastreador",
        "select Regra, Rastreador, VersaoMinima, VersaoMaxima from tRegraRastreadorKVT order by Regra, Rastreador");

tCatalogoRastreadores tCatalogoRastreadores::Carrega(db::Connection& dbZenthora) {
  db::Statement qr(dbZenthora, sqlRegrasRastreador());
  qr.open();
  std::vector<RegraRastreador> regras;
  for (; !qr.eof(); qr.next())
    regras.push_back({qr.field("Regra").asString(), qr.field("Rastreador").asInt(),
                      qr.field("VersaoMinima").asString(), qr.field("VersaoMaxima").asString()});
  return tCatalogoRastreadores(std::move(regras));
}

std::optional<std::int32_t> tCatalogoRastreadores::ModeloComPlano() const {
  for (const RegraRastreador& r : regras_)
    if (r.Regra == kModeloComPlano) return r.Rastreador;
  return std::nullopt;
}

std::vector<std::int32_t> tCatalogoRastreadores::ModelosMensagemPre() const {
  std::vector<std::int32_t> modelos;
  for (const RegraRastreador& r : regras_)
    if (r.Regra == kModelosMensagemPre) modelos.push_back(r.Rastreador);
  return modelos;
}

bool tCatalogoRastreadores::AceitaMensagemPre(std::int32_t rastreador) const {
  for (const RegraRastreador& r : regras_)
    if (r.Regra == kModelosMensagemPre && r.Rastreador == rastreador) return true;
  return false;
}

std::string tCatalogoRastreadores::TextoModelosMensagemPre() const {
  std::string texto;
  for (const std::int32_t modelo : ModelosMensagemPre()) {
    if (!texto.empty()) texto += ", ";
    texto += std::to_string(modelo);
  }
  return texto;
}

bool tCatalogoRastreadores::aceita(std::string_view regra, std::int32_t rastreador, const std::string& versao) const {
  for (const RegraRastreador& r : regras_) {
    if (r.Regra != regra || r.Rastreador != rastreador) continue;
    if (!r.VersaoMinima.empty() && versao < r.VersaoMinima) continue;
    if (!r.VersaoMaxima.empty() && versao > r.VersaoMaxima) continue;
    return true;
  }
  return false;
}

bool tCatalogoRastreadores::AceitaTextoSatelite(std::int32_t rastreador, const std::string& versao) const {
  return aceita(kAceitaTextoSatelite, rastreador, versao);
}

bool tCatalogoRastreadores::AceitaFormatadaSatelite(std::int32_t rastreador, const std::string& versao) const {
  return aceita(kAceitaFormatadaSatelite, rastreador, versao);
}

}  // namespace kvt::telecmd
