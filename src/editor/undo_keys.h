// The keys of the main window's undo history: Ctrl+Z undoes, Ctrl+Shift+Z and Ctrl+Y redo,
// whichever control has the focus. A text box would take these keys for its own undo of its
// own text; here the window's history takes them, so the order of steps across all boxes
// is the order the edits were made.
#pragma once

#include <functional>

#include <QObject>

class QUndoStack;
class QWidget;

namespace valmor {

class UndoKeys : public QObject {
    Q_OBJECT

public:
    // Installs the keys on `window` and keeps its text boxes from taking them; each key runs
    // `run` with the history step to take (undo or redo).
    static void install(QWidget& window, QUndoStack& history,
                        const std::function<void(std::function<void()>)>& run);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};

} // namespace valmor
