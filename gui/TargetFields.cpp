#include "gui/TargetFields.h"

#include <QCheckBox>
#include <QComboBox>

#include "net/Target.h"
#include "net/Utf8.h"

namespace gui {

std::string TargetFields::typedTarget() const
{
    const QByteArray bytes = target_->currentText().toLocal8Bit();
    const std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return std::string(text.substr(0, net::wholeCharsPrefix(text, net::kMaxTargetBytes)));
}

bool TargetFields::toAllOfList() const
{
    return toAll_->isChecked();
}

std::size_t TargetFields::listCount() const
{
    return static_cast<std::size_t>(target_->count());
}

std::string TargetFields::listItem(std::size_t index) const
{
    const QByteArray bytes = target_->itemText(static_cast<int>(index)).toLocal8Bit();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void TargetFields::appendToList(const std::string& target)
{
    // Adding an item must not replace what the user typed.
    const QString typed = target_->currentText();
    target_->addItem(QString::fromLocal8Bit(target.data(), static_cast<qsizetype>(target.size())));
    target_->setEditText(typed);
}

}  // namespace gui
