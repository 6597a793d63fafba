#pragma once
// The dialogs a person sees: Qt's message boxes and file dialogs.

#include "dialogs.h"

namespace calm {

class QtDialogs final : public Dialogs
{
public:
    void message(QWidget* owner, const std::string& text, const std::string& caption,
                 Icon icon) override;
    bool confirm(QWidget* owner, const std::string& text, const std::string& caption) override;
    bool open_file(QWidget* owner, OpenDialogState& dialog) override;
    bool save_file(QWidget* owner, SaveDialogState& dialog) override;
};

} // namespace calm
