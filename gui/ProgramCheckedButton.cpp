#include "gui/ProgramCheckedButton.h"

#include <QAccessibleWidget>

#include <mutex>

namespace gui {
namespace {

class AccessibleProgramCheckedButton final : public QAccessibleWidget {
public:
    explicit AccessibleProgramCheckedButton(ProgramCheckedButton* button)
        : QAccessibleWidget(button, QAccessible::Button)
    {
    }

    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = button()->isChecked();
        s.pressed = button()->isDown();
        return s;
    }

    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && button()->accessibleName().isEmpty()) {
            return button()->text().remove(QLatin1Char('&'));
        }
        return QAccessibleWidget::text(t);
    }

    [[nodiscard]] QStringList actionNames() const override
    {
        return QStringList{pressAction(), toggleAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override
    {
        if (!button()->isEnabled()) {
            return;
        }
        if (name.compare(pressAction(), Qt::CaseInsensitive) == 0 ||
            name.compare(toggleAction(), Qt::CaseInsensitive) == 0 ||
            name.compare(QLatin1String("click"), Qt::CaseInsensitive) == 0) {
            button()->click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }

private:
    [[nodiscard]] ProgramCheckedButton* button() const
    {
        return static_cast<ProgramCheckedButton*>(widget());
    }
};

QAccessibleInterface* makeAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String(ProgramCheckedButton::staticMetaObject.className())) {
        if (auto* button = qobject_cast<ProgramCheckedButton*>(object)) {
            return new AccessibleProgramCheckedButton(button);
        }
    }
    return nullptr;
}

}  // namespace

ProgramCheckedButton::ProgramCheckedButton(const QString& text, QWidget* parent)
    : QPushButton(text, parent)
{
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(&makeAccessible); });
    setCheckable(true);
}

}  // namespace gui
