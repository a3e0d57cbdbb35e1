#include "app/AnchorTable.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <utility>

#include "resources/ResourceIds.h"
#include "resources/Templates.h"

namespace app {
namespace {

// Odd base units, so the converted template does not fall on round numbers.
int toPixelsX(int units)
{
    return (units * 7 + 2) / 4;
}
int toPixelsY(int units)
{
    return (units * 15 + 4) / 8;
}

// The main window's controls as plain rectangles, converted corner by corner
// from the template the way a dialog manager maps a dialog rectangle.
class FakeWindow {
public:
    explicit FakeWindow(const res::DialogTemplate& t)
        : width(toPixelsX(t.width)), height(toPixelsY(t.height))
    {
        for (const auto& c : t.controls) {
            const int left = toPixelsX(c.x);
            const int top = toPixelsY(c.y);
            controls[c.id] = {left, top, toPixelsX(c.x + c.width) - left,
                              toPixelsY(c.y + c.height) - top};
        }
        initial = controls;
        table.recordAnchors(width, height, [this](int id) { return controls.at(id); });
    }

    // Resizes the client area to w x h; no control may get a negative size.
    void resize(int w, int h)
    {
        table.applyAnchors(
            w, h, [this](int id) { return controls.at(id); },
            [&](int id, const Rect& r) {
                EXPECT_GE(r.width, 0) << "control " << id;
                EXPECT_GE(r.height, 0) << "control " << id;
                controls.at(id) = r;
            });
    }

    int width;
    int height;
    AnchorTable table;
    std::map<int, Rect> controls;
    std::map<int, Rect> initial;
};

// How each control follows the window: 1 where it moves right, moves down,
// widens or grows taller with the window.
struct Follow {
    const char* name;
    int id;
    int right, down, wider, taller;
};

constexpr Follow kFollows[] = {
    {"Log", res::IDC_LOG, 0, 0, 1, 1},         {"Exit", res::IDOK, 1, 0, 0, 0},
    {"EraseLog", res::IDCANCEL, 1, 0, 0, 0},   {"Port", res::IDC_PORT, 1, 0, 0, 0},
    {"Start", res::IDC_LISTEN, 1, 0, 0, 0},    {"TalkSound", res::IDC_TALK_SOUND, 1, 0, 0, 0},
    {"MidiIn", res::IDC_MIDI_IN, 1, 1, 0, 0},  {"MidiOut", res::IDC_MIDI_OUT, 1, 1, 0, 0},
    {"Target", res::IDC_TARGET, 0, 1, 1, 0},   {"ToAllOfList", res::IDC_TO_ALL, 1, 1, 0, 0},
    {"Message", res::IDC_MESSAGE, 0, 1, 1, 0}, {"Keyboard", res::IDC_KEYBOARD, 1, 1, 0, 0},
    {"Send", res::IDC_SEND, 1, 1, 0, 0},
};

struct Growth {
    const char* name;
    int dx;
    int dy;
};

constexpr Growth kGrowths[] = {{"Wider", 100, 0}, {"Taller", 0, 50}, {"Both", 100, 50}};

class AnchorFollowTest : public ::testing::TestWithParam<std::tuple<Growth, Follow>> {};

TEST_P(AnchorFollowTest, ControlFollowsTheGrownEdgesAndReturns)
{
    const auto& [growth, f] = GetParam();
    FakeWindow window(res::mainWindowTemplate());
    window.resize(window.width + growth.dx, window.height + growth.dy);
    const Rect before = window.initial.at(f.id);
    const Rect expected{before.left + f.right * growth.dx, before.top + f.down * growth.dy,
                        before.width + f.wider * growth.dx, before.height + f.taller * growth.dy};
    EXPECT_EQ(window.controls.at(f.id), expected);

    window.resize(window.width, window.height);
    EXPECT_EQ(window.controls.at(f.id), before);
}

INSTANTIATE_TEST_SUITE_P(MainWindow, AnchorFollowTest,
                         ::testing::Combine(::testing::ValuesIn(kGrowths),
                                            ::testing::ValuesIn(kFollows)),
                         [](const auto& row) {
                             return std::string(std::get<0>(row.param).name) +
                                    std::get<1>(row.param).name;
                         });

// Sizes too small for the layout: the log shrinks to nothing rather than
// below it, and the initial size lays the template out again exactly.
TEST(AnchorTableTest, TinySizesClampAndTheInitialSizeRestores)
{
    for (const auto& [w, h] : {std::pair{12, 9}, std::pair{0, 0}}) {
        FakeWindow window(res::mainWindowTemplate());
        window.resize(w, h);
        EXPECT_EQ(window.controls.at(res::IDC_LOG).width, 0) << w << "x" << h;
        EXPECT_EQ(window.controls.at(res::IDC_LOG).height, 0) << w << "x" << h;
        window.resize(window.width, window.height);
        EXPECT_EQ(window.controls, window.initial) << w << "x" << h;
    }
}

}  // namespace
}  // namespace app
