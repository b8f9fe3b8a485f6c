#pragma once

#include <QDialog>

#include <string>

class QLabel;

namespace kvt::window {

// The about box: caption, title, the version text set when it opens, the
// purpose of the program and an OK button.
class TSobre : public QDialog {
  Q_OBJECT

 public:
  TSobre(const std::string& versao, QWidget* pai);
  QString versao() const;

 private:
  QLabel* lbVersao_;
};

}  // namespace kvt::window
