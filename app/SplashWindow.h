// The start-up window: the product's name on a frameless window faded in over 200 ms.
#pragma once

#include <QElapsedTimer>
#include <QWidget>

namespace vantorel {

class SplashWindow : public QWidget {
public:
    SplashWindow();
    // Shows it centred on the primary screen, fading in.
    void ShowFaded();
    // Milliseconds since it was shown.
    qint64 ShownFor() const { return m_shown.isValid() ? m_shown.elapsed() : 0; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QElapsedTimer m_shown;
};

} // namespace vantorel
