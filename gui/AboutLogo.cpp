#include "gui/AboutLogo.h"

#include <QPainter>
#include <array>
#include <string_view>

namespace gui {
namespace {

// The logo is laid out on a grid of cells, scaled to the widget.
constexpr int kGridWidth = 64;
constexpr int kGridHeight = 16;

// Block letters, 5 cells wide and 7 high; '#' is a filled cell.
using Glyph = std::array<std::string_view, 7>;
constexpr std::array<Glyph, 6> kName{{
    {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"},  // M
    {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"},  // I
    {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"},  // R
    {"#####", "#....", "#....", "####.", "#....", "#....", "#####"},  // E
    {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."},  // V
    {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."},  // O
}};

}  // namespace

AboutLogo::AboutLogo(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("aboutLogo"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void AboutLogo::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const qreal cellW = width() / static_cast<qreal>(kGridWidth);
    const qreal cellH = height() / static_cast<qreal>(kGridHeight);
    const auto block = [&](qreal x, qreal y, qreal w, qreal h) {
        painter.fillRect(QRectF(x * cellW, y * cellH, w * cellW, h * cellH), Qt::black);
    };

    // One octave: seven white keys two cells wide on a bed, the black keys
    // of C#, D#, F#, G# and A# over their joints.
    block(2, 12, 14, 1);
    for (int key = 0; key <= 7; ++key) {
        block(2 + 2 * key - (key == 7 ? 0.5 : 0), 3, 0.5, 9);
    }
    block(2, 3, 14, 0.5);
    for (const qreal joint : {4.0, 6.0, 10.0, 12.0, 14.0}) {
        block(joint - 0.6, 3, 1.2, 5.5);
    }

    // Waves leaving the keyboard, each taller than the one before.
    block(18, 6, 1, 4);
    block(20.5, 4.5, 1, 7);
    block(23, 3, 1, 10);

    // The name, each run of filled cells in a row one rectangle.
    constexpr int kNameLeft = 27;
    constexpr int kNameTop = 4;
    for (std::size_t letter = 0; letter < kName.size(); ++letter) {
        const int left = kNameLeft + 6 * static_cast<int>(letter);
        for (std::size_t row = 0; row < kName[letter].size(); ++row) {
            const std::string_view cells = kName[letter][row];
            std::size_t x = 0;
            while (x < cells.size()) {
                if (cells[x] != '#') {
                    ++x;
                    continue;
                }
                const std::size_t start = x;
                while (x < cells.size() && cells[x] == '#') {
                    ++x;
                }
                block(left + static_cast<qreal>(start), kNameTop + static_cast<qreal>(row),
                      static_cast<qreal>(x - start), 1);
            }
        }
    }
}

}  // namespace gui
