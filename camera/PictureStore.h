#pragma once
// The folder tree holding this run's pictures and thumbnails, with their names. It lives in the
// user's private temporary folder and is emptied at every start.
#include <QString>

namespace camera {

class PictureStore {
public:
    // tempFolder: the user's temporary folder, with or without a trailing "/". Empty disables
    // the store (there is no safe place for it).
    explicit PictureStore(const QString& tempFolder = {});

    // Empties the store (nothing of an earlier run stays) and creates its folders.
    void prepare();
    // Creates missing folders before a capture. False when the store cannot be used safely.
    bool ensureFolders();

    const QString& storeFolder() const { return m_store; }
    const QString& imageFolder() const { return m_image; }
    const QString& thumbnailFolder() const { return m_thumb; }

    QString picturePath(long n) const;
    QString thumbnailPath(long n) const;
    // cameraSlot 0 for one camera; 1 and 2 for the first and second of two.
    QString snapshotPath(long n, int cameraSlot = 0) const;

    struct Existence {
        QString picture;
        QString thumbnail;
        bool exists = false;
    };
    // Both files of picture n; the thumbnail path is the one a reader can open.
    Existence pictureExists(long n) const;

    // Deletes both files of picture n (the list's delete). Its number is not given out again.
    void removePicture(long n) const;

    // The file at path, or the same name with the other case of its extension when only that
    // exists; path itself when neither does. Readers ask for ".BMP", the writer writes ".bmp".
    static QString findFile(const QString& path);

    // Removes a folder and everything in it without following any symbolic link: a link is
    // removed as a link, whatever it points at.
    static void DeleteTree(const QString& folder);

    static QString tenDigits(long n);

private:
    QString m_store;
    QString m_image;
    QString m_thumb;
};

}  // namespace camera
