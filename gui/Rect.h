#pragma once

namespace gui {

// A control's place in its window's client area, in pixels.
struct Rect {
    int left{};
    int top{};
    int width{};
    int height{};

    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace gui
