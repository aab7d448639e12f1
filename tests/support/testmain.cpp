// Makes the Qt application first, with every per-user folder in a fresh
// temporary place, then runs the tests.
#include "tests/support/childprocess.h"
#include "tests/support/testsupport.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    QTemporaryDir home;
    koa::test::pointUserFoldersAt(home.path());
    // The embedded browser shares its GL context with the windows.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (const int rc = koa::test::runChildIfAsked(app.arguments()); rc >= 0)
        return rc;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
