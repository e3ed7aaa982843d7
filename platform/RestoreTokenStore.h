#pragma once
// The token a desktop portal gives back so that a permission the teacher granted once holds at
// the next start: kept in one small file, readable by this user alone. Each token is good for
// one use; the portal hands out a fresh one each time, which replaces the old.
#include <QString>

namespace platform {

class RestoreTokenStore {
public:
    // path: the file; empty keeps nothing (no trusted settings folder).
    explicit RestoreTokenStore(QString path);

    // The kept token, empty when there is none or it cannot be read (logged).
    QString load() const;
    // False when it could not be kept (logged).
    bool save(const QString& token) const;
    // Drops a token that was used up without a new one.
    void forget() const;

    const QString& path() const { return m_path; }

    // Where the program keeps its token: beside its other settings.
    static QString defaultPath();

    // Tokens are short printable words; anything else is not from a portal.
    static constexpr int kMaxBytes = 512;

private:
    QString m_path;
};

}  // namespace platform
