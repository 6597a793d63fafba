#include "slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <cmath>

namespace calm {

int stepped_value(int value, int direction, int increment, int minimum, int maximum)
{
    const long long base =
        std::llround(static_cast<double>(value) / increment) * static_cast<long long>(increment);
    const long long next = base + static_cast<long long>(direction) * increment;
    return static_cast<int>(std::clamp<long long>(next, minimum, maximum));
}

Slider::Slider(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setRange(0, 100);
    setValue(0);
    setSingleStep(increment_);
    setPageStep(increment_);
    setFocusPolicy(Qt::StrongFocus);
    repeat_ = new QTimer(this);
    repeat_->setInterval(400);
    connect(repeat_, &QTimer::timeout, this, [this] {
        if (!on_handle(pointer_))
            step_toward(value_at(pointer_));
    });
}

void Slider::set_maximum(int maximum)
{
    if (maximum > minimum())
        setMaximum(maximum);
}

bool Slider::on_handle(const QPoint& pos) const
{
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    return style()->hitTestComplexControl(QStyle::CC_Slider, &opt, pos, this) ==
           QStyle::SC_SliderHandle;
}

int Slider::value_at(const QPoint& pos) const
{
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
    const int span = groove.width() - handle.width();
    return QStyle::sliderValueFromPosition(
        minimum(), maximum(), pos.x() - groove.x() - handle.width() / 2, span, opt.upsideDown);
}

void Slider::step_toward(int target)
{
    const int direction = target > value() ? 1 : -1;
    // Stop once the thumb has passed the pointer.
    if (side_ != 0 && direction != side_)
        return;
    setValue(stepped_value(value(), direction, increment_, minimum(), maximum()));
}

void Slider::mousePressEvent(QMouseEvent* event)
{
    if (on_handle(event->position().toPoint()) && event->button() == Qt::LeftButton) {
        dragging_ = true;
        QSlider::mousePressEvent(event);
        return;
    }
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    tracking_press_ = true;
    pointer_ = event->position().toPoint();
    side_ = value_at(pointer_) > value() ? 1 : -1;
    step_toward(value_at(pointer_));
    repeat_->start();
    event->accept();
}

void Slider::mouseMoveEvent(QMouseEvent* event)
{
    if (tracking_press_) {
        pointer_ = event->position().toPoint();
        event->accept();
        return;
    }
    QSlider::mouseMoveEvent(event);
}

void Slider::mouseReleaseEvent(QMouseEvent* event)
{
    if (tracking_press_) {
        tracking_press_ = false;
        side_ = 0;
        repeat_->stop();
        event->accept();
        emit changed();
        return;
    }
    QSlider::mouseReleaseEvent(event);
    if (dragging_) {
        dragging_ = false;
        emit changed();
    }
}

void Slider::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) {
        event->ignore();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        setValue(stepped_value(value(), -1, increment_, minimum(), maximum()));
        break;
    case Qt::Key_Right:
        setValue(stepped_value(value(), 1, increment_, minimum(), maximum()));
        break;
    case Qt::Key_Home:
        setValue(minimum());
        break;
    case Qt::Key_End:
        setValue(maximum());
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
    emit changed();
}

void Slider::wheelEvent(QWheelEvent* event)
{
    // A wheel turn is no finished gesture; it would move the thumb unseen.
    event->ignore();
}

} // namespace calm
