#pragma once
// What the firmware update dialogs need of the program around them. The main dialog implements
// it; tests give a recorder.
#include <QString>

class FirmwareHost {
public:
    virtual ~FirmwareHost() = default;

    // Texts by string id, from the language pack of the run.
    virtual QString text(int id) const = 0;
    // A message box without owner (platform::MessageBoxType flags); returns platform::kIdOk or
    // platform::kIdCancel.
    virtual int ShowMessage(const QString& text, const QString& caption, unsigned type) = 0;
    // The folder of the running program, without a trailing slash.
    virtual QString programFolder() const = 0;
    // Ends the program in order, as closing the main dialog does, so the cameras are released.
    virtual void closeProgram() = 0;
};
