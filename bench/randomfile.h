#pragma once

#include <random>

#include <QByteArray>
#include <QFile>
#include <QString>

namespace koa::bench {

// Writes `mib` MiB of random bytes: media that no archive can shrink, as
// real pictures and movies are. False when the file cannot be written.
inline bool writeRandomFile(const QString& path, qint64 mib, std::mt19937_64& random) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1024 * 1024, Qt::Uninitialized);
    for (qint64 m = 0; m < mib; ++m) {
        auto* words = reinterpret_cast<quint64*>(block.data());
        for (qsizetype w = 0; w < block.size() / 8; ++w)
            words[w] = random();
        if (file.write(block) != block.size())
            return false;
    }
    return true;
}

} // namespace koa::bench
