#include "server/operations/leitura_pedido.h"

#include "platform/text/ascii_case.h"
#include "server/common/elemento.h"
#include "platform/text/cp1252.h"
#include "platform/text/hex_text.h"
#include "platform/text/integer_text.h"

namespace kvt::operations {

using namespace text::literals;

namespace {

std::string emBranco(std::string_view nome, const MensagensPedido& m) {
  return "Tag <" + std::string(nome) + "> está em branco, "_cp + m.acao;
}

std::string foraDaFaixa(std::string_view nome, const MensagensPedido& m) {
  return "Tag <" + std::string(nome) + "> informado erroneamente. " + m.acaoFaixa;
}

}  // namespace

LeituraPedido LePedido(const xml::Element& raiz, std::span<const ElementoPedido> elementos,
                       const MensagensPedido& mensagens) {
  LeituraPedido r;
  r.valores.numero.assign(elementos.size(), -1);
  r.valores.texto.assign(elementos.size(), std::string());
  for (xml::Element e = raiz.firstChildElement(); e; e = e.nextSiblingElement()) {
    const std::string nome = common::NomeDoElemento(e);
    for (std::size_t i = 0; i < elementos.size(); ++i) {
      if (!text::equalsIgnoreCase(nome, elementos[i].nome)) continue;
      const ElementoPedido& regra = elementos[i];
      std::string valor = common::TextoDoElemento(e);
      switch (regra.leitura) {
        case Leitura::Texto:
          if (valor.empty()) {
            r.erro = emBranco(regra.nome, mensagens);
            return r;
          }
          break;
        case Leitura::Hexadecimal: {
          const auto n = text::HexParaInt(valor);
          if (!n) {
            r.erro = emBranco(regra.nome, mensagens);
            return r;
          }
          r.valores.numero[i] = *n;
          break;
        }
        case Leitura::Decimal: {
          const auto n = valor.empty() ? std::nullopt : text::tryParseInt(valor);
          if (!n) {
            r.erro = emBranco(regra.nome, mensagens);
            return r;
          }
          if (regra.minimo <= regra.maximo && (*n < regra.minimo || *n > regra.maximo)) {
            r.erro = foraDaFaixa(regra.nome, mensagens);
            return r;
          }
          r.valores.numero[i] = *n;
          break;
        }
      }
      r.valores.texto[i] = std::move(valor);
      break;
    }
  }

  for (std::size_t i = 0; i < elementos.size(); ++i) {
    const bool falta = elementos[i].leitura == Leitura::Texto ? r.valores.texto[i].empty() : r.valores.numero[i] == -1;
    if (falta) {
      r.erro = "Telecomando incompleto, " + mensagens.acao;
      return r;
    }
  }
  return r;
}

}  // namespace kvt::operations
