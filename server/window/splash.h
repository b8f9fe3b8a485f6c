#pragma once

#include <QWidget>

namespace kvt::window {

// The splash window shown while the single-instance check runs: caption
// "Talvero - KVT", the picture and the label "Interface de Acesso à Central
// Talvero". `mostra` shows and paints it at once.
class TFSplash : public QWidget {
  Q_OBJECT

 public:
  TFSplash();
  void mostra();

 protected:
  void paintEvent(QPaintEvent* evento) override;

 private:
  QPixmap imagem_;
};

}  // namespace kvt::window
