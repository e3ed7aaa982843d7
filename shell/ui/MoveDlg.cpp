#include "shell/ui/MoveDlg.h"
#include "lang/TextIds.h"

#include "art/ResourceIds.h"
#include "platform/Clock.h"
#include "platform/Message.h"
#include "platform/MessageIds.h"
#include "platform/Mirror.h"
#include "platform/ProfileFile.h"
#include "shell/ControlIds.h"
#include "shell/PanelLayout.h"
#include "shell/ShellHost.h"
#include "shell/StrokeCanvas.h"
#include "shell/ui/Prompt.h"
#include "shell/ui/TopDlg.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {
constexpr int kCommandIds[] = {ctl::kList, ctl::kCapture, ctl::kShare, ctl::kPen};
constexpr int kPenIds[] = {ctl::kRedPen, ctl::kBlackPen, ctl::kBluePen, ctl::kEraser, ctl::kClear};

int penButtonId(int pen) {
    switch (pen) {
        case MoveDlg::kRed: return ctl::kRedPen;
        case MoveDlg::kBlack: return ctl::kBlackPen;
        case MoveDlg::kBlue: return ctl::kBluePen;
        case MoveDlg::kEraserPen: return ctl::kEraser;
        default: return 0;
    }
}
}  // namespace

QRgb MoveDlg::penColour(int pen) {
    switch (pen) {
        case kRed: return 0xFFFF0000;
        case kBlue: return 0xFF0000FF;
        case kEraserPen: return StrokeCanvas::kKeyColour;
        default: return 0xFF000000;
    }
}

MoveDlg::MoveDlg(ShellHost& host, const PixmapSource& pixmaps, TopDlg& overlay, QWidget* parent,
                 platform::Clock& clock)
    : QWidget(parent), m_host(host), m_overlay(overlay), m_clock(clock) {
    setObjectName(QStringLiteral("MoveDlg"));
    m_prompt = new CPrompt(host, this);

    const struct {
        int id, normal, pressed, label;
    } table[] = {
        {ctl::kHandle, res::kHandle, res::kHandlePressed, text::kToolbar},
        {ctl::kList, res::kPictureList, res::kPictureListPressed, text::kPictureList},
        {ctl::kCapture, res::kCapture, res::kCapturePressed, text::kKeyCapture},
        {ctl::kShare, res::kShare, res::kSharePressed, text::kKeyShare},
        {ctl::kPen, res::kPen, res::kPenPressed, text::kPen},
        {ctl::kRedPen, res::kRedPen, res::kRedPenPressed, text::kRedPen},
        {ctl::kBlackPen, res::kBlackPen, res::kBlackPenPressed, text::kBlackPen},
        {ctl::kBluePen, res::kBluePen, res::kBluePenPressed, text::kBluePen},
        {ctl::kEraser, res::kEraser, res::kEraserPressed, text::kEraser},
        {ctl::kClear, res::kClearAll, res::kClearAllPressed, text::kClearDrawing},
    };
    for (const auto& row : table) {
        PicButton* b = new PicButton(pixmaps, this);
        b->setReportedId(row.id);
        b->setBitmaps(row.normal, row.pressed);
        b->setLabel(host.text(row.label));
        m_buttons[row.id] = b;
    }
    button(ctl::kBluePen)->setReportOnPress(true);
    button(ctl::kHandle)->installEventFilter(this);
    setPenColumnVisible(false);

    ComputeStep();
    Close();
    MoveToStart();
}

MoveDlg::~MoveDlg() = default;

PicButton* MoveDlg::button(int controlId) const {
    const auto it = m_buttons.find(controlId);
    return it == m_buttons.end() ? nullptr : it->second;
}

QRect MoveDlg::localWorkArea() const {
    return QRect(QPoint(0, 0), m_host.workArea().size());
}

void MoveDlg::ComputeStep() {
    m_step = panel::computeStep(localWorkArea());
    writeStep();
}

void MoveDlg::writeStep() const {
    const QString root = m_host.commonAppDataFolder();
    if (root.isEmpty()) return;
    const QString folder = root + QStringLiteral("/Kestrane");
    // Nobody in the program reads this back, and a failed write is not reported.
    if (!QDir().mkpath(folder)) return;
    platform::ProfileFile::writeString(folder + QStringLiteral("/usefile.ini"),
                                       QStringLiteral("ssss"), QStringLiteral("step"),
                                       QString::number(m_step));
}

void MoveDlg::MoveToStart() {
    resize(m_step, m_step);
    PlaceAt(onOverlay(QRect(panel::startPosition(localWorkArea()), size())).topLeft());
}

QRect MoveDlg::onOverlay(const QRect& r) const {
    return platform::placed(r, localWorkArea().width(), isRightToLeft());
}

QRect MoveDlg::inPanel(const QRect& r) const {
    return platform::placed(r, width(), isRightToLeft());
}

QRect MoveDlg::currentRect() const {
    return onOverlay(QRect(pos() - m_overlay.pos(), size()));
}

void MoveDlg::PlaceAt(const QPoint& topLeft) {
    const QPoint inside = panel::keepInside(topLeft, m_overlay.size(), size());
    move(inside + m_overlay.pos());
}

void MoveDlg::Close() {
    // Right-to-left the panel keeps its right edge, where its handle is.
    const QRect closed = onOverlay(QRect(currentRect().topLeft(), QSize(m_step, m_step)));
    resize(closed.size());
    PlaceAt(closed.topLeft());
    button(ctl::kHandle)->setGeometry(0, 0, m_step, m_step);
    m_expanded = false;
    setCommandColumnVisible(false);
    if (m_overlay.drawingMode()) setPenColumnVisible(false);
    button(ctl::kPen)->ShowNormal();
    updateMask();
}

void MoveDlg::Open() {
    const bool drawing = m_overlay.drawingMode();
    const QRect wanted =
        onOverlay(panel::openRect(currentRect(), localWorkArea(), m_step, drawing));
    resize(wanted.size());
    PlaceAt(wanted.topLeft());
    layOutColumns(drawing);
    if (drawing) button(ctl::kPen)->ShowPressedBitmap();
    m_expanded = true;
    updateMask();
}

void MoveDlg::Relayout() {
    if (m_expanded)
        Open();
    else
        Close();
}

void MoveDlg::layOutColumns(bool pens) {
    button(ctl::kHandle)->setGeometry(inPanel(QRect(0, 0, m_step, m_step)));
    for (int i = 0; i < 4; ++i)
        button(kCommandIds[i])->setGeometry(inPanel(panel::commandButtonRect(i, m_step)));
    setCommandColumnVisible(true);
    if (!pens) return;
    for (int i = 0; i < 5; ++i)
        button(kPenIds[i])->setGeometry(inPanel(panel::penButtonRect(i, m_step)));
    setPenColumnVisible(true);
}

void MoveDlg::setCommandColumnVisible(bool visible) {
    for (int id : kCommandIds) button(id)->setVisible(visible);
}

void MoveDlg::setPenColumnVisible(bool visible) {
    for (int id : kPenIds) button(id)->setVisible(visible);
}

// Presses between the buttons go through to whatever lies below, as on the see-through overlay.
void MoveDlg::updateMask() {
    QRegion shape;
    for (const auto& [id, b] : m_buttons)
        if (!b->isHidden()) shape += b->geometry();
    if (shape.isEmpty())
        clearMask();
    else
        setMask(shape);
}

void MoveDlg::ButtonAction(int controlId) {
    switch (controlId) {
        case ctl::kList: m_host.showPictureList(); break;
        case ctl::kCapture:
            if (!m_host.viewShown()) {
                m_host.ShowView(true);
            } else if (m_host.cameraCount() >= 1) {
                m_host.ShowView(false);
                m_host.takePicture(1);
            }
            break;
        case ctl::kShare: m_host.share(); break;
        case ctl::kPen: ToggleDrawingMode(); break;
        case ctl::kRedPen: SelectPen(kRed); break;
        case ctl::kBlackPen: SelectPen(kBlack); break;
        case ctl::kBluePen: SelectPen(kBlue); break;
        case ctl::kEraser: SelectPen(kEraserPen); break;
        case ctl::kClear: m_overlay.ClearStrokes(); break;
        default: break;
    }
}

void MoveDlg::ToggleDrawingMode() {
    if (m_overlay.drawingMode()) {
        m_overlay.setDrawingMode(false);
        m_overlay.ClearStrokes();
        setPenColumnVisible(false);
        button(ctl::kPen)->ShowNormal();
        updateMask();
        return;
    }
    const QRect wanted = onOverlay(panel::openRect(currentRect(), localWorkArea(), m_step, true));
    resize(wanted.size());
    PlaceAt(wanted.topLeft());
    m_overlay.setDrawingMode(true);
    m_overlay.setPenColour(penColour(kBlack));
    layOutColumns(true);
    button(ctl::kPen)->ShowPressedBitmap();
    SelectPen(kBlack);
    updateMask();
}

void MoveDlg::SelectPen(int pen) {
    if (PicButton* previous = button(penButtonId(m_selectedPen))) previous->ShowNormal();
    m_selectedPen = pen;
    m_overlay.setEraser(pen == kEraserPen);
    m_overlay.setPenColour(penColour(pen));
    // The selected pen keeps its pressed bitmap as a mark.
    if (PicButton* selected = button(penButtonId(pen))) selected->ShowPressedBitmap();
}

bool MoveDlg::HitTest(const QPoint& globalPoint) {
    const auto on = [&](int id) {
        PicButton* b = button(id);
        return b->isVisible() && b->rect().contains(b->mapFromGlobal(globalPoint));
    };
    if (on(ctl::kHandle)) {
        m_handlePressed = true;
        m_pressTime = m_clock.nowMs();
        m_dragStartPointer = globalPoint;
        m_dragStartPanel = pos() - m_overlay.pos();
        button(ctl::kHandle)->ShowPressedBitmap();
        return true;
    }
    if (!m_expanded) return false;
    for (int id : kCommandIds)
        if (on(id)) return true;
    if (m_overlay.drawingMode())
        for (int id : kPenIds)
            if (on(id)) return true;
    return false;
}

void MoveDlg::DragTo(const QPoint& globalPoint) {
    if (!m_handlePressed) return;
    PlaceAt(m_dragStartPanel + (globalPoint - m_dragStartPointer));
}

void MoveDlg::HandleReleased() {
    releaseHandle();
}

void MoveDlg::releaseHandle() {
    button(ctl::kHandle)->ShowNormal();
    m_handlePressed = false;
}

bool MoveDlg::event(QEvent* event) {
    if (const platform::Message* m = platform::asMessage(event, msg::kButtonClick)) {
        ButtonAction(msg::controlIdOf(*m));
        return true;
    }
    return QWidget::event(event);
}

bool MoveDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched != button(ctl::kHandle)) return false;
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        releaseHandle();
        if (m_expanded)
            Close();
        else
            Open();
    } else if (event->type() == QEvent::ContextMenu) {
        // Where the desktop has no tray, the handle is the way to the tray menu.
        m_host.showTrayMenuAt(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return false;
}

void MoveDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MoveDlg::leaveEvent(QEvent* event) {
    releaseHandle();
    QWidget::leaveEvent(event);
}

void MoveDlg::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange) Relayout();
}
