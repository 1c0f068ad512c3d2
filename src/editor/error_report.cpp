#include "editor/error_report.h"

#include <QApplication>
#include <QClipboard>
#include <QKeySequence>
#include <QMessageBox>
#include <QShortcut>

namespace valmor {

QString errorMessage(const DataError& error) {
    QString text = QStringLiteral("Run-time error '%1':\n\n%2")
                       .arg(error.number())
                       .arg(QString::fromUtf8(error.text().data(),
                                              static_cast<qsizetype>(error.text().size())));
    if (!error.subject().empty())
        text += QStringLiteral("\n\n%1").arg(QString::fromStdString(error.subject()));
    return text;
}

void showCopyableMessage(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    // The text echoes names from outside (a folder, a monster); one that looks like HTML must
    // show as typed, not as a heading or an image loaded from the disk.
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Qt offers Ctrl+C on message boxes only on Windows; users everywhere paste these
    // texts into bug reports.
    QShortcut copy(QKeySequence::Copy, &box);
    QObject::connect(&copy, &QShortcut::activated, &box,
                     [&] { QApplication::clipboard()->setText(title + "\n\n" + text); });
    box.exec();
}

void MessageBoxErrorReport::show(const DataError& error) {
    showCopyableMessage(parent_, QStringLiteral("VALMOR Monster Editor"), errorMessage(error));
}

} // namespace valmor
