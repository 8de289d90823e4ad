#include "ZooReport.h"

#include "BenchSupport.h"

namespace rure::bench {

namespace {

constexpr int nameWidth = 18;

QString cell(const QString& text, int width) {
    return text.rightJustified(width) + QStringLiteral("  ");
}

QString share(int part, int whole) {
    return whole > 0 ? QStringLiteral("%1%").arg(100.0 * part / whole, 0, 'f', 0)
                     : QStringLiteral("-");
}

QString milliseconds(const std::vector<double>& seconds) {
    return seconds.empty() ? QStringLiteral("-") : QString::number(median(seconds) * 1000, 'f', 0);
}

QString quoted(const QStringList& texts) {
    QStringList out;
    for (const QString& text : texts) {
        out << QStringLiteral("\"%1\"").arg(text);
    }
    return out.join(QStringLiteral(", "));
}

QString latencyCell(const ZooOnRow& row) {
    if (!row.measuresLatency) {
        return QStringLiteral("n/a");
    }
    return milliseconds(row.latencyStart) + QStringLiteral(" / ") + milliseconds(row.latencyEnd);
}

QString powerLossCell(const ZooOnRow& row) {
    if (row.powerLosses == 0) {
        return QStringLiteral("-");
    }
    const QString middle = row.powerLossReturns.empty()
                               ? QStringLiteral("never")
                               : QString::number(median(row.powerLossReturns), 'f', 2);
    return QStringLiteral("%1 (%2/%3)")
        .arg(middle)
        .arg(row.powerLossReturns.size())
        .arg(row.powerLosses);
}

QString statusCell(const QStringList& texts, const QStringList& later) {
    QString text = texts.isEmpty() ? QStringLiteral("-") : quoted(texts);
    if (!later.isEmpty()) {
        text += QStringLiteral("; power loss: ") + quoted(later);
    }
    return text;
}

} // namespace

QString ZooReport::summary(const ZooOnRow& row) {
    if (!row.skipped.isEmpty()) {
        return QStringLiteral("%1: not measured: %2").arg(row.name, row.skipped);
    }
    return QStringLiteral("%1: first picture %2 s, live %3 on screen (%4 switches) and %5 in the "
                          "log, %6 reconnects, %7 catch-ups, latency %8 ms, power loss %9 s")
        .arg(row.name,
             row.firstPictureSeconds ? QString::number(*row.firstPictureSeconds, 'f', 2)
                                     : QStringLiteral("-"),
             share(row.liveProbes, row.probes), QString::number(row.probes),
             row.liveInLog ? QStringLiteral("%1%").arg(*row.liveInLog * 100, 0, 'f', 0)
                           : QStringLiteral("-"),
             QString::number(row.reconnects), QString::number(row.catchUps), latencyCell(row),
             powerLossCell(row));
}

QString ZooReport::summary(const ZooOffRow& row) {
    if (!row.skipped.isEmpty()) {
        return QStringLiteral("%1: not measured: %2").arg(row.name, row.skipped);
    }
    return QStringLiteral("%1: %2 connections and %3 look-ups in %4 min (%5 and %6 in the first "
                          "minute), about %7 and %8 an hour")
        .arg(row.name)
        .arg(row.whole.connects)
        .arg(row.whole.lookups)
        .arg(row.minutes, 0, 'f', 1)
        .arg(row.firstMinute.connects)
        .arg(row.firstMinute.lookups)
        .arg(row.connectsPerHour, 0, 'f', 0)
        .arg(row.lookupsPerHour, 0, 'f', 0);
}

QString ZooReport::onTable() const {
    QString text;
    text += QString(nameWidth + 2, QLatin1Char(' ')) + cell(QStringLiteral("first"), 6) +
            cell(QStringLiteral("live"), 6) + cell(QStringLiteral("live"), 5) +
            cell(QStringLiteral("recon-"), 6) + cell(QStringLiteral("catch"), 5) +
            cell(QStringLiteral("latency ms"), 11) + cell(QStringLiteral("power loss"), 12) +
            QStringLiteral("status texts\n");
    text += QStringLiteral("case").leftJustified(nameWidth + 2) + cell(QStringLiteral("pic s"), 6) +
            cell(QStringLiteral("screen"), 6) + cell(QStringLiteral("log"), 5) +
            cell(QStringLiteral("nects"), 6) + cell(QStringLiteral("-ups"), 5) +
            cell(QStringLiteral("start / end"), 11) + cell(QStringLiteral("to live s"), 12) +
            QLatin1Char('\n');
    for (const ZooOnRow& row : onRows_) {
        QString line = row.name.leftJustified(nameWidth + 2);
        if (!row.skipped.isEmpty()) {
            text += line + QStringLiteral("not measured: ") + row.skipped + QLatin1Char('\n');
            continue;
        }
        line += cell(row.firstPictureSeconds ? QString::number(*row.firstPictureSeconds, 'f', 2)
                                             : QStringLiteral("none"),
                     6);
        line += cell(share(row.liveProbes, row.probes), 6);
        line += cell(row.liveInLog ? QStringLiteral("%1%").arg(*row.liveInLog * 100, 0, 'f', 0)
                                   : QStringLiteral("-"),
                     5);
        line += cell(QString::number(row.reconnects), 6);
        line += cell(QString::number(row.catchUps), 5);
        line += cell(latencyCell(row), 11);
        line += cell(powerLossCell(row), 12);
        line += statusCell(row.statusTexts, row.powerLossTexts);
        text += line + QLatin1Char('\n');
    }
    return text;
}

QString ZooReport::offTable() const {
    QString text;
    text += QString(nameWidth + 2, QLatin1Char(' ')) + cell(QString(), 4) +
            cell(QStringLiteral("connections"), 22) + cell(QStringLiteral("name look-ups"), 22) +
            QLatin1Char('\n');
    text += QStringLiteral("case").leftJustified(nameWidth + 2) + cell(QStringLiteral("min"), 4) +
            cell(QStringLiteral("1st min"), 7) + cell(QStringLiteral("run"), 5) +
            cell(QStringLiteral("per h*"), 6) + cell(QStringLiteral("1st min"), 7) +
            cell(QStringLiteral("run"), 5) + cell(QStringLiteral("per h*"), 6) +
            QStringLiteral("status texts\n");
    for (const ZooOffRow& row : offRows_) {
        QString line = row.name.leftJustified(nameWidth + 2);
        if (!row.skipped.isEmpty()) {
            text += line + QStringLiteral("not measured: ") + row.skipped + QLatin1Char('\n');
            continue;
        }
        line += cell(QString::number(row.minutes, 'f', 1), 4);
        line += cell(QString::number(row.firstMinute.connects), 7);
        line += cell(QString::number(row.whole.connects), 5);
        line += cell(QString::number(row.connectsPerHour, 'f', 0), 6);
        line += cell(QString::number(row.firstMinute.lookups), 7);
        line += cell(QString::number(row.whole.lookups), 5);
        line += cell(QString::number(row.lookupsPerHour, 'f', 0), 6);
        line += statusCell(row.statusTexts, {});
        text += line + QLatin1Char('\n');
    }
    return text;
}

QString ZooReport::notes() const {
    QString text;
    for (const ZooOnRow& row : onRows_) {
        const QStringList all = row.notes + row.problems;
        if (!all.isEmpty()) {
            text += QStringLiteral("  %1: %2\n").arg(row.name, all.join(QStringLiteral("; ")));
        }
    }
    for (const ZooOffRow& row : offRows_) {
        if (!row.skipped.isEmpty()) {
            continue;
        }
        const QStringList all = QStringList{row.whole.names.isEmpty()
                                                ? QStringLiteral("no name looked up")
                                                : QStringLiteral("names looked up: ") +
                                                      row.whole.names.join(QStringLiteral(", "))} +
                                row.problems;
        text += QStringLiteral("  %1: %2\n").arg(row.name, all.join(QStringLiteral("; ")));
    }
    return text.isEmpty() ? text : QStringLiteral("notes\n") + text;
}

QString ZooReport::table(const QString& heading) const {
    QString text = heading + QLatin1Char('\n');
    if (!onRows_.empty()) {
        text += QStringLiteral(
            "Cameras that are on\n"
            "  first pic: viewer process start to the colour bars in the window centre\n"
            "  live screen: share of the camera's black/white switches during the run (one every "
            "2 s, or picture gap + 1.5 s; between the faults of stalls and quick reboots) that "
            "reached the window centre within the camera's "
            "picture gap + 1 s, read off the screen; a still or slow camera's switch waits for "
            "its next picture\n"
            "  live log: share of the run from the viewer's \"Live video frames resumed\" to its "
            "next recovery, catch-up reload or end of stream (frames as the viewer reports "
            "them)\n"
            "  reconnects / catch-ups: log lines \"Scheduling recovery\" / \"loading the camera "
            "again to return to the live picture\", viewer start to the end of the run (before "
            "the power losses)\n"
            "  latency: median glass-to-glass of 7 black-to-white switches at the start and at "
            "the end of the run (stalls: before the first and after the last), from the camera's "
            "switch to the window centre; n/a for cameras that send a picture only now and "
            "then\n"
            "  power loss: camera killed, back on its port 5 s later; median seconds from "
            "serving again to its picture in the window (measured/tried)\n"
            "  status texts: the status line as the viewer logs it, each once, in order first "
            "seen, numbers written as N\n\n");
        text += onTable() + QLatin1Char('\n');
    }
    if (!offRows_.empty()) {
        text += QStringLiteral(
            "Cameras that are off, from the connect audit preloaded into the viewer\n"
            "  connections: connection attempts to the camera's port (knocks, preflights and the "
            "engine's connections together); name look-ups: getaddrinfo() calls\n"
            "  1st min: in the first minute; run: in the whole run of the given minutes\n"
            "  * per h: extrapolated, the first minute plus 59 times the rate per minute after "
            "it (a run of a minute or less: scaled to the hour)\n\n");
        text += offTable() + QLatin1Char('\n');
    }
    return text + notes();
}

} // namespace rure::bench
