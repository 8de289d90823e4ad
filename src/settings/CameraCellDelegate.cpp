#include "CameraCellDelegate.h"

#include "CameraTableModel.h"
#include "common/RurePalette.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPersistentModelIndex>

namespace rure {

QWidget* CameraCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                          const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    editor->setObjectName(CameraTableModel::columnId(index.column()));
    editor->setPlaceholderText(index.column() == CameraTableModel::nameColumn
                                   ? QStringLiteral("Camera name")
                                   : QStringLiteral("rtsp://\u2026"));
    editor->setFont(index.data(Qt::FontRole).value<QFont>());
    QPalette palette = editor->palette();
    palette.setColor(QPalette::Highlight, RurePalette::cabin());
    palette.setColor(QPalette::HighlightedText, Qt::white);
    editor->setPalette(palette);
    const QPersistentModelIndex cell(index);
    QAbstractItemModel* model = const_cast<QAbstractItemModel*>(index.model());
    connect(editor, &QLineEdit::textChanged, editor, [model, cell](const QString& text) {
        if (cell.isValid()) {
            model->setData(cell, text, Qt::EditRole);
        }
    });
    return editor;
}

void CameraCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    // Called again after each live edit; leaving equal text alone keeps the cursor.
    auto* lineEdit = qobject_cast<QLineEdit*>(editor);
    const QString text = index.data(Qt::EditRole).toString();
    if (lineEdit != nullptr && lineEdit->text() != text) {
        lineEdit->setText(text);
    }
}

void CameraCellDelegate::initStyleOption(QStyleOptionViewItem* option,
                                         const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    // The table paints the rounded row backgrounds; cells only draw their text.
    option->features &= ~QStyleOptionViewItem::Alternate;
    if (option->state.testFlag(QStyle::State_Selected)) {
        option->state &= ~QStyle::State_Selected;
        option->palette.setColor(QPalette::Text, Qt::white);
    } else if (index.column() == CameraTableModel::orderColumn) {
        option->palette.setColor(QPalette::Text, option->palette.color(QPalette::PlaceholderText));
    }
}

bool CameraCellDelegate::eventFilter(QObject* object, QEvent* event) {
    // Escape cancels the whole editor, as it does outside a cell, instead of only
    // ending the cell's edit; the window's shortcut must see it.
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        return false;
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

} // namespace rure
