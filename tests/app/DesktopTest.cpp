// The windows as the desktop, its screen readers and the keyboard see them:
// the icon, a name and a description for every control, and the tab order
// of each window following its template. (How the log reads aloud is in
// ListeningTest.)
#include <gmock/gmock.h>

#include <QAccessible>
#include <QIcon>
#include <QTest>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "midi/SelectionDialog.h"
#include "resources/Templates.h"
#include "tests/support/NoMidi.h"
#include "tests/support/RecordingMessageBoxes.h"

namespace {

using midi::SelectionDialog;
using res::ControlTemplate;

QString spoken(QObject* object, QAccessible::Text text)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface != nullptr ? iface->text(text) : QString();
}

struct WindowRow {
    const char* name;
    std::optional<SelectionDialog::Mode> mode;  // none: the main window
    const res::DialogTemplate& (*dialogTemplate)() noexcept;
};

class EveryWindow : public ::testing::TestWithParam<WindowRow> {
protected:
    void SetUp() override
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        if (GetParam().mode) {
            selection = std::make_unique<SelectionDialog>(&window, *GetParam().mode,
                                                          std::vector<std::string>{"one", "two"});
        }
    }
    QWidget* shown() { return selection ? static_cast<QWidget*>(selection.get()) : &window; }

    testing_support::RecordingMessageBoxes boxes;
    app::MainWindow window{boxes, testing_support::noMidi()};
    std::unique_ptr<SelectionDialog> selection;
};

// Screen readers name and describe every control; Tab goes through the tab
// stops in the template's order.
TEST_P(EveryWindow, EveryControlIsNamedDescribedAndReachedInTheTemplatesOrder)
{
    EXPECT_FALSE(spoken(shown(), QAccessible::Name).isEmpty());
    std::vector<std::string> tabStops;
    for (const ControlTemplate& c : GetParam().dialogTemplate().controls) {
        SCOPED_TRACE(std::string(c.name));
        QWidget* widget = shown()->findChild<QWidget*>(QString::fromUtf8(c.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_FALSE(spoken(widget, QAccessible::Name).isEmpty());
        EXPECT_FALSE(spoken(widget, QAccessible::Description).isEmpty());
        if ((c.style & res::TabStop) != 0) {
            tabStops.emplace_back(c.name);
        }
    }
    // One round of the focus chain from the first tab stop, controls only.
    QWidget* first = shown()->findChild<QWidget*>(QString::fromStdString(tabStops.front()));
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
    Windows, EveryWindow,
    ::testing::Values(
        WindowRow{"Main", std::nullopt, &res::mainWindowTemplate},
        WindowRow{"SelectInput", SelectionDialog::Mode::Input, &res::selectDeviceTemplate},
        WindowRow{"SelectOutput", SelectionDialog::Mode::Output, &res::selectDeviceTemplate},
        WindowRow{"About", SelectionDialog::Mode::About, &res::aboutTemplate}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Desktop, TheWindowCarriesTheApplicationIconAt16And32Pixels)
{
    testing_support::RecordingMessageBoxes boxes;
    const app::MainWindow window(boxes, testing_support::noMidi());
    const QIcon icon = window.windowIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_THAT(icon.availableSizes(), testing::IsSupersetOf({QSize(16, 16), QSize(32, 32)}));
    // A screen at twice the density gets the 32-pixel image for 16 pixels.
    EXPECT_EQ(icon.pixmap(QSize(16, 16), 2.0).size(), QSize(32, 32));
}

}  // namespace
