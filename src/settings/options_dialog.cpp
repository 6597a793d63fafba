#include "options_dialog.h"

#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/error_report.h"
#include "platform/fonts.h"
#include "platform/text.h"
#include "settings/parameter_rules.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

namespace calm {

namespace {

struct Block
{
    const char* label;
    const char* explanation;
};

// In the order of parameter_rules, which is also their order on the page.
const std::array<Block, 5> blocks = {{
    {"Shakiness ",
     "Set the shakiness of input video. It accepts an integer in the range 1-10, a value of 1 "
     "means little shakiness, a value of 10 means strong shakiness."},
    {"Accuracy",
     "Set the accuracy of the analyzing process. It must be a value in the range 1-15. A value "
     "of 1 means low accuracy, a value of 15 means high accuracy."},
    {"Stepsize",
     "Set stepsize of the search process. The region around minimum is scanned with 1 pixel "
     "resolution."},
    {"Mincontrast",
     "Set minimum contrast. Below this value a local measurement field is discarded. Must be a "
     "floating point value in the range 0-1. "},
    {"Smoothing",
     "Set the number of frames used for filtering the camera movements. For example a number of "
     "10 means that 21 frames are used (10 in the past and 10 in the future) to smoothen the "
     "motion in the video. A larger value leads to a smoother video, but limits the "
     "acceleration of the camera. 0 is a special case where a static camera is simulated."},
}};

constexpr int client_width = 440;
constexpr int client_height = 488;
constexpr int button_width = 92;
constexpr int button_height = 28;
constexpr int margin = 8;

// The character a key press types, as the system's edit control sees it:
// none for keys that move, delete or leave (arrows, Home, Delete, Tab), a
// control character for Ctrl with a letter whatever text the platform gave.
std::optional<char32_t> typed_character(const QKeyEvent& key)
{
    switch (key.key()) {
    case Qt::Key_Backspace:
        return U'\b';
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return std::nullopt;
    default:
        break;
    }
    const auto mods = key.modifiers();
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && key.key() >= Qt::Key_A &&
        key.key() <= Qt::Key_Z)
        return static_cast<char32_t>(key.key() - Qt::Key_A + 1);
    const auto text = key.text().toUcs4();
    if (text.isEmpty())
        return std::nullopt;
    return text.front();
}

constexpr std::size_t zoom_index = 5;

const ParameterRule& rule_of(std::size_t index)
{
    return index == zoom_index ? zoom_rule : parameter_rules[index];
}

QVBoxLayout* new_page_layout(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(4);
    return layout;
}

// A block of a page: the name, its control on the same line, and under them
// the explanation.
void add_block(QWidget* page, QVBoxLayout* layout, const char* label, QWidget* control,
               const char* explanation)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(new QLabel(QString::fromUtf8(label), page));
    row->addWidget(control);
    row->addStretch(1);
    layout->addLayout(row);

    auto* text = new QLabel(QString::fromUtf8(explanation), page);
    text->setWordWrap(true);
    text->setFixedWidth(385);
    layout->addWidget(text);
    layout->addSpacing(10);
}

} // namespace

OptionsDialog::OptionsDialog(Environment& env, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      env_(env)
{
    setObjectName(QStringLiteral("options"));
    setWindowTitle(QStringLiteral("Options"));
    setFont(program_font());
    setFixedSize(client_width, client_height);

    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("pages"));
    pages_->setGeometry(margin, margin, client_width - 2 * margin,
                        client_height - 3 * margin - button_height);
    // A click on the page's tab takes the focus, so it ends an edit like any other control.
    pages_->findChild<QTabBar*>()->setFocusPolicy(Qt::StrongFocus);
    build_general_page();
    build_borders_page();

    const int button_y = client_height - margin - button_height;
    default_button_ = new QPushButton(QStringLiteral("Default"), this);
    default_button_->setObjectName(QStringLiteral("default_button"));
    default_button_->setGeometry(margin, button_y, button_width, button_height);
    ok_button_ = new QPushButton(QStringLiteral("OK"), this);
    ok_button_->setObjectName(QStringLiteral("ok_button"));
    ok_button_->setGeometry(client_width - margin - button_width, button_y, button_width,
                            button_height);
    for (auto* button : {ok_button_, default_button_}) {
        // Neither is pressed by Enter.
        button->setAutoDefault(false);
        button->setDefault(false);
        // The buttons take the focus themselves on a press (eventFilter), so
        // that a leave check refusing the text can drop the click.
        button->setFocusPolicy(Qt::TabFocus);
        button->installEventFilter(this);
    }
    connect(ok_button_, &QPushButton::clicked, this,
            [this] { guarded(*env_.dialogs, [this] { confirm(); }); });
    connect(default_button_, &QPushButton::clicked, this,
            [this] { guarded(*env_.dialogs, [this] { restore_defaults(); }); });

    setTabOrder(ok_button_, default_button_);
    setTabOrder(default_button_, pages_);
    // Tab goes shakiness, accuracy, smoothing, stepsize, mincontrast; on the
    // borders page zoom, automatic zoom, borders, tripod.
    setTabOrder(pages_, edits_[0]);
    setTabOrder(edits_[0], edits_[1]);
    setTabOrder(edits_[1], edits_[4]);
    setTabOrder(edits_[4], edits_[2]);
    setTabOrder(edits_[2], edits_[3]);
    setTabOrder(edits_[3], edits_[5]);
    setTabOrder(edits_[5], optzoom_choice_);
    setTabOrder(optzoom_choice_, crop_choice_);
    setTabOrder(crop_choice_, tripod_check_);
    ok_button_->setFocus();

    connect(qApp, &QApplication::focusChanged, this, &OptionsDialog::focus_moved);
}

void OptionsDialog::build_general_page()
{
    general_page_ = new QWidget(pages_);
    general_page_->setObjectName(QStringLiteral("general_page"));
    pages_->addTab(general_page_, QStringLiteral("General"));
    auto* page = new_page_layout(general_page_);
    for (std::size_t i = 0; i < blocks.size(); ++i)
        add_edit(general_page_, page, i, blocks[i].label, blocks[i].explanation);
    page->addStretch(1);
}

void OptionsDialog::build_borders_page()
{
    borders_page_ = new QWidget(pages_);
    borders_page_->setObjectName(QStringLiteral("borders_page"));
    pages_->addTab(borders_page_, QStringLiteral("Borders"));
    auto* page = new_page_layout(borders_page_);
    add_edit(borders_page_, page, zoom_index, "Zoom",
             "Set the zoom in percent. A positive value zooms in, a negative value zooms out. It "
             "accepts an integer in the range -100 to 100; 0 means no zoom of its own. The "
             "automatic zoom comes on top of it.");

    optzoom_choice_ = new QComboBox(borders_page_);
    optzoom_choice_->setObjectName(QStringLiteral("optzoom_choice"));
    // In the order of AutoZoom, so that the index is the value.
    optzoom_choice_->addItems(
        {QStringLiteral("Off"), QStringLiteral("Static"), QStringLiteral("Adaptive")});
    add_block(borders_page_, page, "Automatic zoom", optzoom_choice_,
              "Zoom the picture so that the moving borders stay out of sight. Static uses one "
              "zoom for the whole clip, large enough that no border is ever shown. Adaptive "
              "follows the motion, zooming only as much as each frame needs. Off leaves only "
              "the zoom set above.");

    crop_choice_ = new QComboBox(borders_page_);
    crop_choice_->setObjectName(QStringLiteral("crop_choice"));
    // In the order of Borders.
    crop_choice_->addItems({QStringLiteral("Keep the last image"), QStringLiteral("Black")});
    add_block(borders_page_, page, "Borders", crop_choice_,
              "Set what fills the borders that the correction uncovers where the zoom does not "
              "hide them: the picture of the frames before, or black.");

    tripod_check_ =
        new QCheckBox(QStringLiteral("Hold the camera still on the first frame"), borders_page_);
    tripod_check_->setObjectName(QStringLiteral("tripod_check"));
    add_block(borders_page_, page, "Tripod", tripod_check_,
              "For a camera that should not move at all: every frame is brought back to the "
              "view of the first one, as if the camera stood on a tripod. The smoothing is not "
              "used then.");
    page->addStretch(1);
    show_choices(Parameters{});
}

QLineEdit* OptionsDialog::add_edit(QWidget* page, QVBoxLayout* layout, std::size_t index,
                                   const char* label, const char* explanation)
{
    const auto& rule = rule_of(index);
    auto* edit = new QLineEdit(page);
    edit->setObjectName(to_qstring(std::string(rule.key) + "_edit"));
    edit->setFixedSize(41, 21);
    edit->setMaxLength(rule.max_length);
    edit->setText(to_qstring(std::string(rule.default_text)));
    // Every character the user types passes the key filter; input
    // methods and drops would go around it.
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    edit->setAcceptDrops(false);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textChanged, this, [this, index] { keep_whole(index); });
    edits_[index] = edit;
    add_block(page, layout, label, edit, explanation);
    return edit;
}

OptionsDialog::~OptionsDialog()
{
    // QDialog's destructor hides the window, which moves the focus; by then
    // this is no OptionsDialog any more and must not hear of it.
    disconnect(qApp, &QApplication::focusChanged, this, &OptionsDialog::focus_moved);
}

Parameters OptionsDialog::parameters() const
{
    Parameters values;
    for (std::size_t i = 0; i < edits_.size(); ++i)
        values.*rule_of(i).text = from_qstring(edits_[i]->text());
    // The lists hold exactly the values, in order, and nothing else.
    values.optzoom = static_cast<AutoZoom>(std::max(0, optzoom_choice_->currentIndex()));
    values.crop = static_cast<Borders>(std::max(0, crop_choice_->currentIndex()));
    values.tripod = tripod_check_->isChecked();
    return values;
}

void OptionsDialog::set_parameters(const Parameters& values)
{
    for (std::size_t i = 0; i < edits_.size(); ++i)
        set_edit_text(i, to_qstring(values.*rule_of(i).text));
    show_choices(values);
}

void OptionsDialog::show_choices(const Parameters& values)
{
    optzoom_choice_->setCurrentIndex(static_cast<int>(values.optzoom));
    crop_choice_->setCurrentIndex(static_cast<int>(values.crop));
    tripod_check_->setChecked(values.tripod);
}

void OptionsDialog::confirm()
{
    accept();
}

void OptionsDialog::restore_defaults()
{
    for (std::size_t i = 0; i < edits_.size(); ++i)
        set_edit_text(i, to_qstring(std::string(rule_of(i).default_text)));
    show_choices(Parameters{});
}

bool OptionsDialog::accepts_key(std::size_t index, const QKeyEvent& key)
{
    const auto c = typed_character(key);
    if (!c)
        return true;
    const QLineEdit* edit = edits_[index];
    const QString text = edit->text();
    const int start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    const int length = edit->hasSelectedText() ? edit->selectionLength() : 0;
    const std::string before = from_qstring(text.left(start));
    const std::string selected = from_qstring(text.mid(start, length));
    const std::string after = from_qstring(text.mid(start + length));
    return accepts_typed(rule_of(index), *c, TypingPlace{before, selected, after});
}

void OptionsDialog::leave(std::size_t index)
{
    const auto& rule = rule_of(index);
    QLineEdit* edit = edits_[index];
    const std::string before = from_qstring(edit->text());
    const auto result = leave_check(rule, before);
    if (result.text != before)
        set_edit_text(index, to_qstring(result.text));
    if (result.refused) {
        env_.dialogs->message(this, std::string(rule.refusal), "", Icon::error);
        edit->setFocus(Qt::OtherFocusReason);
        return;
    }
    refused_ = false;
}

void OptionsDialog::set_edit_text(std::size_t index, const QString& text)
{
    QLineEdit* edit = edits_[index];
    edit->setMaxLength(std::max(rule_of(index).max_length, static_cast<int>(text.size())));
    edit->setText(text);
}

// The length limit holds only what the user enters: a longer text that was
// set stays whole, and the limit comes back as the user shortens it.
void OptionsDialog::keep_whole(std::size_t index)
{
    QLineEdit* edit = edits_[index];
    const int wanted = std::max(rule_of(index).max_length, static_cast<int>(edit->text().size()));
    if (edit->maxLength() == wanted)
        return;
    const int cursor = edit->cursorPosition();
    edit->setMaxLength(wanted); // sets the text again, which moves the cursor to the end
    edit->setCursorPosition(cursor);
}

void OptionsDialog::focus_moved(QWidget* old, QWidget* now)
{
    // Only a move to another control of this window ends an edit: not the
    // message box of a check, not a context menu, not another window.
    if (checking_ || !now || now->window() != this)
        return;
    const auto found = std::find(edits_.begin(), edits_.end(), old);
    if (found == edits_.end() || old == now)
        return;
    const auto index = static_cast<std::size_t>(found - edits_.begin());
    // Stays set when the check refuses the text or cannot read it.
    refused_ = true;
    checking_ = true;
    guarded(*env_.dialogs, [&] { leave(index); });
    checking_ = false;
}

bool OptionsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto found = std::find(edits_.begin(), edits_.end(), watched);
        if (found == edits_.end())
            return QDialog::eventFilter(watched, event);
        const auto index = static_cast<std::size_t>(found - edits_.begin());
        bool passes = false;
        guarded(*env_.dialogs,
                [&] { passes = accepts_key(index, *static_cast<QKeyEvent*>(event)); });
        return !passes;
    }
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        auto* button = qobject_cast<QPushButton*>(watched);
        if ((button == ok_button_ || button == default_button_) &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            // The button takes the focus before it acts, so the edit's leave
            // check runs first; when it fails the press is dropped and the
            // button's action does not happen.
            refused_ = false;
            button->setFocus(Qt::MouseFocusReason);
            return refused_;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void OptionsDialog::keyPressEvent(QKeyEvent* event)
{
    // There is no cancel button: Escape does not close the window.
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

void OptionsDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - frameGeometry().center() + pos());
}

} // namespace calm
