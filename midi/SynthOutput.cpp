#include "midi/SynthOutput.h"

#include <fluidsynth.h>

#include <filesystem>
#include <limits>
#include <mutex>
#include <optional>
#include <system_error>

#include "midi/ShortMessage.h"

namespace midi {

namespace {

// FluidSynth reports on the console by default; the window shows nothing
// of it either, so keep it quiet.
void silenceFluidSynth()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
            fluid_set_log_function(level, nullptr, nullptr);
        }
    });
}

bool isFile(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

std::unique_ptr<SynthOutput> SynthOutput::open(const SynthOptions& options)
{
    silenceFluidSynth();
    std::unique_ptr<SynthOutput> synth(new SynthOutput());

    synth->settings_ = new_fluid_settings();
    if (synth->settings_ == nullptr) {
        return nullptr;
    }
    // Locking the samples into memory is refused without the privilege; it
    // is not needed to play.
    fluid_settings_setint(synth->settings_, "synth.lock-memory", 0);
    fluid_settings_setnum(synth->settings_, "synth.sample-rate", options.sampleRate);

    synth->synth_ = new_fluid_synth(synth->settings_);
    if (synth->synth_ == nullptr) {
        return nullptr;
    }
    for (const std::string& path : options.soundFonts) {
        if (isFile(path) && fluid_is_soundfont(path.c_str()) != 0 &&
            fluid_synth_sfload(synth->synth_, path.c_str(), 1) != FLUID_FAILED) {
            synth->soundFont_ = path;
            break;
        }
    }
    if (synth->soundFont_.empty()) {
        return nullptr;
    }
    if (options.audio) {
        synth->driver_ = new_fluid_audio_driver(synth->settings_, synth->synth_);
        if (synth->driver_ == nullptr) {
            return nullptr;
        }
    }
    return synth;
}

SynthOutput::~SynthOutput()
{
    // The audio output pulls from the synthesizer, which reads the settings.
    if (driver_ != nullptr) {
        delete_fluid_audio_driver(driver_);
    }
    if (synth_ != nullptr) {
        delete_fluid_synth(synth_);
    }
    if (settings_ != nullptr) {
        delete_fluid_settings(settings_);
    }
}

void SynthOutput::play(std::uint32_t message)
{
    const std::optional<ShortMessageBytes> unpacked = unpackShortMessage(message);
    if (!unpacked) {
        return;
    }
    const int status = unpacked->bytes[0];
    const int data1 = unpacked->bytes[1];
    const int data2 = unpacked->bytes[2];
    const int channel = status & 0x0F;
    // FluidSynth's results are not looked at: a Note Off for a note that is
    // not sounding "fails", and there is nobody to tell about the rest.
    switch (status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(synth_, channel, data1);
            return;
        case 0x90:
            if (data2 == 0) {
                fluid_synth_noteoff(synth_, channel, data1);
            } else {
                fluid_synth_noteon(synth_, channel, data1, data2);
            }
            return;
        case 0xA0:
            fluid_synth_key_pressure(synth_, channel, data1, data2);
            return;
        case 0xB0:
            fluid_synth_cc(synth_, channel, data1, data2);
            return;
        case 0xC0:
            fluid_synth_program_change(synth_, channel, data1);
            return;
        case 0xD0:
            fluid_synth_channel_pressure(synth_, channel, data1);
            return;
        case 0xE0:
            fluid_synth_pitch_bend(synth_, channel, data1 | (data2 << 7));
            return;
        default:
            break;
    }
    if (status == 0xFF) {
        fluid_synth_system_reset(synth_);
    }
}

bool SynthOutput::render(std::span<float> left, std::span<float> right)
{
    if (driver_ != nullptr || left.size() != right.size() ||
        left.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return false;
    }
    return fluid_synth_write_float(synth_, static_cast<int>(left.size()), left.data(), 0, 1,
                                   right.data(), 0, 1) == FLUID_OK;
}

}  // namespace midi
