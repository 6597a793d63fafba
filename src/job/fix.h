#pragma once
// Fix: check the loaded video, ask for the output file, refuse the source
// itself, confirm replacing a file, then show the progress window, which
// runs the job.

#include "media/ffinfo.h"
#include "platform/dialogs.h"
#include "platform/environment.h"

class QWidget;

namespace calm {

class Tprogress;

struct FixContext
{
    Environment& env;
    QWidget* owner; // the main window: every box here belongs to it
    const Tffinfo& ffinfo;
    SaveDialogState& save_dialog;
    bool& cancel_flag;
    Tprogress& progress;
};

void btn_fix_click(FixContext& fix);

} // namespace calm
