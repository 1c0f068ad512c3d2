#include "editor/pick_list.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStringListModel>

namespace valmor {

PickList::PickList(QComboBox* combo) : QObject(combo), combo_(combo) {}

PickList* PickList::install(QComboBox* combo) {
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    auto* pickList = new PickList(combo);
    QLineEdit* edit = combo->lineEdit();
    // The new text field joins the window's focus chain at its end, after the tab order the
    // form set: Shift+Tab from the first stop would meet it, and so its list, first. Move it
    // to just after its list. The field's focus proxy is the list, and Qt orders a proxy
    // with the widget it stands for, so the proxy is lifted while the two are ordered.
    edit->setFocusProxy(nullptr);
    QWidget::setTabOrder(combo, edit);
    edit->setFocusProxy(combo);
    // The combo box selects the entry matching the typed text, and reports it as picked,
    // when the text field sees Return or loses the focus. Cut both connections.
    disconnect(edit, &QLineEdit::returnPressed, combo, nullptr);
    disconnect(edit, &QLineEdit::editingFinished, combo, nullptr);
    combo->installEventFilter(pickList);
    connect(edit, &QLineEdit::textEdited, pickList, &PickList::onTextEdited);
    return pickList;
}

void PickList::fill(QComboBox* combo, const QStringList& entries, const QString& text) {
    // One model reset instead of an insertion per entry: 32,767 entries stay cheap.
    // A combo box selects entry 0 of a non-empty model by itself; undo that.
    auto* model = qobject_cast<QStringListModel*>(combo->model());
    if (model == nullptr || model->parent() != combo) {
        model = new QStringListModel(combo);
        combo->setModel(model);
    }
    model->setStringList(entries);
    combo->setCurrentIndex(-1);
    combo->setEditText(text);
}

bool PickList::select(QComboBox* combo, int position) {
    if (position < -1 || position >= combo->count()) {
        combo->setCurrentIndex(-1);
        return false;
    }
    combo->setCurrentIndex(position);
    return true;
}

bool PickList::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Return on the closed list has nothing to pick; keep it from the text field.
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && watched == combo_)
            return true;
    }
    return QObject::eventFilter(watched, event);
}

void PickList::onTextEdited(const QString& text) {
    if (combo_->currentIndex() == -1)
        return;
    // Typing leaves the list without a selection but keeps what was typed.
    QLineEdit* edit = combo_->lineEdit();
    const int cursor = edit->cursorPosition();
    combo_->setCurrentIndex(-1);
    edit->setText(text);
    edit->setCursorPosition(cursor);
}

} // namespace valmor
