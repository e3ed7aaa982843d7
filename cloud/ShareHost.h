#pragma once
// What a share needs of the program. The main dialog implements it; tests give their own.
#include <QObject>
#include <QString>

namespace cloud {

class QrViewPort;

class ShareHost {
public:
    virtual ~ShareHost() = default;

    // Runs on the share worker: writes all listed pictures into one PDF with a generated name and
    // gives back its folder (ending with '/') and file name. Touches no widget.
    virtual bool exportPdf(QString* folder, QString* fileName) = 0;

    // The rest run on the user-interface thread.
    virtual QObject* uiContext() = 0;  // an object living on that thread
    virtual QString text(int id) const = 0;
    // A modal box without owner; returns when it is closed.
    virtual void showMessage(const QString& text, const QString& caption) = 0;
    virtual QrViewPort& qrView() = 0;
    // The picture store's folder, ending with '/': QR.bmp goes there.
    virtual QString storeFolder() const = 0;
};

}  // namespace cloud
