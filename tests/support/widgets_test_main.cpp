#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

// Widget and image tests need the full application; they run offscreen without a display.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // A home of its own: the simulator's settings and ROM folders of the user running the tests
  // must not change what the tests see.
  QTemporaryDir home;
  qputenv("HOME", home.path().toUtf8());
  qunsetenv("XDG_DATA_HOME");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
