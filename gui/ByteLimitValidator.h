#pragma once

#include <QString>
#include <QValidator>

#include <cstddef>

namespace gui {

// Keeps a field's text within a number of bytes in the locale's 8-bit
// encoding (UTF-8), so that what the field shows is what is sent. Typing
// that would go beyond the limit is refused; a paste (or any insertion of
// several characters) is cut after its last whole character that fits.
// Text the program sets is cut the same way.
class ByteLimitValidator final : public QValidator {
    Q_OBJECT

public:
    ByteLimitValidator(std::size_t maxBytes, QObject* parent);

    State validate(QString& input, int& pos) const override;

private:
    std::size_t maxBytes_;
    // The text last let through: what an insertion is measured against.
    mutable QString accepted_;
};

}  // namespace gui
