#pragma once
// The progress window: a view of one stabilization job. Shown modally, it
// starts the job 2 ms later, once it is on screen; its label and gauge
// follow the passes, its caption shows the time left once it can be
// estimated, and Cancel (or Esc) stops the running converter.

#include "job/stabilization_job.h"
#include "media/media_info.h"
#include "platform/environment.h"
#include "settings/parameters.h"

#include <QDialog>
#include <atomic>
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
    std::atomic<bool>& cancel_flag;         // owned by the main window
    std::function<Parameters()> parameters; // read when each command line is built
    std::function<void()> on_success;       // the main window's success report
};

class ProgressDialog final : public QDialog, private JobObserver
{
    Q_OBJECT
  public:
    ProgressDialog(Environment& env, JobInputs inputs, QWidget* parent = nullptr);

    // An empty caption and label and the gauge at 0, as each job begins.
    void reset();

    // Esc and the window manager's close mean Cancel too.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void start_job();
    void cancel();

    void run_job();
    void end_job(bool success, const std::string& code);
    void progressed(const ProgressStep& step) override;
    void time_left(std::optional<double> seconds) override;

    Environment& env_;
    JobInputs inputs_;
    QLabel* step_label_ = nullptr; // the pass and the converter's time
    Gauge* gauge_ = nullptr;       // both passes, 0 to 100
    QPushButton* cancel_button_ = nullptr;
    QTimer* start_timer_ = nullptr; // the job starts once the window is on screen
};

} // namespace calm
