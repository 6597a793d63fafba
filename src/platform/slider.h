#pragma once
// The time slider. It reports changed() once per finished gesture: a drag
// of the thumb released, a press on the track released (while held, the
// thumb steps toward the pointer at once and every 400 ms), and each Left,
// Right, Home or End key without modifiers, even when the value stayed.
// Setting the range or the value from code reports nothing.

#include <QSlider>

class QTimer;

namespace calm {

class Slider final : public QSlider
{
    Q_OBJECT
  public:
    explicit Slider(QWidget* parent = nullptr);

    int increment() const { return increment_; }
    // A maximum not greater than the minimum is refused; the old range stays.
    void set_maximum(int maximum);

  signals:
    void changed();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    void step_toward(int target);
    bool on_handle(const QPoint& pos) const;
    int value_at(const QPoint& pos) const;

    int increment_ = 10;
    bool dragging_ = false;
    bool tracking_press_ = false;
    int side_ = 0; // -1 pointer left of the thumb, +1 right of it
    QPoint pointer_;
    QTimer* repeat_ = nullptr;
};

// The value one increment away, counted from the multiple of the increment
// nearest to the current value, kept within [minimum, maximum].
int stepped_value(int value, int direction, int increment, int minimum, int maximum);

} // namespace calm
