#pragma once

namespace res {

// A window template measures in dialog units: a horizontal unit is a
// quarter of the template font's average character width, a vertical unit
// an eighth of its character height. The base units are those two font
// measures in pixels.
struct BaseUnits {
    int x{};  // average character width
    int y{};  // character height
};

// Dialog units to pixels, rounded to the nearest pixel as the platform's
// dialog manager does (multiply, then divide with rounding).
[[nodiscard]] constexpr int dluToPixels(int units, int base, int divisor) noexcept
{
    const long long product = static_cast<long long>(units) * base;
    const long long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor : (product - half) / divisor);
}

[[nodiscard]] constexpr int dluToPixelsX(int units, BaseUnits base) noexcept
{
    return dluToPixels(units, base.x, 4);
}

[[nodiscard]] constexpr int dluToPixelsY(int units, BaseUnits base) noexcept
{
    return dluToPixels(units, base.y, 8);
}

// The average character width from the width of the 52 Latin letters, as
// the platform's dialog manager measures it.
[[nodiscard]] constexpr int averageCharWidth(int widthOf52Letters) noexcept
{
    return (widthOf52Letters + 26) / 52;
}

}  // namespace res
