#pragma once

#include "shell/fileselector.h"

#include <memory>

namespace koa::test {

// Probes that report the given major versions.
shell::Prerequisites versions(int browser, int media, int flash);
shell::Prerequisites allPresent();

// The program folder rooted at `root`, with the shipped data of the build tree.
ProgramFolder folderAt(const QString& root);

// The anchor window over the program's own windows, with a short splash.
std::unique_ptr<shell::fileselector> anchorAt(const QString& root,
                                              shell::Prerequisites probes = allPresent());

} // namespace koa::test
