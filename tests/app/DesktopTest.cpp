// The windows as the desktop and its screen readers see them: the icon, an
// accessible name and description for every control, the log's lines
// through the accessibility interface, and the tab order of each template
// (the main window's included).
#include <gmock/gmock.h>

#include <QAccessible>
#include <QApplication>
#include <QIcon>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "midi/SelectionDialog.h"
#include "resources/ResourceIds.h"
#include "resources/Templates.h"
#include "tests/support/NoMidi.h"
#include "tests/support/RecordingMessageBoxes.h"

namespace {

using namespace res;
using midi::SelectionDialog;
using testing_support::RecordingMessageBoxes;

QString spoken(QObject* object, QAccessible::Text text)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface != nullptr ? iface->text(text) : QString();
}

// What a screen reader that has just come to the log reads there: one child
// per line, spoken by its text. The accessibility cache is dropped first,
// since only a platform with a live accessibility bridge (not the offscreen
// one) tells the cached interface about model changes.
QStringList readLog(QWidget* log)
{
    if (QAccessibleInterface* cached = QAccessible::queryAccessibleInterface(log)) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(cached));
    }
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(log);
    QStringList lines;
    for (int i = 0; i < iface->childCount(); ++i) {
        lines.append(iface->child(i)->text(QAccessible::Name));
    }
    return lines;
}

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    RecordingMessageBoxes boxes;
    app::MainWindow window{boxes, testing_support::noMidi()};
};

TEST_F(DesktopTest, TheWindowCarriesTheApplicationIconAt16And32Pixels)
{
    const QIcon icon = window.windowIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_THAT(icon.availableSizes(), testing::IsSupersetOf({QSize(16, 16), QSize(32, 32)}));
    // A screen at twice the density gets the 32-pixel image for 16 pixels.
    const QPixmap sharp = icon.pixmap(QSize(16, 16), 2.0);
    EXPECT_EQ(sharp.size(), QSize(32, 32));
}

struct WindowCase {
    const char* name;
    std::function<std::unique_ptr<QWidget>(QWidget* owner)> make;
    const DialogTemplate& (*dialogTemplate)() noexcept;
};

std::vector<WindowCase> everyWindow()
{
    const auto selection = [](SelectionDialog::Mode mode) {
        return [mode](QWidget* owner) -> std::unique_ptr<QWidget> {
            return std::make_unique<SelectionDialog>(owner, mode,
                                                     std::vector<std::string>{"one", "two"});
        };
    };
    return {
        {"Main", nullptr, &mainWindowTemplate},
        {"SelectInput", selection(SelectionDialog::Mode::Input), &selectDeviceTemplate},
        {"SelectOutput", selection(SelectionDialog::Mode::Output), &selectDeviceTemplate},
        {"About", selection(SelectionDialog::Mode::About), &aboutTemplate},
    };
}

TEST_F(DesktopTest, EveryControlOfEveryWindowHasANameAndADescription)
{
    for (const WindowCase& c : everyWindow()) {
        SCOPED_TRACE(c.name);
        const std::unique_ptr<QWidget> made = c.make ? c.make(&window) : nullptr;
        QWidget* shown = made ? made.get() : &window;
        EXPECT_FALSE(spoken(shown, QAccessible::Name).isEmpty());
        for (const ControlTemplate& control : c.dialogTemplate().controls) {
            SCOPED_TRACE(std::string(control.name));
            auto* widget = shown->findChild<QWidget*>(QString::fromUtf8(control.name));
            ASSERT_NE(widget, nullptr);
            EXPECT_FALSE(spoken(widget, QAccessible::Name).isEmpty());
            EXPECT_FALSE(spoken(widget, QAccessible::Description).isEmpty());
        }
    }
}

TEST_F(DesktopTest, AScreenReaderReadsTheLogLineByLine)
{
    QWidget* log = window.item(IDC_LOG);
    EXPECT_EQ(readLog(log), QStringList{});
    window.appendLogLines({"10.0.0.1:5>first", "10.0.0.2:6>日本語"});
    window.appendLogLines({"10.0.0.3:7>third"});
    EXPECT_EQ(readLog(log),
              (QStringList{"10.0.0.1:5>first", "10.0.0.2:6>日本語", "10.0.0.3:7>third"}));

    window.mainWindowHandler(IDCANCEL);
    EXPECT_EQ(readLog(log), QStringList{});
    window.appendLogLines({"10.0.0.4:8>again"});
    EXPECT_EQ(readLog(log), QStringList{"10.0.0.4:8>again"});
}

TEST_F(DesktopTest, TabStopsFollowTheTemplateInEveryWindow)
{
    for (const WindowCase& c : everyWindow()) {
        SCOPED_TRACE(c.name);
        const std::unique_ptr<QWidget> made = c.make ? c.make(&window) : nullptr;
        QWidget* shown = made ? made.get() : &window;
        std::vector<std::string> expected;
        for (const ControlTemplate& control : c.dialogTemplate().controls) {
            if ((control.style & TabStop) != 0) {
                expected.emplace_back(control.name);
            }
        }
        // One round of the focus chain from the first tab stop, controls only.
        QWidget* first = shown->findChild<QWidget*>(QString::fromStdString(expected.front()));
        ASSERT_NE(first, nullptr);
        std::vector<std::string> visited;
        QWidget* w = first;
        do {
            if (w->property("controlId").isValid() && (w->focusPolicy() & Qt::TabFocus) != 0) {
                visited.push_back(w->objectName().toStdString());
            }
            w = w->nextInFocusChain();
        } while (w != first && visited.size() <= expected.size());
        EXPECT_EQ(visited, expected);
    }
}

}  // namespace
