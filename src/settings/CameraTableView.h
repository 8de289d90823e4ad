#pragma once

#include "CameraField.h"

#include <QTableView>

#include <optional>

namespace rure {

// The editor's camera table: one selectable row per camera, rows dragged by their
// handle and dropped between rows.
class CameraTableView : public QTableView {
public:
    explicit CameraTableView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    std::optional<qsizetype> selectedRow() const;
    bool isEditing() const { return state() == QAbstractItemView::EditingState; }
    // Selects `row` and scrolls it into view; outside the table, clears the selection.
    void selectAndReveal(qsizetype row);
    // Commits and closes the cell editor, if one is open.
    void endEditing();
    // Starts editing a cell with its whole text selected; a small stream's
    // cell only while its column is shown.
    void editCell(qsizetype row, CameraField field);
    // Shows or hides the small stream column, hidden until it is asked for.
    void setSubStreamColumnShown(bool shown);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Rounded row backgrounds: the odd rows in the alternate colour, the selected
    // row in the cabin colour. The cells are drawn over them without backgrounds.
    void paintRowBackgrounds();
};

} // namespace rure
