#include "CameraListDraft.h"

#include "CameraRowPayload.h"
#include "common/RtspAddress.h"
#include "common/VisibleName.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

namespace rure {

CameraListDraft::CameraListDraft(QList<Camera> cameras) : cameras_(std::move(cameras)) {}

bool CameraListDraft::containsRow(std::optional<qsizetype> row) const {
    return row.has_value() && *row >= 0 && *row < cameras_.size();
}

bool CameraListDraft::canRemove(std::optional<qsizetype> selectedRow) const {
    return cameras_.size() >= 2 && selectedRow.has_value() && *selectedRow >= 0;
}

void CameraListDraft::setText(qsizetype row, CameraField field, const QString& text) {
    if (!containsRow(row)) {
        return;
    }
    Camera& camera = cameras_[row];
    switch (field) {
    case CameraField::name:
        camera.name = text;
        return;
    case CameraField::address:
        camera.url = text;
        return;
    case CameraField::subStream:
        camera.subStreamUrl = text;
        return;
    }
}

bool CameraListDraft::hasSubStream() const {
    return std::any_of(cameras_.cbegin(), cameras_.cend(), [](const Camera& camera) {
        return !camera.subStreamUrl.trimmed().isEmpty();
    });
}

namespace {

CameraAlert invalidAddressAlert(const QString& trimmedName) {
    return CameraAlert{QStringLiteral("Check ") + visibleName(trimmedName), enterRtspAddressText};
}

CameraAlert invalidSubStreamAlert(const QString& trimmedName) {
    return CameraAlert{QStringLiteral("Check the small stream of ") + visibleName(trimmedName),
                       enterRtspAddressText};
}

} // namespace

qsizetype CameraListDraft::add(const QString& address) {
    cameras_.append(Camera{newCameraName, address});
    return cameras_.size() - 1;
}

std::optional<qsizetype> CameraListDraft::append(const QList<Camera>& cameras) {
    if (cameras.isEmpty()) {
        return std::nullopt;
    }
    const qsizetype first = cameras_.size();
    cameras_.append(cameras);
    return first;
}

CameraRemoval CameraListDraft::remove(std::optional<qsizetype> selectedRow) {
    if (cameras_.size() < 2) {
        return {CameraAlert{QStringLiteral("Keep one camera"),
                            QStringLiteral("Rure needs at least one camera in the list.")},
                std::nullopt};
    }
    if (!containsRow(selectedRow)) {
        return {};
    }
    cameras_.removeAt(*selectedRow);
    return {std::nullopt, std::min(cameras_.size() - 1, *selectedRow)};
}

std::optional<qsizetype> CameraListDraft::sort(CameraSortOrder order,
                                               std::optional<qsizetype> selectedRow) {
    std::optional<Camera> selected;
    if (containsRow(selectedRow)) {
        selected = cameras_.at(*selectedRow);
    }
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const bool ascending = order == CameraSortOrder::ascending;
    std::stable_sort(cameras_.begin(), cameras_.end(), [&](const Camera& a, const Camera& b) {
        const int comparison = collator.compare(a.name, b.name);
        return ascending ? comparison < 0 : comparison > 0;
    });
    if (!selected) {
        return std::nullopt;
    }
    const qsizetype row = cameras_.indexOf(*selected);
    return row >= 0 ? std::optional<qsizetype>(row) : std::nullopt;
}

std::optional<qsizetype> CameraListDraft::move(const QString& payload, qsizetype dropRow) {
    const std::optional<std::int64_t> source = parseCameraRowPayload(payload);
    if (!source || *source < 0 || *source >= cameras_.size()) {
        return std::nullopt;
    }
    const auto sourceRow = static_cast<qsizetype>(*source);
    const Camera camera = cameras_.takeAt(sourceRow);
    const qsizetype destination =
        std::clamp<qsizetype>(sourceRow < dropRow ? dropRow - 1 : dropRow, 0, cameras_.size());
    cameras_.insert(destination, camera);
    return destination;
}

CameraValidation CameraListDraft::validated() const {
    if (cameras_.isEmpty()) {
        return {std::nullopt,
                CameraAlert{QStringLiteral("Add a camera"),
                            QStringLiteral("Rure needs at least one camera.")},
                std::nullopt};
    }
    QList<Camera> result;
    result.reserve(cameras_.size());
    for (qsizetype i = 0; i < cameras_.size(); ++i) {
        const QString name = cameras_.at(i).name.trimmed();
        const QString address = cameras_.at(i).url.trimmed();
        if (name.isEmpty()) {
            return {std::nullopt,
                    CameraAlert{QStringLiteral("Camera name required"),
                                QStringLiteral("Enter a name for camera %1.").arg(i + 1)},
                    CameraCell{i, CameraField::name}};
        }
        if (!isRtspAddress(address)) {
            return {std::nullopt, invalidAddressAlert(name), CameraCell{i, CameraField::address}};
        }
        // The small stream is optional, and checked as strictly where there is one.
        const QString subStream = cameras_.at(i).subStreamUrl.trimmed();
        if (!subStream.isEmpty() && !isRtspAddress(subStream)) {
            return {std::nullopt, invalidSubStreamAlert(name),
                    CameraCell{i, CameraField::subStream}};
        }
        result.append(Camera{name, address, subStream});
    }
    return {std::move(result), {}, std::nullopt};
}

std::optional<CameraAlert> CameraListDraft::addressAlert(qsizetype row) const {
    if (!containsRow(row) || isRtspAddress(cameras_.at(row).url.trimmed())) {
        return std::nullopt;
    }
    return invalidAddressAlert(cameras_.at(row).name.trimmed());
}

void CameraListDraft::replace(QList<Camera> cameras) {
    cameras_ = std::move(cameras);
}

} // namespace rure
