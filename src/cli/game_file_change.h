// A game file opened for a change under its lock, by the commands that replace or write
// into one (import-stats, import-encounters, import-sprite and import-sprites).
#pragma once

#include <unistd.h>

#include "files/game_file.h"

namespace valmor::cli {

// Opens a game file for a change under its lock, creating it when missing. Should the
// change fail, a file that this call created is removed again, so a failed command leaves
// the folder as it found it: where the name is a link to a file that did not exist, the
// link stays and the file created at its end goes.
class GameFileChange {
public:
    explicit GameFileChange(const GamePath& path)
        : created_(resolveLinks(path)), existed_(pathKind(created_) != PathKind::Missing),
          file_(GameFile::openLocked(path, true)), lockedAs_(file_.identity()) {}
    GameFileChange(const GameFileChange&) = delete;
    GameFileChange& operator=(const GameFileChange&) = delete;
    ~GameFileChange() {
        if (done_ || existed_)
            return;
        try {
            const FileIdentity now = identityOf(created_);
            if (now.sameFile(lockedAs_) && now.size == 0)
                ::unlinkat(created_.directoryFd(), created_.name().c_str(), 0);
        } catch (const DataError&) {
            // Gone already: nothing to take back.
        }
    }

    GameFile& file() { return file_; }
    const FileIdentity& lockedAs() const { return lockedAs_; }
    bool existed() const { return existed_; }
    void done() { done_ = true; }

private:
    GamePath created_; // where the file is, at the end of its links
    bool existed_;
    GameFile file_;
    FileIdentity lockedAs_;
    bool done_ = false;
};

} // namespace valmor::cli
