// A file written for the user (a table, a sprite image, the report): written as it is
// produced and put in place only when complete, or written into when it is a stream.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "files/game_file.h"
#include "files/interruption.h"

namespace valmor {

class OutputFile {
public:
    // Opens `path` for writing:
    // - a character device, a pipe or a socket, or a link to one, is written into as a
    //   stream, as a shell's > would; so is a descriptor's entry in /proc or a link to one
    //   (/dev/stdout, /dev/fd/N, /proc/self/fd/N), which names what a program already has
    //   open. A pipe with no reader is waited for, and a full one drained, in short steps
    //   that SIGINT, SIGTERM or SIGHUP end;
    // - anything else (a regular file, a missing name, a link to either, a link through
    //   /proc/self/root or /proc/self/cwd) gets a new file beside it, named
    //   .NAME.valmor-tmp-PID-N, that commit() renames over the name (a link there is
    //   replaced, never written through); a folder there is an error (IsAFolder).
    // The new file is locked from before its first byte until it is renamed or removed.
    // Temporary files that an ended run left in the same folder are removed first. Throws
    // DataError naming `path`.
    explicit OutputFile(const std::filesystem::path& path);
    // An uncommitted file is removed; a stream is closed.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool isStream() const { return stream_; }
    // A stream that is a terminal, where outside text must not go out raw.
    bool isTerminal() const;
    // The file's identity (device and inode), to refuse an output that is a game file.
    FileIdentity identity() const;

    // Writes every byte or throws (a full disk, a pipe closed); a signal noted while the
    // output is open stops it here with DataError(Interrupted).
    void write(std::string_view bytes);
    // Closes the new file and renames it into place; closes a stream.
    void commit();

private:
    // Creates and locks the new file in `folder`.
    void createTemporary(const std::filesystem::path& folder);

    std::filesystem::path path_;
    std::filesystem::path temporary_; // empty for a stream
    int fd_ = -1;
    int lockFd_ = -1; // holds the new file's lock
    bool stream_ = false;
    bool committed_ = false;
    // A new file is removed, and a stream's wait ended, on SIGINT, SIGTERM and SIGHUP
    // before the program ends.
    std::optional<InterruptionGuard> guard_;
};

// Removes the temporary output files (.NAME.valmor-tmp-PID-N) that ended runs left in
// `folder`: regular files of one link, owned by the user who sweeps, whose lock nobody
// holds, which the sweep proves by taking it. A process number
// proves nothing here: the writer may run in another PID namespace or on another machine
// sharing the folder. Once per folder and run.
void removeKilledOutputs(const std::filesystem::path& folder);

} // namespace valmor
