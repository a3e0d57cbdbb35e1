#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <unordered_map>

#include "resources/DialogTemplate.h"
#include "resources/DialogUnits.h"

class QWidget;

namespace gui {

// Builds a window from its template: caption, font, client size and the
// controls in tab order, each named after its identifier and given the
// template's accessible name and description. Afterwards it finds a control
// by identifier.
class DialogBuilder {
public:
    DialogBuilder(QWidget* window, const res::DialogTemplate& dialogTemplate);

    [[nodiscard]] QWidget* item(int id) const;
    template <class T>
    [[nodiscard]] T* item(int id) const
    {
        return qobject_cast<T*>(item(id));
    }

    [[nodiscard]] QSize clientSize() const noexcept { return clientSize_; }

private:
    // The template's font; where the platform lacks it, a proportional
    // Japanese Gothic of the system takes its place.
    [[nodiscard]] static QFont templateFont(const res::DialogTemplate& dialogTemplate);
    [[nodiscard]] static res::BaseUnits baseUnitsOf(const QFont& font);
    [[nodiscard]] QRect toPixels(int x, int y, int width, int height) const noexcept;
    QWidget* create(const res::ControlTemplate& control, QWidget* parent) const;

    res::BaseUnits base_{};
    QSize clientSize_{};
    std::unordered_map<int, QWidget*> items_;
};

}  // namespace gui
