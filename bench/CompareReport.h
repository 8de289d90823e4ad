#pragma once

#include "ComparePlayer.h"
#include "CompareTrial.h"

#include <QString>

#include <map>
#include <vector>

namespace rure::bench {

// Collects the launches of every player and prints them side by side: one block
// per measurement, one line per player with median, minimum and maximum, and
// Rure's median divided by that player's.
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
    enum class Row { start, latency, cpu, memory, recovery };

    const std::vector<double>& values(const Figures& figures, Row row) const;
    QString block(Row row, const QString& title, double scale, int decimals) const;

    std::vector<PlayerKind> players_;
    std::map<PlayerKind, Figures> figures_;
};

} // namespace rure::bench
