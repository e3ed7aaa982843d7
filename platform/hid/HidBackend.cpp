#include "HidBackend.h"

#include "platform/Log.h"
#include "platform/hid/HidrawTransport.h"
#include "platform/hid/SimBoardServer.h"
#include "platform/hid/SimBoardTransport.h"
#include "platform/hid/SimDeviceMonitor.h"
#include "platform/hid/UdevDeviceMonitor.h"

#include <QtGlobal>

namespace platform::hid {

HidBackend createHidBackend() {
    HidBackend backend;
    if (qEnvironmentVariable("OSTRELY_BOARD") == QLatin1String("sim")) {
        auto sim = std::make_unique<SimBoardTransport>(1);
        QString error;
        const QString socket = SimBoardServer::defaultSocketPath();
        if (sim->listen(socket, &error))
            qCInfo(platform::log::board, "simulated board: drive it with ostrely-board (socket %s)",
                   qPrintable(socket));
        else
            platform::log::failure(platform::log::board(),
                                   QStringLiteral("simulated board: its keys cannot be pressed"),
                                   error);
        backend.monitor = std::make_unique<SimDeviceMonitor>(*sim);
        backend.transport = std::move(sim);
        backend.simulated = true;
    } else {
        backend.transport = std::make_unique<HidrawTransport>();
        backend.monitor = std::make_unique<UdevDeviceMonitor>(true, true);
    }
    return backend;
}

}  // namespace platform::hid
