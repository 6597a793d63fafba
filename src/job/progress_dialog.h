#pragma once
// The progress window and the stabilization job it runs. Shown modally, it
// starts the job 2 ms later, once it is on screen: the analysis pass writes
// the camera motion into calm.trf in the job's private folder, the
// transform pass writes the steadied video. One gauge spans both passes; Cancel stops
// the running converter. The job succeeds only when both converters ended
// by themselves with status 0, no failure text appeared and progress was
// seen; the finished video then replaces the target in one rename, and
// otherwise the target is left as it was.

#include "media/media_info.h"
#include "platform/environment.h"
#include "settings/parameters.h"

#include <QDialog>
#include <functional>
#include <string>

class QLabel;
class QPushButton;
class QTimer;

namespace calm {

class Gauge;
struct ProgressStep;
struct SaveDialogState;

struct JobInputs
{
    const MediaInfo& media;                 // source, duration, bit rates, frame size
    const SaveDialogState& target;          // the target is its file_name
    bool& cancel_flag;                      // owned by the main window
    std::function<Parameters()> parameters; // read when each command line is built
    std::function<void()> on_success;       // the main window's success report
};

class ProgressDialog final : public QDialog
{
    Q_OBJECT
  public:
    ProgressDialog(Environment& env, JobInputs inputs, QWidget* parent = nullptr);

    // An empty label and the gauge at 0, as each job begins.
    void reset();

    // Esc and the window manager's close mean Cancel too.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void start_job();
    void cancel();

    void run_job();
    bool stabilize(std::string& code);
    void end_job(bool success, const std::string& code);
    void show_step(const ProgressStep& step);

    Environment& env_;
    JobInputs inputs_;
    QLabel* step_label_ = nullptr; // the pass and the converter's time
    Gauge* gauge_ = nullptr;       // both passes, 0 to 100
    QPushButton* cancel_button_ = nullptr;
    QTimer* start_timer_ = nullptr; // the job starts once the window is on screen
};

} // namespace calm
