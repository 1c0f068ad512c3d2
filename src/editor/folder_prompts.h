// The two questions Ctrl+O asks, as functions a test replaces so that no modal dialog opens:
// what to do with unsaved edits, and which game folder to open.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>

#include <QString>

class QWidget;

namespace valmor {

struct FolderPrompts {
    enum class Unsaved { Save, Discard, Cancel };

    // Asks what becomes of the unsaved edits of `records` ("monster 9, map 12").
    std::function<Unsaved(QWidget* parent, const QString& records)> askUnsaved;
    // The folder the user chooses, starting in `startIn`; nothing when they cancel.
    std::function<std::optional<std::filesystem::path>(QWidget* parent,
                                                       const std::filesystem::path& startIn)>
        chooseFolder;
};

// The real dialogs: a message box with Save, Discard and Cancel, and the system's folder
// dialog.
FolderPrompts folderDialogs();

} // namespace valmor
