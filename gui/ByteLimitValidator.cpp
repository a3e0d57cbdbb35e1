#include "gui/ByteLimitValidator.h"

#include <algorithm>
#include <string_view>

#include "net/Utf8.h"

namespace gui {
namespace {

std::size_t bytesOf(QStringView text)
{
    return static_cast<std::size_t>(text.toLocal8Bit().size());
}

}  // namespace

ByteLimitValidator::ByteLimitValidator(std::size_t maxBytes, QObject* parent)
    : QValidator(parent), maxBytes_(maxBytes)
{
}

QValidator::State ByteLimitValidator::validate(QString& input, int& pos) const
{
    if (bytesOf(input) <= maxBytes_) {
        accepted_ = input;
        return Acceptable;
    }
    // What changed: the new text is the old one with a middle part replaced.
    const QString& old = accepted_;
    qsizetype prefix = 0;
    const qsizetype shorter = std::min(old.size(), input.size());
    while (prefix < shorter && old[prefix] == input[prefix]) {
        ++prefix;
    }
    qsizetype suffix = 0;
    while (suffix < shorter - prefix &&
           old[old.size() - 1 - suffix] == input[input.size() - 1 - suffix]) {
        ++suffix;
    }
    // Never split a surrogate pair at either end of the inserted part.
    if (prefix > 0 && input[prefix - 1].isHighSurrogate()) {
        --prefix;
    }
    if (suffix > 0 && input[input.size() - suffix].isLowSurrogate()) {
        --suffix;
    }
    const QStringView head = QStringView(input).first(prefix);
    const QStringView tail = QStringView(input).last(suffix);
    const QStringView inserted = QStringView(input).sliced(prefix, input.size() - prefix - suffix);
    const std::size_t kept = bytesOf(head) + bytesOf(tail);
    if (kept > maxBytes_) {
        return Invalid;
    }
    // The longest start of the insertion, in whole characters, that fits.
    const QByteArray encoded = inserted.toLocal8Bit();
    const std::size_t fitting = net::wholeCharsPrefix(
        std::string_view(encoded.constData(), static_cast<std::size_t>(encoded.size())),
        maxBytes_ - kept);
    const qsizetype fits =
        QString::fromLocal8Bit(encoded.first(static_cast<qsizetype>(fitting))).size();
    if (fits == 0) {
        return Invalid;  // nothing of it fits: the keystroke is refused
    }
    input = head.toString() + inserted.first(fits).toString() + tail.toString();
    pos = static_cast<int>(prefix + fits);
    accepted_ = input;
    return Acceptable;
}

}  // namespace gui
