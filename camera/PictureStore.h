#pragma once
// The folder tree holding this run's pictures and thumbnails, with their names. It lives in the
// user's private temporary folder and is emptied at every start that follows an orderly end. A run
// leaves a record in the store while it lasts; a start that finds the record (a crash, a kill, a
// power cut, or an end that could not save the pictures) brings that run's pictures back.
#include <QString>

#include <vector>

namespace camera {

class PictureStore {
public:
    // tempFolder: the user's temporary folder, with or without a trailing "/". Empty disables
    // the store (there is no safe place for it).
    explicit PictureStore(const QString& tempFolder = {});

    // Pictures brought back are kept this long after they were taken, then let go.
    static constexpr int kKeptDays = 7;

    // Starts a run: empties the store and creates its folders, and records that a run is in
    // progress. When the last run did not end in order, its pictures are moved aside whole and
    // brought back under their numbers (see keptPictures); its other files are not.
    void prepare();
    // Creates missing folders before a capture. False when the store cannot be used safely.
    bool ensureFolders();

    // The pictures brought back by prepare, lowest number first.
    const std::vector<int>& keptPictures() const { return m_kept; }
    // The run's pictures must survive its end (an export at the end failed). User-interface
    // thread only.
    void holdRun() const { m_held = true; }
    bool runHeld() const { return m_held; }
    // The run ended in order: its record goes, so the next start empties the store; unless the
    // run is held.
    void endRun();
    // Whether the store holds the record of a run in progress.
    bool runRecorded() const;

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
    void bringBackKept(int parentFd);
    bool writeRunRecord() const;

    QString m_store;
    QString m_image;
    QString m_thumb;
    std::vector<int> m_kept;
    bool m_running = false;
    mutable bool m_held = false;
};

}  // namespace camera
