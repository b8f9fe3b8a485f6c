#include <QApplication>
#include <gtest/gtest.h>

// The windows need a QApplication; offscreen, so no display is needed.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
