#include "shell/ui/AboutDlg.h"

#include "art/ResourceIds.h"
#include "shell/KeyTable.h"
#include "lang/TextIds.h"
#include "platform/FontFallback.h"
#include "platform/ui/LeadingLabel.h"
#include "shell/ShellHost.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeySequence>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const char* const kCaption = "About Demo";
const char* const kSoftwareVersion = "v1.0";
}  // namespace

CAboutDlg::CAboutDlg(ShellHost& host, const PixmapSource& pixmaps, QWidget* parent)
    : QDialog(parent), m_host(host) {
    setWindowTitle(QString::fromLatin1(kCaption));
    // The version texts of every pack show even where the desktop's face lacks their script.
    setFont(platform::FontFallback::withFallbacks(font()));
    auto* icon = new QLabel(this);
    if (pixmaps) {
        const qreal ratio = devicePixelRatioF();
        QPixmap picture = pixmaps(res::kProgramIcon, (QSizeF(32, 32) * ratio).toSize());
        picture.setDevicePixelRatio(ratio);
        icon->setPixmap(picture);
        setWindowIcon(picture);
    }
    icon->setAlignment(Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    for (auto*& line : m_lines) {
        line = new QLabel(this);
        line->setAlignment(Qt::AlignCenter);
        texts->addWidget(line);
    }
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(texts, 1);
    m_ok = new QPushButton(this);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* okRow = new QHBoxLayout;
    okRow->addStretch(1);
    okRow->addWidget(m_ok);
    okRow->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    addKeyList(column);
    column->addLayout(okRow);
}

// A teacher without the board finds here what the keyboard and a presenter remote do.
void CAboutDlg::addKeyList(QVBoxLayout* column) {
    m_keysHeading = new platform::LeadingLabel(this);
    QFont bold = m_keysHeading->font();
    bold.setBold(true);
    m_keysHeading->setFont(bold);
    column->addWidget(m_keysHeading);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    for (const shell::KeyHelp& row : shell::keyHelp()) {
        QStringList names;
        for (int key : row.keys) names << QKeySequence(key).toString(QKeySequence::NativeText);
        // Key names read left-to-right even in a right-to-left window, yet keep to its column.
        auto* keys = new platform::LeadingLabel(names.join(QStringLiteral(", ")), this);
        auto* what = new platform::LeadingLabel(this);
        const int at = grid->rowCount();
        grid->addWidget(keys, at, 0);
        grid->addWidget(what, at, 1);
        m_keys.emplace_back(keys, what);
    }
    column->addLayout(grid);
}

void CAboutDlg::DoDataExchange() {
    m_ok->setText(m_host.text(text::kOk));
    m_lines[0]->setText(m_host.text(text::kSoftwareVersion));
    m_lines[1]->setText(QString::fromLatin1(kSoftwareVersion));
    m_lines[2]->setText(m_host.text(text::kHardwareVersion));
    m_lines[3]->setText(m_host.deviceVersion(0));
    m_lines[4]->setText(m_host.cameraCount() < 2 ? QString() : m_host.deviceVersion(1));
    m_keysHeading->setText(m_host.text(text::kKeysHeading));
    const std::vector<shell::KeyHelp>& rows = shell::keyHelp();
    for (size_t i = 0; i < rows.size() && i < m_keys.size(); ++i)
        m_keys[i].second->setText(m_host.text(rows[i].textId));
    m_open = true;
}

QStringList CAboutDlg::lines() const {
    QStringList out;
    for (const QLabel* line : m_lines) out << line->text();
    return out;
}

QStringList CAboutDlg::keyLines() const {
    QStringList out;
    for (const auto& [keys, what] : m_keys) out << keys->text() + ": " + what->text();
    return out;
}

int CAboutDlg::exec() {
    DoDataExchange();
    return QDialog::exec();
}

void CAboutDlg::showEvent(QShowEvent* event) {
    if (!m_open) DoDataExchange();
    QDialog::showEvent(event);
}

// However the dialog ends, it is no longer open: otherwise OK would leave it marked open and it
// could never be shown again.
void CAboutDlg::done(int result) {
    m_open = false;
    QDialog::done(result);
}

void CAboutDlg::closeEvent(QCloseEvent* event) {
    m_open = false;
    QDialog::closeEvent(event);
}
