#include "midi/SoundFontReads.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdio>

namespace midi {

namespace {

// Small enough that a cancelled load ends within milliseconds, also from a
// slow disk; large enough that slicing costs nothing measurable.
constexpr fluid_long_long_t kSlice = 256 * 1024;

thread_local const std::atomic<bool>* tCancel = nullptr;

bool cancelled() noexcept
{
    return tCancel != nullptr && tCancel->load(std::memory_order_relaxed);
}

void* openFile(const char* path)
{
    return cancelled() ? nullptr : std::fopen(path, "rb");
}

int readFile(void* buffer, fluid_long_long_t count, void* handle)
{
    auto* out = static_cast<char*>(buffer);
    while (count > 0) {
        if (cancelled()) {
            return FLUID_FAILED;
        }
        const auto slice = static_cast<std::size_t>(std::min(count, kSlice));
        if (std::fread(out, 1, slice, static_cast<std::FILE*>(handle)) != slice) {
            return FLUID_FAILED;
        }
        out += slice;
        count -= static_cast<fluid_long_long_t>(slice);
    }
    return FLUID_OK;
}

int seekFile(void* handle, fluid_long_long_t offset, int origin)
{
    return ::fseeko(static_cast<std::FILE*>(handle), static_cast<off_t>(offset), origin) == 0
               ? FLUID_OK
               : FLUID_FAILED;
}

fluid_long_long_t tellFile(void* handle)
{
    return ::ftello(static_cast<std::FILE*>(handle));
}

int closeFile(void* handle)
{
    return std::fclose(static_cast<std::FILE*>(handle)) == 0 ? FLUID_OK : FLUID_FAILED;
}

}  // namespace

bool readSoundFontsInSlices(fluid_synth_t* synth, fluid_settings_t* settings)
{
    fluid_sfloader_t* loader = new_fluid_defsfloader(settings);
    if (loader == nullptr) {
        return false;
    }
    if (fluid_sfloader_set_callbacks(loader, &openFile, &readFile, &seekFile, &tellFile,
                                     &closeFile) != FLUID_OK) {
        delete_fluid_sfloader(loader);
        return false;
    }
    // Tried before FluidSynth's own loaders; the synthesizer owns it now.
    fluid_synth_add_sfloader(synth, loader);
    return true;
}

void cancelSoundFontReadsWith(const std::atomic<bool>* cancel) noexcept
{
    tCancel = cancel;
}

}  // namespace midi
