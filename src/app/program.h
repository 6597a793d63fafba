#pragma once
// Program start: the splash, the converter check, then the windows in their
// order. start() returns nothing when the check failed, after telling the
// user; the caller then ends the program.

#include "platform/environment.h"

#include <memory>

namespace calm {

class AboutDialog;
class MainWindow;
class OptionsDialog;
class ProgressDialog;

struct Program
{
    explicit Program(Environment& env);
    ~Program();
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<OptionsDialog> options;
    std::unique_ptr<AboutDialog> about;
    std::unique_ptr<ProgressDialog> progress;
};

std::unique_ptr<Program> start(Environment& env);

} // namespace calm
