#include "Camera.h"

#include <QtGlobal>

bool CCamera::Init() {
    const QByteArray sel = qgetenv("OSTRELY_CAMERA");
    m_cameraCount = sel == "sim" ? 1 : sel == "sim2" ? 2 : 0;
    return true;
}
