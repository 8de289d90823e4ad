#include "ViewerHelp.h"

#include <QStringList>
#include <QUrlQuery>

namespace rure {

namespace {

const QString makerHost = QStringLiteral("didirezoror.com");
const QString feedbackAddress = QStringLiteral("feedback@didirezoror.com");

} // namespace

QUrl rureHelpPageUrl() {
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(makerHost);
    url.setPath(QStringLiteral("/rure/help.html"));
    return url;
}

QUrl rureFeedbackUrl() {
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(feedbackAddress);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), QStringLiteral("Rure Feedback"));
    url.setQuery(query);
    return url;
}

QString quickHelpText() {
    return QStringList{
        QStringLiteral("Move the pointer over the camera to reveal the camera chooser, Stay on Top "
                       "pin, area-selection button, and close button."),
        QStringLiteral("Choose the area-selection button, then drag a square or rectangle around "
                       "the part of the camera you want to see. The same button restores the "
                       "original view."),
        QStringLiteral("While an area is selected, right-click to show the entire camera "
                       "temporarily and right-click again to return to the selection. Otherwise, "
                       "right-click expands the viewer to the largest size that fits the available "
                       "screen; right-click again to restore its previous size."),
        QStringLiteral("Drag anywhere on the camera to move the window. Choose Rure \u2192 Camera "
                       "Addresses\u2026 to add, edit, remove, or reorder cameras."),
    }
        .join(QStringLiteral("\n\n"));
}

} // namespace rure
