#include "CameraCellDelegate.h"

#include "CameraTableModel.h"
#include "common/RurePalette.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPersistentModelIndex>

namespace rure {

namespace {

QString placeholderText(int column) {
    switch (column) {
    case CameraTableModel::nameColumn:
        return QStringLiteral("Camera name");
    case CameraTableModel::subStreamColumn:
        return QStringLiteral("rtsp://\u2026 (optional)");
    default:
        return QStringLiteral("rtsp://\u2026");
    }
}

} // namespace

QWidget* CameraCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                          const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    editor->setObjectName(CameraTableModel::columnId(index.column()));
    editor->setPlaceholderText(placeholderText(index.column()));
    editor->setFont(index.data(Qt::FontRole).value<QFont>());
    QPalette palette = editor->palette();
    palette.setColor(QPalette::Highlight, RurePalette::cabinStrong());
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
    const bool selected = option->state.testFlag(QStyle::State_Selected);
    if (selected) {
        option->state &= ~QStyle::State_Selected;
        option->palette.setColor(QPalette::Text, Qt::white);
    } else if (index.column() == CameraTableModel::orderColumn) {
        option->palette.setColor(QPalette::Text, option->palette.color(QPalette::PlaceholderText));
    }
    if (option->text.isEmpty() && index.column() != CameraTableModel::orderColumn) {
        // An empty cell shows what belongs in it, as its editor does.
        option->text = placeholderText(index.column());
        option->features |= QStyleOptionViewItem::HasDisplay;
        if (!selected) {
            // The rows behind the cells: the odd ones in the alternate colour.
            const QColor background = option->palette.color(
                index.row() % 2 == 1 ? QPalette::AlternateBase : QPalette::Base);
            option->palette.setColor(
                QPalette::Text,
                RurePalette::readableFaded(option->palette.color(QPalette::Text), background));
        }
    }
}

bool CameraCellDelegate::eventFilter(QObject* object, QEvent* event) {
    // Escape or Return in a cell ends that cell's edit and keeps its text
    // (every keystroke is already in the draft); the window's keys, which
    // cancel or save the whole editor, must not see them: Return saves only
    // outside an edit.
    const bool isKey =
        event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress;
    const auto endsEdit = [event] {
        const auto* key = static_cast<const QKeyEvent*>(event);
        return (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return ||
                key->key() == Qt::Key_Enter) &&
               (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    };
    auto* editor = qobject_cast<QWidget*>(object);
    if (isKey && editor && endsEdit()) {
        event->accept();
        if (event->type() == QEvent::KeyPress) {
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
        return true;
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

} // namespace rure
