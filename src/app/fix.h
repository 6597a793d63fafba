#pragma once
// Fix: check the loaded video, ask for the output file, refuse the source
// itself, confirm replacing a file, then show the progress window, which
// runs the job.

#include "media/media_info.h"
#include "platform/dialogs.h"
#include "platform/environment.h"

#include <atomic>

class QWidget;

namespace calm {

class ProgressDialog;

struct FixContext
{
    Environment& env;
    QWidget* owner; // the main window: every box here belongs to it
    const MediaInfo& media;
    SaveDialogState& save_dialog;
    std::atomic<bool>& cancel_flag;
    ProgressDialog& progress;
};

void run_fix(FixContext& fix);

} // namespace calm
