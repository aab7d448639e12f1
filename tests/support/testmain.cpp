// Makes the Qt application first, with every per-user folder in a fresh
// temporary place, then runs the tests.
#include "tests/support/testsupport.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    QTemporaryDir home;
    koa::test::pointUserFoldersAt(home.path());
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
