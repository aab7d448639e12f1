// GStreamer first: Qt's keyword macros would change its headers.
#include "playablecopy.h"

#include "store/coursepaths.h"
#include "store/database.h"
#include "store/objectkinds.h"

#include <atomic>
#include <mutex>

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <gst/gst.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::media {

namespace {

Q_LOGGING_CATEGORY(lcMedia, "koa.media")

const QStringList oldFormats = {u"mpg"_s, u"mpeg"_s, u"avi"_s, u"wmv"_s, u"asf"_s, u"wma"_s};
constexpr GstClockTime PollNs = 100 * GST_MSECOND;

bool startGStreamer(QString* error) {
    static std::once_flag once;
    static QString failure;
    std::call_once(once, [] {
        GError* e = nullptr;
        if (!gst_init_check(nullptr, nullptr, &e))
            failure = e ? QString::fromUtf8(e->message) : u"GStreamer could not start."_s;
        g_clear_error(&e);
    });
    *error = failure;
    return failure.isEmpty();
}

// One conversion: source -> decodebin -> (video and sound branches) -> muxer -> part file.
class Conversion {
public:
    Conversion(const QString& source, const QString& partFile, bool withVideo)
        : m_withVideo(withVideo) {
        m_pipeline = gst_pipeline_new("playable-copy");
        GstElement* src = gst_element_factory_make("filesrc", nullptr);
        GstElement* decode = gst_element_factory_make("decodebin", nullptr);
        m_mux = gst_element_factory_make(withVideo ? "webmmux" : "oggmux", nullptr);
        GstElement* sink = gst_element_factory_make("filesink", nullptr);
        if (!src || !decode || !m_mux || !sink) {
            for (GstElement* e : {src, decode, m_mux, sink}) {
                if (e)
                    gst_object_unref(e);
            }
            m_mux = nullptr;
            return;
        }
        g_object_set(src, "location", QFile::encodeName(source).constData(), nullptr);
        g_object_set(sink, "location", QFile::encodeName(partFile).constData(), nullptr);
        gst_bin_add_many(GST_BIN(m_pipeline), src, decode, m_mux, sink, nullptr);
        m_linked = gst_element_link(src, decode) && gst_element_link(m_mux, sink);
        g_signal_connect(decode, "pad-added", G_CALLBACK(&Conversion::padAdded), this);
        g_signal_connect(decode, "no-more-pads", G_CALLBACK(&Conversion::noMorePads), this);
    }

    ~Conversion() {
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_object_unref(m_pipeline);
    }

    Conversion(const Conversion&) = delete;
    Conversion& operator=(const Conversion&) = delete;

    bool ready() const { return m_mux && m_linked; }

    CopyOutcome run(const std::function<bool(double)>& progress, int stallLimitMs) {
        if (gst_element_set_state(m_pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
            return failedFromBus(u"The file cannot be read."_s);
        GstBus* bus = gst_element_get_bus(m_pipeline);
        CopyOutcome outcome;
        qint64 lastReached = -1;
        QDeadlineTimer stall(stallLimitMs);
        for (;;) {
            if (progress && !progress(share(m_reached.load()))) {
                outcome = {CopyEnd::Cancelled, {}};
                break;
            }
            GstMessage* msg = gst_bus_timed_pop_filtered(
                bus, PollNs, GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_EOS));
            if (msg) {
                outcome = GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS ? CopyOutcome{CopyEnd::Done, {}}
                                                                   : errorOf(msg);
                gst_message_unref(msg);
                break;
            }
            if (m_noStreams) {
                outcome = {CopyEnd::Failed, u"The file holds no picture or sound to copy."_s};
                break;
            }
            const qint64 reached = m_reached.load();
            if (reached != lastReached) {
                lastReached = reached;
                stall.setRemainingTime(stallLimitMs);
            } else if (stall.hasExpired()) {
                outcome = {CopyEnd::Failed, u"Making the copy came to a halt."_s};
                break;
            }
        }
        gst_object_unref(bus);
        // Stopping the pipeline closes the file, so a finished copy is whole.
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        return outcome;
    }

private:
    double share(qint64 reached) {
        gint64 duration = 0;
        if (!gst_element_query_duration(m_pipeline, GST_FORMAT_TIME, &duration) || duration <= 0)
            return -1;
        return qBound(0.0, double(qMax<qint64>(reached, 0)) / double(duration), 1.0);
    }

    CopyOutcome failedFromBus(const QString& fallback) {
        GstBus* bus = gst_element_get_bus(m_pipeline);
        GstMessage* msg = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
        gst_object_unref(bus);
        if (!msg)
            return {CopyEnd::Failed, fallback};
        CopyOutcome outcome = errorOf(msg);
        gst_message_unref(msg);
        return outcome;
    }

    static CopyOutcome errorOf(GstMessage* msg) {
        GError* error = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(msg, &error, &debug);
        CopyOutcome outcome{CopyEnd::Failed, error ? QString::fromUtf8(error->message)
                                                   : u"The file cannot be converted."_s};
        qCDebug(lcMedia) << outcome.error << debug;
        g_clear_error(&error);
        g_free(debug);
        return outcome;
    }

    // A chain of new elements, linked in order and started with the pipeline.
    GstElement* addChain(std::initializer_list<GstElement*> chain) {
        GstElement* previous = nullptr;
        for (GstElement* e : chain) {
            gst_bin_add(GST_BIN(m_pipeline), e);
            if (previous)
                gst_element_link(previous, e);
            previous = e;
        }
        for (GstElement* e : chain)
            gst_element_sync_state_with_parent(e);
        return *chain.begin();
    }

    GstElement* videoBranch() {
        GstElement* encode = gst_element_factory_make("vp8enc", nullptr);
        // Real-time speed: a copy must not take longer than the movie plays.
        g_object_set(encode, "deadline", gint64(1), "cpu-used", 4, "threads", 2, "target-bitrate",
                     1500000, "keyframe-max-dist", 60, nullptr);
        GstElement* tail = gst_element_factory_make("queue", nullptr);
        GstElement* head =
            addChain({gst_element_factory_make("queue", nullptr),
                      gst_element_factory_make("videoconvert", nullptr), encode, tail});
        linkToMux(tail, "video_%u");
        return head;
    }

    GstElement* soundBranch() {
        GstElement* tail = gst_element_factory_make("queue", nullptr);
        GstElement* head = addChain({gst_element_factory_make("queue", nullptr),
                                     gst_element_factory_make("audioconvert", nullptr),
                                     gst_element_factory_make("audioresample", nullptr),
                                     gst_element_factory_make("opusenc", nullptr), tail});
        linkToMux(tail, "audio_%u");
        return head;
    }

    void linkToMux(GstElement* tail, const char* padTemplate) {
        GstPad* src = gst_element_get_static_pad(tail, "src");
        GstPad* sink = gst_element_request_pad_simple(m_mux, padTemplate);
        if (sink)
            gst_pad_link(src, sink);
        // The furthest point reached tells the progress and keeps the copy from seeming stuck.
        gst_pad_add_probe(src, GST_PAD_PROBE_TYPE_BUFFER, &Conversion::reachedProbe, this, nullptr);
        gst_object_unref(src);
        if (sink)
            gst_object_unref(sink);
        ++m_streams;
    }

    static GstPadProbeReturn reachedProbe(GstPad*, GstPadProbeInfo* info, gpointer self) {
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        if (buffer && GST_BUFFER_PTS_IS_VALID(buffer)) {
            auto* c = static_cast<Conversion*>(self);
            const qint64 at = qint64(GST_BUFFER_PTS(buffer));
            qint64 now = c->m_reached.load();
            while (at > now && !c->m_reached.compare_exchange_weak(now, at)) {
            }
        }
        return GST_PAD_PROBE_OK;
    }

    static void padAdded(GstElement*, GstPad* pad, gpointer self) {
        auto* c = static_cast<Conversion*>(self);
        GstCaps* caps = gst_pad_get_current_caps(pad);
        if (!caps)
            caps = gst_pad_query_caps(pad, nullptr);
        const QString kind =
            QString::fromUtf8(gst_structure_get_name(gst_caps_get_structure(caps, 0)));
        gst_caps_unref(caps);
        std::lock_guard lock(c->m_mutex);
        GstElement* head = nullptr;
        if (kind.startsWith(u"video/"_s) && c->m_withVideo && !c->m_hasVideo) {
            c->m_hasVideo = true;
            head = c->videoBranch();
        } else if (kind.startsWith(u"audio/"_s) && !c->m_hasSound) {
            c->m_hasSound = true;
            head = c->soundBranch();
        } else {
            // Further streams (a second sound track, subtitles) are dropped.
            GstElement* drop = gst_element_factory_make("fakesink", nullptr);
            g_object_set(drop, "sync", FALSE, "async", FALSE, nullptr);
            head = c->addChain({drop});
        }
        GstPad* sink = gst_element_get_static_pad(head, "sink");
        gst_pad_link(pad, sink);
        gst_object_unref(sink);
    }

    static void noMorePads(GstElement*, gpointer self) {
        auto* c = static_cast<Conversion*>(self);
        std::lock_guard lock(c->m_mutex);
        if (c->m_streams == 0)
            c->m_noStreams = true;
    }

    bool m_withVideo;
    GstElement* m_pipeline = nullptr;
    GstElement* m_mux = nullptr;
    bool m_linked = false;
    std::mutex m_mutex;
    bool m_hasVideo = false;
    bool m_hasSound = false;
    int m_streams = 0;
    std::atomic<bool> m_noStreams = false;
    std::atomic<qint64> m_reached = -1;
};

} // namespace

bool needsPlayableCopy(const QString& fileName) {
    return oldFormats.contains(QFileInfo(fileName).suffix(), Qt::CaseInsensitive);
}

QString playableCopyName(const QString& table, const QString& fileName) {
    return fileName + (isKind(table, ObjectKind::Sound) ? u".opus"_s : u".webm"_s);
}

CopyOutcome makePlayableCopy(const QString& source, const QString& target,
                             const std::function<bool(double)>& progress, int stallLimitMs) {
    QString error;
    if (!startGStreamer(&error))
        return {CopyEnd::Failed, error};
    if (!QFileInfo(source).isFile())
        return {CopyEnd::Failed, u"The file does not exist."_s};
    const QString part = target + u".part"_s;
    // The converter's sink follows links: a leftover or planted one goes first.
    QFile::remove(part);
    CopyOutcome outcome;
    {
        Conversion conversion(source, part, target.endsWith(u".webm"_s, Qt::CaseInsensitive));
        if (!conversion.ready())
            return {CopyEnd::Failed,
                    u"The media converters are not installed (GStreamer's good plug-ins)."_s};
        outcome = conversion.run(progress, stallLimitMs);
    }
    if (outcome.end == CopyEnd::Done && QFileInfo(part).size() == 0)
        outcome = {CopyEnd::Failed, u"The copy came out empty."_s};
    if (outcome.end == CopyEnd::Done) {
        QFile::remove(target);
        if (!QFile::rename(part, target))
            outcome = {CopyEnd::Failed, u"The copy cannot be written to "_s + target};
    }
    if (outcome.end != CopyEnd::Done)
        QFile::remove(part);
    return outcome;
}

QList<MissingCopy> missingPlayableCopies(const QString& courseFolder) {
    QList<MissingCopy> missing;
    Database db(courseFolder + u"/koa.kod"_s, Database::Mode::ReadOnly);
    for (const QString& table : {tableOf(ObjectKind::Movie), tableOf(ObjectKind::Sound)}) {
        if (!db.hasTable(table))
            continue;
        QSqlQuery rows = db.exec(u"SELECT name, filename FROM "_s + table + u" ORDER BY rowid"_s);
        while (rows.next()) {
            const QString file = rows.value(1).toString();
            if (!needsPlayableCopy(file))
                continue;
            const QString source = courseFilePath(courseFolder, table, file);
            const QString target =
                courseFilePath(courseFolder, table, playableCopyName(table, file));
            if (source.isEmpty() || target.isEmpty() || !QFileInfo(source).isFile() ||
                QFileInfo::exists(target))
                continue;
            missing.append({table, rows.value(0).toString(), source, target});
        }
    }
    return missing;
}

QString existingPlayableCopy(const QString& courseFolder, const QString& table,
                             const QString& fileName) {
    if (fileName.isEmpty() || !needsPlayableCopy(fileName))
        return {};
    const QString copy = courseFilePath(courseFolder, table, playableCopyName(table, fileName));
    return !copy.isEmpty() && QFileInfo(copy).isFile() ? copy : QString();
}

void removePlayableCopy(const QString& courseFolder, const QString& table,
                        const QString& fileName) {
    if (const QString copy = existingPlayableCopy(courseFolder, table, fileName); !copy.isEmpty())
        QFile::remove(copy);
}

} // namespace koa::media
