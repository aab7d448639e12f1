#include "playablecopies.h"

#include "media/playablecopy.h"
#include "store/interaction.h"
#include "working.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace koa::shell {

CopiesMade makePlayableCopies(working& window, QWidget* over, const QString& courseFolder,
                              const QString& table, const QString& name) {
    QList<media::MissingCopy> missing = media::missingPlayableCopies(courseFolder);
    if (!table.isEmpty())
        missing.removeIf(
            [&](const media::MissingCopy& m) { return m.table != table || m.name != name; });
    if (missing.isEmpty())
        return CopiesMade::Done;
    QStringList failed;
    const QString text =
        missing.size() == 1
            ? u"Making a copy of '%1' that browsers can play..."_s.arg(missing.first().name)
            : u"Making copies of %1 movies and sounds that browsers can play..."_s.arg(
                  missing.size());
    const bool finished = window.runWithProgress(over, text, [&](const working::Report& report) {
        for (qsizetype i = 0; i < missing.size(); ++i) {
            const media::MissingCopy& m = missing[i];
            const media::CopyOutcome outcome =
                media::makePlayableCopy(m.source, m.target, [&](double share) {
                    return report(share < 0 ? -1 : (double(i) + share) / double(missing.size()));
                });
            if (outcome.end == media::CopyEnd::Cancelled)
                return;
            if (outcome.end == media::CopyEnd::Failed)
                failed.append(u"'"_s + m.name + u"': "_s + outcome.error);
        }
    });
    if (!failed.isEmpty()) {
        interaction().message(
            u"KOA could not make a copy that browsers can play of:\n\n"_s + failed.join(u'\n') +
            u"\n\nThese will not play in the preview, the viewer or an export."_s);
    }
    return finished ? CopiesMade::Done : CopiesMade::Cancelled;
}

} // namespace koa::shell
