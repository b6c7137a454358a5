// Test entry point: creates the Qt application object that the code under
// test expects (event loop, posted events, offscreen widgets), then runs
// GoogleTest.

#include <cstdlib>

#include <QtGlobal>
#ifdef VISTREL_TEST_APP_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  ::testing::InitGoogleTest(&argc, argv);
  TestApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
