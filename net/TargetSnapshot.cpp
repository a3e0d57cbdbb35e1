#include "net/TargetSnapshot.h"

namespace net {

TargetSnapshot TargetSnapshot::of(const TargetControls& controls)
{
    std::vector<std::string> list;
    list.reserve(controls.listCount());
    for (std::size_t i = 0; i < controls.listCount(); ++i) {
        list.push_back(controls.listItem(i));
    }
    return {controls.typedTarget(), controls.toAllOfList(), std::move(list)};
}

void TargetSnapshot::appendToList(const std::string& target)
{
    list_.push_back(target);
    appended_.push_back(target);
}

}  // namespace net
