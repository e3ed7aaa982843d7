#pragma once
// A main dialog that only records what the overlay and its dialogs ask of it.
#include "shell/ui/PicButton.h"
#include "shell/ShellHost.h"

#include <QStringList>

#include <map>

#include <vector>

class RecorderHost : public ShellHost {
public:
    QString text(int id) const override;
    std::map<int, QString> pack;  // texts of a language pack, before the ones above

    bool viewShown() const override { return view; }
    bool pictureShown() const override { return picture; }
    bool calibrationMode() const override { return calibrating; }
    bool captureBusy() const override { return busy; }
    camera::DisplayRect viewRect() const override { return rect; }
    QRect workArea() const override { return area; }
    int cameraCount() const override { return cameras; }

    void ShowView(bool show) override;
    void ChangeToCapture() override { calls << "ChangeToCapture"; }
    void runCommand(int id) override { calls << QStringLiteral("command %1").arg(id); }
    bool takePicture(int tag) override;
    void share() override { calls << "share"; }
    bool sharingEnabled() const override { return true; }
    void showTrayMenuAt(QPoint globalPos) override { trayMenuAt.push_back(globalPos); }
    bool hasPictures() const override { return pictures > 0; }
    void clearPictures() override;
    void showPictureList() override { calls << "showPictureList"; }
    QString deviceVersion(int index) const override { return QStringLiteral("fw-%1").arg(index); }
    QString commonAppDataFolder() const override { return appData; }

    bool view = true;
    bool picture = false;
    bool calibrating = false;
    bool busy = false;
    camera::DisplayRect rect{268, 0, 1384, 1039};
    QRect area{0, 0, 1920, 1040};
    int cameras = 1;
    int pictures = 3;
    QString appData;
    QStringList calls;
    std::vector<QPoint> trayMenuAt;
};

// Plain coloured squares in place of the artwork; each id its own colour.
PixmapSource plainPixmaps(std::vector<std::pair<int, QSize>>* requests = nullptr);
