#pragma once
// The options window. Its "General" page holds the five parameters that
// steer the measuring and the smoothing, its "Borders" page the zoom, the
// automatic zoom, the border fill and the tripod. The numbers live only as
// the texts of their edits: typing is filtered key by key, and each edit's
// value is checked when the focus moves from it to another control of this
// window. The choices cannot hold a wrong value. It neither loads nor
// saves; settings_file does that.

#include "settings/parameters.h"

#include <QDialog>
#include <array>
#include <cstddef>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLineEdit;
class QVBoxLayout;
class QPushButton;
class QTabWidget;

namespace calm {

struct Environment;

class OptionsDialog : public QDialog
{
    Q_OBJECT

  public:
    explicit OptionsDialog(Environment& env, QWidget* parent = nullptr);
    ~OptionsDialog() override;

    // The edit texts as they stand, untrimmed, and the choices.
    Parameters parameters() const;
    // Sets the texts unfiltered; an over-long text is kept whole.
    void set_parameters(const Parameters& values);

    // OK closes the window; Default puts every control of both pages back
    // to its default.
    void confirm();
    void restore_defaults();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void build_general_page();
    void build_borders_page();
    QLineEdit* add_edit(QWidget* page, QVBoxLayout* layout, std::size_t index, const char* label,
                        const char* explanation);
    void show_choices(const Parameters& values);
    void focus_moved(QWidget* old, QWidget* now);
    // Whether the edit may take the key.
    bool accepts_key(std::size_t index, const QKeyEvent& key);
    // The check as the focus leaves an edit: a refused text keeps the focus there.
    void leave(std::size_t index);
    void set_edit_text(std::size_t index, const QString& text);
    void keep_whole(std::size_t index);

    Environment& env_;
    QTabWidget* pages_ = nullptr;
    QWidget* general_page_ = nullptr;
    QWidget* borders_page_ = nullptr;
    QPushButton* ok_button_ = nullptr;
    QPushButton* default_button_ = nullptr;
    // shakiness_edit, accuracy_edit, ... in the order of parameter_rules,
    // then zoom_edit
    std::array<QLineEdit*, 6> edits_{};
    QComboBox* optzoom_choice_ = nullptr;
    QComboBox* crop_choice_ = nullptr;
    QCheckBox* tripod_check_ = nullptr;
    bool checking_ = false; // a leave check is running
    bool refused_ = false;  // the last leave check did not pass
};

} // namespace calm
