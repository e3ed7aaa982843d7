#pragma once
// The rest of the program as the picture list sees it: records what the list asks of it. The
// whiteboard's services go to a real application object when one is given.
#include "app/QuilletApp.h"
#include "pictures/PicListHost.h"
#include "tests/support/MessageRecorder.h"

#include <QSize>
#include <QStringList>

#include <functional>
#include <map>
#include <vector>

namespace picturetest {

struct Box {
    QString text, caption;
    unsigned type;
};

class RecordingHost : public pictures::PicListHost {
public:
    explicit RecordingHost(const camera::PictureStore& store) : m_store(store) {}

    QString text(int id) const override {
        const auto it = pack.find(id);
        return it != pack.end() ? it->second : QStringLiteral("#%1").arg(id);
    }
    int ShowMessage(const QString& text, const QString& caption, unsigned type) override {
        boxes.push_back({text, caption, type});
        if (whileBoxOpen) whileBoxOpen();
        return answer;
    }
    void ShowMessageOnce(int textId) override { onceBoxes.push_back(textId); }
    const camera::PictureStore& pictureStore() const override { return m_store; }
    QObject* mainWindow() const override {
        return const_cast<testsupport::MessageRecorder*>(&window);
    }
    bool pictureShown() const override { return shown; }
    void ChangeToCapture() override {
        ++changesToCapture;
        shown = false;
    }
    void ShowView(bool show) override { views.push_back(show); }
    void clearPenStrokesIfDrawing() override { ++strokeClears; }

    bool whiteboardRunning() const override {
        return app != nullptr ? CQuilletApp::WhiteboardRunning() : whiteboard;
    }
    void ReadBoardInstallPath() override {
        ++installPathReads;
        if (app != nullptr) app->ReadBoardInstallPath();
    }
    void RunBoardRelay(const QString& parameters) override {
        relayRuns << parameters;
        if (app != nullptr) app->RunBoardRelay(parameters);
    }
    bool boardLinked() const override { return linked; }
    void setBoardLinked(bool on) override { linked = on; }
    bool linkDeclined() const override { return declined; }
    void setLinkDeclined(bool on) override { declined = on; }
    QSize screenSize() const override { return screen; }
    double screenDpi() const override { return dpi; }

    CQuilletApp* app = nullptr;
    testsupport::MessageRecorder window;
    std::vector<Box> boxes;
    std::map<int, QString> pack;  // texts by id; others read "#id"
    std::function<void()> whileBoxOpen;
    std::vector<int> onceBoxes;
    int answer = 1;
    bool shown = false;
    int changesToCapture = 0;
    std::vector<bool> views;
    int strokeClears = 0;
    bool whiteboard = false;
    int installPathReads = 0;
    QStringList relayRuns;
    bool linked = false;
    bool declined = false;
    QSize screen{1920, 1080};
    double dpi = 96;

private:
    const camera::PictureStore& m_store;
};

}  // namespace picturetest
