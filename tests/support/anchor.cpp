#include "tests/support/anchor.h"

#include "app/windows.h"

#include <QCoreApplication>

namespace koa::test {

shell::Prerequisites versions(int browser, int media, int flash) {
    return {[=] { return browser; }, [=] { return media; },
            [=] {
                return flash;
            }};
}

shell::Prerequisites allPresent() {
    return versions(120, 1, 10);
}

ProgramFolder folderAt(const QString& root) {
    return ProgramFolder(root, QCoreApplication::applicationDirPath());
}

std::unique_ptr<shell::fileselector> anchorAt(const QString& root, shell::Prerequisites probes) {
    auto anchor = std::make_unique<shell::fileselector>(folderAt(root), std::move(probes),
                                                        app::programWindows());
    anchor->setSplashMilliseconds(10);
    return anchor;
}

} // namespace koa::test
