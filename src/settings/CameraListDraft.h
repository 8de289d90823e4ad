#pragma once

#include "CameraAlert.h"
#include "CameraField.h"
#include "CameraValidation.h"
#include "config/Camera.h"

#include <QList>
#include <QString>

#include <optional>

namespace rure {

enum class CameraSortOrder {
    ascending,
    descending,
};

// What the editor asks for where an address is not an RTSP address.
inline const QString enterRtspAddressText =
    QStringLiteral("Enter a full RTSP address beginning with rtsp://.");

// What Remove did: an alert to show, or the row to select after the removal.
// Neither means nothing was removed and nothing is to be shown.
struct CameraRemoval {
    std::optional<CameraAlert> alert;
    std::optional<qsizetype> selection;
};

// The editor's private copy of the camera list and the rules of every edit. It
// knows nothing of windows: operations take the selected row and answer the row
// to select, the alert to show or the cell to edit.
class CameraListDraft {
public:
    static inline const QString newCameraName = QStringLiteral("New Camera");
    static inline const QString newCameraAddress = QStringLiteral("rtsp://");

    explicit CameraListDraft(QList<Camera> cameras = {});

    const QList<Camera>& cameras() const { return cameras_; }
    qsizetype size() const { return cameras_.size(); }
    bool containsRow(std::optional<qsizetype> row) const;

    // Whether any camera has a small stream.
    bool hasSubStream() const;

    // Whether "Remove" may be used: at least two cameras and a selected row.
    bool canRemove(std::optional<qsizetype> selectedRow) const;

    // Stores a field's whole text, as typed. Rows outside the draft are ignored.
    void setText(qsizetype row, CameraField field, const QString& text);

    // Appends a new camera, with the address given or the start of one;
    // answers its row.
    qsizetype add(const QString& address = newCameraAddress);

    // Appends cameras as they are (found on the network); answers the row of
    // the first of them, or none when there were none.
    std::optional<qsizetype> append(const QList<Camera>& cameras);

    CameraRemoval remove(std::optional<qsizetype> selectedRow);

    // Stable, locale-aware and case-insensitive sort by name. Answers the row now
    // holding the camera that was selected (its first equal), if one was.
    std::optional<qsizetype> sort(CameraSortOrder order, std::optional<qsizetype> selectedRow);

    // Moves the row named by a drag payload so that it lands above `dropRow`
    // (0...size()). Answers the row it landed in; none when the drop is refused.
    std::optional<qsizetype> move(const QString& payload, qsizetype dropRow);

    // The list Save hands over: names and addresses trimmed, every address an RTSP
    // address (a small stream, where there is one, too). Stops at the first
    // camera at fault. The draft keeps what was typed.
    CameraValidation validated() const;
    // The alert Save would show for the address of `row`; none when Save
    // would take it (or for a row outside the draft).
    std::optional<CameraAlert> addressAlert(qsizetype row) const;

    // Replaces the whole list, taking the cameras as they are.
    void replace(QList<Camera> cameras);

private:
    QList<Camera> cameras_;
};

} // namespace rure
