#pragma once

#include <QStyledItemDelegate>

namespace rure {

// Edits name, address and small stream cells in line edits that write every
// keystroke to the model and select text in the strong accent; Escape ends a
// cell's edit only. Empty cells show their placeholder ("Camera name",
// "rtsp://…", "rtsp://… (optional)"), greyed but readable.
class CameraCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    bool eventFilter(QObject* object, QEvent* event) override;
};

} // namespace rure
