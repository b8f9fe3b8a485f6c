#include "server/common/linked_list.h"

namespace kvt::common {

tNoListaEncadeada::~tNoListaEncadeada() {
  std::unique_ptr<tNoListaEncadeada> resto = std::move(proximo_);
  while (resto) {
    std::unique_ptr<tNoListaEncadeada> seguinte = std::move(resto->proximo_);
    resto.reset();  // its chain is already detached: no recursion
    resto = std::move(seguinte);
  }
}

tNoListaEncadeada* tListaEncadeada::Procura(const tValorNo& valor) const {
  for (tNoListaEncadeada* no = primeiro_.get(); no; no = no->proximo_.get())
    if (no->valor_->Igual(valor)) return no;
  return nullptr;
}

void tListaEncadeada::Adiciona(std::unique_ptr<tValorNo> valor) {
  auto no = std::make_unique<tNoListaEncadeada>(std::move(valor));
  tNoListaEncadeada* novo = no.get();
  if (ultimo_)
    ultimo_->proximo_ = std::move(no);
  else
    primeiro_ = std::move(no);
  ultimo_ = novo;
  ++contador_;
}

void tListaEncadeada::AdicionaUnico(std::unique_ptr<tValorNo> valor) {
  if (Procura(*valor)) return;  // the duplicate goes with `valor`
  Adiciona(std::move(valor));
}

void tListaEncadeada::InsereUnico(std::unique_ptr<tValorNo> valor) {
  if (Procura(*valor)) return;
  auto no = std::make_unique<tNoListaEncadeada>(std::move(valor));
  no->proximo_ = std::move(primeiro_);
  primeiro_ = std::move(no);
  if (!ultimo_) ultimo_ = primeiro_.get();
  ++contador_;
}

}  // namespace kvt::common
