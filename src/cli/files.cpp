#include "cli/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>

#include <QFile>
#include <QSaveFile>

#include "cli/cli_error.h"
#include "data/file_handle.h"

namespace valmor::cli {

namespace {

[[noreturn]] void cannotRead(const std::filesystem::path& path, int errorNumber) {
    throw CliError("cannot read " + path.string() + ": " + std::strerror(errorNumber));
}

} // namespace

std::string readWholeFile(const std::filesystem::path& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored))
        cannotRead(path, EISDIR);
    errno = 0;
    const FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file)
        cannotRead(path, errno);
    std::string bytes;
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        bytes.append(buffer, got);
    if (std::ferror(file.get()))
        cannotRead(path, errno);
    return bytes;
}

std::string readWholeStream(std::istream& in, std::string_view name) {
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        throw CliError("cannot read " + std::string(name));
    return bytes;
}

void replaceFile(const std::filesystem::path& target, std::string_view bytes) {
    std::error_code error;
    const auto status = std::filesystem::status(target, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        throw CliError("cannot write " + target.string() +
                       ": not a regular file; nothing was written");
    const auto fail = [&](const std::string& reason) {
        return CliError("cannot write " + target.string() + ": " + reason +
                        "; the old file is unchanged");
    };
    QSaveFile file(QFile::decodeName(target.c_str()));
    if (!file.open(QIODevice::WriteOnly))
        throw fail(file.errorString().toStdString());
    // commit() alone is not enough: the write lands in a buffer, and when flushing that
    // buffer fails (a full disk) commit() still renames the short file over the old one.
    // So flush first and check that every byte reached the new file.
    const auto size = static_cast<qint64>(bytes.size());
    errno = 0;
    if (file.write(bytes.data(), size) != size || !file.flush() || file.size() != size) {
        const int code = errno;
        const CliError failure =
            fail(code != 0 ? std::strerror(code) : file.errorString().toStdString());
        file.cancelWriting();
        throw failure;
    }
    // Syncs the new file to the disk and renames it over the target.
    if (!file.commit())
        throw fail(file.errorString().toStdString());
}

} // namespace valmor::cli
