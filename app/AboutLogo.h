#pragma once

#include <QWidget>

namespace app {

// The About window's logo: a keyboard octave and a pulse, drawn from solid
// black rectangles.
class AboutLogo : public QWidget {
    Q_OBJECT

public:
    explicit AboutLogo(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace app
