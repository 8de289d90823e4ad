#pragma once

#include "CameraListDraft.h"

#include <QAbstractTableModel>

#include <functional>

namespace rure {

// Shows a draft as the editor's four columns (drag handle, name, address and
// small stream) and carries rows as drag data of cameraRowMimeType. Edits go
// straight into the draft.
class CameraTableModel : public QAbstractTableModel {
public:
    static inline const QString cameraRowMimeType =
        QStringLiteral("com.didirezoror.rure.camera-row");
    static constexpr int orderColumn = 0;
    static constexpr int nameColumn = 1;
    static constexpr int addressColumn = 2;
    static constexpr int subStreamColumn = 3;

    // Decides a drop of a row payload above `row`; answers whether it was accepted.
    using DropHandler = std::function<bool(const QString& payload, qsizetype row)>;

    explicit CameraTableModel(CameraListDraft& draft, QObject* parent = nullptr);

    void setDropHandler(DropHandler handler) { dropHandler_ = std::move(handler); }

    // Tells the views that the draft changed as a whole.
    void reload();

    static QString columnId(int column);
    static int columnOf(CameraField field);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

private:
    CameraListDraft& draft_;
    DropHandler dropHandler_;
};

} // namespace rure
