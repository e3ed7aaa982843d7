#pragma once
// The firmware update without its widgets: the password, the chooser's lines, sending a button
// board into its update mode, and starting the camera burner tool.
#include "firmware/FirmwareHost.h"

#include <QString>
#include <QStringList>

#include <functional>

class DeviceManager;

namespace platform {
class Clock;
}

class FirmwareUpdate {
public:
    static constexpr char kPassword[] = "6307";
    // Below the program folder.
    static constexpr char kToolPath[] = "/Flashmoor/FlashmoorSNAP v1.0.0.6.exe";

    // Starts a program (no shell); true when it started.
    using Launcher = std::function<bool(const QString& file, const QStringList& arguments)>;

    enum class Outcome {
        kCancelled,    // the confirmation was not given
        kNothingToDo,  // no such board (any more): nothing sent
        kListChanged,  // the board on that line is not the one listed: nothing sent
        kDone,
    };

    // host, devices and clock must outlive this object. launch defaults to a real start.
    FirmwareUpdate(FirmwareHost& host, DeviceManager& devices, platform::Clock& clock,
                   Launcher launch = {});

    static bool passwordMatches(const QString& entered);
    // One line per board, its identification, in device-list order.
    QStringList boardLines() const;
    // Key upgrade of the board on line `row` of the lines shown (-1 when none is selected: the
    // first board). After the confirmation, "Z" goes to that board and it leaves the list.
    Outcome keyUpgrade(int row, const QStringList& shownLines);
    // After the confirmation, starts the burner tool and, when it started, ends the program.
    Outcome cameraUpgrade();
    QString toolPath() const;

    FirmwareHost& host() const { return m_host; }

    static constexpr int kAfterCommandPauseMs = 1000;

private:
    bool confirmed();

    FirmwareHost& m_host;
    DeviceManager& m_devices;
    platform::Clock& m_clock;
    Launcher m_launch;
};
