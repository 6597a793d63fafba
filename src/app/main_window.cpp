#include "main_window.h"

#include "about/about_dialog.h"
#include "converter/runner.h"
#include "app/fix.h"
#include "job/job_folder.h"
#include "app/progress_dialog.h"
#include "media/numbers.h"
#include "media/probe.h"
#include "media/timecode.h"
#include "media/video_extensions.h"
#include "platform/error_report.h"
#include "platform/fonts.h"
#include "platform/image_view.h"
#include "platform/slider.h"
#include "platform/text.h"
#include "preview.h"
#include "settings/options_dialog.h"
#include "settings/settings_file.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <limits>

namespace calm {

// Disables the main window with a cursor for as long as a converter runs
// from it, and restores both on every way out. Disabling takes the focus
// from the control that had it (the slider, mid-scrub); it gets it back, so
// Home, End and the arrows go on working.
class BusyWindow
{
  public:
    BusyWindow(MainWindow& w, Qt::CursorShape cursor) : w_(w)
    {
        if (w_.busy_++ == 0)
            w_.focus_before_busy_ = w_.focusWidget();
        w_.setCursor(cursor);
        w_.setEnabled(false);
    }
    ~BusyWindow()
    {
        w_.unsetCursor();
        w_.setEnabled(true);
        if (--w_.busy_ == 0 && w_.focus_before_busy_) {
            QWidget* focus = w_.focus_before_busy_;
            w_.focus_before_busy_ = nullptr;
            if (!w_.focusWidget() && focus->isEnabled() && focus->isVisible())
                focus->setFocus(Qt::OtherFocusReason);
        }
    }
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

  private:
    MainWindow& w_;
};

namespace {

// The 32 x 32 picture on the load button: a strip of film.
QIcon film_icon()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(40, 60, 90));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(2, 5, 28, 22, 3, 3);
    p.setBrush(Qt::white);
    for (int x = 4; x < 29; x += 6) {
        p.drawRect(x, 7, 3, 3);
        p.drawRect(x, 22, 3, 3);
    }
    p.setBrush(QColor(255, 190, 90));
    p.drawRect(7, 12, 18, 8);
    return QIcon(pm);
}

} // namespace

MainWindow::MainWindow(Environment& env) : QMainWindow(nullptr), env_(env)
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Calmora 0.3.7"));
    setFont(program_font());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint);
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->setFixedSize(476, 306);
    client_->installEventFilter(this);
    setCentralWidget(client_);
    create_controls(client_);
    create_menu();
    setFixedSize(sizeHint());

    report_timer_ = new QTimer(this);
    report_timer_->setObjectName(QStringLiteral("report_timer"));
    report_timer_->setSingleShot(true);
    report_timer_->setInterval(2);
    connect(report_timer_, &QTimer::timeout, this, &MainWindow::report_success);
}

MainWindow::~MainWindow() = default;

void MainWindow::create_controls(QWidget* client)
{
    load_button_ = new QPushButton(film_icon(), QStringLiteral("Load Video File..."), client);
    load_button_->setObjectName(QStringLiteral("load_button"));
    load_button_->setIconSize(QSize(32, 32));
    load_button_->setGeometry(10, 6, 159, 35);
    connect(load_button_, &QPushButton::clicked, this, &MainWindow::load_video);

    file_label_ = new QLabel(client);
    file_label_->setObjectName(QStringLiteral("file_label"));
    file_label_->setWordWrap(true);
    file_label_->setStyleSheet(QStringLiteral("color: grey"));
    file_label_->setGeometry(174, 10, 292, 0);

    preview_panel_ = new QFrame(client);
    preview_panel_->setObjectName(QStringLiteral("preview_panel"));
    preview_panel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    preview_panel_->setLineWidth(2);
    preview_panel_->setGeometry(10, 51, 459, 198);

    preview_ = new ImageView(preview_panel_);
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setGeometry(11, 10, 429, 143);
    preview_->on_drop = [this](const std::vector<std::string>& files) { take_drop(files); };
    preview_->on_press = [this] { start_move(); };

    time_slider_ = new Slider(preview_panel_);
    time_slider_->setObjectName(QStringLiteral("time_slider"));
    time_slider_->setGeometry(9, 159, 431, 30);
    connect(time_slider_, &Slider::changed, this,
            [this] { guarded(*env_.dialogs, [this] { show_preview(); }); });

    fix_button_ = new QPushButton(QStringLiteral("Fix"), client);
    fix_button_->setObjectName(QStringLiteral("fix_button"));
    fix_button_->setGeometry(186, 262, 112, 32);
    connect(fix_button_, &QPushButton::clicked, this, &MainWindow::fix);

    setTabOrder(preview_, time_slider_);
    setTabOrder(time_slider_, fix_button_);
    setTabOrder(fix_button_, load_button_);
}

void MainWindow::create_menu()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral(" File "));
    load_action_ = file->addAction(QStringLiteral("Load File"), this, &MainWindow::load_video);
    load_action_->setObjectName(QStringLiteral("load_action"));
    file->addSeparator();
    options_action_ = file->addAction(QStringLiteral("Options"), this, &MainWindow::show_options);
    options_action_->setObjectName(QStringLiteral("options_action"));
    file->addSeparator();
    exit_action_ = file->addAction(QStringLiteral("Exit"), this, &MainWindow::exit);
    exit_action_->setObjectName(QStringLiteral("exit_action"));
    QMenu* help = menuBar()->addMenu(QStringLiteral(" Help "));
    about_action_ = help->addAction(QStringLiteral("About"), this, &MainWindow::show_about);
    about_action_->setObjectName(QStringLiteral("about_action"));
}

void MainWindow::attach(OptionsDialog* options, AboutDialog* about, ProgressDialog* progress)
{
    options_ = options;
    about_ = about;
    progress_ = progress;
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shown_once_)
        return;
    shown_once_ = true;
    if (auto* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - frameGeometry().center() + pos());
    guarded(*env_.dialogs, [this] { read_settings(); });
}

void MainWindow::read_settings()
{
    if (options_)
        load_settings(*options_, settings_to_read(env_.config_folder, env_.program_folder));
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // A settings file that cannot be written is reported; the window closes all the same.
    guarded(*env_.dialogs, [this] { write_settings(); });
    event->accept();
}

void MainWindow::write_settings()
{
    if (options_)
        save_settings(*options_, settings_path(env_.config_folder));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == client_ && event->type() == QEvent::MouseButtonPress) {
        start_move();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::start_move()
{
    if (QWindow* w = windowHandle())
        w->startSystemMove();
}

void MainWindow::load_video()
{
    guarded(*env_.dialogs, [this] {
        open_dialog_.file_name.clear();
        open_dialog_.file_names.clear();
        open_dialog_.filter = "Video Files|" + std::string(video_extensions) + "|";
        open_dialog_.multi_select = true;
        if (!env_.dialogs->open_file(this, open_dialog_))
            return;
        load_video_file(open_dialog_.file_name);
    });
}

void MainWindow::load_video_file(const std::string& path)
{
    BusyWindow busy(*this, Qt::BusyCursor);
    media_.clear();
    std::string code;
    // A probe that ran out of time would only wait as long again.
    if (!probe_media(code, path, media_, env_) &&
        (is_no_answer(code) || !probe_media(code, path, media_, env_))) {
        env_.dialogs->message(this, "File load error! " + code, "", Icon::error);
        return;
    }
    media_.filename = path;
    file_label_->setText(to_qstring(path));
    file_label_->adjustSize();
    if (!passes_extension_test(path))
        return;
    time_slider_->setEnabled(true);
    const long double hundredths =
        static_cast<long double>(seconds_from_clock(media_.duration)) * 100;
    const long long maximum = round_half_even(hundredths);
    if (maximum > time_slider_->minimum() && maximum <= std::numeric_limits<int>::max())
        time_slider_->set_maximum(static_cast<int>(maximum));
    time_slider_->setValue(time_slider_->maximum() / 2);
    // A frame of the video loaded before must never stand for this one.
    preview_->clear();
    show_preview();
}

void MainWindow::drop_files(const std::vector<std::string>& files)
{
    // A drop taken while a converter runs would start a load inside the running one.
    if (busy())
        return;
    for (const auto& f : files) {
        if (!passes_extension_test(f))
            continue;
        try {
            load_video_file(f);
        } catch (...) {
            // A load that breaks off ends the drop without a word.
            break;
        }
    }
}

void MainWindow::take_drop(const std::vector<std::string>& files)
{
    guarded(*env_.dialogs, [&] { drop_files(files); });
}

void MainWindow::show_preview()
{
    if (!media_.loaded())
        return;
    BusyWindow busy(*this, Qt::WaitCursor);
    const std::string seek = clock_from_seconds(static_cast<double>(time_slider_->value()) / 100);
    std::string code;
    // Made at the first preview, so a runtime folder that cannot take it is
    // told like any other failed grab.
    const bool have_folder =
        preview_folder_.created() ||
        create_owned_folder(preview_folder_, env_.runtime_folder, preview_folder_prefix, code);
    if (!have_folder || !grab_preview(code, media_.filename, seek, media_, *preview_, env_,
                                      preview_file(preview_folder_.path())))
        env_.dialogs->message(this, "Preview error! " + code, "", Icon::error);
}

JobInputs MainWindow::job_inputs(std::function<Parameters()> parameters)
{
    return JobInputs{media_, save_dialog_, cancel_flag_, std::move(parameters),
                     [this] { report_timer_->start(); }};
}

void MainWindow::show_options()
{
    guarded(*env_.dialogs, [this] {
        if (options_)
            options_->exec();
    });
}

void MainWindow::show_about()
{
    guarded(*env_.dialogs, [this] {
        if (about_)
            about_->exec();
    });
}

void MainWindow::exit()
{
    close();
}

void MainWindow::end_program()
{
    // The passes read the flag on every turn, so a job stops and cleans up.
    cancel_flag_ = true;
    // Told first, so that nothing modal the close may bring up (a settings
    // file that cannot be written) holds the program: nobody may be there to
    // answer it. exit(), not quit(): quit() only asks the windows to close.
    QCoreApplication::exit(0);
    close();
}

void MainWindow::fix()
{
    guarded(*env_.dialogs, [this] {
        FixContext fix{env_, this, media_, save_dialog_, cancel_flag_, *progress_};
        run_fix(fix);
    });
}

void MainWindow::report_success()
{
    guarded(*env_.dialogs, [this] {
        report_timer_->stop();
        env_.dialogs->message(this, "The process completed successfully!", "", Icon::warning);
    });
}

} // namespace calm
