#include "gui/SelectionDialog.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QStringListModel>

#include "resources/ResourceIds.h"
#include "resources/Templates.h"

namespace gui {

using namespace res;

namespace {

const DialogTemplate& templateFor(SelectionDialog::Mode mode)
{
    return mode == SelectionDialog::Mode::About ? aboutTemplate() : selectDeviceTemplate();
}

}  // namespace

SelectionDialog::SelectionDialog(QWidget* owner, Mode mode,
                                 const std::vector<std::string>& deviceNames, QWidget* logo)
    : QDialog(owner), ui_(this, templateFor(mode))
{
    if (mode == Mode::About) {
        auto* logoBox = findChild<QGroupBox*>(QStringLiteral("IDC_LOGO"));
        if (logo != nullptr && logoBox != nullptr) {
            logo->setParent(logoBox);
            logo->setGeometry(logoBox->contentsRect());
        }
    } else {
        const QString prompt = mode == Mode::Input ? QStringLiteral("Select MIDI-IN")
                                                   : QStringLiteral("Select MIDI-OUT");
        ui_.item<QLabel>(IDC_DEVICE_PROMPT)->setText(prompt);
        // The window has no caption; a screen reader announces it by its prompt.
        setAccessibleName(prompt);
        list_ = ui_.item<QListView>(IDC_DEVICE_LIST);
        QStringList lines;
        lines.reserve(static_cast<qsizetype>(deviceNames.size()));
        for (const std::string& name : deviceNames) {
            // Exactly one line per device, so a line's index is its number.
            lines.append(QString::fromLocal8Bit(name.data(), static_cast<qsizetype>(name.size())));
        }
        list_->setModel(new QStringListModel(lines, list_));
        // The focus in the list, but no line current or selected: OK and
        // Enter take nothing until the user picks a line. (A view gaining the
        // focus makes its first line current unless a current line, even
        // none, was set: this one is set.)
        list_->setCurrentIndex(QModelIndex());
        list_->installEventFilter(this);
        list_->setFocus();
        connect(ui_.item<QPushButton>(IDOK), &QPushButton::clicked, this,
                [this] { selectionDialogHandler(IDOK); });
    }
    connect(ui_.item<QPushButton>(IDCANCEL), &QPushButton::clicked, this,
            [this] { selectionDialogHandler(IDCANCEL); });
}

int SelectionDialog::run(QWidget* owner, Mode mode, const std::vector<std::string>& deviceNames,
                         QWidget* logo)
{
    // On the heap: should the owner go while the window waits, it takes the
    // window with it and the wait ends.
    const QPointer<SelectionDialog> dialog(new SelectionDialog(owner, mode, deviceNames, logo));
    if (mode == Mode::About) {
        (void)dialog->exec();
    } else {
        // The window waits for its answer while every other window stays
        // usable: MIDI input, the keyboard and the log go on.
        QEventLoop loop;
        connect(dialog, &QDialog::finished, &loop, &QEventLoop::quit);
        connect(dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
        dialog->show();
        loop.exec(QEventLoop::DialogExec);
    }
    const int chosen = dialog ? dialog->chosen_ : -1;
    delete dialog.data();
    return chosen;
}

bool SelectionDialog::selectionDialogHandler(int id)
{
    switch (id) {
        case IDOK: {
            if (list_ == nullptr) {
                return false;
            }
            const QModelIndexList selected = list_->selectionModel()->selectedIndexes();
            if (selected.isEmpty()) {
                return false;
            }
            chosen_ = selected.first().row();
            done(chosen_);
            return true;
        }
        case IDCANCEL:
            chosen_ = -1;
            done(-1);
            return true;
        default:
            return false;
    }
}

// With no line selected, the first key that moves picks a line as in any
// list box: Down, Up, Home and Page Up the first, End and Page Down the last.
bool SelectionDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != list_ || event->type() != QEvent::KeyPress ||
        list_->selectionModel()->hasSelection()) {
        return QDialog::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const int lines = list_->model()->rowCount();
    if (lines == 0 || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0) {
        return QDialog::eventFilter(watched, event);
    }
    int line = -1;
    switch (key->key()) {
        case Qt::Key_Down:
        case Qt::Key_Up:
        case Qt::Key_Home:
        case Qt::Key_PageUp:
            line = 0;
            break;
        case Qt::Key_End:
        case Qt::Key_PageDown:
            line = lines - 1;
            break;
        default:
            return QDialog::eventFilter(watched, event);
    }
    const QModelIndex index = list_->model()->index(line, 0);
    list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    list_->scrollTo(index);
    return true;
}

void SelectionDialog::reject()
{
    selectionDialogHandler(IDCANCEL);
}

void SelectionDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    selectionDialogHandler(IDCANCEL);
}

void SelectionDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    raise();
    activateWindow();
}

}  // namespace gui
