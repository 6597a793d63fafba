#pragma once
// A Dialogs that shows nothing: it records every message and question and
// answers from queues that a test fills beforehand.

#include "platform/dialogs.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace calm::test {

struct Shown
{
    QWidget* owner;
    std::string text;
    std::string caption;
    Icon icon;
};

class RecordingDialogs final : public Dialogs
{
public:
    void message(QWidget* owner, const std::string& text, const std::string& caption,
                 Icon icon) override;
    bool confirm(QWidget* owner, const std::string& text, const std::string& caption) override;
    bool open_file(QWidget* owner, OpenDialogState& dialog) override;
    bool save_file(QWidget* owner, SaveDialogState& dialog) override;

    std::vector<Shown> messages;
    std::vector<Shown> questions;
    std::deque<bool> answers; // confirm(); empty answers No
    // open_file(): each entry is the list of files chosen; an empty list cancels.
    std::deque<std::vector<std::string>> open_answers;
    // save_file(): the name typed; nullopt cancels.
    std::deque<std::optional<std::string>> save_answers;
    std::vector<OpenDialogState> open_seen;
    std::vector<SaveDialogState> save_seen;
    // Runs while a message is "shown", as a person reading it would let time pass.
    std::function<void(const Shown&)> on_message;

    std::vector<std::string> message_texts() const;
};

} // namespace calm::test
