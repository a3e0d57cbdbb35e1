#pragma once

#include <QStringList>

#include <string>

#include "peer/PeerSettings.h"

namespace cli {

// What the command line asks for. The settings are the same record the
// window starts from.
struct CommandLine {
    enum class Action : std::uint8_t {
        RunWindow,    // no --headless: the window, which reads no options
        RunHeadless,  // --headless
        ListDevices,  // --list-devices: print the lines and end
        ShowHelp,     // --help: the text is in `output`
        ShowVersion,  // --version: likewise
        UsageError,   // the text (for stderr) is in `output`
    };

    Action action{Action::RunWindow};
    peer::PeerSettings settings;
    std::string output;
};

// Whether the program must start without a window: asked for one, or
// only to print something (help, version, the devices). Looked at before
// any application object exists, so that none of this touches a display.
[[nodiscard]] bool wantsNoWindow(int argc, const char* const* argv);

// Reads the arguments (the program's name first).
[[nodiscard]] CommandLine parseCommandLine(const QStringList& arguments);

}  // namespace cli
