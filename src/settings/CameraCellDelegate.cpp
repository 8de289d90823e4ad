#include "CameraCellDelegate.h"

#include "CameraTableModel.h"
#include "common/RurePalette.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPersistentModelIndex>

#include <algorithm>
#include <cmath>

namespace rure {

namespace {

QString placeholderText(int column) {
    return column == CameraTableModel::nameColumn ? QStringLiteral("Camera name")
                                                  : QStringLiteral("rtsp://\u2026");
}

double luminance(const QColor& colour) {
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

// The text colour faded toward the background, as far as it can go while it
// still reads at 4.5:1 (WCAG AA) or better against it.
QColor readablePlaceholderColour(const QColor& text, const QColor& background) {
    const double backgroundLuminance = luminance(background);
    const auto contrast = [backgroundLuminance](const QColor& colour) {
        const double own = luminance(colour);
        return (std::max(own, backgroundLuminance) + 0.05) /
               (std::min(own, backgroundLuminance) + 0.05);
    };
    const auto blend = [&](double share) {
        return QColor::fromRgbF(
            static_cast<float>(share * text.redF() + (1 - share) * background.redF()),
            static_cast<float>(share * text.greenF() + (1 - share) * background.greenF()),
            static_cast<float>(share * text.blueF() + (1 - share) * background.blueF()));
    };
    for (double share = 0.5; share < 1.0; share += 0.02) {
        const QColor faded = blend(share);
        if (contrast(faded) >= 4.6) {
            return faded;
        }
    }
    return text;
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
                readablePlaceholderColour(option->palette.color(QPalette::Text), background));
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
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool endsEdit = isKey &&
                          (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return ||
                           key->key() == Qt::Key_Enter) &&
                          (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    auto* editor = qobject_cast<QWidget*>(object);
    if (endsEdit && editor) {
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
