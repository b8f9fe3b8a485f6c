#pragma once

// The server's own singly linked list of owned values. Every value derives
// from tValorNo and says by itself when it equals another one; the list uses
// that to find a value and to refuse duplicates. Callers walk the list from
// Primeiro() along Proximo(); there is no removal of a single node.
//
//   tListaEncadeada lista;
//   lista.AdicionaUnico(std::make_unique<tVeiculo>(...));  // the list owns it now
//   for (auto* no = lista.Primeiro(); no; no = no->Proximo()) use(no->Valor());

#include <cstdint>
#include <memory>

namespace kvt::common {

class tValorNo {
 public:
  virtual ~tValorNo() = default;
  virtual bool Igual(const tValorNo& outro) const = 0;
};

class tNoListaEncadeada {
 public:
  explicit tNoListaEncadeada(std::unique_ptr<tValorNo> valor) : valor_(std::move(valor)) {}
  // Frees the rest of the chain node by node, so a long list never recurses.
  ~tNoListaEncadeada();
  tNoListaEncadeada(const tNoListaEncadeada&) = delete;
  tNoListaEncadeada& operator=(const tNoListaEncadeada&) = delete;

  tValorNo& Valor() const { return *valor_; }
  tNoListaEncadeada* Proximo() const { return proximo_.get(); }

 private:
  friend class tListaEncadeada;
  std::unique_ptr<tValorNo> valor_;
  std::unique_ptr<tNoListaEncadeada> proximo_;
};

class tListaEncadeada {
 public:
  tListaEncadeada() = default;
  ~tListaEncadeada() = default;  // the first node frees the chain
  tListaEncadeada(const tListaEncadeada&) = delete;
  tListaEncadeada& operator=(const tListaEncadeada&) = delete;

  // The first node whose value answers Igual(valor), or nullptr.
  tNoListaEncadeada* Procura(const tValorNo& valor) const;
  // Appends at the end.
  void Adiciona(std::unique_ptr<tValorNo> valor);
  // Appends unless an equal value is there already; a duplicate is freed.
  void AdicionaUnico(std::unique_ptr<tValorNo> valor);
  // Puts the value in front unless an equal value is there already; a
  // duplicate is freed.
  void InsereUnico(std::unique_ptr<tValorNo> valor);
  bool Vazia() const { return !primeiro_; }

  tNoListaEncadeada* Primeiro() const { return primeiro_.get(); }
  tNoListaEncadeada* Ultimo() const { return ultimo_; }
  // Insertions made (duplicates refused are not counted).
  std::int32_t Contador() const { return contador_; }

 private:
  std::unique_ptr<tNoListaEncadeada> primeiro_;
  tNoListaEncadeada* ultimo_ = nullptr;
  std::int32_t contador_ = 0;
};

}  // namespace kvt::common
