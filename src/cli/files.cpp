#include "cli/files.h"

#include <array>
#include <optional>
#include <streambuf>

#include "cli/cli_error.h"
#include "cli/terminal_text.h"
#include "files/game_file.h"
#include "files/output_file.h"

namespace valmor::cli {

namespace {

// A stream buffer that hands full buffers to an output file. Errors are kept and thrown
// again once the writer returns: an exception must not pass through the stream's own code.
class OutputBuffer : public std::streambuf {
public:
    explicit OutputBuffer(OutputFile& file) : file_(file) {
        setp(buffer_.data(), buffer_.data() + buffer_.size());
    }

    void finish() {
        flushBuffer();
        if (failure_)
            std::rethrow_exception(failure_);
    }

protected:
    int_type overflow(int_type c) override {
        if (!flushBuffer())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return flushBuffer() ? 0 : -1; }

private:
    bool flushBuffer() {
        if (failure_)
            return false;
        try {
            file_.write({pbase(), static_cast<std::size_t>(pptr() - pbase())});
            setp(buffer_.data(), buffer_.data() + buffer_.size());
            return true;
        } catch (...) {
            failure_ = std::current_exception();
            return false;
        }
    }

    OutputFile& file_;
    std::array<char, 64 * 1024> buffer_{};
    std::exception_ptr failure_;
};

} // namespace

std::string readInputFile(const std::filesystem::path& path, std::size_t limit) {
    try {
        return GameFile::open(path, GameFile::Access::Read).readAll(limit, {});
    } catch (const DataError& error) {
        if (error.kind() == ErrorKind::FileTooLarge)
            throw CliError("cannot read " + shownPath(path) + ": larger than " +
                           std::to_string(limit / (1024 * 1024)) +
                           " MiB, more than any input of the tool");
        throw CliError("cannot read " + shownPath(path) + ": " + error.what());
    }
}

bool writeOutputFile(const std::filesystem::path& path,
                     const std::function<void(std::ostream&)>& write) {
    // Whether a failure leaves an old file behind, or nothing where there was nothing.
    std::error_code unknown;
    const std::filesystem::file_type before = std::filesystem::symlink_status(path, unknown).type();
    try {
        OutputFile file(path);
        OutputBuffer buffer(file);
        std::ostream raw(&buffer);
        // A terminal named as the output (-o /dev/tty, -o /dev/stdout on one) is shown
        // outside text as standard output on a terminal is: escaped.
        std::optional<TerminalText> escaped;
        std::optional<std::ostream> shown;
        if (file.isTerminal())
            shown.emplace(&escaped.emplace(raw));
        write(shown ? *shown : raw);
        if (escaped)
            escaped->finish();
        buffer.finish();
        file.commit();
        return !file.isStream();
    } catch (const DataError& error) {
        // An interruption is reported as such by the caller's end of the program.
        if (error.kind() == ErrorKind::Interrupted)
            throw;
        const char* left = "; the old file is unchanged";
        if (error.kind() == ErrorKind::IsAFolder)
            left = "; the folder is left as it was, and no file was written in its place";
        else if (before == std::filesystem::file_type::not_found)
            left = "; there was no file before, and none is left";
        throw CliError("cannot write " + shownPath(path) + ": " + error.what() + left);
    }
}

bool writeOutputFile(const std::filesystem::path& path, std::string_view bytes) {
    return writeOutputFile(path, [&](std::ostream& stream) {
        stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    });
}

} // namespace valmor::cli
