#pragma once
// What a share does with the QR code view. Every operation runs on the user-interface thread.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace cloud {

class QrViewPort {
public:
    virtual ~QrViewPort() = default;
    // Centred over its owner, without a picture, shown.
    virtual void showBlank() = 0;
    virtual void hidePicture() = 0;
    // The progress bar shown, over 0 .. total, at 0.
    virtual void showProgress(std::int64_t total) = 0;
    virtual void setProgress(std::int64_t done) = 0;
    // Writes the QR bitmap of link to imagePath and shows it. False when it could not be written.
    virtual bool ShowLink(const QString& link, const QString& imagePath) = 0;
    virtual void hideView() = 0;

    // A share in the room adds these; a view that shows only cloud links may ignore them.
    // The link as text under the code, so that it can be typed.
    virtual void showLinkText(const QString& link) { (void)link; }
    // The addresses the link can use, current first shown; choose runs on the user-interface
    // thread with the index the teacher picked. An empty list takes the choice away.
    virtual void showAddresses(const QStringList& addresses, int current,
                               std::function<void(int)> choose) {
        (void)addresses, (void)current, (void)choose;
    }
    // Until when the link stays open and how many phones fetched the file; empty clears it.
    virtual void showRoomStatus(const QString& status) { (void)status; }
    virtual bool isShown() const { return true; }
};

}  // namespace cloud
