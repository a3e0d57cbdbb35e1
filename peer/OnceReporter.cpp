#include "peer/OnceReporter.h"

namespace peer {

void OnceReporter::report(net::Failure failure, std::string_view target)
{
    if (reported_.emplace(failure, std::string(target)).second) {
        shown_.report(failure, target);
    }
}

}  // namespace peer
