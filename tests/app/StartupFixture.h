#pragma once
// A program folder, shared settings folder, autostart folder and runtime folder of its own for
// every test, with a recorder in place of the screen.
#include "app/AppUi.h"
#include "app/QuilletApp.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>
#include <vector>

struct ShownBox {
    QString text, caption;
    unsigned type;
    QString okText, cancelText;
};

class RecordingUi : public AppUi {
public:
    int messageBox(const QString& text, const QString& caption, unsigned type,
                   const QString& okText, const QString& cancelText) override {
        boxes.push_back({text, caption, type, okText, cancelText});
        return answer;
    }
    void runMainDialog(CQuilletApp&) override { ++dialogRuns; }

    std::vector<ShownBox> boxes;
    int answer = 1;
    int dialogRuns = 0;
};

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    CQuilletApp& makeApp();
    bool start(const QStringList& args = {"Ostrely"});

    void writeFile(const QString& path, const QByteArray& bytes);
    QByteArray readFile(const QString& path) const;
    void writeConfigLanguage(const QString& code);
    QStringList autovellCalls() const;
    QString programPath() const { return root.file("program/Ostrely"); }
    QString cameraConfig() const { return root.file("appdata/QvCamera.xml"); }
    QString autostartFile() const { return root.file("config/autostart/Ostrely.desktop"); }

    testsupport::TempDir root;
    RecordingUi ui;
    std::unique_ptr<CQuilletApp> app;
};

// The file a first start writes, byte for byte.
inline QByteArray newCameraConfig(bool autostart) {
    return QByteArray(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<CameraConfig>\r\n"
               "<IsChange>false</IsChange>\r\n<IsAutoStart>") +
           (autostart ? "true" : "false") + "</IsAutoStart>\r\n</CameraConfig>\r\n";
}
