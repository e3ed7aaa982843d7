#pragma once
// What a share does with the QR code view. Every operation runs on the user-interface thread.
#include <QString>

#include <cstdint>

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
};

}  // namespace cloud
