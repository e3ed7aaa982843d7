#pragma once
// A fresh folder for one test, removed afterwards.
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class TempDir {
public:
    TempDir() { m_dir.setAutoRemove(true); }
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.path() + '/' + name; }

private:
    QTemporaryDir m_dir;
};

}  // namespace testsupport
