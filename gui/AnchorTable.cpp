#include "gui/AnchorTable.h"

#include <algorithm>

#include "resources/ResourceIds.h"

namespace gui {
namespace {

constexpr std::array<AnchorEntry, AnchorTable::kRows> kMainWindowAnchors{{
    {res::IDC_LOG, StretchRight | StretchDown},
    {res::IDOK, MoveRight},
    {res::IDCANCEL, MoveRight},
    {res::IDC_PORT, MoveRight},
    {res::IDC_LISTEN, MoveRight},
    {res::IDC_TALK_SOUND, MoveRight},
    {res::IDC_MIDI_IN, MoveRight | MoveDown},
    {res::IDC_MIDI_OUT, MoveRight | MoveDown},
    {res::IDC_TARGET, MoveDown | StretchRight},
    {res::IDC_TO_ALL, MoveRight | MoveDown},
    {res::IDC_MESSAGE, MoveDown | StretchRight},
    {res::IDC_KEYBOARD, MoveRight | MoveDown},
    {res::IDC_SEND, MoveRight | MoveDown},
}};

}  // namespace

AnchorTable::AnchorTable() : rows_(kMainWindowAnchors) {}

void AnchorTable::recordAnchors(int clientWidth, int clientHeight, const ReadRect& read)
{
    for (AnchorEntry& row : rows_) {
        const Rect r = read(row.controlId);
        if (row.flags & StretchRight) {
            row.horizontal = clientWidth - r.width;
        }
        if (row.flags & MoveRight) {
            row.horizontal = clientWidth - r.left;
        }
        if (row.flags & StretchDown) {
            row.vertical = clientHeight - r.height;
        }
        if (row.flags & MoveDown) {
            row.vertical = clientHeight - r.top;
        }
    }
    recorded_ = true;
}

void AnchorTable::applyAnchors(int clientWidth, int clientHeight, const ReadRect& read,
                               const PlaceRect& place) const
{
    if (!recorded_) {
        return;
    }
    for (const AnchorEntry& row : rows_) {
        Rect r = read(row.controlId);
        if (row.flags & StretchRight) {
            r.width = clientWidth - row.horizontal;
        }
        if (row.flags & MoveRight) {
            r.left = clientWidth - row.horizontal;
        }
        if (row.flags & StretchDown) {
            r.height = clientHeight - row.vertical;
        }
        if (row.flags & MoveDown) {
            r.top = clientHeight - row.vertical;
        }
        r.width = std::max(r.width, 0);
        r.height = std::max(r.height, 0);
        place(row.controlId, r);
    }
}

}  // namespace gui
