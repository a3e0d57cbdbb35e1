#include "gui/MessageBoxReporter.h"

#include <QString>

#include "gui/MessageBoxes.h"

namespace gui {

void MessageBoxReporter::report(net::Failure failure, std::string_view /*target*/)
{
    if (muted_) {
        return;
    }
    reportText(net::failureText(failure));
}

void MessageBoxReporter::reportText(std::string_view text)
{
    if (muted_) {
        return;
    }
    boxes_.showError(owner_, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace gui
