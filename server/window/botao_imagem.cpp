#include "server/window/botao_imagem.h"

#include <QMouseEvent>
#include <QPainter>

namespace kvt::window {

BotaoImagem::BotaoImagem(TipoBotao tipo, QWidget* pai) : QAbstractButton(pai) {
  imagens_[0] = ImagemBotao(tipo, EstadoBotao::Normal);
  imagens_[1] = ImagemBotao(tipo, EstadoBotao::Realcado);
  imagens_[2] = ImagemBotao(tipo, EstadoBotao::Pressionado);
  setFixedSize(imagens_[0].size());
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::NoFocus);
}

QSize BotaoImagem::sizeHint() const { return imagens_[0].size(); }

void BotaoImagem::mudaPara(EstadoBotao estado) {
  if (estado_ == estado) return;
  estado_ = estado;
  update();
}

void BotaoImagem::paintEvent(QPaintEvent*) {
  QPainter g(this);
  g.drawPixmap(0, 0, imagens_[static_cast<int>(estado_)]);
}

void BotaoImagem::enterEvent(QEnterEvent* evento) {
  QAbstractButton::enterEvent(evento);
  mudaPara(isDown() ? EstadoBotao::Pressionado : EstadoBotao::Realcado);
}

void BotaoImagem::leaveEvent(QEvent* evento) {
  QAbstractButton::leaveEvent(evento);
  mudaPara(EstadoBotao::Normal);
}

void BotaoImagem::mousePressEvent(QMouseEvent* evento) {
  QAbstractButton::mousePressEvent(evento);
  if (isDown()) mudaPara(EstadoBotao::Pressionado);
}

void BotaoImagem::mouseReleaseEvent(QMouseEvent* evento) {
  const bool dentro = rect().contains(evento->position().toPoint());
  mudaPara(dentro ? EstadoBotao::Realcado : EstadoBotao::Normal);
  // last: the click may hide or close the window this button is on
  QAbstractButton::mouseReleaseEvent(evento);
}

}  // namespace kvt::window
