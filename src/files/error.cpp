#include "files/error.h"

#include <algorithm>
#include <array>

namespace valmor {

namespace {

constexpr std::array kErrorTable{
    ErrorInfo{ErrorKind::FileNotFound, 53, "File not found"},
    ErrorInfo{ErrorKind::InputPastEndOfFile, 62, "Input past end of file"},
    ErrorInfo{ErrorKind::Overflow, 6, "Overflow"},
    ErrorInfo{ErrorKind::DivisionByZero, 11, "Division by zero"},
    ErrorInfo{ErrorKind::TypeMismatch, 13, "Type mismatch"},
    ErrorInfo{ErrorKind::BadRecordNumber, 63, "Bad record number"},
    ErrorInfo{ErrorKind::InvalidPropertyValue, 380, "Invalid property value"},
    ErrorInfo{ErrorKind::PermissionDenied, 70, "Permission denied"},
    ErrorInfo{ErrorKind::DiskFull, 61, "Disk full"},
    ErrorInfo{ErrorKind::DeviceIO, 57, "Device I/O error"},
    ErrorInfo{ErrorKind::Internal, 51, "Internal error"},
    ErrorInfo{ErrorKind::NotARegularFile, 75, "Not a regular file"},
    ErrorInfo{ErrorKind::FileBusy, 77, "File busy"},
    ErrorInfo{ErrorKind::FileChanged, 78, "File changed by another program"},
    ErrorInfo{ErrorKind::FileTooLarge, 79, "File too large"},
    ErrorInfo{ErrorKind::Interrupted, 18, "Interrupted"},
    ErrorInfo{ErrorKind::BadFileName, 52, "Bad file name"},
    ErrorInfo{ErrorKind::RecordChanged, 80, "Record changed by another program"},
    ErrorInfo{ErrorKind::IsAFolder, 81, "Is a folder"},
    ErrorInfo{ErrorKind::JournalRefused, 82, "Journal refused"},
    ErrorInfo{ErrorKind::NotAFolder, 83, "Not a folder"},
    ErrorInfo{ErrorKind::TableRejected, 84, "Table rejected"},
};

constexpr std::size_t kInternalEntry = 10;
static_assert(kErrorTable[kInternalEntry].kind == ErrorKind::Internal);

} // namespace

const ErrorInfo& errorInfo(ErrorKind kind) {
    const auto found = std::ranges::find(kErrorTable, kind, &ErrorInfo::kind);
    return found != kErrorTable.end() ? *found : kErrorTable[kInternalEntry];
}

DataError::DataError(ErrorKind kind, std::string subject)
    : kind_(kind), subject_(std::move(subject)), message_(errorInfo(kind).text) {
    if (!subject_.empty()) {
        message_ += ": ";
        message_ += subject_;
    }
}

DataError DataError::withSubject(std::string subject) const {
    return subject_.empty() ? DataError(kind_, std::move(subject)) : *this;
}

int DataError::number() const noexcept {
    return errorInfo(kind_).number;
}

std::string_view DataError::text() const noexcept {
    return errorInfo(kind_).text;
}

} // namespace valmor
