#pragma once
// The About window: product name, the maker's two links and the year.

#include "platform/environment.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace calm {

class AboutDialog final : public QDialog
{
    Q_OBJECT
  public:
    explicit AboutDialog(Environment& env, QWidget* parent = nullptr);

    // What a click on either link does.
    void open_web_site();
    void write_support_mail();

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void show_year();

    Environment& env_;
    QLabel* product_label_ = nullptr;
    QLabel* web_site_label_ = nullptr;
    QLabel* support_mail_label_ = nullptr;
    QLabel* maker_label_ = nullptr; // maker and the current year
    QLabel* notice_label_ = nullptr;
    QPushButton* ok_button_ = nullptr;
};

} // namespace calm
