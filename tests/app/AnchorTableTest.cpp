#include "app/AnchorTable.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

#include "resources/ResourceIds.h"
#include "resources/Templates.h"

namespace app {
namespace {

// Odd base units, so the converted template does not fall on round numbers.
constexpr int kBaseX = 7;
constexpr int kBaseY = 15;

int toPixelsX(int units)
{
    return (units * kBaseX + 2) / 4;
}
int toPixelsY(int units)
{
    return (units * kBaseY + 4) / 8;
}

// The main window's controls as plain rectangles, converted corner by corner
// from the template the way a dialog manager maps a dialog rectangle.
class FakeWindow {
public:
    explicit FakeWindow(const res::DialogTemplate& t)
        : width_(toPixelsX(t.width)), height_(toPixelsY(t.height))
    {
        for (const auto& c : t.controls) {
            const int left = toPixelsX(c.x);
            const int top = toPixelsY(c.y);
            controls_[c.id] = {left, top, toPixelsX(c.x + c.width) - left,
                               toPixelsY(c.y + c.height) - top};
        }
        initial_ = controls_;
    }

    void record(AnchorTable& table) { table.recordAnchors(width_, height_, reader()); }

    // Resizes the client area to w x h and counts what is placed.
    int resize(const AnchorTable& table, int w, int h)
    {
        int placed = 0;
        table.applyAnchors(w, h, reader(), [&](int id, const Rect& r) {
            EXPECT_GE(r.width, 0) << "control " << id;
            EXPECT_GE(r.height, 0) << "control " << id;
            controls_.at(id) = r;
            ++placed;
        });
        return placed;
    }

    [[nodiscard]] int width() const { return width_; }
    [[nodiscard]] int height() const { return height_; }
    [[nodiscard]] Rect at(int id) const { return controls_.at(id); }
    [[nodiscard]] Rect initial(int id) const { return initial_.at(id); }
    [[nodiscard]] bool atTemplateLayout() const { return controls_ == initial_; }

private:
    [[nodiscard]] AnchorTable::ReadRect reader() const
    {
        return [this](int id) { return controls_.at(id); };
    }

    int width_{};
    int height_{};
    std::map<int, Rect> controls_;
    std::map<int, Rect> initial_;
};

class AnchorTableTest : public ::testing::Test {
protected:
    void SetUp() override { window.record(table); }

    AnchorTable table;
    FakeWindow window{res::mainWindowTemplate()};
};

// How each control is expected to follow the window, written out by role.
struct Follow {
    const char* name;
    int id;
    bool movesRight;
    bool movesDown;
    bool widens;
    bool growsTaller;
};

constexpr Follow kFollows[] = {
    {"Log", res::IDC_LOG, false, false, true, true},
    {"Exit", res::IDOK, true, false, false, false},
    {"EraseLog", res::IDCANCEL, true, false, false, false},
    {"Port", res::IDC_PORT, true, false, false, false},
    {"Start", res::IDC_LISTEN, true, false, false, false},
    {"TalkSound", res::IDC_TALK_SOUND, true, false, false, false},
    {"MidiIn", res::IDC_MIDI_IN, true, true, false, false},
    {"MidiOut", res::IDC_MIDI_OUT, true, true, false, false},
    {"Target", res::IDC_TARGET, false, true, true, false},
    {"ToAllOfList", res::IDC_TO_ALL, true, true, false, false},
    {"Message", res::IDC_MESSAGE, false, true, true, false},
    {"Keyboard", res::IDC_KEYBOARD, true, true, false, false},
    {"Send", res::IDC_SEND, true, true, false, false},
};

struct Growth {
    const char* name;
    int dx;
    int dy;
};

constexpr Growth kGrowths[] = {{"Wider", 100, 0}, {"Taller", 0, 50}, {"Both", 100, 50}};

class AnchorFollowTest : public AnchorTableTest,
                         public ::testing::WithParamInterface<std::tuple<Growth, Follow>> {};

TEST_P(AnchorFollowTest, ControlFollowsTheGrownEdges)
{
    const auto& [growth, follow] = GetParam();
    ASSERT_EQ(window.resize(table, window.width() + growth.dx, window.height() + growth.dy),
              static_cast<int>(AnchorTable::kRows));

    const Rect before = window.initial(follow.id);
    const Rect expected{before.left + (follow.movesRight ? growth.dx : 0),
                        before.top + (follow.movesDown ? growth.dy : 0),
                        before.width + (follow.widens ? growth.dx : 0),
                        before.height + (follow.growsTaller ? growth.dy : 0)};
    EXPECT_EQ(window.at(follow.id), expected);
}

INSTANTIATE_TEST_SUITE_P(MainWindow, AnchorFollowTest,
                         ::testing::Combine(::testing::ValuesIn(kGrowths),
                                            ::testing::ValuesIn(kFollows)),
                         [](const auto& row) {
                             return std::string(std::get<0>(row.param).name) +
                                    std::get<1>(row.param).name;
                         });

// The rows follow the template's control order.
TEST_F(AnchorTableTest, RowsFollowTheTemplateOrder)
{
    const auto controls = res::mainWindowTemplate().controls;
    ASSERT_EQ(table.entries().size(), controls.size());
    for (std::size_t i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(table.entries()[i].controlId, controls[i].id) << controls[i].name;
    }
}

struct Detour {
    const char* name;
    int width;  // added to the initial size when relative, else the size itself
    int height;
    bool relative;
};

class AnchorRestoreTest : public AnchorTableTest, public ::testing::WithParamInterface<Detour> {};

// Whatever size the window passes through (FakeWindow checks that no
// negative size is placed), its initial size lays the template out again.
TEST_P(AnchorRestoreTest, InitialSizeRestoresTemplateLayout)
{
    const Detour& d = GetParam();
    const int w = d.relative ? window.width() + d.width : d.width;
    const int h = d.relative ? window.height() + d.height : d.height;
    window.resize(table, w, h);
    EXPECT_FALSE(window.atTemplateLayout());
    window.resize(table, window.width(), window.height());
    EXPECT_TRUE(window.atTemplateLayout());
}

INSTANTIATE_TEST_SUITE_P(MainWindow, AnchorRestoreTest,
                         ::testing::Values(Detour{"Wider", 100, 0, true},
                                           Detour{"TallerAndWider", 100, 50, true},
                                           Detour{"Tiny", 12, 9, false},
                                           Detour{"Minimised", 0, 0, false}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(AnchorTableTest, TinySizeClampsTheLogToNothing)
{
    window.resize(table, 12, 9);
    EXPECT_EQ(window.at(res::IDC_LOG).width, 0);
    EXPECT_EQ(window.at(res::IDC_LOG).height, 0);
}

// A resize that arrives before the distances exist leaves the layout alone.
TEST(AnchorTableState, NothingIsPlacedBeforeRecording)
{
    const AnchorTable table;
    FakeWindow window{res::mainWindowTemplate()};
    EXPECT_FALSE(table.recorded());
    EXPECT_EQ(window.resize(table, window.width() + 100, window.height() + 50), 0);
    EXPECT_TRUE(window.atTemplateLayout());
}

}  // namespace
}  // namespace app
