#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <vector>

namespace rure::test {

// A D-Bus bus daemon of the test's own, on a socket in a temporary directory,
// with a configuration that lets any connection own any name.
class PrivateBus {
public:
    // Starts the daemon and waits for its address; isRunning() says whether it worked.
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isRunning() const { return !address_.isEmpty(); }
    // Why the daemon did not start.
    QString errorText() const { return errorText_; }
    QString address() const { return address_; }

    // A new connection to this bus, under a name of its own; it is closed when
    // the bus stops.
    QDBusConnection connect();
    // Ends the daemon (as a crashing bus would end) and closes the connections.
    void stop();

private:
    QTemporaryDir directory_;
    QProcess daemon_;
    QString address_;
    QString errorText_;
    QStringList connectionNames_;
};

// Plays logind on a bus: owns "org.freedesktop.login1", answers Inhibit on
// "/org/freedesktop/login1" with one end of a socket pair and keeps the other
// end, so that it sees when the caller closes its end (releases the lock), and
// sends PrepareForSleep on request.
class FakeLogind final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    explicit FakeLogind(QDBusConnection connection, QObject* parent = nullptr);
    ~FakeLogind() override;
    FakeLogind(const FakeLogind&) = delete;
    FakeLogind& operator=(const FakeLogind&) = delete;

    // False when the name or the object could not be registered.
    bool isRegistered() const { return registered_; }

    int inhibitCallCount() const { return inhibitCallCount_; }
    // what, who, why and mode of the last Inhibit call.
    QStringList lastInhibitArguments() const { return lastInhibitArguments_; }
    // Whether the caller still holds the last lock handed out (false before any).
    bool lastLockIsHeld() const;
    // How many of the locks handed out the callers still hold.
    int heldLockCount() const;

    // Refused Inhibit calls get an access-denied error, as from a real logind
    // that does not allow the caller.
    void setRefusesLocks(bool refuses) { refusesLocks_ = refuses; }
    // Held Inhibit calls stay unanswered until answerHeldCalls(): a slow logind.
    void setHoldsCalls(bool holds) { holdsCalls_ = holds; }
    int heldCallCount() const { return static_cast<int>(heldCalls_.size()); }
    void answerHeldCalls();

    // Sends the PrepareForSleep signal; false when it could not be sent.
    bool emitPrepareForSleep(bool start);

public slots:
    Q_SCRIPTABLE QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who,
                                                 const QString& why, const QString& mode);

private:
    // Makes a new lock: keeps one end, returns the other.
    QDBusUnixFileDescriptor handOutLock();

    QDBusConnection connection_;
    bool registered_ = false;
    bool refusesLocks_ = false;
    bool holdsCalls_ = false;
    int inhibitCallCount_ = 0;
    QStringList lastInhibitArguments_;
    std::vector<int> keptEnds_;
    std::vector<QDBusMessage> heldCalls_;
};

} // namespace rure::test
