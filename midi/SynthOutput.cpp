#include "midi/SynthOutput.h"

#include <alsa/asoundlib.h>
#include <fluidsynth.h>

#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>

#include "midi/JackAudioOutput.h"
#include "midi/ShortMessage.h"
#include "midi/SoundFontReads.h"

namespace midi {

namespace {

void ignoreAlsaMessage(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/,
                       const char* /*format*/, ...)
{
}

// FluidSynth and the ALSA library report on the console (an ALSA device
// that is not there, say); the window shows nothing of it either, so keep
// them quiet.
void silenceLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
            fluid_set_log_function(level, nullptr, nullptr);
        }
        snd_lib_error_set_handler(&ignoreAlsaMessage);
    });
}

bool isFile(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// The SoundFonts that are there, in order. Looking costs a few bytes read
// each, so a machine without any finds out before opening audio.
std::vector<std::string> presentSoundFonts(const std::vector<std::string>& paths)
{
    std::vector<std::string> present;
    for (const std::string& path : paths) {
        if (isFile(path) && fluid_is_soundfont(path.c_str()) != 0) {
            present.push_back(path);
        }
    }
    return present;
}

// How PulseAudio and ALSA are opened; JACK has a period of its own. A
// PulseAudio stream aims at one period in its buffer: 384 frames (8 ms at
// 48 kHz). With 256 the stream underran several times a second on a busy
// two-core machine, with 384 never. ALSA's device gets two periods of 256
// frames (10.7 ms).
struct FluidDriver {
    const char* name;
    int periodFrames;
    int periods;
};

FluidDriver fluidDriver(AudioOutput output)
{
    return output == AudioOutput::PulseAudio ? FluidDriver{"pulseaudio", 384, 2}
                                             : FluidDriver{"alsa", 256, 2};
}

}  // namespace

SynthOutput::Opened SynthOutput::open(const SynthOptions& options, const std::atomic<bool>& cancel)
{
    silenceLibraries();
    const std::vector<std::string> soundFonts = presentSoundFonts(options.soundFonts);
    if (soundFonts.empty()) {
        return {nullptr, Problem::NoSoundFont};
    }
    std::unique_ptr<SynthOutput> synth(new SynthOutput());
    const auto failed = [&cancel](Problem problem) {
        return Opened{nullptr, cancel.load() ? Problem::Cancelled : problem};
    };
    if (!synth->openAudio(options, cancel)) {
        return failed(Problem::NoAudioOutput);
    }
    if (!synth->loadSoundFont(soundFonts, cancel)) {
        return failed(Problem::NoSoundFont);
    }
    if (synth->jack_ && !synth->jack_->start(synth->synth_)) {
        return failed(Problem::NoAudioOutput);
    }
    synth->feeder_ = std::thread(&SynthOutput::feed, synth.get());
    return {std::move(synth), Problem::None};
}

bool SynthOutput::makeSynth(double sampleRate)
{
    if (synth_ != nullptr) {
        delete_fluid_synth(synth_);
        synth_ = nullptr;
    }
    if (settings_ != nullptr) {
        delete_fluid_settings(settings_);
    }
    settings_ = new_fluid_settings();
    if (settings_ == nullptr) {
        return false;
    }
    // Locking the samples into memory is refused without the privilege; it
    // is not needed to play.
    fluid_settings_setint(settings_, "synth.lock-memory", 0);
    // Samples load when a program is chosen, not all with the SoundFont:
    // memory and loading time do not grow with the SoundFont's size.
    fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
    fluid_settings_setnum(settings_, "synth.sample-rate", sampleRate);
    // With a media role FluidSynth sets an environment variable from this
    // thread, which is not safe while other threads read the environment.
    fluid_settings_setstr(settings_, "audio.pulseaudio.media-role", "");
    synth_ = new_fluid_synth(settings_);
    return synth_ != nullptr && readSoundFontsInSlices(synth_, settings_);
}

bool SynthOutput::openAudio(const SynthOptions& options, const std::atomic<bool>& cancel)
{
    for (const AudioOutput output : options.audioOutputs) {
        if (cancel.load()) {
            return false;
        }
        if (output == AudioOutput::Jack) {
            // JACK runs at its own rate: the synthesizer is made for it.
            jack_ = JackAudioOutput::open(options.jackClientName, options.jackLost);
            if (jack_ && makeSynth(jack_->sampleRate())) {
                audioOutput_ = output;
                return true;
            }
            jack_.reset();
            continue;
        }
        if (synth_ == nullptr && !makeSynth(options.sampleRate)) {
            return false;
        }
        const FluidDriver driver = fluidDriver(output);
        fluid_settings_setstr(settings_, "audio.driver", driver.name);
        fluid_settings_setint(settings_, "audio.period-size", driver.periodFrames);
        fluid_settings_setint(settings_, "audio.periods", driver.periods);
        driver_ = new_fluid_audio_driver(settings_, synth_);
        if (driver_ != nullptr) {
            audioOutput_ = output;
            return true;
        }
    }
    return false;
}

bool SynthOutput::loadSoundFont(const std::vector<std::string>& soundFonts,
                                const std::atomic<bool>& cancel)
{
    cancelSoundFontReadsWith(&cancel);
    for (const std::string& path : soundFonts) {
        if (cancel.load()) {
            break;
        }
        // No program is chosen yet, so no samples load here.
        if (fluid_synth_sfload(synth_, path.c_str(), 0) != FLUID_FAILED) {
            soundFont_ = path;
            break;
        }
    }
    // Channel 1 (the keyboard's) is ready to play at once.
    if (!soundFont_.empty()) {
        chooseProgramOnce(0);
    }
    cancelSoundFontReadsWith(nullptr);
    return !soundFont_.empty() && !cancel.load();
}

SynthOutput::~SynthOutput()
{
    if (feeder_.joinable()) {
        closing_.store(true);
        wake_.release();
        feeder_.join();
    }
    // The audio output pulls from the synthesizer, which reads the settings.
    jack_.reset();
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

bool SynthOutput::lost() const noexcept
{
    return jack_ != nullptr && jack_->lost();
}

void SynthOutput::play(std::uint32_t message)
{
    MessageQueue::Push pushed{};
    {
        const std::lock_guard lock(pushMutex_);
        pushed = queue_.push(message);
    }
    if (pushed == MessageQueue::Push::QueuedWake) {
        wake_.release();
    }
}

void SynthOutput::feed()
{
    // Closing gives up a sample load in progress.
    cancelSoundFontReadsWith(&closing_);
    for (;;) {
        wake_.acquire();
        if (closing_.load()) {
            return;
        }
        (void)queue_.drain([this](std::uint32_t message) {
            if (!closing_.load(std::memory_order_relaxed)) {
                apply(message);
            }
        });
    }
}

void SynthOutput::chooseProgramOnce(int channel)
{
    auto& chosen = programChosen_[static_cast<std::size_t>(channel)];
    if (!chosen) {
        chosen = true;
        // Program 1 of the channel's bank; the drum kit on channel 10.
        fluid_synth_program_change(synth_, channel, 0);
    }
}

void SynthOutput::apply(std::uint32_t message)
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
                chooseProgramOnce(channel);
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
            programChosen_[static_cast<std::size_t>(channel)] = true;
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
        // Chooses every channel's program anew.
        fluid_synth_system_reset(synth_);
        programChosen_.fill(true);
    }
}

}  // namespace midi
