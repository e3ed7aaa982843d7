// ostrely-board: drives the simulated button board of a running Ostrely (OSTRELY_BOARD=sim).
#include "platform/hid/SimBoardClient.h"
#include "platform/hid/SimBoardServer.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

const char kUsage[] =
    "usage: ostrely-board [--socket PATH] COMMAND [ARGS]\n"
    "  plug [BOARD]          plug a simulated board in\n"
    "  unplug [BOARD]        unplug it\n"
    "  key TYPE [BOARD]      press a key of the given type (0..255)\n"
    "  id XXXXXXXX [BOARD]   set the identification the board reports\n"
    "  report HEX [BOARD]    send a raw input report, e.g. F191000A\n"
    "  log [BOARD]           print the commands the board has received\n"
    "  list                  print every board's state\n"
    "BOARD is 0..7 (default 0). The socket is $OSTRELY_BOARD_SOCKET, else board.sock in the\n"
    "user's private temporary folder.\n";

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString socket = platform::hid::SimBoardServer::defaultSocketPath();
    if (args.size() >= 2 && args[0] == QLatin1String("--socket")) {
        socket = args[1];
        args = args.mid(2);
    }
    if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h")) {
        std::fputs(kUsage, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? 2 : 0;
    }
    QString reply, error;
    if (!platform::hid::SimBoardClient(socket).request(args.join(' '), &reply, &error)) {
        std::fprintf(stderr, "ostrely-board: %s\n", qPrintable(error));
        return 2;
    }
    const QString first = reply.section('\n', 0, 0);
    const QString rest = reply.section('\n', 1).trimmed();
    if (first != QLatin1String("ok")) {
        std::fprintf(stderr, "ostrely-board: %s\n", qPrintable(first));
        return 1;
    }
    if (!rest.isEmpty()) std::printf("%s\n", qPrintable(rest));
    return 0;
}
