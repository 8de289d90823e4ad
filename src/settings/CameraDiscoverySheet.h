#pragma once

#include "DiscoverySheetPages.h"
#include "config/Camera.h"
#include "discovery/DeviceCredentials.h"
#include "discovery/DeviceStream.h"
#include "discovery/DiscoveredDevice.h"
#include "discovery/DiscoverySession.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <QTimer>

#include <functional>
#include <optional>

class QStackedWidget;

namespace rure {

class DeviceStreamsFetch;

// "Find Cameras": the sheet over the camera editor that searches the local
// networks for ONVIF cameras, lists those that answer, signs in to the chosen
// one when it needs a login, and offers its streams, the device's main
// stream ticked. The streams the user ticks are handed to `camerasChosen` as
// cameras (named after the device and the profile, credentials in the
// address, the main stream's with the device's small stream); the sheet then
// closes. Every failure is shown in the sheet and hands nothing over. GUI
// thread.
class CameraDiscoverySheet final : public QDialog {
    Q_OBJECT

public:
    enum class Page { search, login, working, streams };

    explicit CameraDiscoverySheet(DiscoverySetup setup, QWidget* parent = nullptr);
    ~CameraDiscoverySheet() override;

    // Drops what was found and searches again.
    void startSearch();
    bool isSearching() const;
    const QList<DiscoveredDevice>& devices() const;
    Page page() const { return page_; }

    // The actions of the sheet's buttons.
    void continueWithSelectedDevice();
    void connectWithCredentials();
    void cancelConnecting();
    void addChosenStreams();
    void backToDevices();

    const DiscoverySearchPage& searchPage() const { return search_; }
    const DiscoveryLoginPage& loginPage() const { return login_; }
    const DiscoveryWorkingPage& workingPage() const { return working_; }
    const DiscoveryStreamsPage& streamsPage() const { return streams_; }

signals:
    void camerasChosen(const QList<Camera>& cameras);

private:
    void devicesChanged();
    void searchFinished();
    void showSearchProgress();
    void fetchStreams(const DeviceCredentials& credentials);
    void streamsFetched(const Result<QList<DeviceStream>>& streams);
    void showLogin(const QString& message);
    void showSearchMessage(const QString& message);
    void showStreams(QList<DeviceStream> streams);
    void showPage(Page page);
    void dropFetch();
    void applyContinueRule();
    void applyAddRule();

    DiscoverySetup setup_;
    DiscoverySession* session_ = nullptr;
    DeviceStreamsFetch* fetch_ = nullptr;
    std::optional<DiscoveredDevice> chosen_;
    DeviceCredentials credentials_;
    QList<DeviceStream> offeredStreams_;
    Page page_ = Page::search;
    Page pageBeforeWork_ = Page::search;
    QStackedWidget* pages_;
    DiscoverySearchPage search_;
    DiscoveryLoginPage login_;
    DiscoveryWorkingPage working_;
    DiscoveryStreamsPage streams_;
    QTimer progressTimer_{this};
    QElapsedTimer listening_;
};

} // namespace rure
