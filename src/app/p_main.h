#pragma once
// The main window: load one video (dialog or drop on the preview), scrub it
// with the slider, and press Fix. It owns the media information record and
// the job's cancel flag.

#include "media/ffinfo.h"
#include "platform/dialogs.h"
#include "platform/environment.h"

#include <QMainWindow>
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
class Slider;
class Tabout;
class Toptions;
class Tprogress;

class Tmain final : public QMainWindow
{
    Q_OBJECT
public:
    explicit Tmain(Environment& env);
    ~Tmain() override;

    // The windows created after this one, which its menu and Fix show.
    void attach(Toptions* options, Tabout* about, Tprogress* progress);

    // Handlers, each inside the program-wide error report.
    void loadvideoClick();
    void Options1Click();
    void About1Click();
    void Exit1Click();
    void btn_fixClick();
    void Timer_endmsgTimer();
    // The frame at the slider's time; nothing while no video is loaded.
    // Errors go on to the caller.
    void sliderChanged();

    // Probe, record, label, slider, first preview. Errors go on to the caller.
    void loadvideofile(const std::string& path);
    // Files dropped on the preview, in order.
    void dragAppMessage(const std::vector<std::string>& files);

    Tffinfo ffinfo;
    bool cancel_flag = false;
    OpenDialogState OpenDialog1;
    SaveDialogState SaveDialog1;

    QPushButton* BitBtn2 = nullptr;
    QLabel* Label1 = nullptr;
    QFrame* Panel1 = nullptr;
    ImageView* ImageEnView1 = nullptr;
    Slider* slider = nullptr;
    QPushButton* btn_fix = nullptr;
    QTimer* Timer_endmsg = nullptr;
    QAction* loadvideo = nullptr;
    QAction* Options1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* About1 = nullptr;

    bool busy() const { return busy_ > 0; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class BusyWindow;
    void createControls(QWidget* client);
    void createMenu();
    void FormShow();
    void FormClose();
    void start_move();

    Environment& env_;
    Toptions* options_ = nullptr;
    Tabout* about_ = nullptr;
    Tprogress* progress_ = nullptr;
    QWidget* client_ = nullptr;
    bool shown_once_ = false;
    int busy_ = 0;
};

} // namespace calm
