#include <gtest/gtest.h>

#include <QCoreApplication>

// Tests run inside a Qt application, as the programs do: the process runner processes its
// events, and paths come from the application.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
