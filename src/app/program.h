#pragma once
// Program start: the splash, the converter check, then the windows in their
// order. start() returns nothing when the check failed, after telling the
// user; the caller then ends the program.

#include "platform/environment.h"

#include <memory>
#include <string>
#include <vector>

namespace calm {

class AboutDialog;
class MainWindow;
class OptionsDialog;
class ProgressDialog;

struct Program
{
    explicit Program(Environment& env);
    ~Program();
    // Shows the main window, which reads its settings; then, from the message
    // loop, hands the files named on the command line to its drop routine.
    void show(const std::vector<std::string>& files = {});
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<OptionsDialog> options;
    std::unique_ptr<AboutDialog> about;
    std::unique_ptr<ProgressDialog> progress;
};

std::unique_ptr<Program> start(Environment& env);

} // namespace calm
