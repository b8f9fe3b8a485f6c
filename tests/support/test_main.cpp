#include <QCoreApplication>
#include <gtest/gtest.h>

// One event loop object for the whole test program, so socket and timer tests
// can run the loop; tests that need widgets make their own program main.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QCoreApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
