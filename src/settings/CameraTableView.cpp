#include "CameraTableView.h"

#include "CameraCellDelegate.h"
#include "CameraTableModel.h"
#include "common/RurePalette.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>

namespace rure {

namespace {
constexpr int cameraRowHeight = 38;
constexpr int orderWidth = 28;
constexpr int nameWidth = 205;
constexpr int nameMinimumWidth = 150;
constexpr int addressWidth = 560;
} // namespace

CameraTableView::CameraTableView(QWidget* parent) : QTableView(parent) {
    setItemDelegate(new CameraCellDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setAlternatingRowColors(false);
    setShowGrid(false);
    setWordWrap(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropOverwriteMode(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);

    // The style's square selection fill would cover the rounded selected row.
    QPalette colours = palette();
    colours.setColor(QPalette::Highlight, Qt::transparent);
    colours.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(colours);

    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(cameraRowHeight);

    QHeaderView* header = horizontalHeader();
    header->setMinimumSectionSize(orderWidth);
    header->setDefaultSectionSize(nameWidth);
    // The last column shown takes every change of the table's width.
    header->setStretchLastSection(true);
    connect(header, &QHeaderView::sectionResized, this, [header](int section, int, int size) {
        if (section == CameraTableModel::nameColumn && size < nameMinimumWidth) {
            header->resizeSection(section, nameMinimumWidth);
        }
    });
}

void CameraTableView::setModel(QAbstractItemModel* model) {
    QTableView::setModel(model);
    QHeaderView* header = horizontalHeader();
    if (header->count() <= CameraTableModel::addressColumn) {
        return;
    }
    header->setSectionResizeMode(CameraTableModel::orderColumn, QHeaderView::Fixed);
    header->resizeSection(CameraTableModel::orderColumn, orderWidth);
    header->setSectionResizeMode(CameraTableModel::nameColumn, QHeaderView::Interactive);
    header->resizeSection(CameraTableModel::nameColumn, nameWidth);
    header->resizeSection(CameraTableModel::addressColumn, addressWidth);
    setSubStreamColumnShown(false);
}

void CameraTableView::setSubStreamColumnShown(bool shown) {
    QHeaderView* header = horizontalHeader();
    if (header->count() <= CameraTableModel::subStreamColumn) {
        return;
    }
    // An edit in a column about to go would go on out of sight.
    endEditing();
    // Shown, the two addresses share every change of the table's width;
    // hidden, the address takes it alone, as the last column.
    const QHeaderView::ResizeMode mode = shown ? QHeaderView::Stretch : QHeaderView::Interactive;
    header->setSectionResizeMode(CameraTableModel::addressColumn, mode);
    header->setSectionResizeMode(CameraTableModel::subStreamColumn, mode);
    setColumnHidden(CameraTableModel::subStreamColumn, !shown);
}

std::optional<qsizetype> CameraTableView::selectedRow() const {
    if (selectionModel() == nullptr) {
        return std::nullopt;
    }
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return std::nullopt;
    }
    return rows.first().row();
}

void CameraTableView::selectAndReveal(qsizetype row) {
    if (model() == nullptr || selectionModel() == nullptr) {
        return;
    }
    const QModelIndex index = model()->index(static_cast<int>(row), CameraTableModel::nameColumn);
    if (!index.isValid()) {
        selectionModel()->clearSelection();
        return;
    }
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    scrollTo(index);
}

void CameraTableView::endEditing() {
    if (state() != QAbstractItemView::EditingState) {
        return;
    }
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void CameraTableView::editCell(qsizetype row, CameraField field) {
    if (model() == nullptr) {
        return;
    }
    const QModelIndex index =
        model()->index(static_cast<int>(row), CameraTableModel::columnOf(field));
    if (!index.isValid() || isColumnHidden(index.column())) {
        return;
    }
    endEditing();
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    scrollTo(index);
    edit(index);
    if (auto* lineEdit = qobject_cast<QLineEdit*>(indexWidget(index))) {
        lineEdit->selectAll();
    }
}

void CameraTableView::paintEvent(QPaintEvent* event) {
    paintRowBackgrounds();
    QTableView::paintEvent(event);
}

void CameraTableView::paintRowBackgrounds() {
    if (model() == nullptr || selectionModel() == nullptr) {
        return;
    }
    const int rows = model()->rowCount();
    int first = rowAt(0);
    if (first < 0) {
        return;
    }
    int last = rowAt(viewport()->height() - 1);
    if (last < 0) {
        last = rows - 1;
    }
    const int width = std::min(viewport()->width(), horizontalHeader()->length());
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (int row = first; row <= last; ++row) {
        const bool selected = selectionModel()->isRowSelected(row, {});
        if (!selected && row % 2 == 0) {
            continue;
        }
        painter.setBrush(selected ? QBrush(RurePalette::cabinStrong()) : palette().alternateBase());
        const QRectF bounds(0, rowViewportPosition(row), width, rowHeight(row));
        painter.drawRoundedRect(bounds.adjusted(2, 1, -2, -1), 7, 7);
    }
}

} // namespace rure
