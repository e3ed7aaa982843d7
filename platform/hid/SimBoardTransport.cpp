#include "SimBoardTransport.h"
#include "platform/MessageIds.h"

#include "platform/Message.h"
#include "platform/hid/DeviceMonitor.h"
#include "platform/hid/SimBoard.h"
#include "platform/hid/SimBoardHandle.h"

#include <QStringList>

namespace platform::hid {

namespace {

constexpr uint16_t kVendor = 0x0483;
constexpr uint16_t kProduct = 0x5851;
constexpr int kMaxReportBytes = 4096;

const char kHelp[] =
    "ok\n"
    "plug [BOARD]           plug a board in (arrival)\n"
    "unplug [BOARD]         unplug a board (removal)\n"
    "key TYPE [BOARD]       press a key: report F1 91 00 TYPE (TYPE 0..255)\n"
    "id XXXXXXXX [BOARD]    the identification the board answers to command A\n"
    "report HEX [BOARD]     queue a raw input report, e.g. F191000A\n"
    "log [BOARD]            the commands the board has received, one a line\n"
    "list                   every board: number, plugged or unplugged, identification\n"
    "BOARD is 0..7, 0 when left out.";

QString error(const QString& why) {
    return QStringLiteral("error: ") + why;
}

// The board number in args[at], or 0 when absent; -1 when it is not a valid number.
int boardArg(const QStringList& args, int at) {
    if (args.size() <= at) return 0;
    if (args.size() > at + 1) return -1;
    bool ok = false;
    const int n = args[at].toInt(&ok);
    return ok && n >= 0 && n < SimBoardTransport::kMaxBoards ? n : -1;
}

bool parseHex(const QString& text, QByteArray& out) {
    if (text.isEmpty() || text.size() % 2 != 0 || text.size() > 2 * kMaxReportBytes) return false;
    for (const QChar c : text) {
        if (!isxdigit(c.toLatin1())) return false;
    }
    out = QByteArray::fromHex(text.toLatin1());
    return true;
}

}  // namespace

SimBoardTransport::SimBoardTransport(int pluggedAtStart) {
    for (int i = 0; i < kMaxBoards; ++i) {
        m_boards.push_back(std::make_shared<SimBoard>(i));
        if (i < pluggedAtStart) m_boards.back()->plug();
    }
}

SimBoardTransport::~SimBoardTransport() {
    m_server.reset();
}

std::vector<HidInterface> SimBoardTransport::enumerate() {
    std::vector<HidInterface> out;
    for (const auto& b : m_boards) {
        if (b->present()) out.push_back(HidInterface{b->path(), kVendor, kProduct});
    }
    return out;
}

std::unique_ptr<HidHandle> SimBoardTransport::open(const QString& path) {
    for (const auto& b : m_boards) {
        if (b->present() && b->path().compare(path, Qt::CaseInsensitive) == 0)
            return std::make_unique<SimBoardHandle>(b, b->generation());
    }
    return nullptr;
}

void SimBoardTransport::setDeviceChangeReceiver(QObject* receiver) {
    std::lock_guard g(m_receiverMutex);
    m_receiver = receiver;
}

bool SimBoardTransport::listen(const QString& socketPath, QString* error) {
    auto server = std::make_unique<SimBoardServer>(
        socketPath, [this](const QString& line) { return execute(line); });
    if (!server->listen(error)) return false;
    m_server = std::move(server);
    return true;
}

void SimBoardTransport::notify(unsigned event, const QString& path) {
    std::lock_guard g(m_receiverMutex);
    if (m_receiver != nullptr)
        platform::postMessage(m_receiver, msg::kDeviceChange, event, 0, path);
}

QString SimBoardTransport::plug(int board, bool in) {
    SimBoard& b = *m_boards[static_cast<size_t>(board)];
    if (!(in ? b.plug() : b.unplug()))
        return error(QStringLiteral("board %1 is already %2")
                         .arg(board)
                         .arg(in ? "plugged in" : "unplugged"));
    notify(in ? msg::kDeviceArrival : msg::kDeviceRemoveComplete, b.path());
    return QStringLiteral("ok");
}

QString SimBoardTransport::execute(const QString& line) {
    const QStringList args = line.simplified().split(' ', Qt::SkipEmptyParts);
    if (args.isEmpty()) return error(QStringLiteral("no command"));
    const QString cmd = args[0].toLower();
    if (cmd == "help") return QString::fromLatin1(kHelp);
    if (cmd == "list") {
        QString out = QStringLiteral("ok");
        for (const auto& b : m_boards) {
            out += QStringLiteral("\n%1 %2 %3")
                       .arg(b->index())
                       .arg(b->present() ? "plugged" : "unplugged", b->id());
        }
        return out;
    }
    const bool takesValue = cmd == "key" || cmd == "id" || cmd == "report";
    if (!takesValue && cmd != "plug" && cmd != "unplug" && cmd != "log")
        return error(QStringLiteral("unknown command \"%1\" (try help)").arg(cmd));
    if (takesValue && args.size() < 2) return error(QStringLiteral("%1 needs a value").arg(cmd));
    const int board = boardArg(args, takesValue ? 2 : 1);
    if (board < 0) return error(QStringLiteral("bad board number (0..%1)").arg(kMaxBoards - 1));
    SimBoard& b = *m_boards[static_cast<size_t>(board)];
    if (cmd == "plug" || cmd == "unplug") return plug(board, cmd == "plug");
    if (cmd == "log") {
        const QStringList log = b.commandLog();
        return log.isEmpty() ? QStringLiteral("ok") : QStringLiteral("ok\n") + log.join('\n');
    }
    if (cmd == "key") {
        bool ok = false;
        const uint type = args[1].toUInt(&ok, 0);
        if (!ok || type > 255) return error(QStringLiteral("key type must be 0..255"));
        if (!b.present()) return error(QStringLiteral("board %1 is unplugged").arg(board));
        b.pressKey(static_cast<uint8_t>(type));
        return QStringLiteral("ok");
    }
    QByteArray bytes;
    if (!parseHex(args[1], bytes)) return error(QStringLiteral("expected hexadecimal bytes"));
    if (cmd == "id") {
        if (bytes.size() != 4)
            return error(QStringLiteral("an identification is 8 hexadecimal digits"));
        b.setId({static_cast<uint8_t>(bytes[0]), static_cast<uint8_t>(bytes[1]),
                 static_cast<uint8_t>(bytes[2]), static_cast<uint8_t>(bytes[3])});
        return QStringLiteral("ok");
    }
    if (!b.present()) return error(QStringLiteral("board %1 is unplugged").arg(board));
    b.pushReport(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    return QStringLiteral("ok");
}

}  // namespace platform::hid
