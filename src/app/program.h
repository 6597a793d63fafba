#pragma once
// Program start: the splash, the converter check, then the windows in their
// order. start() returns nothing when the check failed, after telling the
// user; the caller then ends the program.

#include "platform/environment.h"

#include <memory>

namespace calm {

class Tabout;
class Tmain;
class Toptions;
class Tprogress;

struct Program
{
    explicit Program(Environment& env);
    ~Program();
    std::unique_ptr<Tmain> main;
    std::unique_ptr<Toptions> options;
    std::unique_ptr<Tabout> about;
    std::unique_ptr<Tprogress> progress;
};

std::unique_ptr<Program> start(Environment& env);

} // namespace calm
