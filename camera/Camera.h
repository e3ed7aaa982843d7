#pragma once
// Placeholder controller: only what start-up needs until the camera layer lands.
#include <QString>

#include <functional>

class CCamera {
public:
    bool Init();
    int CameraCount() const { return m_cameraCount; }
    // Texts by string id (corner labels); set by the application object.
    std::function<QString(int)> textSource;

private:
    int m_cameraCount = 0;
};
