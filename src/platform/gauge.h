#pragma once
// A horizontal progress gauge: a green bar on white inside a single border,
// with its percentage ("%d%%") centred. Every progress value given to it is
// clamped into [minimum, maximum]; the percentage is the integer part of
// 100 * (progress - minimum) / (maximum - minimum).

#include <QString>
#include <QWidget>

namespace calm {

class Gauge final : public QWidget
{
    Q_OBJECT
  public:
    explicit Gauge(QWidget* parent = nullptr);

    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    // A maximum not greater than the minimum is refused; the old range stays.
    void set_range(int minimum, int maximum);

    int progress() const { return progress_; }
    void set_progress(int value);

    int percent() const;
    QString text() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int minimum_ = 0;
    int maximum_ = 100;
    int progress_ = 0;
};

} // namespace calm
