#pragma once
// The main window: load one video (dialog or drop on the preview), scrub it
// with the time_slider, and press Fix. It owns the media information record and
// the job's cancel flag.

#include "media/media_info.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/private_folder.h"
#include "settings/parameters.h"

#include <atomic>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;

namespace calm {

class ImageView;
struct JobInputs;
class Slider;
class AboutDialog;
class OptionsDialog;
class ProgressDialog;

class MainWindow final : public QMainWindow
{
    Q_OBJECT
  public:
    explicit MainWindow(Environment& env);
    ~MainWindow() override;

    // The windows created after this one, which its menu and Fix show.
    void attach(OptionsDialog* options, AboutDialog* about, ProgressDialog* progress);

    // Handlers, each inside the program-wide error report.
    void load_video();
    void show_options();
    void show_about();
    void exit();
    void fix();
    void report_success();
    // Files dropped on the preview, or named on the command line: drop_files
    // inside the error report.
    void take_drop(const std::vector<std::string>& files);
    // The system asks the program to end (SIGTERM, SIGINT): a running job is
    // cancelled as its Cancel does, every loop is told to end, and the window
    // closes as Exit closes it, settings written.
    void end_program();
    // The frame at the slider's time; nothing while no video is loaded.
    // Errors go on to the caller.
    void show_preview();

    // Probe, record, label, slider, first preview. Errors go on to the caller.
    void load_video_file(const std::string& path);
    // Files dropped on the preview, in order.
    void drop_files(const std::vector<std::string>& files);

    // The loaded video as the converter described it; empty until a load.
    const MediaInfo& media() const { return media_; }
    // What the progress window's job reads: the source, the target chosen
    // in the save dialog, the cancel flag, and this window's success report.
    JobInputs job_inputs(std::function<Parameters()> parameters);

    bool busy() const { return busy_ > 0; }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    friend class BusyWindow;
    void create_controls(QWidget* client);
    void create_menu();
    void read_settings();
    void write_settings();
    void start_move();

    Environment& env_;
    MediaInfo media_;
    std::atomic<bool> cancel_flag_{false};
    OpenDialogState open_dialog_;
    SaveDialogState save_dialog_; // keeps the last target between Fixes

    QWidget* client_ = nullptr;
    QPushButton* load_button_ = nullptr;
    QLabel* file_label_ = nullptr;    // the loaded file's path
    QFrame* preview_panel_ = nullptr; // holds the preview and the slider
    ImageView* preview_ = nullptr;    // the frame at the slider's time; takes drops
    PrivateFolder preview_folder_;    // holds the frame file; gone with the window
    Slider* time_slider_ = nullptr;   // hundredths of a second
    QPushButton* fix_button_ = nullptr;
    QTimer* report_timer_ = nullptr; // the success report, once the progress window is gone
    QAction* load_action_ = nullptr;
    QAction* options_action_ = nullptr;
    QAction* exit_action_ = nullptr;
    QAction* about_action_ = nullptr;

    OptionsDialog* options_ = nullptr;
    AboutDialog* about_ = nullptr;
    ProgressDialog* progress_ = nullptr;
    bool shown_once_ = false;
    int busy_ = 0;
    QPointer<QWidget> focus_before_busy_; // given back when the window is enabled again
};

} // namespace calm
