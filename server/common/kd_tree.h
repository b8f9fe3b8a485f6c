#pragma once

// A two-dimensional k-d tree of named places with a nearest-place search: the
// location index holds every city and reference point of the central in one
// KDTree and asks it, for each event position, which place lies nearest.
// Coordinates are latitude and longitude in degrees and distances are measured
// in degrees on the latitude-longitude plane. The tree is built by plain
// insertion, never balanced, and replaced whole when the places change; places
// inserted in a sorted order make it degenerate towards a list, so insertion,
// search and destruction are iterative and any depth is safe.
//
//   KDTree arvore;
//   arvore.Insere(std::make_unique<Ponto>("Campinas", "SP", -22.9, -47.06));
//   PontoProx achado;
//   arvore.MaisProximo(Ponto(-22.8, -47.1), regiaoDeTodos, achado);
//   // achado.ponto is the nearest place (owned by the tree), achado.distancia its distance

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kvt::common {

// Kinds of point.
inline constexpr std::uint8_t kCidade = 0;
inline constexpr std::uint8_t kReferencia = 1;
inline constexpr std::uint8_t kConsulta = 2;

// Axes: the root splits on latitude and the axis alternates with depth.
inline constexpr int kEixoLatitude = 0;
inline constexpr int kEixoLongitude = 1;

// Two coordinates closer than this on an axis compare as equal.
inline constexpr double kToleranciaCompara = 0.005;

// Starting distance of a search result and of the region distance.
inline constexpr double kDistanciaInicial = 2147483647.0;

class Ponto {
 public:
  // A city (kind 0).
  Ponto(std::string nome, std::string regiao, double latitude, double longitude);
  // A reference point (kind 1); its region reads "--".
  Ponto(std::string nome, double latitude, double longitude);
  // A bare query point (kind 2).
  Ponto(double latitude, double longitude);
  virtual ~Ponto() = default;
  Ponto(const Ponto&) = default;
  Ponto& operator=(const Ponto&) = default;

  // Diagnostics only: "(lat,lon)" for a query point, "name:(lat,lon)" for a
  // city, empty for a reference point.
  virtual std::string ComoTexto() const;

  std::uint8_t tipo() const { return tipo_; }
  const std::string& nome() const { return nome_; }
  const std::string& regiao() const { return regiao_; }
  double latitude() const { return latitude_; }
  double longitude() const { return longitude_; }
  double coordenada(int eixo) const { return eixo == kEixoLatitude ? latitude_ : longitude_; }

 private:
  std::uint8_t tipo_;
  std::string nome_;
  std::string regiao_;
  double latitude_;
  double longitude_;
};

// Euclidean distance on the latitude-longitude plane, in degrees.
double Distancia(const Ponto& a, const Ponto& b);

// -1 when a lies below b on the axis; otherwise 0 when the two are within the
// tolerance, else 1.
int Compara(const Ponto& a, const Ponto& b, int eixo);

// An axis-aligned region, bounds inclusive.
struct Retangulo {
  double latMin;
  double latMax;
  double lonMin;
  double lonMax;

  Retangulo(double latitudeMinima, double latitudeMaxima, double longitudeMinima, double longitudeMaxima)
      : latMin(latitudeMinima), latMax(latitudeMaxima), lonMin(longitudeMinima), lonMax(longitudeMaxima) {}

  bool contem(const Ponto& p) const;
  // A lower bound of the distance from p to any point of the region: 0 inside,
  // otherwise the smallest single-axis gap.
  double distancia(const Ponto& p) const;
};

// The result of a search; the point is owned by the tree.
struct PontoProx {
  double distancia = kDistanciaInicial;
  const Ponto* ponto = nullptr;
};

// A node owns its point and both subtrees.
class No {
 public:
  explicit No(std::unique_ptr<Ponto> p) : ponto(std::move(p)) {}
  ~No();  // flat: a subtree of any depth goes without recursion
  No(const No&) = delete;
  No& operator=(const No&) = delete;

  std::unique_ptr<Ponto> ponto;
  std::unique_ptr<No> esquerda;
  std::unique_ptr<No> direita;
};

class KDTree {
 public:
  KDTree() = default;
  KDTree(const KDTree&) = delete;
  KDTree& operator=(const KDTree&) = delete;

  // The tree takes the point. A point that is not clearly below a node on the
  // node's axis (below by the tolerance or more) goes to its right.
  void Insere(std::unique_ptr<Ponto> p);

  // Nearest-point search over `regiao`, the bounding box of every point of the
  // tree. Updates `resultado` only with a point strictly nearer than what it
  // holds, so of two places at the same distance the one reached first wins;
  // an empty tree leaves it untouched. Nodes are reached depth first, the
  // subtree on the query's side of a node before the other one.
  PontoProx& MaisProximo(const Ponto& consulta, const Retangulo& regiao, PontoProx& resultado) const;

  const No* raiz() const { return raiz_.get(); }
  std::size_t tamanho() const { return nos_.size(); }
  // Nodes on the longest path from the root (0 when empty).
  std::size_t profundidade() const;

 private:
  // Each node of the tree in insertion order, with its parent and depth: what
  // is needed to tell which of two nodes a search reaches first.
  struct NoPlano {
    double latitude;
    double longitude;
    std::int32_t esquerda = -1;
    std::int32_t direita = -1;
    std::int32_t pai = -1;
    std::int32_t nivel = 0;
    const Ponto* ponto;
  };

  // The tree's shape follows the insertion order and may be a long list, so
  // the search does not walk it. Whatever nodes the walk visits, it ends
  // with the smallest distance of all the points, and of the points at that
  // distance with the one it reaches first (a subtree holding that one is
  // never pruned, since nothing before it is as near). So the search finds
  // the smallest distance in a balanced copy of the points (built at the
  // first search after an insertion) and breaks a tie by the walk's order.
  struct Indice {
    struct Caixa {
      double latMin, latMax, lonMin, lonMax;
      std::int32_t inicio, fim;            // its points: [inicio, fim) of the arrays below
      std::int32_t esquerda, direita;      // children, -1 for a leaf
    };
    std::vector<Caixa> caixas;           // caixas[0] holds every point
    std::vector<double> latitudes;       // in the order of the boxes
    std::vector<double> longitudes;
    std::vector<std::int32_t> nos;       // the node of each point
  };

  void ConstroiIndice() const;
  std::int32_t ConstroiCaixa(std::int32_t inicio, std::int32_t fim) const;
  // True when the search for `consulta` reaches node a before node b.
  bool AlcancaAntes(std::int32_t a, std::int32_t b, const Ponto& consulta) const;

  std::unique_ptr<No> raiz_;
  std::vector<NoPlano> nos_;
  mutable Indice indice_;
  mutable bool indiceAtual_ = false;
};

}  // namespace kvt::common
