#include "BoardHandOff.h"

#include "lang/TextIds.h"
#include "pictures/BoardCommand.h"
#include "platform/Log.h"
#include "platform/MessageBoxTypes.h"

#include <QImageReader>

namespace pictures {

float BoardHandOff::DisplayScale() const {
    return BoardCommand::scaleForDpi(m_host.screenDpi());
}

bool BoardHandOff::HandOffPicture(int n) {
    const QString path = m_host.pictureStore().picturePath(n);
    const float scale = DisplayScale();
    QImageReader reader(path);
    const auto placement = BoardCommand::fit(reader.size(), m_host.screenSize(), scale);
    if (!placement) {
        platform::log::failure(platform::log::board(),
                               QStringLiteral("picture %1 not handed to the whiteboard").arg(path),
                               reader.canRead() ? QStringLiteral("no screen size to place it by")
                                                : reader.errorString());
        return false;
    }
    m_host.RunBoardRelay(BoardCommand::relayParameters(BoardCommand::json(path, *placement)));
    return true;
}

void BoardHandOff::handOffAndHide(int n) {
    HandOffPicture(n);
    m_host.clearPenStrokesIfDrawing();
    m_host.ShowView(false);
}

bool BoardHandOff::HandOffNewPicture(int n) {
    const bool running = m_host.whiteboardRunning();
    if (m_host.boardLinked()) {
        if (running) {
            handOffAndHide(n);
            return true;
        }
        m_host.setBoardLinked(false);
        return false;
    }
    if (!running) {
        // Asked again the next time a whiteboard runs.
        m_host.setLinkDeclined(false);
        return false;
    }
    if (m_host.linkDeclined()) return false;
    const int answer =
        m_host.ShowMessage(m_host.text(text::kAskLinkWhiteboard), m_host.text(text::kCaption),
                           platform::kMbOkCancel | platform::kMbSystemModal);
    if (answer != platform::kIdOk) {
        m_host.setLinkDeclined(true);
        return false;
    }
    m_host.setBoardLinked(true);
    m_host.ReadBoardInstallPath();
    handOffAndHide(n);
    return true;
}

}  // namespace pictures
