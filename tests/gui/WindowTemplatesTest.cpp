// Every window as its template lays it out, checked whole against the tables below: the window
// itself, and for each control its identifier, name, kind, style, place and caption, as the widgets
// and a screen reader see them, and the order Tab goes through them.
#include <gmock/gmock.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QValidator>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "gui/MainWindow.h"
#include "gui/SelectionDialog.h"
#include "resources/DialogUnits.h"
#include "tests/support/NoMidi.h"
#include "tests/support/RecordingMessageBoxes.h"

namespace {

enum class Kind {
    List,           // list box
    Button,         // push button
    DefaultButton,  // the default push button: Enter presses it
    FlatButton,
    CheckBox,        // automatic check box
    PushLikeButton,  // check box drawn as a push button
    Edit,
    DropDown,  // editable field with a list
    Group,
    Label,
};

enum Style : unsigned {
    None = 0,
    Tab = 1U << 0,
    VScroll = 1U << 1,  // the list's scroll bar always shows
    Digits = 1U << 2,   // the field takes digits alone
    Centered = 1U << 3,
    Sunken = 1U << 4,
};

struct Control {
    int id;
    const char* name;
    Kind kind;
    const char* caption;  // nullptr: none in the template, or set when the window opens
    unsigned style;
    int x, y, width, height;  // dialog units
};

// The main window: 198 x 148 dialog units, "ＭＳ Ｐゴシック" at 9 points.
const std::vector<Control> kMain{
    {1000, "IDC_LOG", Kind::List, nullptr, Tab | VScroll, 5, 5, 135, 105},
    {1, "IDOK", Kind::Button, "Exit", Tab, 145, 5, 50, 14},
    {2, "IDCANCEL", Kind::Button, "Erase log", Tab, 145, 25, 50, 14},
    {1005, "IDC_PORT", Kind::Edit, nullptr, Tab | Digits, 145, 41, 25, 14},
    {1006, "IDC_LISTEN", Kind::Button, "Start", Tab, 170, 41, 25, 14},
    {1021, "IDC_TALK_SOUND", Kind::CheckBox, "TalkSound", Tab, 145, 60, 50, 10},
    {1016, "IDC_MIDI_IN", Kind::PushLikeButton, "MIDI IN", Tab, 145, 75, 50, 15},
    {1017, "IDC_MIDI_OUT", Kind::PushLikeButton, "MIDI OUT", Tab, 145, 95, 50, 15},
    // Its height includes the dropped-down list, whose scroll bar shows only when dropped down.
    {1008, "IDC_TARGET", Kind::DropDown, nullptr, Tab, 5, 115, 140, 65},
    {1010, "IDC_TO_ALL", Kind::CheckBox, "ToAllOfList", Tab, 146, 117, 49, 10},
    {1001, "IDC_MESSAGE", Kind::Edit, nullptr, Tab, 5, 130, 115, 14},
    {1018, "IDC_KEYBOARD", Kind::FlatButton, "鍵盤", Tab, 120, 130, 25, 14},
    {1004, "IDC_SEND", Kind::DefaultButton, "Send", Tab, 145, 130, 50, 14},
};

// The device selection window: 163 x 75, no caption, 9 points.
const std::vector<Control> kSelectDevice{
    {1, "IDOK", Kind::DefaultButton, "OK", Tab, 110, 40, 50, 14},
    {2, "IDCANCEL", Kind::Button, "ｷｬﾝｾﾙ", Tab, 110, 55, 50, 14},
    {1011, "IDC_DEVICE_LIST", Kind::List, nullptr, Tab | VScroll, 5, 20, 100, 50},
    {1012, "IDC_DEVICE_PROMPT", Kind::Label, nullptr, Centered | Sunken, 5, 5, 155, 10},
};

// The About window: 143 x 84, "About Mirevo...", 12 points.
const std::vector<Control> kAbout{
    {-1, "IDC_LOGO", Kind::Group, "", None, 11, 5, 125, 40},
    {-1, "IDC_CREDIT", Kind::Label, "Mirevo " MIREVO_VERSION " by the Mirevo developers", Centered,
     5, 50, 135, 10},
    {2, "IDCANCEL", Kind::DefaultButton, "Close", Tab, 46, 65, 50, 14},
};

struct WindowRow {
    std::string name;
    std::function<std::unique_ptr<QWidget>(testing_support::RecordingMessageBoxes&)> make;
    const char* caption;
    int pointSize;
    int width, height;  // dialog units
    bool titleBar;
    bool minimizeBox;
    bool resizable;  // from its template size up
    bool toolWindow;
    const std::vector<Control>& controls;

    friend void PrintTo(const WindowRow& row, std::ostream* out) { *out << row.name; }
};

QAccessible::Role roleOf(Kind kind)
{
    const std::map<Kind, QAccessible::Role> roles{
        {Kind::List, QAccessible::List},         {Kind::CheckBox, QAccessible::CheckBox},
        {Kind::Edit, QAccessible::EditableText}, {Kind::DropDown, QAccessible::ComboBox},
        {Kind::Group, QAccessible::Grouping},    {Kind::Label, QAccessible::StaticText}};
    return roles.contains(kind) ? roles.at(kind) : QAccessible::Button;
}

QString captionOf(const QWidget* widget)
{
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return button->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->text();
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
        return group->title();
    }
    return QStringLiteral("(no caption)");
}

std::string text(const QRect& r)
{
    return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) +
           "x" + std::to_string(r.height());
}

// Dialog units to pixels with the window's font, as a dialog manager does.
class Units {
public:
    explicit Units(const QWidget& window)
    {
        const QFontMetrics metrics(window.font());
        base_ = {res::averageCharWidth(metrics.horizontalAdvance(
                     QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"))),
                 metrics.height()};
    }
    [[nodiscard]] QSize size(int width, int height) const
    {
        return {res::dluToPixelsX(width, base_), res::dluToPixelsY(height, base_)};
    }
    [[nodiscard]] QRect rect(const Control& c) const
    {
        const QPoint topLeft(res::dluToPixelsX(c.x, base_), res::dluToPixelsY(c.y, base_));
        return {topLeft, QPoint(res::dluToPixelsX(c.x + c.width, base_),
                                res::dluToPixelsY(c.y + c.height, base_)) -
                             QPoint(1, 1)};
    }

private:
    res::BaseUnits base_;
};

class WindowTemplatesTest : public ::testing::TestWithParam<WindowRow> {
protected:
    void SetUp() override
    {
        window_ = GetParam().make(boxes_);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    testing_support::RecordingMessageBoxes boxes_;
    std::unique_ptr<QWidget> window_;
};

TEST_P(WindowTemplatesTest, WindowIsItsTemplate)
{
    const WindowRow& row = GetParam();
    QWidget* window = window_.get();
    const Units units(*window);
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8(row.caption));
    EXPECT_EQ(window->font().families().value(0), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(window->font().pointSize(), row.pointSize);
    EXPECT_EQ(text(window->rect()), text(QRect(QPoint(), units.size(row.width, row.height))));
    EXPECT_EQ(window->minimumSize(), window->size());
    EXPECT_EQ(window->maximumSize() != window->size(), row.resizable);
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_EQ(!flags.testFlag(Qt::FramelessWindowHint), row.titleBar);
    EXPECT_EQ(flags.testFlag(Qt::WindowSystemMenuHint), row.titleBar);
    EXPECT_EQ(flags.testFlag(Qt::WindowMinimizeButtonHint), row.minimizeBox);
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(window->windowType() == Qt::Tool, row.toolWindow);
}

TEST_P(WindowTemplatesTest, EveryControlIsItsTemplateRow)
{
    const WindowRow& row = GetParam();
    QWidget* window = window_.get();
    const Units units(*window);
    for (const Control& c : row.controls) {
        SCOPED_TRACE(c.name);
        auto* widget = window->findChild<QWidget*>(QString::fromUtf8(c.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->property("controlId").toInt(), c.id);
        QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(spoken, nullptr);
        EXPECT_EQ(spoken->role(), roleOf(c.kind));
        EXPECT_FALSE(spoken->text(QAccessible::Name).isEmpty());
        EXPECT_FALSE(spoken->text(QAccessible::Description).isEmpty());
        EXPECT_EQ((widget->focusPolicy() & Qt::TabFocus) != 0, (c.style & Tab) != 0);
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(spoken->state().defaultButton, c.kind == Kind::DefaultButton);
            EXPECT_EQ(button->isFlat(), c.kind == Kind::FlatButton);
            EXPECT_EQ(spoken->state().checkable, c.kind == Kind::PushLikeButton);
        }
        if (auto* list = qobject_cast<QListView*>(widget)) {
            EXPECT_EQ(list->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn,
                      (c.style & VScroll) != 0);
        }
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            QString letters = QStringLiteral("ab");
            int at = 0;
            const bool takesLetters =
                edit->validator() == nullptr ||
                edit->validator()->validate(letters, at) != QValidator::Invalid;
            EXPECT_EQ(takesLetters, (c.style & Digits) == 0);
        }
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            EXPECT_EQ(label->alignment() == Qt::AlignCenter, (c.style & Centered) != 0);
            EXPECT_EQ(label->frameShadow() == QFrame::Sunken, (c.style & Sunken) != 0);
        }
        if (c.caption != nullptr) {
            EXPECT_EQ(captionOf(widget).toStdString(), c.caption);
        }
        const QRect rect = units.rect(c);
        if (c.kind == Kind::DropDown) {
            EXPECT_EQ(text(widget->geometry().adjusted(0, 0, 0, rect.height() - widget->height())),
                      text(rect));
            EXPECT_LE(widget->height(), rect.height());
        } else {
            EXPECT_EQ(text(widget->geometry()), text(rect));
        }
    }
}

// Tab goes through the tab stops in the template's order.
TEST_P(WindowTemplatesTest, TabFollowsTheTemplatesOrder)
{
    const WindowRow& row = GetParam();
    QWidget* window = window_.get();
    std::vector<std::string> tabStops;
    for (const Control& c : row.controls) {
        if ((c.style & Tab) != 0) {
            tabStops.emplace_back(c.name);
        }
    }
    QWidget* first = window->findChild<QWidget*>(QString::fromStdString(tabStops.front()));
    ASSERT_NE(first, nullptr);
    std::vector<std::string> visited;
    QWidget* w = first;
    do {
        if (w->property("controlId").isValid() && (w->focusPolicy() & Qt::TabFocus) != 0) {
            visited.push_back(w->objectName().toStdString());
        }
        w = w->nextInFocusChain();
    } while (w != first && visited.size() <= tabStops.size());
    EXPECT_EQ(visited, tabStops);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WindowTemplatesTest,
    ::testing::Values(
        WindowRow{"Main",
                  [](testing_support::RecordingMessageBoxes& boxes) -> std::unique_ptr<QWidget> {
                      return std::make_unique<gui::MainWindow>(boxes, testing_support::noMidi());
                  },
                  "Mirevo", 9, 198, 148, true, true, true, false, kMain},
        WindowRow{"SelectDevice",
                  [](testing_support::RecordingMessageBoxes&) -> std::unique_ptr<QWidget> {
                      return std::make_unique<gui::SelectionDialog>(
                          nullptr, gui::SelectionDialog::Mode::Input,
                          std::vector<std::string>{"one", "two"});
                  },
                  "", 9, 163, 75, false, false, false, false, kSelectDevice},
        WindowRow{"About",
                  [](testing_support::RecordingMessageBoxes&) -> std::unique_ptr<QWidget> {
                      return std::make_unique<gui::SelectionDialog>(
                          nullptr, gui::SelectionDialog::Mode::About, std::vector<std::string>{});
                  },
                  "About Mirevo...", 12, 143, 84, true, false, false, true, kAbout}),
    [](const ::testing::TestParamInfo<WindowRow>& row) { return row.param.name; });

}  // namespace
