#include "qt_dialogs.h"

#include "text.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace calm {

namespace {

QMessageBox::Icon qt_icon(Icon icon)
{
    switch (icon) {
    case Icon::error:
        return QMessageBox::Critical;
    case Icon::warning:
        return QMessageBox::Warning;
    case Icon::question:
        return QMessageBox::Question;
    case Icon::information:
        return QMessageBox::Information;
    case Icon::none:
        break;
    }
    return QMessageBox::NoIcon;
}

// Patterns match regardless of letter case, as on the system the lists were made for.
QString any_case(const std::string& pattern)
{
    QString out;
    for (QChar c : to_qstring(pattern)) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

QStringList qt_filters(const std::string& filter)
{
    QStringList out;
    for (const auto& [description, patterns] : filter_pairs(filter)) {
        QStringList globs;
        for (const auto& p : to_qstring(patterns).split(QLatin1Char(';'), Qt::SkipEmptyParts))
            globs << any_case(p.toStdString());
        out << to_qstring(description) + QStringLiteral(" (") + globs.join(QLatin1Char(' ')) +
                   QLatin1Char(')');
    }
    return out;
}

// A lone carriage return breaks the line, as it does in the system's own boxes.
QString shown_text(const std::string& text)
{
    QString shown = to_qstring(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

} // namespace

void QtDialogs::message(QWidget* owner, const std::string& text, const std::string& caption,
                        Icon icon)
{
    QMessageBox box(qt_icon(icon), to_qstring(caption), shown_text(text), QMessageBox::Ok, owner);
    box.exec();
}

bool QtDialogs::confirm(QWidget* owner, const std::string& text, const std::string& caption)
{
    QMessageBox box(QMessageBox::Question, to_qstring(caption), shown_text(text),
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool QtDialogs::open_file(QWidget* owner, OpenDialogState& dialog)
{
    QFileDialog fd(owner);
    fd.setAcceptMode(QFileDialog::AcceptOpen);
    fd.setFileMode(dialog.multi_select ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    fd.setNameFilters(qt_filters(dialog.filter));
    if (!dialog.file_name.empty())
        fd.selectFile(to_qstring(dialog.file_name));
    if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty())
        return false;
    dialog.file_names.clear();
    for (const auto& f : fd.selectedFiles())
        dialog.file_names.push_back(from_qstring_path(f));
    dialog.file_name = dialog.file_names.front();
    return true;
}

bool QtDialogs::save_file(QWidget* owner, SaveDialogState& dialog)
{
    QFileDialog fd(owner);
    fd.setAcceptMode(QFileDialog::AcceptSave);
    fd.setFileMode(QFileDialog::AnyFile);
    // Replacing an existing file is asked by the caller, in its own words.
    fd.setOption(QFileDialog::DontConfirmOverwrite);
    const auto filters = qt_filters(dialog.filter);
    fd.setNameFilters(filters);
    if (dialog.filter_index >= 0 && dialog.filter_index < filters.size())
        fd.selectNameFilter(filters.at(dialog.filter_index));
    fd.setDefaultSuffix(to_qstring(dialog.default_ext));
    if (!dialog.file_name.empty())
        fd.selectFile(to_qstring(dialog.file_name));
    if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty())
        return false;
    dialog.file_name =
        with_default_extension(from_qstring_path(fd.selectedFiles().front()), dialog.default_ext);
    return true;
}

} // namespace calm
