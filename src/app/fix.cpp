#include "fix.h"

#include "platform/gauge.h"
#include "progress_dialog.h"
#include "job/target.h"

#include <QLabel>

namespace calm {

void run_fix(FixContext& fix)
{
    Dialogs& dialogs = *fix.env.dialogs;
    const std::string& source = fix.media.filename;
    if (source.empty()) {
        dialogs.message(fix.owner, "Please load file at first!", "Error", Icon::error);
        return;
    }
    if (!file_exists(source)) {
        dialogs.message(fix.owner, "Can not locate the source file: " + source, "Error",
                        Icon::error);
        return;
    }
    // The converter would write a copy of the audio and call it done.
    if (fix.media.no_video) {
        dialogs.message(fix.owner, "The file has no video stream to stabilize.\r" + source, "Error",
                        Icon::error);
        return;
    }
    prepare_save_dialog(fix.save_dialog, source);
    if (!dialogs.save_file(fix.owner, fix.save_dialog))
        return;
    const std::string& target = fix.save_dialog.file_name;
    if (same_file(target, source)) {
        dialogs.message(fix.owner, "The target file name is as same as source file", "Error",
                        Icon::error);
        return;
    }
    if (path_exists(target) && !dialogs.confirm(fix.owner, replace_question(target), "Confirm"))
        return;
    fix.progress.reset();
    fix.cancel_flag = false;
    fix.progress.exec();
}

} // namespace calm
