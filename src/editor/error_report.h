// How a run-time error reaches the user, and the guard that every event handler runs in:
// an error is reported and ends that handler, never the program, and no exception
// crosses Qt's event loop.
#pragma once

#include <exception>
#include <utility>

#include <QString>

#include "files/error.h"

class QWidget;

namespace valmor {

class ErrorReport {
public:
    virtual ~ErrorReport() = default;
    virtual void show(const DataError& error) = 0;
};

// A modal message box with the error's number and text; Ctrl+C copies its text.
class MessageBoxErrorReport : public ErrorReport {
public:
    explicit MessageBoxErrorReport(QWidget* parent) : parent_(parent) {}
    void show(const DataError& error) override;

private:
    QWidget* parent_;
};

QString errorMessage(const DataError& error);

// Shows a modal message box with a title and plain text (never rich text) whose Ctrl+C
// copies the text.
void showCopyableMessage(QWidget* parent, const QString& title, const QString& text);

// Runs a handler; a DataError, or any other exception as an internal error, is reported
// and ends the handler.
template <typename Handler> void guarded(ErrorReport& report, Handler&& handler) noexcept {
    try {
        try {
            std::forward<Handler>(handler)();
        } catch (const DataError& error) {
            report.show(error);
        } catch (const std::exception& error) {
            report.show(DataError(ErrorKind::Internal, error.what()));
        } catch (...) {
            report.show(DataError(ErrorKind::Internal, "an exception of unknown type"));
        }
    } catch (...) {
        // The report itself failed (out of memory while building the box): nothing sane
        // is left to do but to leave the handler.
    }
}

} // namespace valmor
