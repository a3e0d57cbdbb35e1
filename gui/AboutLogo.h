#pragma once

#include <QWidget>

namespace gui {

// The About window's logo, drawn from solid black rectangles: a keyboard
// octave sending waves, and the name MIREVO in block letters.
class AboutLogo : public QWidget {
    Q_OBJECT

public:
    explicit AboutLogo(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace gui
