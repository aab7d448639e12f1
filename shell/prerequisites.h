#pragma once

#include <functional>

#include <QString>

namespace koa::shell {

// Major versions of the components the program relies on; 0 when absent.
struct Prerequisites {
    std::function<int()> browser;     // the embedded browser engine (Chromium of Qt WebEngine)
    std::function<int()> mediaPlayer; // the media back end (GStreamer)
    std::function<int()> flash;       // the Flash player of generated pages

    static Prerequisites ofThisSystem(const QString& programFolder);
};

int GetIEVersion();
int GetWMPVersion();
int GetFlashVersion(const QString& programFolder);

// The digits before the first "." of a version text ("9.0.0.4503" gives 9).
int majorVersion(const QString& versionText);

inline constexpr int RequiredBrowser = 5;
inline constexpr int RequiredMediaPlayer = 1;
inline constexpr int RequiredFlash = 6;

namespace messages {
inline const QString BrowserMissing =
    QStringLiteral("The Qt WebEngine browser engine is required. Please install the package "
                   "libqt6webenginecore6-bin.");
inline const QString MediaPlayerMissing = QStringLiteral(
    "GStreamer 1.0 is required to play movies and sounds. Please install the packages "
    "gstreamer1.0-plugins-good and gstreamer1.0-libav.");
inline const QString FlashWarning = QStringLiteral(
    "Warning - KOA requires the Flash player Ruffle to play Flash animations properly. "
    "This software can be downloaded at https://ruffle.rs/");
inline const QString OneInstance =
    QStringLiteral("You cannot have more than one instance of KOA open at once.");
inline const QString CopiesCancelled = QStringLiteral(
    "The copies that browsers can play were not made. Movies and sounds in older formats will "
    "not play in the preview until the course is opened again.");
} // namespace messages

} // namespace koa::shell
