#include "editor/balance/game_folder_watch.h"

#include <QFile>
#include <QFileInfo>

namespace valmor {

GameFolderWatch::GameFolderWatch(const std::filesystem::path& folder, const QStringList& names,
                                 QObject* parent)
    : QObject(parent),
      folder_(folder.empty() ? QStringLiteral(".") : QFile::decodeName(folder.c_str())) {
    for (const QString& name : names)
        files_.append(folder_ + '/' + name);
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMilliseconds);
    connect(&settle_, &QTimer::timeout, this, &GameFolderWatch::changed);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this](const QString& path) {
        watchAgain(path);
        noteChange();
    });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        watchEvery();
        noteChange();
    });
    watcher_.addPath(folder_);
    watchEvery();
}

void GameFolderWatch::watchAgain(const QString& path) {
    // The watch may still be on the file that was renamed away.
    watcher_.removePath(path);
    if (QFileInfo::exists(path))
        watcher_.addPath(path);
}

void GameFolderWatch::watchEvery() {
    // A name in the folder changed: any of the files may be a new one now.
    for (const QString& path : files_)
        watchAgain(path);
    if (!watcher_.directories().contains(folder_) && QFileInfo::exists(folder_))
        watcher_.addPath(folder_);
}

void GameFolderWatch::noteChange() {
    if (!settle_.isActive())
        settle_.start();
}

} // namespace valmor
