#include "gui/MessageBoxReporter.h"

#include <QString>

#include "gui/MessageBoxes.h"

namespace gui {

void MessageBoxReporter::report(net::Failure failure, std::string_view /*target*/)
{
    if (muted_) {
        return;
    }
    const std::string_view text = net::failureText(failure);
    boxes_.showError(owner_, QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace gui
