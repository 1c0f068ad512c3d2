#include "editor/undo_keys.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QUndoStack>
#include <QWidget>

namespace valmor {

namespace {

const QKeySequence kUndo(Qt::CTRL | Qt::Key_Z);
const QKeySequence kRedo(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
const QKeySequence kRedoToo(Qt::CTRL | Qt::Key_Y);

bool isHistoryKey(const QKeyEvent& key) {
    const QKeySequence pressed(key.keyCombination());
    return pressed == kUndo || pressed == kRedo || pressed == kRedoToo;
}

} // namespace

void UndoKeys::install(QWidget& window, QUndoStack& history,
                       const std::function<void(std::function<void()>)>& run) {
    const auto key = [&](const QKeySequence& sequence, std::function<void()> step) {
        auto* shortcut = new QShortcut(sequence, &window);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, &window, [run, step] { run(step); });
    };
    key(kUndo, [&history] { history.undo(); });
    key(kRedo, [&history] { history.redo(); });
    key(kRedoToo, [&history] { history.redo(); });
    auto* filter = new UndoKeys(&window);
    // An editable list hands the key to its text field itself, past that field's filters.
    for (QWidget* control : window.findChildren<QWidget*>()) {
        if (qobject_cast<QLineEdit*>(control) != nullptr ||
            qobject_cast<QComboBox*>(control) != nullptr)
            control->installEventFilter(filter);
    }
}

bool UndoKeys::eventFilter(QObject* watched, QEvent* event) {
    // A text box asks to keep these keys before the shortcuts see them (ShortcutOverride);
    // left unanswered, the window's shortcuts get them. Should a key still reach the box,
    // the box does not undo its own text behind the history's back.
    if ((event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        isHistoryKey(*static_cast<QKeyEvent*>(event)))
        return true;
    return QObject::eventFilter(watched, event);
}

} // namespace valmor
