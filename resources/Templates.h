#pragma once

#include "resources/DialogTemplate.h"

namespace res {

[[nodiscard]] const DialogTemplate& mainWindowTemplate() noexcept;
[[nodiscard]] const DialogTemplate& selectDeviceTemplate() noexcept;
[[nodiscard]] const DialogTemplate& aboutTemplate() noexcept;

}  // namespace res
