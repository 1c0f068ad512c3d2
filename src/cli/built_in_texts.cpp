#include "cli/built_in_texts.h"

#include <QFile>

#include "files/error.h"

namespace valmor::cli {

std::string builtInText(std::string_view name) {
    QFile file(QStringLiteral(":/cli/") +
               QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    if (!file.open(QIODevice::ReadOnly))
        throw DataError(ErrorKind::Internal, "no built-in " + std::string(name));
    return file.readAll().toStdString();
}

std::string helpText(std::string_view command) {
    std::string text = builtInText("help/" + std::string(command) + ".txt");
    if (text.ends_with('\n'))
        text.pop_back();
    return text;
}

} // namespace valmor::cli
