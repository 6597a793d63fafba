#include "gauge.h"

#include <QPainter>
#include <algorithm>

namespace calm {

Gauge::Gauge(QWidget* parent) : QWidget(parent) {}

void Gauge::set_range(int minimum, int maximum)
{
    if (maximum <= minimum)
        return;
    minimum_ = minimum;
    maximum_ = maximum;
    set_progress(progress_);
}

void Gauge::set_progress(int value)
{
    const int clamped = std::clamp(value, minimum_, maximum_);
    if (clamped == progress_)
        return;
    progress_ = clamped;
    update();
}

int Gauge::percent() const
{
    // In 64 bits, so a wide range cannot overflow the product.
    const long long done = static_cast<long long>(progress_) - minimum_;
    const long long span = static_cast<long long>(maximum_) - minimum_;
    return static_cast<int>(done * 100 / span);
}

QString Gauge::text() const
{
    return QString::number(percent()) + QLatin1Char('%');
}

void Gauge::paintEvent(QPaintEvent*)
{
    const QColor bar(0, 128, 0);
    const QColor back(Qt::white);
    QPainter p(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    const QRect inside = rect().adjusted(1, 1, -1, -1);

    const long long span = static_cast<long long>(maximum_) - minimum_;
    const int filled =
        static_cast<int>((static_cast<long long>(progress_) - minimum_) * inside.width() / span);
    const QRect done(inside.left(), inside.top(), filled, inside.height());
    const QRect rest(inside.left() + filled, inside.top(), inside.width() - filled,
                     inside.height());
    p.fillRect(done, bar);
    p.fillRect(rest, back);

    // The text takes the other colour over each part, so it reads on both.
    p.setFont(font());
    p.setClipRect(done);
    p.setPen(back);
    p.drawText(inside, Qt::AlignCenter, text());
    p.setClipRect(rest);
    p.setPen(bar);
    p.drawText(inside, Qt::AlignCenter, text());
    p.setClipping(false);

    p.setPen(Qt::black);
    p.drawRect(frame);
}

} // namespace calm
