#include "cli/StderrReporter.h"

namespace cli {

void StderrReporter::report(net::Failure failure, std::string_view target)
{
    if (target.empty()) {
        reportText(net::failureText(failure));
        return;
    }
    if (!reported_.emplace(failure, std::string(target)).second) {
        return;
    }
    std::string line(net::failureText(failure));
    line.append(": ").append(target);
    reportText(line);
}

void StderrReporter::reportText(std::string_view text)
{
    std::fprintf(out_, "%.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(out_);
}

}  // namespace cli
