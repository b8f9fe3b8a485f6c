#include "server/events/custom_event.h"

#include <utility>

#include "server/events/typed_complement.h"

namespace kvt::events {

namespace {
constexpr const char* kRotina = "TFPrincipal.Processa_Evt_Personalizado";
}  // namespace

DefinicoesModuloPorta::DefinicoesModuloPorta(std::vector<DefModuloPorta> linhas) : linhas_(std::move(linhas)) {
  for (std::size_t i = 0; i < linhas_.size(); ++i) porChave_.try_emplace(linhas_[i].Modulo_Porta, i);
}

const DefModuloPorta* DefinicoesModuloPorta::Localiza(std::int32_t moduloPorta) const {
  const auto achado = porChave_.find(moduloPorta);
  return achado == porChave_.end() ? nullptr : &linhas_[achado->second];
}

tEvtPersonalizado::tEvtPersonalizado(DefinicoesModuloPorta definicoes, LeituraEventoPersonalizado leitura,
                                     RegistroLog log)
    : qrDef_Modulo_Porta_(std::move(definicoes)), leitura_(std::move(leitura)), log_(std::move(log)) {}

std::string tEvtPersonalizado::Processa_Evt_Personalizado(std::int32_t idEvento, std::int32_t sistema,
                                                          std::string complemento) const {
  if (log_) log_(kRotina, "inicio");
  const std::optional<EventoPersonalizado> evento = leitura_ ? leitura_(idEvento, sistema) : std::nullopt;
  const std::string descricao = evento ? TextoElemento(evento->Descricao) : std::string();
  const std::string tipo = evento ? TextoElemento(evento->Tipo) : std::string();

  std::string saida = " <DescEvtPersonalizado> " + descricao + " </DescEvtPersonalizado>" +
                      " <TipoEvtPersonalizado>   " + tipo + " </TipoEvtPersonalizado> " + " <Complemento> ";
  if (evento) {
    for (std::int32_t chave : evento->ModuloPorta) {
      const DefModuloPorta* definicao = qrDef_Modulo_Porta_.Localiza(chave);
      if (!definicao) continue;
      const std::string valor = DecodificaValor(definicao->TipoCompilador, complemento, log_);
      saida += "<" + definicao->Identificador + "> " + valor + " </" + definicao->Identificador + ">";
    }
  }
  saida += " </Complemento> ";
  if (log_) log_(kRotina, "fim");
  return saida;
}

}  // namespace kvt::events
