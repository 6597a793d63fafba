#pragma once
// The splash window, on screen while the converter is checked at start.

#include <QWidget>

class QLabel;

namespace calm {

class SplashScreen final : public QWidget
{
    Q_OBJECT
  public:
    SplashScreen();

  private:
    QLabel* picture_ = nullptr;
};

// The splash picture: 350 x 180, 24 bits per pixel, drawn here.
QImage splash_picture();

} // namespace calm
