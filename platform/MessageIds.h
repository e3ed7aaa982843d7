#pragma once
// Every window message of the program, in one place. A message's number is its QEvent type, so
// each must be unique and lie in Qt's user event range, where Qt's own events never come.
#include "platform/Message.h"

#include <QEvent>
#include <QString>

#include <array>

namespace msg {

// Tray icon callback: wParam icon id, lParam mouse message.
inline constexpr unsigned kTrayCallback = 0x2B10;
// Key of a button board: wParam board index, lParam key type.
inline constexpr unsigned kKey = 0x2B11;
// Show a stored picture: wParam picture number.
inline constexpr unsigned kShowPicture = 0x2B12;
// A picture was added to the run: wParam picture number.
inline constexpr unsigned kPictureAdded = 0x5220;
// A capture ended: wParam picture number (0: nothing stored), lParam capture tag. Sent.
inline constexpr unsigned kPictureReady = 0x5221;
// A share's export left damaged pictures out: wParam how many. Posted to the picture list.
inline constexpr unsigned kPicturesLeftOut = 0x5222;
// A picture button was clicked: wParam its control id. Sent.
inline constexpr unsigned kButtonClick = 0x5ACE;
// A device came or went: wParam the event, text the interface name. Windows numbers this 0x0219,
// inside Qt's own event range; here it is moved up into the user range.
inline constexpr unsigned kDeviceChange = 0x1219;
// A second start of the program asks the running one to show its view.
inline constexpr unsigned kShowInstance = 0x1220;
// A call a worker hands to the user-interface thread (platform::CallSink); posted.
inline constexpr unsigned kRunCall = 0x1221;

// Device-change events (wParam of kDeviceChange).
inline constexpr unsigned kDeviceArrival = 0x8000;
inline constexpr unsigned kDeviceRemoveComplete = 0x8004;

// Mouse messages of the tray callback (lParam of kTrayCallback).
inline constexpr unsigned kLeftButtonDown = 0x201;
inline constexpr unsigned kLeftDoubleClick = 0x203;
inline constexpr unsigned kRightButtonUp = 0x205;

inline constexpr std::array kAll = {kTrayCallback, kKey,          kShowPicture,
                                    kPictureAdded, kPictureReady, kButtonClick,
                                    kDeviceChange, kShowInstance, kPicturesLeftOut, kRunCall};

constexpr bool allUnique() {
    for (size_t i = 0; i < kAll.size(); ++i)
        for (size_t j = i + 1; j < kAll.size(); ++j)
            if (kAll[i] == kAll[j]) return false;
    return true;
}
constexpr bool allInUserRange() {
    for (unsigned m : kAll)
        if (m < static_cast<unsigned>(QEvent::User) || m > static_cast<unsigned>(QEvent::MaxUser))
            return false;
    return true;
}
static_assert(allUnique(), "two window messages share a number");
static_assert(allInUserRange(), "a window message lies outside Qt's user event range");

// Typed readers: receivers say what they expect instead of casting parameters.
struct Key {
    int board;
    int keyType;
};
struct PictureReady {
    int number;
    int tag;
};
struct DeviceChange {
    unsigned event;
    QString name;
};
struct TrayCallback {
    unsigned iconId;
    unsigned mouse;
};

inline Key keyOf(const platform::Message& m) {
    return {static_cast<int>(m.wParam), static_cast<int>(m.lParam)};
}
inline PictureReady pictureReadyOf(const platform::Message& m) {
    return {static_cast<int>(m.wParam), static_cast<int>(m.lParam)};
}
inline int pictureNumberOf(const platform::Message& m) {
    return static_cast<int>(m.wParam);
}
inline int controlIdOf(const platform::Message& m) {
    return static_cast<int>(m.wParam);
}
inline DeviceChange deviceChangeOf(const platform::Message& m) {
    return {static_cast<unsigned>(m.wParam), m.text};
}
inline TrayCallback trayCallbackOf(const platform::Message& m) {
    return {static_cast<unsigned>(m.wParam), static_cast<unsigned>(m.lParam)};
}

}  // namespace msg
