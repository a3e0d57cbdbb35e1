#include "bench/MidiLoopWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QTest>

#include <cstdio>

#include "gui/LogModel.h"
#include "gui/SelectionDialog.h"
#include "resources/ResourceIds.h"
#include "tests/support/ModalHelpers.h"

namespace bench {

MidiLoopWindow::MidiLoopWindow()
    : devices_(midi::MidiBackend::Jack, midi::SynthOptions{.soundFonts = {}}),
      window_(boxes_, devices_)
{
    qobject_cast<QLineEdit*>(window_.item(res::IDC_PORT))->setText(QStringLiteral("0"));
    window_.show();
    testing_support::whenModalShows([](QWidget* shown) {
        auto* dialog = qobject_cast<gui::SelectionDialog*>(shown);
        auto* list = qobject_cast<QListView*>(dialog->item(res::IDC_DEVICE_LIST));
        list->setCurrentIndex(list->model()->index(1, 0));  // our own "MIDI Out"
        dialog->selectionDialogHandler(res::IDOK);
    });
    window_.mainWindowHandler(res::IDC_MIDI_OUT);
    window_.mainWindowHandler(res::IDC_LISTEN);
    (void)QTest::qWaitFor([&] { return port() != 0; });
    qobject_cast<QComboBox*>(window_.item(res::IDC_TARGET))
        ->setEditText(QStringLiteral("127.0.0.1:%1").arg(port()));
}

bool MidiLoopWindow::ready() const
{
    if (!window_.midiInputOpen() || !window_.midiOutputOpen()) {
        std::fprintf(stderr, "the window's MIDI ports did not open\n");
        return false;
    }
    if (port() == 0) {
        std::fprintf(stderr, "the window is not listening\n");
        return false;
    }
    return true;
}

std::uint16_t MidiLoopWindow::port() const
{
    return window_.receiver() != nullptr ? window_.receiver()->boundPort() : 0;
}

gui::LogModel& MidiLoopWindow::log() const
{
    return *qobject_cast<gui::LogModel*>(
        qobject_cast<QListView*>(window_.item(res::IDC_LOG))->model());
}

void MidiLoopWindow::reportMessages() const
{
    if (!boxes_.texts.isEmpty()) {
        std::fprintf(stderr, "the window showed: %s\n",
                     boxes_.texts.join(QStringLiteral(", ")).toLocal8Bit().constData());
    }
}

}  // namespace bench
