#include "p_main.h"

#include "about/p_about.h"
#include "job/fix.h"
#include "job/p_progress.h"
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
#include "settings/p_options.h"
#include "settings/settings_file.h"

#include <QCloseEvent>
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
// from it, and restores both on every way out.
class BusyWindow
{
public:
    BusyWindow(Tmain& w, Qt::CursorShape cursor) : w_(w)
    {
        ++w_.busy_;
        w_.setCursor(cursor);
        w_.setEnabled(false);
    }
    ~BusyWindow()
    {
        --w_.busy_;
        w_.unsetCursor();
        w_.setEnabled(true);
    }
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

private:
    Tmain& w_;
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

Tmain::Tmain(Environment& env) : QMainWindow(nullptr), env_(env)
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Calmora 0.3.7"));
    setFont(program_font());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint);
    client_ = new QWidget(this);
    client_->setFixedSize(476, 306);
    client_->installEventFilter(this);
    setCentralWidget(client_);
    createControls(client_);
    createMenu();
    setFixedSize(sizeHint());

    Timer_endmsg = new QTimer(this);
    Timer_endmsg->setSingleShot(true);
    Timer_endmsg->setInterval(2);
    connect(Timer_endmsg, &QTimer::timeout, this, &Tmain::Timer_endmsgTimer);
}

Tmain::~Tmain() = default;

void Tmain::createControls(QWidget* client)
{
    BitBtn2 = new QPushButton(film_icon(), QStringLiteral("Load Video File..."), client);
    BitBtn2->setIconSize(QSize(32, 32));
    BitBtn2->setGeometry(10, 6, 159, 35);
    connect(BitBtn2, &QPushButton::clicked, this, &Tmain::loadvideoClick);

    Label1 = new QLabel(client);
    Label1->setWordWrap(true);
    Label1->setStyleSheet(QStringLiteral("color: grey"));
    Label1->setGeometry(174, 10, 292, 0);

    Panel1 = new QFrame(client);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);
    Panel1->setGeometry(10, 51, 459, 198);

    ImageEnView1 = new ImageView(Panel1);
    ImageEnView1->setGeometry(11, 10, 429, 143);
    ImageEnView1->on_drop = [this](const std::vector<std::string>& files) {
        guarded(*env_.dialogs, [&] { dragAppMessage(files); });
    };
    ImageEnView1->on_press = [this] { start_move(); };

    slider = new Slider(Panel1);
    slider->setGeometry(9, 159, 431, 30);
    connect(slider, &Slider::changed, this,
            [this] { guarded(*env_.dialogs, [this] { sliderChanged(); }); });

    btn_fix = new QPushButton(QStringLiteral("Fix"), client);
    btn_fix->setGeometry(186, 262, 112, 32);
    connect(btn_fix, &QPushButton::clicked, this, &Tmain::btn_fixClick);

    setTabOrder(ImageEnView1, slider);
    setTabOrder(slider, btn_fix);
    setTabOrder(btn_fix, BitBtn2);
}

void Tmain::createMenu()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral(" File "));
    loadvideo = file->addAction(QStringLiteral("Load File"), this, &Tmain::loadvideoClick);
    file->addSeparator();
    Options1 = file->addAction(QStringLiteral("Options"), this, &Tmain::Options1Click);
    file->addSeparator();
    Exit1 = file->addAction(QStringLiteral("Exit"), this, &Tmain::Exit1Click);
    QMenu* help = menuBar()->addMenu(QStringLiteral(" Help "));
    About1 = help->addAction(QStringLiteral("About"), this, &Tmain::About1Click);
}

void Tmain::attach(Toptions* options, Tabout* about, Tprogress* progress)
{
    options_ = options;
    about_ = about;
    progress_ = progress;
}

void Tmain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shown_once_)
        return;
    shown_once_ = true;
    if (auto* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - frameGeometry().center() + pos());
    guarded(*env_.dialogs, [this] { FormShow(); });
}

void Tmain::FormShow()
{
    if (options_)
        load_settings(*options_, settings_path(env_.program_folder));
}

void Tmain::closeEvent(QCloseEvent* event)
{
    // A settings file that cannot be written is reported; the window closes all the same.
    guarded(*env_.dialogs, [this] { FormClose(); });
    event->accept();
}

void Tmain::FormClose()
{
    if (options_)
        save_settings(*options_, settings_path(env_.program_folder));
}

bool Tmain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == client_ && event->type() == QEvent::MouseButtonPress) {
        start_move();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Tmain::start_move()
{
    if (QWindow* w = windowHandle())
        w->startSystemMove();
}

void Tmain::loadvideoClick()
{
    guarded(*env_.dialogs, [this] {
        OpenDialog1.file_name.clear();
        OpenDialog1.file_names.clear();
        OpenDialog1.filter = "Video Files|" + std::string(videoextlist) + "|";
        OpenDialog1.multi_select = true;
        if (!env_.dialogs->open_file(this, OpenDialog1))
            return;
        loadvideofile(OpenDialog1.file_name);
    });
}

void Tmain::loadvideofile(const std::string& path)
{
    BusyWindow busy(*this, Qt::BusyCursor);
    ffinfo.clear();
    std::string code;
    if (!getvideoinfo(code, path, ffinfo, env_) && !getvideoinfo(code, path, ffinfo, env_)) {
        env_.dialogs->message(this, "File load error! " + code, "", Icon::error);
        return;
    }
    ffinfo.filename = path;
    Label1->setText(to_qstring(path));
    Label1->adjustSize();
    if (!passes_extension_test(path))
        return;
    slider->setEnabled(true);
    const long double hundredths = static_cast<long double>(timetosec(ffinfo.duration)) * 100;
    const long long maximum = round_half_even(hundredths);
    if (maximum > slider->minimum() && maximum <= std::numeric_limits<int>::max())
        slider->set_maximum(static_cast<int>(maximum));
    slider->setValue(slider->maximum() / 2);
    // A frame of the video loaded before must never stand for this one.
    ImageEnView1->clear();
    sliderChanged();
}

void Tmain::dragAppMessage(const std::vector<std::string>& files)
{
    // A drop taken while a converter runs would start a load inside the running one.
    if (busy())
        return;
    for (const auto& f : files) {
        if (!passes_extension_test(f))
            continue;
        try {
            loadvideofile(f);
        } catch (...) {
            // A load that breaks off ends the drop without a word.
            break;
        }
    }
}

void Tmain::sliderChanged()
{
    if (!ffinfo.loaded())
        return;
    BusyWindow busy(*this, Qt::WaitCursor);
    const std::string seek = sectotime(static_cast<double>(slider->value()) / 100);
    std::string code;
    if (!getpreview(code, ffinfo.filename, seek, ffinfo, *ImageEnView1, env_))
        env_.dialogs->message(this, "Preview error! " + code, "", Icon::error);
}

void Tmain::Options1Click()
{
    guarded(*env_.dialogs, [this] {
        if (options_)
            options_->exec();
    });
}

void Tmain::About1Click()
{
    guarded(*env_.dialogs, [this] {
        if (about_)
            about_->exec();
    });
}

void Tmain::Exit1Click()
{
    close();
}

void Tmain::btn_fixClick()
{
    guarded(*env_.dialogs, [this] {
        FixContext fix{env_, this, ffinfo, SaveDialog1, cancel_flag, *progress_};
        btn_fix_click(fix);
    });
}

void Tmain::Timer_endmsgTimer()
{
    guarded(*env_.dialogs, [this] {
        Timer_endmsg->stop();
        env_.dialogs->message(this, "The process completed successfully!", "", Icon::warning);
    });
}

} // namespace calm
