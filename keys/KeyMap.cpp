#include "keys/KeyMap.h"

#include "midi/ShortMessage.h"

namespace keys {

std::vector<std::uint8_t> notesForKey(std::uint8_t virtualKey, int octave)
{
    std::vector<std::uint8_t> notes;
    for (const KeyMapEntry& entry : kKeyMap) {
        if (entry.virtualKey != virtualKey) {
            continue;
        }
        const std::uint8_t note = noteNumber(octave, entry.semitone);
        if (note <= midi::kMaxDataByte) {
            notes.push_back(note);
        }
    }
    return notes;
}

}  // namespace keys
