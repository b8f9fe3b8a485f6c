#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "server/common/linked_list.h"

using kvt::common::tListaEncadeada;
using kvt::common::tNoListaEncadeada;
using kvt::common::tValorNo;

namespace {

// A value equal to another by its key; `marca` tells copies of one key apart,
// and every destruction is counted per marca.
struct Registro : tValorNo {
  Registro(std::string k, std::string m, std::map<std::string, int>& mortes) : chave(std::move(k)), marca(std::move(m)), mortes_(mortes) {}
  ~Registro() override { ++mortes_[marca]; }
  bool Igual(const tValorNo& outro) const override {
    auto* r = dynamic_cast<const Registro*>(&outro);
    return r && r->chave == chave;
  }
  std::string chave, marca;
  std::map<std::string, int>& mortes_;
};

struct ListaFixture : ::testing::Test {
  std::map<std::string, int> mortes;
  std::unique_ptr<Registro> valor(const std::string& chave, const std::string& marca) {
    return std::make_unique<Registro>(chave, marca, mortes);
  }
  static std::vector<std::string> marcas(const tListaEncadeada& lista) {
    std::vector<std::string> out;
    for (auto* no = lista.Primeiro(); no; no = no->Proximo()) out.push_back(static_cast<Registro&>(no->Valor()).marca);
    return out;
  }
};

}  // namespace

TEST_F(ListaFixture, EmptyList) {
  tListaEncadeada lista;
  EXPECT_TRUE(lista.Vazia());
  EXPECT_EQ(lista.Procura(*valor("a", "x")), nullptr);
  EXPECT_EQ(lista.Primeiro(), nullptr);
  EXPECT_EQ(lista.Ultimo(), nullptr);
  EXPECT_EQ(lista.Contador(), 0);
}

TEST_F(ListaFixture, InsereUnicoPutsInFrontAndFreesTheDuplicate) {
  {
    tListaEncadeada lista;
    lista.InsereUnico(valor("A", "A1"));
    EXPECT_EQ(lista.Primeiro(), lista.Ultimo());  // first node of an empty list is also the last
    lista.InsereUnico(valor("B", "B1"));
    lista.InsereUnico(valor("A", "A2"));
    EXPECT_EQ(marcas(lista), (std::vector<std::string>{"B1", "A1"}));
    EXPECT_EQ(mortes["A2"], 1);  // freed at once
    EXPECT_EQ(mortes["A1"], 0);
    EXPECT_EQ(static_cast<Registro&>(lista.Ultimo()->Valor()).marca, "A1");
    EXPECT_EQ(lista.Contador(), 2);
    // appending after front insertions keeps the last node right
    lista.Adiciona(valor("C", "C1"));
    EXPECT_EQ(marcas(lista), (std::vector<std::string>{"B1", "A1", "C1"}));
  }
  EXPECT_EQ(mortes, (std::map<std::string, int>{{"A1", 1}, {"A2", 1}, {"B1", 1}, {"C1", 1}}));
}

TEST_F(ListaFixture, AdicionaUnicoAppendsAndProcuraFindsTheFirstEqual) {
  tListaEncadeada lista;
  lista.AdicionaUnico(valor("A", "A1"));
  lista.AdicionaUnico(valor("B", "B1"));
  lista.AdicionaUnico(valor("A", "A2"));
  EXPECT_EQ(marcas(lista), (std::vector<std::string>{"A1", "B1"}));
  EXPECT_EQ(mortes["A2"], 1);
  EXPECT_EQ(lista.Contador(), 2);
  // Adiciona does not refuse duplicates; Procura answers the first one
  lista.Adiciona(valor("B", "B2"));
  auto* achado = lista.Procura(*valor("B", "consulta"));
  ASSERT_NE(achado, nullptr);
  EXPECT_EQ(static_cast<Registro&>(achado->Valor()).marca, "B1");
  EXPECT_EQ(lista.Procura(*valor("Z", "consulta")), nullptr);
  EXPECT_FALSE(lista.Vazia());
}

TEST_F(ListaFixture, FreeingALongListFreesEveryValueOnceWithoutDeepRecursion) {
  constexpr int n = 1000000;  // nested destruction of this many nodes would exhaust the stack
  {
    tListaEncadeada lista;
    for (int i = 0; i < n; ++i) lista.Adiciona(valor(std::to_string(i), "v"));
    EXPECT_EQ(lista.Contador(), n);
  }
  EXPECT_EQ(mortes["v"], n);
}
