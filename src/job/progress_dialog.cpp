#include "progress_dialog.h"

#include "commands.h"
#include "converter/runner.h"
#include "job_folder.h"
#include "media/timecode.h"
#include "pass_output.h"
#include "platform/dialogs.h"
#include "platform/error_report.h"
#include "platform/fonts.h"
#include "platform/gauge.h"
#include "platform/text.h"
#include "target.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

namespace calm {

namespace {

// One pass as a use of the runner: digit 3 or 4, Cancel polled on every turn.
class PassUse final : public ConverterUse
{
  public:
    PassUse(Pass pass, double duration, const bool& cancel,
            std::function<void(const ProgressStep&)> show, std::vector<std::string> names)
        : pass_(pass), duration_(duration), cancel_(cancel), show_(std::move(show)),
          names_(std::move(names)), output_(pass, duration, names_)
    {
    }

    int digit() const override { return pass_ == Pass::analysis ? 3 : 4; }
    const bool* cancel_flag() const override { return &cancel_; }
    void started() override { output_ = PassOutput(pass_, duration_, names_); }

    Verdict chunk(std::string_view chunk, std::string& code) override
    {
        const auto taken = output_.take(chunk);
        if (!taken.failure.empty()) {
            code = taken.failure;
            return Verdict::end_failure;
        }
        if (taken.progress) {
            progressed_ = true;
            show_(*taken.progress);
        }
        return Verdict::go_on;
    }

    // Only a converter that ended well counts: an error status means the
    // pass did not do its work, whatever it printed before.
    bool ended(const ExitStatus& status, std::string& code) override
    {
        if (status.clean())
            return true;
        code = output_.failure_reason(status);
        return false;
    }

    bool progressed() const { return progressed_; }

  private:
    Pass pass_;
    double duration_;
    const bool& cancel_;
    std::function<void(const ProgressStep&)> show_;
    std::vector<std::string> names_; // echoed by the converter, never a failure text
    PassOutput output_;
    bool progressed_ = false;
};

} // namespace

ProgressDialog::ProgressDialog(Environment& env, JobInputs inputs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), env_(env),
      inputs_(std::move(inputs))
{
    setWindowTitle(QString());
    setFont(program_font());
    setFixedSize(351, 96);

    step_label_ = new QLabel(this);
    step_label_->setObjectName(QStringLiteral("step_label"));
    step_label_->setGeometry(14, 9, 325, 20);
    gauge_ = new Gauge(this);
    gauge_->setObjectName(QStringLiteral("gauge"));
    gauge_->setGeometry(14, 35, 325, 19);
    cancel_button_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_button_->setObjectName(QStringLiteral("cancel_button"));
    cancel_button_->setGeometry(138, 60, 89, 28);

    start_timer_ = new QTimer(this);
    start_timer_->setObjectName(QStringLiteral("start_timer"));
    start_timer_->setSingleShot(true);
    start_timer_->setInterval(2);

    connect(cancel_button_, &QPushButton::clicked, this,
            [this] { guarded(*env_.dialogs, [this] { cancel(); }); });
    connect(start_timer_, &QTimer::timeout, this,
            [this] { guarded(*env_.dialogs, [this] { start_job(); }); });
}

void ProgressDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
    start_timer_->start();
}

void ProgressDialog::reset()
{
    step_label_->clear();
    gauge_->set_progress(0);
}

void ProgressDialog::reject()
{
    inputs_.cancel_flag = true;
    QDialog::reject();
}

void ProgressDialog::cancel()
{
    // The running pass sees the flag on its next turn and stops its converter.
    reject();
}

void ProgressDialog::start_job()
{
    start_timer_->stop();
    run_job();
}

void ProgressDialog::run_job()
{
    std::string code;
    bool success = false;
    try {
        success = stabilize(code);
    } catch (...) {
        // The window still closes and cleans up; the error report follows.
        end_job(false, code);
        throw;
    }
    end_job(success, code);
}

bool ProgressDialog::stabilize(std::string& code)
{
    const bool& cancel = inputs_.cancel_flag;
    // Cancel pressed before the job began: no converter is started at all.
    if (cancel)
        return false;
    const double duration = seconds_from_clock(inputs_.media.duration);
    const std::string program = converter_path(env_);
    // Both passes run in the job's own folder, where calm.trf is written and
    // read; it goes with the folder on every way out, and nothing of the
    // job's but the output ever reaches the target's folder.
    JobFolder job;
    if (!job.create(env_.runtime_folder, code))
        return false;
    const std::string& folder = job.path();
    const auto show = [this](const ProgressStep& step) { show_step(step); };

    const std::string& source = inputs_.media.filename;
    PassUse analysis(Pass::analysis, duration, cancel, show, {source});
    if (!run_converter(analysis, analysis_command(program, inputs_.media, inputs_.parameters()),
                       code, env_, folder) ||
        cancel)
        return false;

    // The converter writes beside the target; the target itself is only
    // touched by the final rename.
    TemporaryOutput output(inputs_.target.file_name);
    if (!output.create(code) || !job.record_output(output.path(), code))
        return false;
    PassUse transform(Pass::transform, duration, cancel, show, {source, output.path()});
    if (!run_converter(
            transform,
            transform_command(program, inputs_.media, output.path(), inputs_.parameters()), code,
            env_, folder) ||
        cancel)
        return false;
    if (!analysis.progressed() && !transform.progressed())
        return false;
    return output.commit(code);
}

void ProgressDialog::end_job(bool success, const std::string& code)
{
    if (!inputs_.cancel_flag) {
        if (success) {
            if (inputs_.on_success)
                inputs_.on_success();
        } else {
            env_.dialogs->message(this, "### " + inputs_.media.filename + " ### \r" + code,
                                  "Error!", Icon::error);
        }
    }
    // done() rather than close(): a close would count as Cancel.
    done(QDialog::Accepted);
}

void ProgressDialog::show_step(const ProgressStep& step)
{
    gauge_->set_progress(step.gauge);
    step_label_->setText(to_qstring(step.label));
}

} // namespace calm
