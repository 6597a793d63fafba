#pragma once
// The options window. The five stabilization parameters live only as the
// texts of its five edits: typing is filtered key by key, and each edit's
// value is checked when the focus moves from it to another control of this
// window. It neither loads nor saves; settings_file does that.

#include "settings/parameters.h"

#include <QDialog>
#include <array>
#include <cstddef>

class QKeyEvent;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace calm {

struct Environment;

class Toptions : public QDialog
{
    Q_OBJECT

  public:
    explicit Toptions(Environment& env, QWidget* parent = nullptr);
    ~Toptions() override;

    // The five edit texts as they stand, untrimmed.
    Parameters parameters() const;
    // Sets the texts unfiltered; an over-long text is kept whole.
    void set_parameters(const Parameters& values);

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QLineEdit* ed_shakiness = nullptr;
    QLineEdit* ed_accuracy = nullptr;
    QLineEdit* ed_stepsize = nullptr;
    QLineEdit* ed_mincontrast = nullptr;
    QLineEdit* ed_smoothing = nullptr;
    QPushButton* Button1 = nullptr; // "OK"
    QPushButton* Button2 = nullptr; // "Default"

    // Handlers, run inside the program-wide error report.
    void Button1Click();
    void Button2Click();
    // Whether the edit may take the key.
    bool ed_shakinessKeyPress(const QKeyEvent& key);
    bool ed_accuracyKeyPress(const QKeyEvent& key);
    bool ed_stepsizeKeyPress(const QKeyEvent& key);
    bool ed_mincontrastKeyPress(const QKeyEvent& key);
    bool ed_smoothingKeyPress(const QKeyEvent& key);
    void ed_shakinessExit();
    void ed_accuracyExit();
    void ed_stepsizeExit();
    void ed_mincontrastExit();
    void ed_smoothingExit();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void focus_moved(QWidget* old, QWidget* now);
    bool key_press(std::size_t index, const QKeyEvent& key);
    void leave(std::size_t index);
    void set_edit_text(std::size_t index, const QString& text);
    void keep_whole(std::size_t index);

    Environment& env_;
    std::array<QLineEdit*, 5> edits_{}; // in the order of parameter_rules
    bool checking_ = false;             // a leave check is running
    bool refused_ = false;              // the last leave check did not pass
};

} // namespace calm
