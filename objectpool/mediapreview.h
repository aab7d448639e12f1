#pragma once

#include <QWidget>

class QAudioOutput;
class QMediaPlayer;
class QSlider;
class QToolButton;
class QVideoWidget;

namespace koa::objectpool {

// The preview player of movies and sounds: a video area over play, pause
// and a position slider. Nothing plays until the user asks.
class MediaPreview : public QWidget {
    Q_OBJECT
public:
    explicit MediaPreview(QWidget* parent = nullptr);

    // Loads a file; `video` shows the picture area.
    void setFile(const QString& path, bool video);
    // Stops and lets go of the file, so it can be deleted or replaced.
    void clear();
    void stop();

    QMediaPlayer* player() const { return m_player; }

private:
    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_audio = nullptr;
    QVideoWidget* m_video = nullptr;
    QToolButton* m_play = nullptr;
    QSlider* m_position = nullptr;
};

} // namespace koa::objectpool
