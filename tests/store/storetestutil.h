#pragma once

#include "store/coursefiles.h"

#include <optional>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QString>

namespace koa::test {

// Counts what the file operations asked of the windows.
class RecordingHost : public CourseHost {
public:
    bool allowDiscard = true;
    int saveQuestions = 0, editorsClosed = 0, loads = 0, openWaits = 0, skips = 0;

    bool SaveCourse(bool) override {
        ++saveQuestions;
        return allowDiscard;
    }
    void closeEditors() override { ++editorsClosed; }
    void startWait() override { ++openWaits; }
    void endWait() override { --openWaits; }
    void courseLoaded() override { ++loads; }
    void setSkipNextRender() override { ++skips; }
};

void execIn(const QString& database, const QString& sql);

// A ZIP archive (plain "PK") with the given entries; a name ending in "/" is a folder.
void writeZip(const QString& path, const std::vector<std::pair<QString, QByteArray>>& entries);
// A ZIP archive of one deflated entry of `bytes` zeros, made without holding them.
// `claimed`, when set, is written into both headers as the entry's size.
void writeZerosZip(const QString& path, const QString& name, quint64 bytes,
                   std::optional<quint32> claimed = std::nullopt);

} // namespace koa::test
