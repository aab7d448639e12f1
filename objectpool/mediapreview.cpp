#include "mediapreview.h"

#include <QAudioOutput>
#include <QHBoxLayout>
#include <QMediaPlayer>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>

using namespace Qt::Literals::StringLiterals;

namespace koa::objectpool {

MediaPreview::MediaPreview(QWidget* parent) : QWidget(parent) {
    m_player = new QMediaPlayer(this);
    m_audio = new QAudioOutput(this);
    m_player->setAudioOutput(m_audio);
    m_video = new QVideoWidget(this);
    m_video->setMinimumSize(160, 120);
    m_player->setVideoOutput(m_video);

    m_play = new QToolButton(this);
    m_play->setObjectName(u"cmdPlay"_s);
    m_play->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    m_play->setToolTip(u"Play"_s);
    connect(m_play, &QToolButton::clicked, this, [this] {
        if (m_player->playbackState() == QMediaPlayer::PlayingState)
            m_player->pause();
        else
            m_player->play();
    });
    connect(m_player, &QMediaPlayer::playbackStateChanged, this,
            [this](QMediaPlayer::PlaybackState state) {
                const bool playing = state == QMediaPlayer::PlayingState;
                m_play->setIcon(
                    style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
                m_play->setToolTip(playing ? u"Pause"_s : u"Play"_s);
            });
    auto* stopButton = new QToolButton(this);
    stopButton->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    stopButton->setToolTip(u"Stop"_s);
    connect(stopButton, &QToolButton::clicked, this, &MediaPreview::stop);

    m_position = new QSlider(Qt::Horizontal, this);
    m_position->setAccessibleName(u"Position"_s);
    connect(m_player, &QMediaPlayer::durationChanged, m_position,
            [this](qint64 ms) { m_position->setRange(0, int(ms)); });
    connect(m_player, &QMediaPlayer::positionChanged, m_position, [this](qint64 ms) {
        if (!m_position->isSliderDown())
            m_position->setValue(int(ms));
    });
    connect(m_position, &QSlider::sliderMoved, m_player,
            [this](int ms) { m_player->setPosition(ms); });

    auto* controls = new QHBoxLayout;
    controls->addWidget(m_play);
    controls->addWidget(stopButton);
    controls->addWidget(m_position, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_video, 1);
    layout->addLayout(controls);
}

void MediaPreview::setFile(const QString& path, bool video) {
    m_player->stop();
    m_video->setVisible(video);
    m_position->setValue(0);
    m_player->setSource(QUrl::fromLocalFile(path));
}

void MediaPreview::stop() {
    m_player->stop();
}

void MediaPreview::clear() {
    m_player->stop();
    m_player->setSource(QUrl());
}

} // namespace koa::objectpool
