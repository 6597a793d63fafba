#pragma once
// The main window: load a video, scrub it, press Fix.

#include "platform/environment.h"

#include <QMainWindow>

namespace calm {

class Tmain final : public QMainWindow
{
    Q_OBJECT
public:
    explicit Tmain(Environment& env);

private:
    Environment& env_;
};

} // namespace calm
