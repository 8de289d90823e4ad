#include "CompareReport.h"

#include "BenchSupport.h"

#include <algorithm>

namespace rure::bench {

namespace {

constexpr int labelWidth = 18;
constexpr int numberWidth = 9;

QString cell(const QString& text) {
    return text.rightJustified(numberWidth);
}

} // namespace

CompareReport::CompareReport(std::vector<PlayerKind> players) : players_(std::move(players)) {}

void CompareReport::add(PlayerKind kind, const LaunchResult& launch) {
    Figures& figures = figures_[kind];
    ++figures.launches;
    if (launch.startSeconds) {
        figures.start.push_back(*launch.startSeconds);
    }
    if (launch.playSeconds) {
        figures.play.push_back(*launch.playSeconds);
    }
    figures.latency.insert(figures.latency.end(), launch.latencySeconds.begin(),
                           launch.latencySeconds.end());
    if (launch.cpuShare) {
        figures.cpu.push_back(*launch.cpuShare);
    }
    if (launch.peakResidentMiB) {
        figures.memory.push_back(*launch.peakResidentMiB);
    }
    switch (launch.recovery) {
    case RecoveryOutcome::recovered:
        figures.recovery.push_back(launch.recoverySeconds);
        break;
    case RecoveryOutcome::never:
        ++figures.recoveryNever;
        break;
    case RecoveryOutcome::notMeasured:
        ++figures.recoveryNotMeasured;
        break;
    case RecoveryOutcome::notTried:
        ++figures.recoverySkipped;
        break;
    }
    if (!launch.note.isEmpty() && !figures.notes.contains(launch.note)) {
        figures.notes << launch.note;
    }
}

bool CompareReport::hasNeverRecovered(PlayerKind kind) const {
    const auto found = figures_.find(kind);
    return found != figures_.end() && found->second.recoveryNever > 0;
}

const std::vector<double>& CompareReport::values(const Figures& figures, Row row) const {
    switch (row) {
    case Row::start:
        return figures.start;
    case Row::play:
        return figures.play;
    case Row::latency:
        return figures.latency;
    case Row::cpu:
        return figures.cpu;
    case Row::memory:
        return figures.memory;
    case Row::recovery:
        break;
    }
    return figures.recovery;
}

std::optional<std::pair<double, PlayerKind>> CompareReport::bestPeer(Row row) const {
    std::optional<std::pair<double, PlayerKind>> best;
    for (const auto& [kind, figures] : figures_) {
        const std::vector<double>& samples = values(figures, row);
        if (kind == PlayerKind::rure || samples.empty()) {
            continue;
        }
        const double middle = median(samples);
        if (!best || middle < best->first) {
            best = std::pair(middle, kind);
        }
    }
    return best;
}

QString CompareReport::block(Row row, const QString& title, double scale, int decimals) const {
    const auto best = bestPeer(row);
    QString text = title;
    if (best) {
        text += QStringLiteral(" - best peer: %1").arg(playerLabel(best->second));
    }
    text += QLatin1Char('\n');
    const auto rureFigures = figures_.find(PlayerKind::rure);
    const std::vector<double> none;
    const std::vector<double>& rureValues =
        rureFigures != figures_.end() ? values(rureFigures->second, row) : none;
    const bool rureNeverRecovered = row == Row::recovery && rureFigures != figures_.end() &&
                                    rureValues.empty() && rureFigures->second.recoveryNever > 0;
    for (PlayerKind kind : players_) {
        const auto found = figures_.find(kind);
        if (found == figures_.end()) {
            continue;
        }
        const Figures& figures = found->second;
        const std::vector<double>& samples = values(figures, row);
        QString line = QStringLiteral("  ") + playerLabel(kind).leftJustified(labelWidth);
        if (samples.empty()) {
            const bool never = row == Row::recovery && figures.recoveryNever > 0;
            line +=
                cell(never ? QStringLiteral("never") : QStringLiteral("-")) + cell({}) + cell({});
            if (kind != PlayerKind::rure) {
                line += cell(never && !rureValues.empty() ? QStringLiteral("better")
                                                          : QStringLiteral("-"));
            } else {
                line += cell({});
            }
            line += cell(QStringLiteral("-"));
        } else {
            const double middle = median(samples);
            line += cell(QString::number(middle * scale, 'f', decimals)) +
                    cell(QString::number(*std::min_element(samples.begin(), samples.end()) * scale,
                                         'f', decimals)) +
                    cell(QString::number(*std::max_element(samples.begin(), samples.end()) * scale,
                                         'f', decimals));
            if (kind != PlayerKind::rure) {
                if (!rureValues.empty() && middle > 0) {
                    line += cell(QString::number(median(rureValues) / middle, 'f', 2));
                } else {
                    line +=
                        cell(rureNeverRecovered ? QStringLiteral("worse") : QStringLiteral("-"));
                }
            } else {
                line += cell({});
            }
            line += best && best->first > 0 ? cell(QString::number(middle / best->first, 'f', 2))
                                            : cell(QStringLiteral("-"));
        }
        if (row == Row::latency || row == Row::recovery) {
            line += QStringLiteral("   n=%1").arg(samples.size());
        }
        if (row == Row::recovery) {
            if (figures.recoveryNever > 0) {
                line += QStringLiteral(", never %1").arg(figures.recoveryNever);
            }
            if (figures.recoverySkipped > 0) {
                line += QStringLiteral(", not tried %1").arg(figures.recoverySkipped);
            }
            if (figures.recoveryNotMeasured > 0) {
                line += QStringLiteral(", not measured %1").arg(figures.recoveryNotMeasured);
            }
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}

QString CompareReport::table(const QString& heading) const {
    QString text = heading + QLatin1Char('\n');
    text += QString(2 + labelWidth, QLatin1Char(' ')) + cell(QStringLiteral("median")) +
            cell(QStringLiteral("min")) + cell(QStringLiteral("max")) +
            cell(QStringLiteral("Rure/it")) + cell(QStringLiteral("it/best")) + QLatin1Char('\n');
    text +=
        block(Row::start, QStringLiteral("1. start-up: process start to first picture (s)"), 1, 3);
    text += block(Row::play, QStringLiteral("1b. process start to the camera's PLAY request (s)"),
                  1, 3);
    text += block(Row::latency, QStringLiteral("2. glass-to-glass latency, black to white (ms)"),
                  1000, 1);
    text += block(Row::cpu, QStringLiteral("3a. CPU while playing (% of one core)"), 100, 1);
    text += block(Row::memory, QStringLiteral("3b. peak resident memory, VmHWM (MiB)"), 1, 1);
    text += block(Row::recovery,
                  QStringLiteral("4. recovery: camera serving again to live picture (s)"), 1, 3);
    QString notes;
    for (PlayerKind kind : players_) {
        const auto found = figures_.find(kind);
        if (found != figures_.end() && !found->second.notes.isEmpty()) {
            notes += QStringLiteral("  %1: %2\n")
                         .arg(playerLabel(kind), found->second.notes.join(QStringLiteral("; ")));
        }
    }
    if (!notes.isEmpty()) {
        text += QStringLiteral("notes\n") + notes;
    }
    return text;
}

} // namespace rure::bench
