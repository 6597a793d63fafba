#include "splash_screen.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace calm {

QImage splash_picture()
{
    QImage img(350, 180, QImage::Format_RGB888);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 180);
    sky.setColorAt(0, QColor(24, 54, 92));
    sky.setColorAt(1, QColor(70, 130, 160));
    p.fillRect(img.rect(), sky);
    // A shaky line calmed into a straight one: what the program does.
    QPainterPath shaky;
    shaky.moveTo(20, 120);
    const int jitter[] = {0, -9, 7, -4, 10, -8, 5, -6, 3, -2, 1, 0};
    for (int i = 1; i < 12; ++i)
        shaky.lineTo(20 + i * 13, 120 + jitter[i]);
    p.setPen(QPen(QColor(255, 190, 90), 3));
    p.drawPath(shaky);
    p.drawLine(QPointF(163, 120), QPointF(330, 120));
    QFont title(QStringLiteral("Verdana"));
    title.setPixelSize(40);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 30, 350, 60), Qt::AlignCenter, QStringLiteral("Calmora"));
    QFont small(QStringLiteral("Verdana"));
    small.setPixelSize(12);
    p.setFont(small);
    p.drawText(QRect(0, 140, 350, 30), Qt::AlignCenter, QStringLiteral("steadies shaky video"));
    return img;
}

SplashScreen::SplashScreen() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("splash"));
    setFixedSize(350, 180);
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("picture"));
    picture_->setGeometry(0, 0, 350, 180);
    picture_->setPixmap(QPixmap::fromImage(splash_picture()));
    if (auto* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

} // namespace calm
