#pragma once

#include <QLabel>

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
    // Places the line in the lower left corner of a parent of `size`, never
    // wider than the parent allows.
    void placeIn(const QSize& size);

    static constexpr int margin = 12;
};

} // namespace rure
