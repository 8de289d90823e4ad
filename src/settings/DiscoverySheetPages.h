#pragma once

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QWidget;

namespace rure {

class DiscoveredDeviceList;

// The pages of the camera search sheet and the parts the sheet drives. Each
// page is built with its parent and holds its buttons at the bottom right.

// The devices that answered, and how the search goes.
struct DiscoverySearchPage {
    QWidget* page = nullptr;
    QLabel* status = nullptr;
    QProgressBar* progress = nullptr;
    DiscoveredDeviceList* devices = nullptr;
    // Why nothing answered, or what went wrong with the chosen device.
    QLabel* message = nullptr;
    QPushButton* searchAgain = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* next = nullptr;
};

// The user name and password of the chosen device.
struct DiscoveryLoginPage {
    QWidget* page = nullptr;
    QLabel* heading = nullptr;
    QLabel* message = nullptr;
    QLineEdit* userName = nullptr;
    QLineEdit* password = nullptr;
    QPushButton* back = nullptr;
    QPushButton* connect = nullptr;
};

// While the chosen device is being asked for its streams.
struct DiscoveryWorkingPage {
    QWidget* page = nullptr;
    QLabel* status = nullptr;
    QProgressBar* progress = nullptr;
    QPushButton* cancel = nullptr;
};

// The streams of the chosen device, to tick.
struct DiscoveryStreamsPage {
    QWidget* page = nullptr;
    QLabel* heading = nullptr;
    // What becomes of the ticked streams; set with them.
    QLabel* explanation = nullptr;
    QListWidget* streams = nullptr;
    QPushButton* back = nullptr;
    QPushButton* add = nullptr;
};

DiscoverySearchPage buildSearchPage(QWidget* parent);
DiscoveryLoginPage buildLoginPage(QWidget* parent);
DiscoveryWorkingPage buildWorkingPage(QWidget* parent);
DiscoveryStreamsPage buildStreamsPage(QWidget* parent);

} // namespace rure
