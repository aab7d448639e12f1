#pragma once

#include <functional>

#include <QString>

namespace koa::online {

// The slimmed copy of the open course that is published: the database with
// `status` set to the read-only choice and without the media that no page
// uses, compacted, with the used media files beside it, packed as
// "ID.kof" in `uploadFolder`. The user's working course is only read.
class Staging {
public:
    Staging(QString workingFolder, QString uploadFolder);

    // Reports the rows checked so far and how many there are.
    void setProgress(std::function<void(int done, int total)> progress) {
        m_progress = std::move(progress);
    }
    // Returns the package's path. Throws KoaError.
    QString stage(int id, bool readOnly);

    // The staged database without unused media rows (exposed for the tool).
    static void removeUnusedMedia(const QString& database,
                                  const std::function<void(int, int)>& progress = {});

private:
    QString m_working;
    QString m_upload;
    std::function<void(int, int)> m_progress;
};

} // namespace koa::online
