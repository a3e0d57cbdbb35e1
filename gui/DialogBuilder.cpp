#include "gui/DialogBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "gui/DropDownComboBox.h"
#include "gui/ListBoxView.h"
#include "gui/ProgramCheckedButton.h"
#include "resources/ResourceIds.h"

namespace gui {

using namespace res;
namespace {

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// What a screen reader speaks for the control.
void applyAccessibility(QWidget* widget, const ControlTemplate& control)
{
    std::vector<QWidget*> speakers{widget};
    // The focus in an editable combo box sits in its field, and on Linux the
    // box itself is spoken by its text, so the field carries the name too.
    if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit()) {
        speakers.push_back(combo->lineEdit());
    }
    for (QWidget* speaker : speakers) {
        if (!control.accessibleName.empty()) {
            speaker->setAccessibleName(fromUtf8(control.accessibleName));
        }
        speaker->setAccessibleDescription(fromUtf8(control.accessibleDescription));
    }
}

Qt::WindowFlags windowFlags(std::uint32_t style)
{
    // A window with a minimise box is a main window (the desktop lists it);
    // the others are dialogs over their owner.
    Qt::WindowFlags flags = (style & ToolWindow) != 0    ? Qt::Tool
                            : (style & MinimizeBox) != 0 ? Qt::Window
                                                         : Qt::Dialog;
    if ((style & HasCaption) == 0) {
        return flags | Qt::FramelessWindowHint;
    }
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if ((style & SystemMenu) != 0) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    if ((style & MinimizeBox) != 0) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    if ((style & MaximizeBox) != 0) {
        flags |= Qt::WindowMaximizeButtonHint;
    }
    return flags;
}

}  // namespace

DialogBuilder::DialogBuilder(QWidget* window, const DialogTemplate& dialogTemplate)
{
    window->setObjectName(fromUtf8(dialogTemplate.name));
    window->setWindowFlags(windowFlags(dialogTemplate.style));
    if ((dialogTemplate.style & ThinBorder) != 0) {
        window->setStyleSheet(
            QStringLiteral("#%1 { border: 1px solid palette(dark); }").arg(window->objectName()));
    }
    const QFont font = templateFont(dialogTemplate);
    window->setFont(font);
    window->setWindowTitle(fromUtf8(dialogTemplate.caption));
    base_ = baseUnitsOf(font);
    clientSize_ = QSize(dluToPixelsX(dialogTemplate.width, base_),
                        dluToPixelsY(dialogTemplate.height, base_));
    // Never smaller than the template: resizable windows grow from it.
    if ((dialogTemplate.style & SizingBorder) != 0) {
        window->setMinimumSize(clientSize_);
        window->resize(clientSize_);
    } else {
        window->setFixedSize(clientSize_);
    }

    QWidget* previous = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = create(control, window);
        widget->setObjectName(fromUtf8(control.name));
        widget->setProperty("controlId", control.id);
        applyAccessibility(widget, control);
        QRect rect = toPixels(control.x, control.y, control.width, control.height);
        if (control.kind == ControlKind::ComboBox) {
            // The template's height includes the dropped-down list; the
            // closed box takes the height its font needs.
            rect.setHeight(std::min(rect.height(), widget->sizeHint().height()));
        }
        widget->setGeometry(rect);
        if ((control.style & TabStop) != 0) {
            widget->setFocusPolicy(Qt::StrongFocus);
            if (previous != nullptr) {
                QWidget::setTabOrder(previous, widget);
            }
            previous = widget;
        } else {
            widget->setFocusPolicy(Qt::NoFocus);
        }
        if (control.id != IDC_STATIC) {
            items_.emplace(control.id, widget);
        }
    }
}

QFont DialogBuilder::templateFont(const DialogTemplate& dialogTemplate)
{
    QFont font;
    font.setFamilies({fromUtf8(dialogTemplate.fontFamily), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"),
                      QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic")});
    font.setPointSize(dialogTemplate.pointSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

BaseUnits DialogBuilder::baseUnitsOf(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return BaseUnits{averageCharWidth(letters), metrics.height()};
}

QWidget* DialogBuilder::item(int id) const
{
    const auto it = items_.find(id);
    return it == items_.end() ? nullptr : it->second;
}

QRect DialogBuilder::toPixels(int x, int y, int width, int height) const noexcept
{
    const int left = dluToPixelsX(x, base_);
    const int top = dluToPixelsY(y, base_);
    return QRect(left, top, dluToPixelsX(x + width, base_) - left,
                 dluToPixelsY(y + height, base_) - top);
}

QWidget* DialogBuilder::create(const ControlTemplate& control, QWidget* parent) const
{
    const QString caption = fromUtf8(control.caption);
    switch (control.kind) {
        case ControlKind::ListBox: {
            auto* list = new ListBoxView(parent);
            list->setVerticalScrollBarPolicy(
                (control.style & VScroll) != 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
            list->setEditTriggers(QAbstractItemView::NoEditTriggers);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            return list;
        }
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton:
        case ControlKind::FlatPushButton: {
            auto* button = new QPushButton(caption, parent);
            button->setAutoDefault(true);
            button->setDefault(control.kind == ControlKind::DefaultPushButton);
            button->setFlat(control.kind == ControlKind::FlatPushButton);
            return button;
        }
        case ControlKind::CheckBox:
            return new QCheckBox(caption, parent);
        case ControlKind::PushLikeCheckBox: {
            auto* button = new ProgramCheckedButton(caption, parent);
            button->setAutoDefault(false);
            return button;
        }
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(caption, parent);
            if ((control.style & DigitsOnly) != 0) {
                edit->setValidator(new QRegularExpressionValidator(
                    QRegularExpression(QStringLiteral("[0-9]*")), edit));
            }
            return edit;
        }
        case ControlKind::ComboBox: {
            auto* combo = new DropDownComboBox(parent);
            combo->setMaxVisibleItems(8);
            return combo;
        }
        case ControlKind::GroupBox:
            return new QGroupBox(caption, parent);
        case ControlKind::Static: {
            auto* label = new QLabel(caption, parent);
            if ((control.style & Centered) != 0) {
                label->setAlignment(Qt::AlignCenter);
            }
            if ((control.style & Sunken) != 0) {
                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            }
            return label;
        }
    }
    return new QWidget(parent);
}

}  // namespace gui
