#include "SplashWindow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>

namespace vantorel {

SplashWindow::SplashWindow() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(420, 220);
}

void SplashWindow::ShowFaded() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    setWindowOpacity(0.0);
    show();
    m_shown.start();
    auto* fade = new QPropertyAnimation(this, "windowOpacity", this);
    fade->setDuration(200);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(24, 40, 72));
    sky.setColorAt(1, QColor(70, 110, 160));
    painter.fillRect(rect(), sky);
    painter.setPen(Qt::white);
    QFont title = font();
    title.setPointSize(28);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(rect().adjusted(0, 0, 0, -50), Qt::AlignCenter, "Vantorel");
    QFont line = font();
    line.setPointSize(10);
    painter.setFont(line);
    painter.drawText(rect().adjusted(0, 90, 0, 0), Qt::AlignCenter,
                     "Photographs as small as the quality you accept");
}

void SplashWindow::mousePressEvent(QMouseEvent*) { close(); }

} // namespace vantorel
