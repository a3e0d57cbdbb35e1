#pragma once

#include <array>
#include <functional>
#include <span>

#include "gui/Rect.h"

namespace gui {

// Which edges of a control follow the window's client area when it is resized.
enum AnchorFlags : int {
    AnchorNone = 0,
    MoveRight = 1,     // left edge keeps its distance to the right edge; width stays
    MoveDown = 2,      // top edge keeps its distance to the bottom edge; height stays
    StretchRight = 4,  // right edge keeps its distance to the right edge; left stays
    StretchDown = 8,   // bottom edge keeps its distance to the bottom edge; top stays
};

// One control's anchors. The distances are filled in by recordAnchors.
struct AnchorEntry {
    int controlId{};
    int flags{};
    int horizontal{};
    int vertical{};
};

// The main window's anchoring table. Each window owns one: recordAnchors
// takes the distances once, at the template size, and applyAnchors places
// the controls again after every size change.
class AnchorTable {
public:
    using ReadRect = std::function<Rect(int controlId)>;
    using PlaceRect = std::function<void(int controlId, const Rect&)>;

    static constexpr std::size_t kRows = 13;

    AnchorTable();

    // Records every control's distances from the client area's edges.
    void recordAnchors(int clientWidth, int clientHeight, const ReadRect& read);

    // Places every control for the new client size. Sizes that would be
    // negative are placed as 0; the recorded distances stay untouched, so
    // growing back restores the layout exactly. Does nothing before
    // recordAnchors, when there are no distances to keep.
    void applyAnchors(int clientWidth, int clientHeight, const ReadRect& read,
                      const PlaceRect& place) const;

    [[nodiscard]] std::span<const AnchorEntry> entries() const noexcept { return rows_; }

private:
    std::array<AnchorEntry, kRows> rows_{};
    bool recorded_{false};
};

}  // namespace gui
