#pragma once

#include <QString>
#include <QStringList>

namespace rure::test {

// What desktop-file-validate (the desktop's own checker, which
// scripts/setup.sh installs) says of a desktop entry: its exit status (-1 when
// it could not run) and its errors and warnings (its hints are left out).
struct DesktopFileValidation {
    int status = -1;
    QStringList complaints;

    bool accepted() const { return status == 0 && complaints.isEmpty(); }
};

DesktopFileValidation validateDesktopFile(const QString& path);

} // namespace rure::test
