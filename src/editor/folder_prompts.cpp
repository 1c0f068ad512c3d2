#include "editor/folder_prompts.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

namespace valmor {

namespace {

FolderPrompts::Unsaved askUnsaved(QWidget* parent, const QString& records) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("VALMOR Monster Editor"),
                    QStringLiteral("There are unsaved edits: %1.\n\nSave them before opening "
                                   "another game folder?")
                        .arg(records),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    // Record names come from the files: shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return FolderPrompts::Unsaved::Save;
    case QMessageBox::Discard:
        return FolderPrompts::Unsaved::Discard;
    default:
        return FolderPrompts::Unsaved::Cancel;
    }
}

std::optional<std::filesystem::path> chooseFolder(QWidget* parent,
                                                  const std::filesystem::path& startIn) {
    const QString chosen = QFileDialog::getExistingDirectory(
        parent, QStringLiteral("Open a game folder"), QFile::decodeName(startIn.c_str()));
    if (chosen.isEmpty())
        return std::nullopt;
    return std::filesystem::path(QFile::encodeName(chosen).toStdString());
}

} // namespace

FolderPrompts folderDialogs() {
    return {askUnsaved, chooseFolder};
}

} // namespace valmor
