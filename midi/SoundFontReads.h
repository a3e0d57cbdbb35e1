#pragma once

#include <atomic>

struct _fluid_hashtable_t;
struct _fluid_synth_t;

namespace midi {

// SoundFont files that FluidSynth reads in slices, looking between slices
// at a cancel flag of the thread that reads, so that loading a large
// SoundFont, or the samples of a program on demand, can be given up
// half-way.

// Makes `synth` (made with `settings`) read its SoundFonts so. Call it
// before loading any. False when FluidSynth refuses.
[[nodiscard]] bool readSoundFontsInSlices(_fluid_synth_t* synth, _fluid_hashtable_t* settings);

// From now on, SoundFont reads on the calling thread fail once `cancel` is
// set; nullptr: they never do. The flag must outlive the thread's reads.
void cancelSoundFontReadsWith(const std::atomic<bool>* cancel) noexcept;

}  // namespace midi
