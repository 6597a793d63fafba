#include "progress_dialog.h"

#include "job/analysis_cache.h"
#include "job/time_left.h"
#include "platform/dialogs.h"
#include "platform/error_report.h"
#include "platform/fonts.h"
#include "platform/gauge.h"
#include "platform/text.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

namespace calm {

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
    // The last job's estimate must not stand for this one.
    setWindowTitle(QString());
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
    JobRequest request{inputs_.media, inputs_.target.file_name, inputs_.parameters()};
    AnalysisCache cache(env_.cache_folder);
    StabilizationJob job(env_, std::move(request), inputs_.cancel_flag, *this, &cache);
    bool success = false;
    try {
        success = job.run();
    } catch (...) {
        // The window still closes and cleans up; the error report follows.
        end_job(false, job.code());
        throw;
    }
    end_job(success, job.code());
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

void ProgressDialog::progressed(const ProgressStep& step)
{
    gauge_->set_progress(step.gauge);
    step_label_->setText(to_qstring(step.label));
}

void ProgressDialog::time_left(std::optional<double> seconds)
{
    // A pause in the converter's reports keeps the last estimate standing.
    if (seconds)
        setWindowTitle(to_qstring(time_left_text(*seconds)));
}

} // namespace calm
