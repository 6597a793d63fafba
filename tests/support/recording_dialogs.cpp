#include "recording_dialogs.h"

namespace calm::test {

void RecordingDialogs::message(QWidget* owner, const std::string& text, const std::string& caption,
                               Icon icon)
{
    messages.push_back({owner, text, caption, icon});
    if (on_message)
        on_message(messages.back());
}

bool RecordingDialogs::confirm(QWidget* owner, const std::string& text, const std::string& caption)
{
    questions.push_back({owner, text, caption, Icon::question});
    if (answers.empty())
        return false;
    const bool a = answers.front();
    answers.pop_front();
    return a;
}

bool RecordingDialogs::open_file(QWidget*, OpenDialogState& dialog)
{
    open_seen.push_back(dialog);
    if (open_answers.empty())
        return false;
    auto files = open_answers.front();
    open_answers.pop_front();
    if (files.empty())
        return false;
    dialog.file_names = files;
    dialog.file_name = files.front();
    return true;
}

bool RecordingDialogs::save_file(QWidget*, SaveDialogState& dialog)
{
    save_seen.push_back(dialog);
    if (save_answers.empty() || !save_answers.front()) {
        if (!save_answers.empty())
            save_answers.pop_front();
        return false;
    }
    dialog.file_name = with_default_extension(*save_answers.front(), dialog.default_ext);
    save_answers.pop_front();
    return true;
}

std::vector<std::string> RecordingDialogs::message_texts() const
{
    std::vector<std::string> out;
    for (const auto& m : messages)
        out.push_back(m.text);
    return out;
}

} // namespace calm::test
