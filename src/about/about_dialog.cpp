#include "about_dialog.h"

#include "maker.h"
#include "platform/error_report.h"
#include "platform/fonts.h"
#include "platform/shell.h"

#include <QDate>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

namespace calm {

namespace {

QLabel* link_label(QWidget* parent, const char* text)
{
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    QFont f = l->font();
    f.setUnderline(true);
    l->setFont(f);
    l->setCursor(Qt::PointingHandCursor);
    return l;
}

} // namespace

AboutDialog::AboutDialog(Environment& env, QWidget* parent) : QDialog(parent), env_(env)
{
    setObjectName(QStringLiteral("about"));
    setWindowTitle(QStringLiteral("About"));
    setFont(program_font());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(387, 140);

    product_label_ = new QLabel(QString::fromLatin1(application_title), this);
    product_label_->setObjectName(QStringLiteral("product_label"));
    QFont bold = product_label_->font();
    bold.setBold(true);
    product_label_->setFont(bold);
    product_label_->setGeometry(12, 10, 360, 16);

    web_site_label_ = link_label(this, maker::web_site);
    web_site_label_->setObjectName(QStringLiteral("web_site_label"));
    web_site_label_->setGeometry(12, 30, 360, 16);
    support_mail_label_ = link_label(this, maker::support_mail);
    support_mail_label_->setObjectName(QStringLiteral("support_mail_label"));
    support_mail_label_->setGeometry(12, 48, 360, 16);
    for (QLabel* l : {web_site_label_, support_mail_label_}) {
        l->adjustSize();
        l->installEventFilter(this);
    }

    maker_label_ = new QLabel(this);
    maker_label_->setObjectName(QStringLiteral("maker_label"));
    maker_label_->setGeometry(12, 66, 360, 16);
    notice_label_ = new QLabel(QString::fromUtf8(maker::notice), this);
    notice_label_->setObjectName(QStringLiteral("notice_label"));
    notice_label_->setWordWrap(true);
    notice_label_->setGeometry(12, 84, 270, 48);

    ok_button_ = new QPushButton(QStringLiteral("OK"), this);
    ok_button_->setObjectName(QStringLiteral("ok_button"));
    ok_button_->setGeometry(387 - 81 - 10, 140 - 25 - 10, 81, 25);
    ok_button_->setDefault(true);
    connect(ok_button_, &QPushButton::clicked, this,
            [this] { guarded(*env_.dialogs, [this] { accept(); }); });

    if (auto* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void AboutDialog::show_year()
{
    maker_label_->setText(QString::fromUtf8(maker::name) + QLatin1Char(' ') +
                          QDate::currentDate().toString(QStringLiteral("yyyy")));
}

void AboutDialog::open_web_site()
{
    open_address(env_, maker::web_site);
}

void AboutDialog::write_support_mail()
{
    open_address(env_, std::string("mailto:") + maker::support_mail);
}

void AboutDialog::showEvent(QShowEvent* event)
{
    guarded(*env_.dialogs, [this] { show_year(); });
    QDialog::showEvent(event);
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == web_site_label_)
            guarded(*env_.dialogs, [this] { open_web_site(); });
        else if (watched == support_mail_label_)
            guarded(*env_.dialogs, [this] { write_support_mail(); });
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace calm
