#pragma once
// Message boxes, the Yes/No question and the open and save dialogs, behind
// one interface: the program shows Qt's, tests hand in a recording fake.
// Texts are bytes as the program holds them; paths may hold any byte.

#include <string>
#include <vector>

class QWidget;

namespace calm {

enum class Icon { none, error, warning, question, information };

// What an open dialog was asked and what it answered.
struct OpenDialogState
{
    std::string filter; // pairs "description|pattern;pattern|"
    bool multi_select = true;
    std::vector<std::string> file_names; // chosen files, in order
    std::string file_name;               // the first chosen file
};

// Kept between uses, like a dialog object living on its window.
struct SaveDialogState
{
    std::string filter;
    int filter_index = 0;
    std::string default_ext; // without the dot; added to a name typed without one
    std::string file_name;   // the target after acceptance
};

class Dialogs
{
public:
    virtual ~Dialogs() = default;
    virtual void message(QWidget* owner, const std::string& text, const std::string& caption,
                         Icon icon) = 0;
    // Yes (the default) answers true; No, Esc or closing answers false.
    virtual bool confirm(QWidget* owner, const std::string& text, const std::string& caption) = 0;
    virtual bool open_file(QWidget* owner, OpenDialogState& dialog) = 0;
    virtual bool save_file(QWidget* owner, SaveDialogState& dialog) = 0;
};

// A name typed without an extension gets the default one.
std::string with_default_extension(const std::string& path, const std::string& default_ext);

// The pairs of a filter text ("a|b|c|d|" gives {a,b},{c,d}).
std::vector<std::pair<std::string, std::string>> filter_pairs(const std::string& filter);

} // namespace calm
