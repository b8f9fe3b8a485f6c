#pragma once

#include <QAbstractButton>
#include <QPixmap>

#include "server/window/imagens.h"

namespace kvt::window {

// A button drawn with one of three pictures: normal, highlighted while the
// mouse is over it, pressed while a button is held on it. Leaving it (for the
// window background) shows the normal picture again.
class BotaoImagem : public QAbstractButton {
  Q_OBJECT

 public:
  BotaoImagem(TipoBotao tipo, QWidget* pai);
  EstadoBotao estado() const { return estado_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* evento) override;
  void enterEvent(QEnterEvent* evento) override;
  void leaveEvent(QEvent* evento) override;
  void mousePressEvent(QMouseEvent* evento) override;
  void mouseReleaseEvent(QMouseEvent* evento) override;

 private:
  void mudaPara(EstadoBotao estado);

  QPixmap imagens_[3];
  EstadoBotao estado_ = EstadoBotao::Normal;
};

}  // namespace kvt::window
