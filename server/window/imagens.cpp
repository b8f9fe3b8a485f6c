#include "server/window/imagens.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <array>

namespace kvt::window {

using Cor = runtime::StatusModel::Cor;

namespace {

constexpr int kLadoStatus = 64;
constexpr int kLadoBotao = 24;

const QColor kAzulNoite(0x1F, 0x3A, 0x5F);
const QColor kRoxo(0x4A, 0x2F, 0x6E);
const QColor kVerdeSinal(0x2E, 0xB8, 0x4B);
const QColor kAmbar(0xF2, 0xB7, 0x05);

QPixmap transparente(int largura, int altura) {
  QPixmap p(largura, altura);
  p.fill(Qt::transparent);
  return p;
}

void letraCentral(QPainter& g, const QRectF& area, const QString& letra, const QColor& cor, int pixels) {
  QFont f("DejaVu Sans");
  f.setBold(true);
  f.setPixelSize(pixels);
  g.setFont(f);
  g.setPen(cor);
  g.drawText(area, Qt::AlignCenter, letra);
}

// A rounded tile with a letter and a status light in its lower right corner.
QPixmap imagemStatus(const QColor& fundo, const QString& letra, bool ok) {
  QPixmap p = transparente(kLadoStatus, kLadoStatus);
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  QLinearGradient grad(0, 0, 0, kLadoStatus);
  grad.setColorAt(0, fundo.lighter(140));
  grad.setColorAt(1, fundo);
  g.setPen(QPen(fundo.darker(160), 2));
  g.setBrush(grad);
  g.drawRoundedRect(QRectF(2, 2, kLadoStatus - 4, kLadoStatus - 4), 12, 12);
  letraCentral(g, QRectF(4, 2, 40, 44), letra, Qt::white, 36);
  // the status light
  const QRectF luz(34, 34, 28, 28);
  QRadialGradient brilho(luz.center() - QPointF(4, 4), 16);
  const QColor base = ok ? kVerdeSinal : kAmbar;
  brilho.setColorAt(0, base.lighter(150));
  brilho.setColorAt(1, base);
  g.setPen(QPen(Qt::white, 2));
  g.setBrush(brilho);
  g.drawEllipse(luz);
  if (ok) {
    QPainterPath visto;
    visto.moveTo(41, 48);
    visto.lineTo(46, 54);
    visto.lineTo(55, 41);
    g.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    g.setBrush(Qt::NoBrush);
    g.drawPath(visto);
  } else {
    letraCentral(g, luz, "!", Qt::black, 22);
  }
  return p;
}

QLinearGradient gradienteBotao(const QColor& claro, const QColor& escuro) {
  QLinearGradient grad(0, 0, 0, kLadoBotao);
  grad.setColorAt(0, claro);
  grad.setColorAt(1, escuro);
  return grad;
}

}  // namespace

QColor CorDe(Cor cor) {
  switch (cor) {
    case Cor::Vermelho: return QColor(0xFF, 0x00, 0x00);
    case Cor::Verde: return QColor(0x00, 0x80, 0x00);
    case Cor::Amarelo: return QColor(0xFF, 0xFF, 0x00);
    case Cor::Branco: return QColor(0xFF, 0xFF, 0xFF);
    case Cor::Preto: return QColor(0x00, 0x00, 0x00);
  }
  return QColor(0, 0, 0);
}

QPixmap img_KVT_OK() { return imagemStatus(kAzulNoite, "K", true); }
QPixmap img_KVT_Alerta() { return imagemStatus(kAzulNoite, "K", false); }
QPixmap img_Ystrava_OK() { return imagemStatus(kRoxo, "Y", true); }
QPixmap img_Ystrava_Alerta() { return imagemStatus(kRoxo, "Y", false); }

QPixmap ImagemBandeja(runtime::StatusModel::IconeBandeja icone) {
  using I = runtime::StatusModel::IconeBandeja;
  switch (icone) {
    case I::KvtOk: return img_KVT_OK();
    case I::KvtAlerta: return img_KVT_Alerta();
    case I::IntegracaoOk: return img_Ystrava_OK();
    case I::IntegracaoAlerta: return img_Ystrava_Alerta();
    case I::Nenhum: break;
  }
  return {};
}

QPixmap ImagemBotao(TipoBotao tipo, EstadoBotao estado) {
  QPixmap p = transparente(kLadoBotao, kLadoBotao);
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  const bool fechar = tipo == TipoBotao::Fechar;
  QColor glifo(0x26, 0x32, 0x40);
  QLinearGradient fundo = gradienteBotao(QColor(0xE6, 0xEA, 0xEF), QColor(0xA9, 0xB3, 0xBE));
  QColor borda(0x6B, 0x77, 0x85);
  double deslocamento = 0;
  if (estado == EstadoBotao::Realcado) {
    fundo = fechar ? gradienteBotao(QColor(0xF6, 0xA0, 0x96), QColor(0xD2, 0x3F, 0x31))
                   : gradienteBotao(QColor(0xDD, 0xEE, 0xFF), QColor(0x6F, 0xA8, 0xE8));
    borda = fechar ? QColor(0x9E, 0x24, 0x1A) : QColor(0x2F, 0x62, 0xA3);
    glifo = fechar ? Qt::white : QColor(0x10, 0x2A, 0x4C);
  } else if (estado == EstadoBotao::Pressionado) {
    fundo = fechar ? gradienteBotao(QColor(0xA8, 0x2A, 0x1E), QColor(0xD8, 0x55, 0x48))
                   : gradienteBotao(QColor(0x3E, 0x6F, 0xAD), QColor(0x7D, 0xAF, 0xE6));
    borda = QColor(0x20, 0x20, 0x20);
    glifo = Qt::white;
    deslocamento = 1;
  }
  g.setPen(QPen(borda, 1));
  g.setBrush(fundo);
  g.drawRoundedRect(QRectF(0.5, 0.5, kLadoBotao - 1, kLadoBotao - 1), 4, 4);
  g.translate(deslocamento, deslocamento);
  g.setPen(QPen(glifo, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  if (fechar) {
    g.drawLine(QPointF(7.5, 7.5), QPointF(16.5, 16.5));
    g.drawLine(QPointF(16.5, 7.5), QPointF(7.5, 16.5));
  } else {
    // a chevron going down to a bar: the window goes to the notification area
    g.drawLine(QPointF(7.5, 7), QPointF(12, 11.5));
    g.drawLine(QPointF(12, 11.5), QPointF(16.5, 7));
    g.drawLine(QPointF(6.5, 16.5), QPointF(17.5, 16.5));
  }
  return p;
}

QPixmap ImagemEmblema(int lado) {
  return img_KVT_OK().scaled(lado, lado, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QPixmap ImagemSplash() {
  constexpr int kLargura = 440;
  constexpr int kAltura = 200;
  QPixmap p(kLargura, kAltura);
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  QLinearGradient ceu(0, 0, kLargura, kAltura);
  ceu.setColorAt(0, QColor(0x12, 0x26, 0x44));
  ceu.setColorAt(1, QColor(0x1E, 0x5A, 0x6E));
  g.fillRect(p.rect(), ceu);
  // a faint grid of map lines
  g.setPen(QPen(QColor(255, 255, 255, 22), 1));
  for (int x = 0; x < kLargura; x += 22) g.drawLine(x, 0, x, kAltura);
  for (int y = 0; y < kAltura; y += 22) g.drawLine(0, y, kLargura, y);
  // a route with vehicles along it
  const std::array<QPointF, 7> rota{QPointF(20, 170), QPointF(90, 140), QPointF(150, 158), QPointF(220, 112),
                                    QPointF(300, 128), QPointF(360, 84),  QPointF(425, 96)};
  QPainterPath caminho(rota[0]);
  for (std::size_t i = 1; i < rota.size(); ++i) caminho.lineTo(rota[i]);
  g.setPen(QPen(QColor(0xF2, 0xB7, 0x05, 200), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  g.setBrush(Qt::NoBrush);
  g.drawPath(caminho);
  g.setPen(QPen(Qt::white, 2));
  for (std::size_t i : {1u, 3u, 5u}) {
    g.setBrush(kVerdeSinal);
    g.drawEllipse(rota[i], 6, 6);
  }
  g.drawPixmap(20, 20, ImagemEmblema(48));
  return p;
}

}  // namespace kvt::window
