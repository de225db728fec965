// The start-up window: the product's name on a frameless window faded in over 200 ms.
#pragma once

#include <QWidget>

namespace vantorel {

class SplashWindow : public QWidget {
public:
    SplashWindow();
    // Shows it centred on the primary screen, fading in.
    void ShowFaded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace vantorel
