#include "client/arvore_xml.h"

#include "platform/text/hex_text.h"

namespace kvt::cliente {

namespace {

std::size_t contaNos(const NoArvore& no) {
  std::size_t n = 1;
  for (const NoArvore& f : no.filhos) n += contaNos(f);
  return n;
}

void estendeResumo(NoArvore& pai, const std::string& nomeMaiusculo, const std::string& valor) {
  if (nomeMaiusculo == "CODMSG")
    pai.texto += "CodMsg: " + valor;
  else if (nomeMaiusculo == "EVENTO")
    pai.texto += ", Evento: " + valor;
  else if (nomeMaiusculo == "DATAHORAEVENTO")
    pai.texto += ", DataHoraEvento: " + valor;
  else if (nomeMaiusculo == "IDTERMINAL")
    pai.texto += ", IdTerminal: " + valor + " (" + std::to_string(DecimalDoHexadecimal(valor)) + ")";
}

void percorre(const xml::Element& elemento, NoArvore& pai) {
  for (xml::Element e = elemento.firstChildElement(); e; e = e.nextSiblingElement()) {
    const std::string nome = e.name();
    if (e.firstChildElement()) {
      pai.filhos.push_back({"<" + nome + ">", {}});
      percorre(e, pai.filhos.back());
    } else {
      const std::string valor = e.value();
      pai.filhos.push_back({"<" + nome + "> " + valor + " </" + nome + ">", {}});
      estendeResumo(pai, e.upperName(), valor);
    }
  }
}

}  // namespace

std::uint32_t DecimalDoHexadecimal(std::string_view texto) { return text::HexParaNum(texto).value_or(0); }

NoArvore MontaNoDocumento(const xml::Element& raiz) {
  NoArvore topo;
  percorre(raiz, topo);
  return topo;
}

const NoArvore& ArvoreXML::adiciona(const xml::Element& raiz) {
  topos_.push_back(MontaNoDocumento(raiz));
  numNos_ += contaNos(topos_.back());
  return topos_.back();
}

void ArvoreXML::limpa() {
  topos_.clear();
  numNos_ = 0;
}

}  // namespace kvt::cliente
