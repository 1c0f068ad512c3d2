// Drop-down lists with an editable text field whose selection changes only when the user
// picks an entry. Qt's editable combo box completes inline, adds typed text on Return,
// keeps its old selection while the user types and selects a matching entry by itself on
// Return; each of these is switched off here.
#pragma once

#include <QObject>
#include <QStringList>

class QComboBox;

namespace valmor {

class PickList : public QObject {
    Q_OBJECT

public:
    // Configures `combo` (which becomes the parent of this object).
    static PickList* install(QComboBox* combo);

    // Replaces the entries and leaves the list with no selection, showing `text`.
    static void fill(QComboBox* combo, const QStringList& entries, const QString& text);

    // Selects `position`, or nothing for -1. Returns false, selecting nothing, when the
    // list has no such position.
    static bool select(QComboBox* combo, int position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit PickList(QComboBox* combo);
    void onTextEdited(const QString& text);

    QComboBox* combo_;
};

} // namespace valmor
