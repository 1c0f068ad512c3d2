#include "editor/control_caption.h"

#include <QAccessible>
#include <QWidget>

#include "files/message_text.h"

namespace valmor {

QString captionOf(const QWidget* control) {
    if (control == nullptr)
        return QStringLiteral("a box");
    QAccessibleInterface* accessible =
        QAccessible::queryAccessibleInterface(const_cast<QWidget*>(control));
    const QString name = accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
    return name.isEmpty() ? control->objectName() : name;
}

DataError namingControl(const DataError& error, const QWidget& control, const QString& text) {
    // The typed text is outside text: its control characters are shown escaped.
    std::string named = captionOf(&control).toStdString() + ": \"" +
                        escapeForMessage(text.toUtf8().toStdString()) + '"';
    if (!error.subject().empty())
        named = error.subject() + " (" + named + ')';
    return DataError(error.kind(), named);
}

} // namespace valmor
