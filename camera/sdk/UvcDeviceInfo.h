#pragma once
// What udev tells about a video device, and which of them are our cameras. Kept apart from
// libudev so that recorded udev data can be read the same way.
#include <QByteArray>
#include <QMap>
#include <QString>

#include <vector>

namespace camera::sdk {

struct UvcDeviceInfo {
    QString devnode;   // /dev/videoN
    QString vendorId;  // four hex digits, lower case
    QString productId;
    QString revision;  // bcdDevice, four hex digits
    QString manufacturer;
    QString product;
    QString serial;
    QString driver;        // of the USB interface: "uvcvideo"
    QString capabilities;  // ":capture:" for a streaming node
    QString path;          // stable place on the bus
    bool serialShared = false;  // another admitted camera of this kind reports the same serial

    // From udev properties (the usb_id and v4l_id builtins' names).
    static UvcDeviceInfo fromProperties(const QMap<QString, QString>& properties);
    // Records of `udevadm info --export-db` or `udevadm info --query=property` output. Text
    // larger than kMaxRecordedBytes is no such record: nothing comes back, and error says why.
    static std::vector<UvcDeviceInfo> parseRecorded(const QByteArray& text,
                                                    QString* error = nullptr);
    // udev's \xNN escapes (ID_VENDOR_ENC, ID_MODEL_ENC) undone.
    static QString decodeEscapes(const QString& encoded);

    bool isCapture() const;
    // Our camera (0C45:9102), or with anyUvc any UVC camera that captures.
    bool admitted(bool anyUvc) const;
    // The device version text: maker and product, then the firmware revision, each line ending
    // in CR LF.
    QByteArray versionText() const;
    QString calibrationKey() const;
    // The key with the place on the bus, which tells apart two cameras of the same serial.
    QString portKey() const;

    static constexpr char kVendor[] = "0c45";
    static constexpr char kProduct[] = "9102";
    // A recorded device list is a few KiB, a whole machine's database a few hundred.
    static constexpr qsizetype kMaxRecordedBytes = 1 << 20;
};

// Admitted cameras in a stable order (by place on the bus, then node), each marked when another
// of them has the same maker, product and serial.
std::vector<UvcDeviceInfo> admittedCameras(std::vector<UvcDeviceInfo> all, bool anyUvc);

}  // namespace camera::sdk
