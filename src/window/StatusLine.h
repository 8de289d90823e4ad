#pragma once

#include <QLabel>

#include <functional>

namespace rure {

// The short text in the picture's lower left corner that says what the viewer
// is doing while the picture is not live. White on a dark, rounded plate, so
// it reads over a black window and over a bright picture alike; the pointer
// passes through it to the picture. Hidden while its text is empty.
class StatusLine final : public QLabel {
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent);

    void showText(const QString& text);
    // With an action, the line takes clicks (a pointing hand over it) and a
    // click runs it: for a text that offers to put things right. Without one,
    // the pointer passes through to the picture.
    void setClickAction(std::function<void()> action);
    // Places the line in the lower left corner of a parent of `size`, never
    // wider than the parent allows.
    void placeIn(const QSize& size);

    static constexpr int margin = 12;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::function<void()> clickAction_;
};

} // namespace rure
