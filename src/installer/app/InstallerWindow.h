#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

namespace rure {

// The installer's one window: a fixed 480 by 310 content area with the icon,
// the title "Rure", the status line, the Trash check box and the one button.
// Return and Enter press the button wherever the focus is, while it is enabled.
class InstallerWindow : public QWidget {
    Q_OBJECT

public:
    // `iconPath` names an image (SVG); when it cannot be read a drawn circle stands in.
    explicit InstallerWindow(const QString& iconPath, QWidget* parent = nullptr);

    QLabel* statusLabel() const { return statusLabel_; }
    QPushButton* installButton() const { return installButton_; }
    QCheckBox* trashCheckbox() const { return trashCheckbox_; }

    // Places the window in the middle of its screen's available area.
    void centreOnScreen();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* statusLabel_;
    QCheckBox* trashCheckbox_;
    QPushButton* installButton_;
};

} // namespace rure
