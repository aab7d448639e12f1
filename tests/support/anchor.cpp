#include "tests/support/anchor.h"

#include "app/windows.h"

#include <QCoreApplication>
#include <QTabBar>

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

void clickTab(shell::EditorWindow* w, const QString& key) {
    for (int i = 0; i < w->TabStrip1->count(); ++i) {
        if (w->TabStrip1->tabData(i).toString() == key)
            w->TabStrip1->setCurrentIndex(i);
    }
    QCoreApplication::processEvents();
}

QString shownTab(shell::EditorWindow* w) {
    return w->TabStrip1->tabData(w->TabStrip1->currentIndex()).toString();
}

} // namespace koa::test
