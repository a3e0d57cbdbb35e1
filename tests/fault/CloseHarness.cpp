// The program's own start-up and end, with the window closed at an awkward
// moment; ctest checks that the program then ends with code 0.
//
//   close_harness error-box   closed while the receiver worker waits in its
//                             "recv error" box (a real message box)
//   close_harness flood       closed while a flood of messages comes in
//
// A watchdog ends the process with code 3 should it not end in time.
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/MainWindow.h"
#include "app/QtMessageBoxes.h"
#include "net/UdpSocket.h"
#include "resources/ResourceIds.h"
#include "tests/support/NoMidi.h"

namespace {

using namespace std::chrono_literals;
using namespace res;

constexpr auto kWatchdog = 60s;
constexpr int kFloodLinesBeforeClose = 2000;

void startWatchdog()
{
    std::thread([] {
        std::this_thread::sleep_for(kWatchdog);
        std::fputs("close_harness: the program did not end in time\n", stderr);
        std::_Exit(3);
    }).detach();
}

void sendTo(net::UdpSocket& socket, std::uint16_t port, const std::string& bytes)
{
    socket.sendTo({*net::UdpSocket::resolveIpv4("127.0.0.1"), port},
                  std::as_bytes(std::span(bytes.data(), bytes.size())));
}

// Calls `act` once `ready` holds, checking from the event loop.
void when(QObject* context, std::function<bool()> ready, std::function<void()> act)
{
    auto* poll = new QTimer(context);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, context, [poll, ready, act] {
        if (ready()) {
            poll->stop();
            act();
        }
    });
    poll->start();
}

}  // namespace

int main(int argc, char* argv[])
{
    const std::string scenario = argc > 1 ? argv[1] : "";
    if (scenario != "error-box" && scenario != "flood") {
        std::fputs("usage: close_harness error-box|flood\n", stderr);
        return 2;
    }
    startWatchdog();

    int code = -1;
    std::atomic<bool> flooding{false};
    std::thread flood;
    {
        // As main.cpp does, with no MIDI system.
        QApplication app(argc, argv);
        app::QtMessageBoxes boxes;
        app::MainWindow window(boxes, testing_support::noMidi());
        QObject::connect(&window, &QDialog::finished, &app, [] { QCoreApplication::exit(0); });
        qobject_cast<QLineEdit*>(window.item(IDC_PORT))->setText("0");
        window.show();
        window.mainWindowHandler(IDC_LISTEN);

        net::UdpSocket sender = net::UdpSocket::open();
        const auto port = [&] { return window.receiver()->boundPort(); };
        const auto* log = qobject_cast<QListView*>(window.item(IDC_LOG))->model();
        if (scenario == "error-box") {
            when(
                &window, [&] { return port() != 0; },
                [&] { sendTo(sender, port(), "*" + std::string(2000, 'x')); });
            when(
                &window,
                [] {
                    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                    return box != nullptr && box->isVisible();
                },
                [&] {
                    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                    std::printf("box up: %s\n", box->text().toUtf8().constData());
                    if (box->text() != "recv error" || window.receiver()->finished()) {
                        std::_Exit(4);
                    }
                    window.close();
                });
        } else {
            when(
                &window, [&] { return port() != 0; },
                [&] {
                    flooding = true;
                    flood = std::thread([&flooding, to = port()] {
                        net::UdpSocket socket = net::UdpSocket::open();
                        for (long i = 0; flooding; ++i) {
                            sendTo(socket, to, "*flood " + std::to_string(i));
                        }
                    });
                });
            when(
                &window, [&] { return log->rowCount() >= kFloodLinesBeforeClose; },
                [&] {
                    std::printf("closing with %d lines logged\n", log->rowCount());
                    window.close();
                });
        }
        code = QApplication::exec();
        std::printf("event loop ended with %d\n", code);
    }
    // The window, its workers and the application are gone.
    flooding = false;
    if (flood.joinable()) {
        flood.join();
    }
    std::printf("ended with %d\n", code);
    return code;
}
