#include "p_about.h"

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

Tabout::Tabout(Environment& env, QWidget* parent) : QDialog(parent), env_(env)
{
    setObjectName(QStringLiteral("about"));
    setWindowTitle(QStringLiteral("About"));
    setFont(program_font());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(387, 140);

    Label8 = new QLabel(QString::fromLatin1(application_title), this);
    QFont bold = Label8->font();
    bold.setBold(true);
    Label8->setFont(bold);
    Label8->setGeometry(12, 10, 360, 16);

    Label5 = link_label(this, maker::web_site);
    Label5->setGeometry(12, 30, 360, 16);
    Label2 = link_label(this, maker::support_mail);
    Label2->setGeometry(12, 48, 360, 16);
    for (QLabel* l : {Label5, Label2}) {
        l->adjustSize();
        l->installEventFilter(this);
    }

    Label3 = new QLabel(this);
    Label3->setGeometry(12, 66, 360, 16);
    Label1 = new QLabel(QString::fromUtf8(maker::notice), this);
    Label1->setWordWrap(true);
    Label1->setGeometry(12, 84, 270, 48);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setGeometry(387 - 81 - 10, 140 - 25 - 10, 81, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this,
            [this] { guarded(*env_.dialogs, [this] { accept(); }); });

    if (auto* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void Tabout::FormShow()
{
    Label3->setText(QString::fromUtf8(maker::name) + QLatin1Char(' ') +
                    QDate::currentDate().toString(QStringLiteral("yyyy")));
}

void Tabout::Label5Click()
{
    open_address(env_, maker::web_site);
}

void Tabout::Label2Click()
{
    open_address(env_, std::string("mailto:") + maker::support_mail);
}

void Tabout::showEvent(QShowEvent* event)
{
    guarded(*env_.dialogs, [this] { FormShow(); });
    QDialog::showEvent(event);
}

bool Tabout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == Label5)
            guarded(*env_.dialogs, [this] { Label5Click(); });
        else if (watched == Label2)
            guarded(*env_.dialogs, [this] { Label2Click(); });
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace calm
