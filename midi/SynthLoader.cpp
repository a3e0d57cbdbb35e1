#include "midi/SynthLoader.h"

#include <utility>

namespace midi {

SynthLoader::SynthLoader(SynthOptions options, Ready ready)
    : thread_(
          [this, options = std::move(options), ready = std::move(ready)] { load(options, ready); })
{
}

SynthLoader::~SynthLoader()
{
    cancel_.store(true);
    thread_.join();
    // A synthesizer loaded but not taken closes here.
}

void SynthLoader::load(const SynthOptions& options, const Ready& ready)
{
    SynthOutput::Opened opened = SynthOutput::open(options, cancel_);
    output_ = std::move(opened.output);
    finished_.store(true);
    if (opened.problem != SynthOutput::Problem::Cancelled) {
        ready(opened.problem);
    }
}

std::unique_ptr<SynthOutput> SynthLoader::take()
{
    if (!finished()) {
        return nullptr;
    }
    return std::move(output_);
}

}  // namespace midi
