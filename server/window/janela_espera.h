#pragma once

#include <QWidget>

#include <string>

class QLabel;

namespace kvt::window {

// The wait window: borderless, centred on the screen, a title bar panel and a
// large centred text. Shown and painted at once by `mostra`; the caller
// closes and frees it.
class JanelaEspera : public QWidget {
  Q_OBJECT

 public:
  // titulo and texto are Windows-1252 texts.
  JanelaEspera(const std::string& titulo, const std::string& texto);
  void mostra();
  QString titulo() const;
  QString texto() const;

 private:
  QLabel* titulo_;
  QLabel* texto_;
};

}  // namespace kvt::window
