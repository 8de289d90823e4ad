#pragma once

#include "ComparePlayer.h"
#include "CompareTrial.h"

#include <QString>

#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace rure::bench {

// Collects the launches of every player and prints them side by side: one block
// per measurement, one line per player with median, minimum and maximum,
// Rure's median divided by that player's, and each player's median divided by
// the best peer's (the lowest median of the players other than Rure).
class CompareReport {
public:
    explicit CompareReport(std::vector<PlayerKind> players);

    void add(PlayerKind kind, const LaunchResult& launch);
    // Whether `kind` has already failed to recover once; such a player is not
    // tried again (every try costs the whole time-out).
    bool hasNeverRecovered(PlayerKind kind) const;

    // The table, ending in a newline; `heading` goes above it.
    QString table(const QString& heading) const;

private:
    struct Figures {
        std::vector<double> start;
        std::vector<double> play;
        std::vector<double> latency;
        std::vector<double> cpu;
        std::vector<double> memory;
        std::vector<double> recovery;
        int recoveryNever = 0;
        int recoveryNotMeasured = 0;
        int recoverySkipped = 0;
        int launches = 0;
        QStringList notes;
    };
    enum class Row { start, play, latency, cpu, memory, recovery };

    const std::vector<double>& values(const Figures& figures, Row row) const;
    // The lowest median of `row` among the players other than Rure, and whose.
    std::optional<std::pair<double, PlayerKind>> bestPeer(Row row) const;
    QString block(Row row, const QString& title, double scale, int decimals) const;

    std::vector<PlayerKind> players_;
    std::map<PlayerKind, Figures> figures_;
};

} // namespace rure::bench
