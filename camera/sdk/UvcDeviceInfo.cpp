#include "UvcDeviceInfo.h"

#include <QByteArrayView>

#include <algorithm>

namespace camera::sdk {

QString UvcDeviceInfo::decodeEscapes(const QString& encoded) {
    QByteArray out;
    const QByteArray in = encoded.toUtf8();
    for (int i = 0; i < in.size(); ++i) {
        bool ok = false;
        if (in[i] == '\\' && i + 3 < in.size() && in[i + 1] == 'x') {
            const int v = in.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out += static_cast<char>(v);
                i += 3;
                continue;
            }
        }
        out += in[i];
    }
    return QString::fromUtf8(out).trimmed();
}

UvcDeviceInfo UvcDeviceInfo::fromProperties(const QMap<QString, QString>& p) {
    UvcDeviceInfo d;
    d.devnode = p.value("DEVNAME");
    d.vendorId = p.value("ID_VENDOR_ID").toLower();
    d.productId = p.value("ID_MODEL_ID").toLower();
    d.revision = p.value("ID_REVISION").toLower();
    d.manufacturer = p.contains("ID_VENDOR_ENC") ? decodeEscapes(p.value("ID_VENDOR_ENC"))
                                                 : QString(p.value("ID_VENDOR")).replace('_', ' ');
    d.product = p.contains("ID_MODEL_ENC") ? decodeEscapes(p.value("ID_MODEL_ENC"))
                                           : QString(p.value("ID_MODEL")).replace('_', ' ');
    d.serial = p.value("ID_SERIAL_SHORT");
    d.driver = p.value("ID_USB_DRIVER");
    d.capabilities = p.value("ID_V4L_CAPABILITIES");
    d.path = p.value("ID_PATH");
    return d;
}

std::vector<UvcDeviceInfo> UvcDeviceInfo::parseRecorded(const QByteArray& text, QString* error) {
    std::vector<UvcDeviceInfo> out;
    if (text.size() > kMaxRecordedBytes) {
        if (error != nullptr)
            *error = QStringLiteral("recorded udev data of %1 bytes is larger than %2 bytes")
                         .arg(text.size())
                         .arg(kMaxRecordedBytes);
        return out;
    }
    QMap<QString, QString> props;
    const auto flush = [&] {
        if (props.contains("DEVNAME") && props.value("SUBSYSTEM", "video4linux") == "video4linux")
            out.push_back(fromProperties(props));
        props.clear();
    };
    // Lines are looked at in place: a copy of each would cost far more than the text itself
    // when the lines are short.
    const QByteArrayView all(text);
    for (qsizetype from = 0; from <= all.size();) {
        qsizetype end = all.indexOf('\n', from);
        if (end < 0) end = all.size();
        QByteArrayView line = all.sliced(from, end - from).trimmed();
        from = end + 1;
        if (line.isEmpty()) {
            flush();
            continue;
        }
        if (line.startsWith("P: ")) {  // a new record of the database dump
            flush();
            continue;
        }
        if (line.size() > 2 && line[1] == ':' && !line.startsWith("E:")) continue;
        if (line.startsWith("E: ")) line = line.sliced(3);
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0) continue;
        const QByteArrayView key = line.first(eq);
        QString value = QString::fromUtf8(line.sliced(eq + 1));
        // DEVNAME in the dump is relative to /dev.
        if (key == "DEVNAME" && !value.startsWith('/')) value.prepend("/dev/");
        props.insert(QString::fromUtf8(key), value);
    }
    flush();
    return out;
}

bool UvcDeviceInfo::isCapture() const {
    return capabilities.contains(":capture:");
}

bool UvcDeviceInfo::admitted(bool anyUvc) const {
    if (!isCapture() || devnode.isEmpty()) return false;
    if (vendorId == kVendor && productId == kProduct) return true;
    return anyUvc && driver == "uvcvideo";
}

QByteArray UvcDeviceInfo::versionText() const {
    QString first = (manufacturer + ' ' + product).trimmed();
    if (first.isEmpty()) first = vendorId + ':' + productId;
    QString second;
    bool ok = false;
    const int bcd = revision.toInt(&ok, 16);
    if (ok && revision.size() == 4)
        second = QString("Version %1.%2").arg(bcd >> 8, 0, 16).arg(bcd & 0xff, 2, 16, QChar('0'));
    QByteArray text = first.toLocal8Bit() + "\r\n";
    if (!second.isEmpty()) text += second.toLocal8Bit() + "\r\n";
    return text;
}

QString UvcDeviceInfo::calibrationKey() const {
    const QString where = !serial.isEmpty() ? serial : !path.isEmpty() ? path : devnode;
    return "uvc-" + vendorId + '-' + productId + '-' + where;
}

QString UvcDeviceInfo::portKey() const {
    const QString where = !path.isEmpty() ? path : devnode;
    return calibrationKey() + "-at-" + where;
}

std::vector<UvcDeviceInfo> admittedCameras(std::vector<UvcDeviceInfo> all, bool anyUvc) {
    std::erase_if(all, [&](const UvcDeviceInfo& d) { return !d.admitted(anyUvc); });
    for (UvcDeviceInfo& d : all)
        d.serialShared =
            !d.serial.isEmpty() && std::count_if(all.begin(), all.end(), [&](const auto& o) {
                return o.calibrationKey() == d.calibrationKey();
            }) > 1;
    std::stable_sort(all.begin(), all.end(), [](const UvcDeviceInfo& a, const UvcDeviceInfo& b) {
        return a.path != b.path ? a.path < b.path : a.devnode < b.devnode;
    });
    return all;
}

}  // namespace camera::sdk
