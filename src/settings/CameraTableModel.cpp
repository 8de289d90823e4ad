#include "CameraTableModel.h"

#include "CameraListDraft.h"
#include "CameraRowPayload.h"
#include "common/RtspAddress.h"
#include "common/VisibleName.h"

#include <QApplication>
#include <QStyle>

#include <QFont>
#include <QFontDatabase>
#include <QMimeData>

namespace rure {

namespace {

bool isUnplayable(const QString& address) {
    return !address.trimmed().isEmpty() && !playableAddress(address);
}

QString unplayableSubStreamText() {
    return QStringLiteral("This camera\u2019s small stream is not a full rtsp:// address, so Rure "
                          "does not play it.");
}

} // namespace

CameraTableModel::CameraTableModel(CameraListDraft& draft, QObject* parent)
    : QAbstractTableModel(parent), draft_(draft) {}

void CameraTableModel::reload() {
    beginResetModel();
    endResetModel();
}

QString CameraTableModel::columnId(int column) {
    switch (column) {
    case orderColumn:
        return cameraColumnId::order;
    case nameColumn:
        return cameraColumnId::name;
    case addressColumn:
        return cameraColumnId::address;
    case subStreamColumn:
        return cameraColumnId::subStream;
    default:
        return {};
    }
}

int CameraTableModel::columnOf(CameraField field) {
    switch (field) {
    case CameraField::name:
        return nameColumn;
    case CameraField::address:
        return addressColumn;
    case CameraField::subStream:
        return subStreamColumn;
    }
    return nameColumn;
}

int CameraTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(draft_.size());
}

int CameraTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 4;
}

QVariant CameraTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !draft_.containsRow(index.row())) {
        return {};
    }
    const Camera& camera = draft_.cameras().at(index.row());
    switch (index.column()) {
    case orderColumn:
        switch (role) {
        case Qt::DisplayRole:
            return QStringLiteral("\u2261");
        case Qt::ToolTipRole:
            return QStringLiteral("Drag to reorder");
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignCenter);
        case Qt::FontRole: {
            QFont font;
            font.setPointSize(15);
            font.setWeight(QFont::Medium);
            return font;
        }
        default:
            return {};
        }
    case nameColumn:
    case addressColumn:
    case subStreamColumn: {
        const bool name = index.column() == nameColumn;
        const bool subStream = index.column() == subStreamColumn;
        // The small stream is an address like the main one, and as secret.
        const QString& address = subStream ? camera.subStreamUrl : camera.url;
        switch (role) {
        case Qt::DisplayRole:
            // Shown with its invisible characters made visible, so that no
            // entry can pass for another; edited as stored.
            // The address's password is shown as dots until it is edited.
            return name ? visibleName(camera.name)
                        : visibleName(addressWithPasswordHidden(address));
        case Qt::EditRole:
            return name ? camera.name : address;
        case Qt::FontRole: {
            QFont font = name ? QFont() : QFontDatabase::systemFont(QFontDatabase::FixedFont);
            font.setPointSize(name ? 13 : 12);
            font.setWeight(name ? QFont::Medium : QFont::Normal);
            return font;
        }
        case Qt::DecorationRole:
            // An address the viewer would refuse to play is marked in its
            // cell, with the reason beside it. An empty one shows its
            // placeholder instead.
            if (!name && isUnplayable(address)) {
                return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
            }
            return {};
        case Qt::ToolTipRole:
        case Qt::AccessibleDescriptionRole:
            if (!name && isUnplayable(address)) {
                return (subStream ? unplayableSubStreamText() : unplayableAddressText()) +
                       QLatin1Char(' ') + enterRtspAddressText;
            }
            return {};
        default:
            return {};
        }
    }
    default:
        return {};
    }
}

bool CameraTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const std::optional<CameraField> field = cameraFieldForColumnId(columnId(index.column()));
    if (role != Qt::EditRole || !field || !draft_.containsRow(index.row())) {
        return false;
    }
    draft_.setText(index.row(), *field, value.toString());
    emit dataChanged(index, index,
                     {Qt::DisplayRole, Qt::EditRole, Qt::DecorationRole, Qt::ToolTipRole,
                      Qt::AccessibleDescriptionRole});
    return true;
}

QVariant CameraTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case nameColumn:
        return QStringLiteral("Camera Name");
    case addressColumn:
        return QStringLiteral("RTSP Address");
    case subStreamColumn:
        return QStringLiteral("Small Stream");
    default:
        return QString();
    }
}

Qt::ItemFlags CameraTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        // Only the gaps between rows take drops, never a row itself.
        return Qt::ItemIsDropEnabled;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (index.column() != orderColumn) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

QStringList CameraTableModel::mimeTypes() const {
    return {cameraRowMimeType};
}

QMimeData* CameraTableModel::mimeData(const QModelIndexList& indexes) const {
    if (indexes.isEmpty()) {
        return nullptr;
    }
    auto* data = new QMimeData;
    data->setData(cameraRowMimeType, cameraRowPayload(indexes.first().row()).toUtf8());
    return data;
}

Qt::DropActions CameraTableModel::supportedDragActions() const {
    return Qt::MoveAction;
}

Qt::DropActions CameraTableModel::supportedDropActions() const {
    return Qt::MoveAction;
}

bool CameraTableModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int, int,
                                       const QModelIndex&) const {
    return data != nullptr && action == Qt::MoveAction && data->hasFormat(cameraRowMimeType);
}

bool CameraTableModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row,
                                    int column, const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent) || !dropHandler_) {
        return false;
    }
    // A drop onto a row inserts above it; one below the last row appends.
    qsizetype dropRow = row;
    if (dropRow < 0) {
        dropRow = parent.isValid() ? parent.row() : draft_.size();
    }
    // The move happens here, so the view's own removal of the dragged row after a
    // move finds removeRows() unsupported and leaves the draft alone.
    return dropHandler_(QString::fromUtf8(data->data(cameraRowMimeType)), dropRow);
}

} // namespace rure
