// Tells when files of a folder change: written in place, replaced by a rename over them (as
// valmor-data's imports and git do), removed, or made anew. Each file is watched again after
// every change, since a rename over a file ends the watch on the old one, and the folder is
// watched too, so a file that comes back is seen. A burst of changes is told once, shortly
// after its first change.
#pragma once

#include <filesystem>

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

namespace valmor {

class GameFolderWatch : public QObject {
    Q_OBJECT

public:
    // How long after a first change the changes are told.
    static constexpr int kSettleMilliseconds = 30;

    // `folder` empty: the working directory.
    GameFolderWatch(const std::filesystem::path& folder, const QStringList& names,
                    QObject* parent = nullptr);

signals:
    void changed();

private:
    void watchAgain(const QString& path);
    void watchEvery();
    void noteChange();

    QFileSystemWatcher watcher_;
    QString folder_;
    QStringList files_;
    QTimer settle_;
};

} // namespace valmor
