#include "FirmwareUpdate.h"

#include "device/DeviceManager.h"
#include "device/TouchDevice.h"
#include "lang/TextIds.h"
#include "platform/Clock.h"
#include "platform/MessageBoxTypes.h"
#include "platform/Process.h"

FirmwareUpdate::FirmwareUpdate(FirmwareHost& host, DeviceManager& devices, platform::Clock& clock,
                               Launcher launch)
    : m_host(host), m_devices(devices), m_clock(clock), m_launch(std::move(launch)) {
    if (!m_launch)
        m_launch = [](const QString& file, const QStringList& arguments) {
            // Left running when this object goes: the tool outlives the program.
            return platform::ChildProcess(file, arguments).started();
        };
}

bool FirmwareUpdate::passwordMatches(const QString& entered) {
    return entered == QLatin1String(kPassword);
}

QStringList FirmwareUpdate::boardLines() const {
    QStringList lines;
    const int n = m_devices.GetDeviceCount();
    for (int i = 0; i < n; ++i) lines << m_devices.GetDeviceId(i);
    return lines;
}

bool FirmwareUpdate::confirmed() {
    return m_host.ShowMessage(m_host.text(text::kAskCloseForUpgrade), m_host.text(text::kCaption),
                              platform::kMbOkCancel | platform::kMbSystemModal) == platform::kIdOk;
}

FirmwareUpdate::Outcome FirmwareUpdate::keyUpgrade(int row, const QStringList& shownLines) {
    const int i = row < 0 ? 0 : row;
    if (!confirmed()) return Outcome::kCancelled;
    if (i >= m_devices.GetDeviceCount()) return Outcome::kNothingToDo;
    // Boards may have come or gone since the list was filled: never send "Z" to another board.
    if (i < shownLines.size() && m_devices.GetDeviceId(i) != shownLines[i])
        return Outcome::kListChanged;
    if (m_devices.WriteCommand(i, TouchDevice::kCommandZ) > 0)
        m_clock.sleepMs(kAfterCommandPauseMs);
    // The board restarts into its update mode; it leaves the list whether it answered or not.
    m_devices.DropDevice(i);
    return Outcome::kDone;
}

QString FirmwareUpdate::toolPath() const {
    const QString folder = m_host.programFolder();
    return folder.isEmpty() ? QString() : folder + QLatin1String(kToolPath);
}

FirmwareUpdate::Outcome FirmwareUpdate::cameraUpgrade() {
    if (!confirmed()) return Outcome::kCancelled;
    const QString tool = toolPath();
    // One path, blanks and all, and no arguments: nothing is split or quoted.
    if (tool.isEmpty() || !m_launch(tool, {})) return Outcome::kNothingToDo;
    m_host.closeProgram();
    return Outcome::kDone;
}
