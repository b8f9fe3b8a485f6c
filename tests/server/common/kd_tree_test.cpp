#include "server/common/kd_tree.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "platform/text/regional.h"
#include "tests/server/common/br_places.h"

using namespace kvt::common;

namespace {

std::unique_ptr<Ponto> cidade(const char* nome, double lat, double lon) {
  return std::make_unique<Ponto>(nome, "SP", lat, lon);
}

Retangulo caixa(const std::vector<Ponto>& pontos) {
  Retangulo r(kDistanciaInicial, -2147483648.0, kDistanciaInicial, -2147483648.0);
  for (const Ponto& p : pontos) {
    r.latMin = std::min(r.latMin, p.latitude());
    r.latMax = std::max(r.latMax, p.latitude());
    r.lonMin = std::min(r.lonMin, p.longitude());
    r.lonMax = std::max(r.lonMax, p.longitude());
  }
  return r;
}

void insereTodos(KDTree& arvore, const std::vector<Ponto>& pontos) {
  for (const Ponto& p : pontos) arvore.Insere(std::make_unique<Ponto>(p));
}

// The reference: every point, in order, keeping the first of equal distances.
struct Linear {
  double distancia = kDistanciaInicial;
  const Ponto* ponto = nullptr;
  int empatados = 0;  // points at exactly that distance
};

Linear varredura(const std::vector<Ponto>& pontos, const Ponto& q) {
  Linear melhor;
  for (const Ponto& p : pontos) {
    const double d = Distancia(p, q);
    if (d < melhor.distancia) {
      melhor = {d, &p, 1};
    } else if (d == melhor.distancia) {
      ++melhor.empatados;
    }
  }
  return melhor;
}

// The plain search over the node tree, carrying the region of each subtree
// and pruning with its smallest single-axis gap; a right subtree's region
// starts the tolerance below its node, where such points may lie. The
// index must reach the same place as this one for every query, ties
// included: the order of the visits decides which of two equidistant
// places wins.
void buscaPorRegioes(const No* no, const Ponto& q, const Retangulo& r, int eixo, PontoProx& melhor) {
  if (!no || r.distancia(q) >= melhor.distancia) return;
  const Ponto& p = *no->ponto;
  const double d = Distancia(p, q);
  if (d < melhor.distancia) melhor = {d, &p};
  const double margem = kToleranciaCompara + 1e-9;
  const Retangulo inferior = eixo == kEixoLatitude ? Retangulo(r.latMin, p.latitude(), r.lonMin, r.lonMax)
                                                   : Retangulo(r.latMin, r.latMax, r.lonMin, p.longitude());
  const Retangulo superior = eixo == kEixoLatitude
                                 ? Retangulo(p.latitude() - margem, r.latMax, r.lonMin, r.lonMax)
                                 : Retangulo(r.latMin, r.latMax, p.longitude() - margem, r.lonMax);
  const int seguinte = (eixo + 1) % 2;
  if (Compara(q, p, eixo) < 0) {
    buscaPorRegioes(no->esquerda.get(), q, inferior, seguinte, melhor);
    buscaPorRegioes(no->direita.get(), q, superior, seguinte, melhor);
  } else {
    buscaPorRegioes(no->direita.get(), q, superior, seguinte, melhor);
    buscaPorRegioes(no->esquerda.get(), q, inferior, seguinte, melhor);
  }
}

// Runs f on a thread with a small stack, where deep recursion would crash.
template <class F>
void comPilhaPequena(std::size_t bytes, F f) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, bytes);
  pthread_t thread;
  ASSERT_EQ(pthread_create(
                &thread, &attr,
                [](void* arg) -> void* {
                  (*static_cast<F*>(arg))();
                  return nullptr;
                },
                &f),
            0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

}  // namespace

TEST(KDTreeCompara, ToleranceDecidesEqualityOnEachAxis) {
  struct Caso {
    double a, b;
    int esperado;
  } casos[] = {
      {1.0, 1.0, 0},     {1.004, 1.0, 0},  {1.0, 1.004, -1},  // below is -1 even within the tolerance
      {1.006, 1.0, 1},   {-10.0, -10.2, 1}, {-10.2, -10.0, -1},
      {0.0049, 0.0, 0},  {0.0051, 0.0, 1},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << c.a << " vs " << c.b);
    EXPECT_EQ(Compara(Ponto(c.a, 7.0), Ponto(c.b, -3.0), kEixoLatitude), c.esperado);
    EXPECT_EQ(Compara(Ponto(7.0, c.a), Ponto(-3.0, c.b), kEixoLongitude), c.esperado);
  }
}

TEST(KDTreePonto, KindsRegionsAndText) {
  kvt::text::setRegional({});
  const Ponto c("Campinas", "SP", -22.5, -47.25);
  const Ponto r("Posto 7", -1.5, 2.0);
  const Ponto q(-22.5, -47.25);
  EXPECT_EQ(c.tipo(), kCidade);
  EXPECT_EQ(r.tipo(), kReferencia);
  EXPECT_EQ(r.regiao(), "--");
  EXPECT_EQ(q.tipo(), kConsulta);
  EXPECT_EQ(q.nome(), "");
  EXPECT_EQ(c.ComoTexto(), "Campinas:(-22,5,-47,25)");
  EXPECT_EQ(r.ComoTexto(), "");
  EXPECT_EQ(q.ComoTexto(), "(-22,5,-47,25)");
  EXPECT_DOUBLE_EQ(Distancia(Ponto(0, 0), Ponto(3, 4)), 5.0);
}

TEST(KDTreeInsere, SidesFollowTheToleranceAndTheAlternatingAxis) {
  KDTree arvore;
  arvore.Insere(cidade("raiz", 10.0, 10.0));
  arvore.Insere(cidade("pouco abaixo", 9.997, 50.0));  // within the tolerance below: right
  arvore.Insere(cidade("bem abaixo", 9.0, 50.0));      // clearly below: left
  arvore.Insere(cidade("pouco acima", 10.003, 5.0));   // right, then by longitude under "pouco abaixo"
  const No* raiz = arvore.raiz();
  ASSERT_NE(raiz, nullptr);
  ASSERT_TRUE(raiz->direita && raiz->esquerda);
  EXPECT_EQ(raiz->direita->ponto->nome(), "pouco abaixo");
  EXPECT_EQ(raiz->esquerda->ponto->nome(), "bem abaixo");
  ASSERT_TRUE(raiz->direita->esquerda);  // longitude 5 is clearly below 50
  EXPECT_EQ(raiz->direita->esquerda->ponto->nome(), "pouco acima");
  EXPECT_EQ(arvore.tamanho(), 4u);
  EXPECT_EQ(arvore.profundidade(), 3u);
}

TEST(KDTreeMaisProximo, EmptyTreeLeavesTheResultUntouched) {
  const KDTree arvore;
  PontoProx achado;
  arvore.MaisProximo(Ponto(1, 1), Retangulo(0, 2, 0, 2), achado);
  EXPECT_EQ(achado.distancia, 2147483647.0);
  EXPECT_EQ(achado.ponto, nullptr);
}

TEST(KDTreeMaisProximo, ExactHitAndQueriesOutsideTheBox) {
  KDTree arvore;
  std::vector<Ponto> pontos = {{"A", "SP", 1, 1}, {"B", "SP", -3, 4}, {"C", "SP", 2, -5}};
  insereTodos(arvore, pontos);
  const Retangulo r = caixa(pontos);
  PontoProx achado;
  arvore.MaisProximo(Ponto(-3, 4), r, achado);
  ASSERT_NE(achado.ponto, nullptr);
  EXPECT_EQ(achado.ponto->nome(), "B");
  EXPECT_EQ(achado.distancia, 0.0);
  // far outside the bounding box: not pruned at the root
  PontoProx longe;
  arvore.MaisProximo(Ponto(80, 170), r, longe);
  ASSERT_NE(longe.ponto, nullptr);
  EXPECT_EQ(longe.ponto->nome(), "B");
  EXPECT_EQ(longe.distancia, Distancia(Ponto(80, 170), Ponto(-3, 4)));
  // a single point whose box is a point
  KDTree um;
  um.Insere(cidade("So", 5, 5));
  PontoProx so;
  um.MaisProximo(Ponto(-40, -40), Retangulo(5, 5, 5, 5), so);
  ASSERT_NE(so.ponto, nullptr);
  EXPECT_EQ(so.ponto->nome(), "So");
}

TEST(KDTreeMaisProximo, TieGoesToThePointTheSearchReachesFirst) {
  // Both candidates lie 3 degrees from the query. "direita" is inserted first,
  // but the query is below the root, so the left subtree is searched first.
  KDTree arvore;
  arvore.Insere(cidade("raiz", 5, 100));
  arvore.Insere(cidade("direita", 6, 0));
  arvore.Insere(cidade("esquerda", 0, 0));
  const Retangulo r(0, 6, 0, 100);
  PontoProx achado;
  arvore.MaisProximo(Ponto(3, 0), r, achado);
  ASSERT_NE(achado.ponto, nullptr);
  EXPECT_EQ(achado.ponto->nome(), "esquerda");
  EXPECT_EQ(achado.distancia, 3.0);
  // and the root wins a tie with its own subtree
  KDTree outra;
  outra.Insere(cidade("raiz", 0, 0));
  outra.Insere(cidade("filho", 0, 2));
  PontoProx meio;
  outra.MaisProximo(Ponto(0, 1), Retangulo(0, 0, 0, 2), meio);
  EXPECT_EQ(meio.ponto->nome(), "raiz");
}

TEST(KDTreeMaisProximo, FindsAPlaceOfARightSubtreeLyingJustBelowItsNode) {
  // "logo abaixo" is 0.004 below the root's latitude, so it sits in the right
  // subtree although it is below the root. The query is nearer to it (0.001)
  // than to the root (0.003); a search that pruned the right subtree with a
  // region starting at the root's latitude would answer the root.
  KDTree arvore;
  arvore.Insere(cidade("raiz", 0, 0));
  arvore.Insere(cidade("logo abaixo", -0.004, 0));
  arvore.Insere(cidade("bem abaixo", -1, 0));
  ASSERT_EQ(arvore.raiz()->direita->ponto->nome(), "logo abaixo");
  PontoProx achado;
  arvore.MaisProximo(Ponto(-0.003, 0), Retangulo(-1, 0, 0, 0), achado);
  ASSERT_NE(achado.ponto, nullptr);
  EXPECT_EQ(achado.ponto->nome(), "logo abaixo");
  EXPECT_NEAR(achado.distancia, 0.001, 1e-12);
  // the same on the longitude axis, one level down
  KDTree lon;
  lon.Insere(cidade("raiz", 0, 0));
  lon.Insere(cidade("eixo", 5, 0));            // right of the root, splits on longitude
  lon.Insere(cidade("logo a oeste", 5, -0.004));  // right of "eixo"
  lon.Insere(cidade("bem a oeste", 5, -1));
  PontoProx oeste;
  lon.MaisProximo(Ponto(5, -0.003), Retangulo(0, 5, -1, 0), oeste);
  EXPECT_EQ(oeste.ponto->nome(), "logo a oeste");
}

TEST(KDTreeMaisProximo, AgreesWithALinearScanOverTheDemoPlaces) {
  std::vector<Ponto> lugares = kvt::test::brPlaces();
  ASSERT_GT(lugares.size(), 5000u) << "br-places.csv not found";
  // some reference points near and between the cities, inserted after them
  std::mt19937 gerador(20240611);
  std::uniform_int_distribution<std::size_t> qual(0, lugares.size() - 1);
  std::uniform_real_distribution<double> desvio(-0.05, 0.05);
  const std::size_t cidades = lugares.size();
  for (int i = 0; i < 300; ++i) {
    const Ponto& perto = lugares[qual(gerador)];
    lugares.emplace_back("Ref " + std::to_string(i), perto.latitude() + desvio(gerador),
                         perto.longitude() + desvio(gerador));
  }
  const Retangulo r = caixa(lugares);

  std::vector<Ponto> ordenados = lugares;  // sorted by latitude: a much deeper tree
  std::stable_sort(ordenados.begin(), ordenados.end(),
                   [](const Ponto& a, const Ponto& b) { return a.latitude() < b.latitude(); });

  KDTree naOrdem;
  KDTree emOrdem;
  insereTodos(naOrdem, lugares);
  insereTodos(emOrdem, ordenados);
  EXPECT_EQ(naOrdem.tamanho(), lugares.size());
  EXPECT_GT(emOrdem.profundidade(), naOrdem.profundidade());

  std::uniform_real_distribution<double> lat(r.latMin - 1, r.latMax + 1);
  std::uniform_real_distribution<double> lon(r.lonMin - 1, r.lonMax + 1);
  std::uniform_real_distribution<double> tolerancia(-0.006, 0.006);
  int empates = 0;
  for (int i = 0; i < 4000; ++i) {
    Ponto q(0, 0);
    switch (i % 4) {
      case 0: q = Ponto(lat(gerador), lon(gerador)); break;  // anywhere in and around the country
      case 1: q = Ponto(lugares[qual(gerador)].latitude(), lugares[qual(gerador)].longitude()); break;
      case 2: {  // within the tolerance of a place, where the sides of a node overlap
        const Ponto& p = lugares[i % 8 == 2 ? qual(gerador) : cidades + static_cast<std::size_t>(i) % 300];
        q = Ponto(p.latitude() + tolerancia(gerador), p.longitude() + tolerancia(gerador));
        break;
      }
      default: q = lugares[qual(gerador)]; break;  // exactly on a place
    }
    const Linear esperado = varredura(lugares, q);
    for (const KDTree* arvore : {&naOrdem, &emOrdem}) {
      PontoProx achado;
      arvore->MaisProximo(q, r, achado);
      ASSERT_NE(achado.ponto, nullptr);
      ASSERT_EQ(achado.distancia, esperado.distancia) << "query " << q.latitude() << "," << q.longitude();
      PontoProx referencia;
      buscaPorRegioes(arvore->raiz(), q, r, kEixoLatitude, referencia);
      ASSERT_EQ(achado.ponto, referencia.ponto) << "query " << q.latitude() << "," << q.longitude();
      if (esperado.empatados == 1) {
        EXPECT_EQ(achado.ponto->nome(), esperado.ponto->nome());
        EXPECT_EQ(achado.ponto->latitude(), esperado.ponto->latitude());
      } else {
        ++empates;  // equidistant places: the one the search order reaches first
      }
    }
  }
  EXPECT_LT(empates, 100);
}

TEST(KDTreeMaisProximo, EquidistantPlacesOfALatticeGoToTheOneTheWalkReachesFirst) {
  // Points on a 0.5-degree lattice, inserted shuffled and sorted: every cell
  // centre has four places at the same distance and every edge midpoint two,
  // and the one the walk down the tree reaches first must win.
  std::vector<Ponto> grade;
  for (int i = 0; i < 40; ++i)
    for (int j = 0; j < 40; ++j) grade.emplace_back("G" + std::to_string(i) + "_" + std::to_string(j), "SP", -30 + i * 0.5, -60 + j * 0.5);
  std::vector<Ponto> embaralhados = grade;
  std::shuffle(embaralhados.begin(), embaralhados.end(), std::mt19937(5));
  for (const std::vector<Ponto>* ordem : {&embaralhados, &grade}) {
    KDTree arvore;
    insereTodos(arvore, *ordem);
    const Retangulo r = caixa(*ordem);
    for (int i = 0; i < 39; ++i) {
      for (int j = 0; j < 39; ++j) {
        for (const auto& [dLat, dLon] : {std::pair{0.25, 0.25}, std::pair{0.25, 0.0}, std::pair{0.0, 0.25}}) {
          const Ponto q(-30 + i * 0.5 + dLat, -60 + j * 0.5 + dLon);
          PontoProx achado, referencia;
          arvore.MaisProximo(q, r, achado);
          buscaPorRegioes(arvore.raiz(), q, r, kEixoLatitude, referencia);
          ASSERT_EQ(achado.ponto, referencia.ponto) << q.latitude() << "," << q.longitude();
          ASSERT_EQ(achado.distancia, referencia.distancia);
        }
      }
    }
  }
}

TEST(KDTreeDegenerate, SortedInsertionOfThousandsNeedsNoDeepStack) {
  // A diagonal inserted in order makes every node the right child of the
  // previous one: a list 6000 deep, built, searched and destroyed on a thread
  // with a 256 KiB stack.
  comPilhaPequena(256 * 1024, [] {
    auto arvore = std::make_unique<KDTree>();
    std::vector<Ponto> pontos;
    for (int i = 0; i < 6000; ++i) pontos.emplace_back("P" + std::to_string(i), "SP", i * 0.01, i * 0.01);
    insereTodos(*arvore, pontos);
    EXPECT_EQ(arvore->profundidade(), 6000u);
    const Retangulo r = caixa(pontos);
    for (const double alvo : {0.0, 12.345, 79.99, 200.0}) {
      const Ponto q(alvo, alvo + 0.002);
      PontoProx achado;
      arvore->MaisProximo(q, r, achado);
      ASSERT_NE(achado.ponto, nullptr);
      EXPECT_EQ(achado.distancia, varredura(pontos, q).distancia);
    }
    arvore.reset();
    // a node detached from a tree goes flat as well
    auto no = std::make_unique<No>(cidade("0", 0, 0));
    No* fim = no.get();
    for (int i = 1; i < 6000; ++i) {
      fim->direita = std::make_unique<No>(cidade("n", i, i));
      fim = fim->direita.get();
    }
    no.reset();
  });
}

TEST(KDTreeDegenerate, NonFiniteQueriesDoNotCrash) {
  KDTree arvore;
  arvore.Insere(cidade("A", 1, 1));
  arvore.Insere(cidade("B", 2, 2));
  const Retangulo r(1, 2, 1, 2);
  for (const Ponto& q : {Ponto(NAN, 1), Ponto(1, NAN), Ponto(INFINITY, -INFINITY)}) {
    PontoProx achado;
    arvore.MaisProximo(q, r, achado);
    EXPECT_EQ(achado.ponto, nullptr);
  }
}
