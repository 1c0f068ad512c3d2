// The one error type of the data layer: a kind, a stable number and a text,
// optionally naming the file or field it concerns.
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace valmor {

enum class ErrorKind {
    FileNotFound,
    InputPastEndOfFile,
    Overflow,
    DivisionByZero,
    TypeMismatch,
    BadRecordNumber,
    InvalidPropertyValue,
    PermissionDenied,
    DiskFull,
    DeviceIO,
    Internal,
    NotARegularFile, // a pipe, socket, device or the like where a game file belongs
    FileBusy,        // another program holds the lock for changing the file
    FileChanged,     // the file was changed behind the lock while it was being replaced
    FileTooLarge,    // more than a file of its kind can hold, refused before it is read
    Interrupted,     // SIGINT, SIGTERM or SIGHUP stopped the work, which was undone
    BadFileName,     // a name that cannot lead to a file: a loop of links, a name too long
    RecordChanged,   // another program changed a record since the editor read it
    IsAFolder,       // a folder where a file belongs
    JournalRefused,  // a rollback journal that does not belong to the file beside it
    NotAFolder,      // a file, or a path through one, where a folder belongs
    TableRejected,   // a table to import with problems at lines and columns; nothing written
};

// Number and text of each kind. The numbers are stable: users quote them in reports.
struct ErrorInfo {
    ErrorKind kind;
    int number;
    std::string_view text;
};

const ErrorInfo& errorInfo(ErrorKind kind);

class DataError : public std::exception {
public:
    explicit DataError(ErrorKind kind, std::string subject = {});

    ErrorKind kind() const noexcept { return kind_; }
    int number() const noexcept;
    // The kind's text alone, for example "Overflow".
    std::string_view text() const noexcept;
    // The file or field concerned, empty when unknown.
    const std::string& subject() const noexcept { return subject_; }
    // Text and subject together, for example "File not found: mypal.pal".
    const char* what() const noexcept override { return message_.c_str(); }

    // The same error, naming `subject` when it names nothing yet.
    DataError withSubject(std::string subject) const;

protected:
    // An error whose message is more than its text and subject, such as a rejected table's
    // problems, each on a line of its own.
    DataError(ErrorKind kind, std::string subject, std::string message)
        : kind_(kind), subject_(std::move(subject)), message_(std::move(message)) {}

private:
    ErrorKind kind_;
    std::string subject_;
    std::string message_;
};

// Runs `step`; an error from it that names nothing is given `subject`.
template <typename Step> auto withSubject(const std::string& subject, Step&& step) {
    try {
        return step();
    } catch (const DataError& error) {
        throw error.withSubject(subject);
    }
}

} // namespace valmor
