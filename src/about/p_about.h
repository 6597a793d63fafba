#pragma once
// The About window: product name, the maker's two links and the year.

#include "platform/environment.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace calm {

class Tabout final : public QDialog
{
    Q_OBJECT
  public:
    explicit Tabout(Environment& env, QWidget* parent = nullptr);

    QLabel* Label8 = nullptr; // product name
    QLabel* Label5 = nullptr; // web site
    QLabel* Label2 = nullptr; // support mail
    QLabel* Label3 = nullptr; // maker and year
    QLabel* Label1 = nullptr; // notice
    QPushButton* Button1 = nullptr;

    void Label5Click();
    void Label2Click();

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormShow();
    Environment& env_;
};

} // namespace calm
