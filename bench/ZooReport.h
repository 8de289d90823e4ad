#pragma once

#include "ZooConnectAudit.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace rure::bench {

// The figures of one camera that is on.
struct ZooOnRow {
    QString name;
    QString skipped; // why nothing was measured; empty when the case ran
    std::optional<double> firstPictureSeconds;
    int probes = 0; // picture switches the window was checked against
    int liveProbes = 0;
    std::vector<double> switchDelays; // seconds, of the switches the window followed at all
    std::optional<double> liveInLog;  // share of the run the viewer counted live
    int reconnects = 0;
    int catchUps = 0;
    bool measuresLatency = true;
    std::vector<double> latencyStart; // seconds
    std::vector<double> latencyEnd;
    int powerLosses = 0; // tried
    std::vector<double> powerLossReturns;
    QStringList statusTexts;    // while playing and in the faults of the case
    QStringList powerLossTexts; // first seen in the power losses after the run
    QStringList notes;          // figures of the case's own faults
    QStringList problems;
};

// The figures of one camera that is off, from the connect audit.
struct ZooOffRow {
    QString name;
    QString skipped;
    double minutes = 0;
    ZooAuditCounts firstMinute;
    ZooAuditCounts whole;
    double connectsPerHour = 0;
    double lookupsPerHour = 0;
    QStringList statusTexts;
    QStringList problems;
};

// The zoo's table: a row per camera that is on, then a row per camera that is
// off, each group with the legend of its columns, then the notes.
class ZooReport {
public:
    void add(ZooOnRow row) { onRows_.push_back(std::move(row)); }
    void add(ZooOffRow row) { offRows_.push_back(std::move(row)); }

    QString table(const QString& heading) const;
    // One line for the progress output.
    static QString summary(const ZooOnRow& row);
    static QString summary(const ZooOffRow& row);

private:
    QString onTable() const;
    QString offTable() const;
    QString notes() const;

    std::vector<ZooOnRow> onRows_;
    std::vector<ZooOffRow> offRows_;
};

} // namespace rure::bench
