#pragma once

#include <QLabel>
#include <QPointer>
#include <QTimer>

class QPropertyAnimation;

namespace rure {

// A short confirmation over the picture ("Snapshot saved…") that goes by
// itself: it shows at once, stays for a moment, then fades out and hides. A
// new text starts it over. White on a dark, rounded plate at the bottom centre
// of its parent, like the status line; the pointer passes through it.
class OverlayNotice final : public QLabel {
    Q_OBJECT

public:
    static constexpr int shownMilliseconds = 2500;
    static constexpr int fadeMilliseconds = 400;
    static constexpr int margin = 12;

    explicit OverlayNotice(QWidget* parent);

    void showNotice(const QString& text);
    // Places the notice at the bottom centre of a parent of `size`.
    void placeIn(const QSize& size);
    // Hides it now, without a fade.
    void dismiss();

private:
    void fadeOut();

    QTimer shownTimer_;
    QPointer<QPropertyAnimation> fade_;
};

} // namespace rure
