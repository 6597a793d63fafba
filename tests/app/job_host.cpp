// Not a test: a stand-in for the program that runs one job in its progress
// window, with the recording dialogs, so a test can kill it mid-job.
// Usage: calm_job_host <system folder> <runtime folder> <source> <target>

#include "app/progress_dialog.h"
#include "platform/dialogs.h"
#include "recording_dialogs.h"

#include <QApplication>

int main(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    QApplication app(argc, argv);
    calm::test::RecordingDialogs dialogs;
    calm::Environment env;
    env.system_folder = argv[1];
    env.runtime_folder = argv[2];
    env.dialogs = &dialogs;
    env.pump = [] { QCoreApplication::processEvents(); };

    calm::MediaInfo media;
    media.filename = argv[3];
    media.duration = "00:00:10.00";
    media.width = "320";
    media.height = "240";
    calm::SaveDialogState target;
    target.file_name = argv[4];
    std::atomic<bool> cancel_flag{false};
    calm::ProgressDialog progress(
        env, calm::JobInputs{media, target, cancel_flag, [] { return calm::Parameters{}; }, {}});
    progress.reset();
    progress.exec();
    return 0;
}
