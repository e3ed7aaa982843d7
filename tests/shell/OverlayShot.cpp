// Shows the overlay over a stored-looking picture with the panel open in drawing mode, for
// screenshots under a real X server. Prints where the pen buttons are so a script can press them.
#include "RecorderHost.h"

#include "shell/ControlIds.h"
#include "shell/ui/MoveDlg.h"
#include "shell/ui/TopDlg.h"
#include "platform/Clock.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QTimer>

#include <cstdio>

namespace {

QPixmap board(QSize size) {
    QPixmap p(size);
    p.fill(QColor(30, 70, 50));
    QPainter g(&p);
    g.setPen(QPen(QColor(235, 235, 220), 3));
    QFont f = g.font();
    f.setPointSize(40);
    g.setFont(f);
    g.drawText(QRect(0, 60, size.width(), 100), Qt::AlignHCenter, "a² + b² = c²");
    for (int i = 0; i < 5; ++i) g.drawLine(200, 250 + 60 * i, size.width() - 200, 250 + 60 * i);
    return p;
}

// Stand-in art: a rounded tile with the button's role in it.
PixmapSource tiles() {
    return [](int id, QSize size) {
        if (size.isEmpty()) size = QSize(48, 48);
        QPixmap p(size);
        p.fill(Qt::transparent);
        QPainter g(&p);
        g.setRenderHint(QPainter::Antialiasing);
        const bool pressed = id >= 169 && id <= 178;
        g.setBrush(pressed ? QColor(250, 200, 60) : QColor(245, 245, 245));
        g.setPen(QPen(QColor(40, 40, 40), 2));
        g.drawRoundedRect(QRectF(p.rect()).adjusted(2, 2, -2, -2), 8, 8);
        const int base = pressed ? id - 10 : id;
        const char* label = "?";
        switch (base) {
            case 159: label = "K"; break;
            case 160: label = "B"; break;
            case 161: label = "C"; break;
            case 162: label = "E"; break;
            case 163: label = "≡"; break;
            case 164: label = "◉"; break;
            case 165: label = "▤"; break;
            case 166: label = "✎"; break;
            case 167: label = "R"; break;
            case 168: label = "⇪"; break;
            case 133: label = "▶"; break;
        }
        QFont f = g.font();
        f.setPixelSize(size.height() / 2);
        g.setFont(f);
        g.drawText(p.rect(), Qt::AlignCenter, QString::fromUtf8(label));
        return p;
    };
}

QPoint centre(QWidget* w) {
    return w->mapToGlobal(w->rect().center());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    RecorderHost host;
    host.area = QRect(0, 0, 1366, 728);
    host.rect = {0, 0, 1366, 728};
    host.appData = QDir::tempPath();
    host.picture = true;
    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.setGeometry(host.area);
    auto* picture = new QLabel(&window);
    picture->setGeometry(host.area);
    picture->setPixmap(board(host.area.size()));
    TopDlg overlay(host, tiles(), &window, platform::SystemClock::instance());
    overlay.show();
    overlay.showPanel(true);
    overlay.showBackToVideoButton(true);
    window.show();
    MoveDlg& panel = *overlay.panel();
    panel.PlaceAt({1200, 200});
    panel.Open();
    panel.ButtonAction(ctl::kPen);
    panel.ButtonAction(ctl::kRedPen);
    overlay.setPenWidth(728 / 200);
    QTimer::singleShot(300, [&] {
        std::printf("eraser %d %d\n", centre(panel.button(ctl::kEraser)).x(),
                    centre(panel.button(ctl::kEraser)).y());
        std::printf("blue %d %d\n", centre(panel.button(ctl::kBluePen)).x(),
                    centre(panel.button(ctl::kBluePen)).y());
        std::fflush(stdout);
    });
    return app.exec();
}
