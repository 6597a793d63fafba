#pragma once
// A converter command line, built once from segments (the program path,
// literal text, file names) and read two ways that always agree:
//  - windows_form(): the path, the texts, each file name in double quotes
//    without escaping, exactly as a person would read the command;
//  - argv(): that form split by the Windows C runtime's rules, except that
//    the program path and every file name stay one atomic piece each, so no
//    file name can add, split or change an argument.

#include <string>
#include <vector>

namespace calm {

class CommandLine
{
public:
    explicit CommandLine(std::string program);

    CommandLine& text(std::string literal);
    CommandLine& file(std::string name);

    std::string windows_form() const;
    std::vector<std::string> argv() const;

private:
    enum class Kind { program, text, file };
    struct Segment
    {
        Kind kind;
        std::string value;
    };
    std::vector<Segment> segments_;
};

} // namespace calm
