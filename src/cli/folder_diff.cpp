#include "cli/folder_diff.h"

#include <algorithm>
#include <exception>

#include "cli/files.h"
#include "files/error.h"
#include "files/game_file.h"
#include "files/message_text.h"

namespace valmor::cli {

namespace {

const std::string kNoValue = "none";

std::string title(const Entry& entry) {
    return entry.caption.empty() ? entry.label : entry.label + " (" + entry.caption + ")";
}

const std::string& valueOf(const Entry& entry, std::string_view name) {
    const auto field = std::ranges::find(entry.fields, name, &EntryField::name);
    return field == entry.fields.end() ? kNoValue : field->value;
}

// The field names of both entries, those of `a` first, each once.
std::vector<std::string> fieldNames(const Entry& a, const Entry& b) {
    std::vector<std::string> names;
    for (const Entry* entry : {&a, &b}) {
        for (const EntryField& field : entry->fields) {
            if (std::find(names.begin(), names.end(), field.name) == names.end())
                names.push_back(field.name);
        }
    }
    return names;
}

void compareEntries(const std::string& prefix, GameFileKind file, const Entry& a, const Entry& b,
                    std::vector<std::string>& lines) {
    if (a.fields == b.fields)
        return;
    // A sprite's hash says only that it changed; its pixel count says a little more.
    if (file == GameFileKind::Sprites) {
        const std::string& before = valueOf(a, "pixels");
        const std::string& after = valueOf(b, "pixels");
        lines.push_back(prefix + title(a) + " changed" +
                        (before == after ? "" : " (pixels " + before + " -> " + after + ")"));
        return;
    }
    for (const std::string& name : fieldNames(a, b)) {
        const std::string& before = valueOf(a, name);
        const std::string& after = valueOf(b, name);
        if (before != after)
            lines.push_back(prefix + title(a) + ": " + name + ' ' + before + " -> " + after);
    }
}

} // namespace

std::vector<std::string> entryDifferences(GameFileKind file, const GameFileEntries& a,
                                          const GameFileEntries& b) {
    const std::string prefix = std::string(fileNameOf(file)) + ": ";
    std::vector<std::string> lines;
    const std::size_t common = std::min(a.entries.size(), b.entries.size());
    for (std::size_t i = 0; i < common; ++i)
        compareEntries(prefix, file, a.entries[i], b.entries[i], lines);
    for (std::size_t i = common; i < a.entries.size(); ++i)
        lines.push_back(prefix + title(a.entries[i]) + " removed");
    for (std::size_t i = common; i < b.entries.size(); ++i)
        lines.push_back(prefix + title(b.entries[i]) + " added");
    if (lines.empty() && (a.size != b.size || a.fingerprint != b.fingerprint)) {
        std::string line = prefix + "same values, different bytes";
        if (a.size != b.size)
            line += " (" + std::to_string(a.size) + " -> " + std::to_string(b.size) + " bytes)";
        lines.push_back(line);
    }
    return lines;
}

std::vector<GameDirectory> openFolders(const std::filesystem::path& a,
                                       const std::filesystem::path& b,
                                       const std::function<void(const std::string&)>& trouble) {
    std::vector<GameDirectory> folders;
    for (const std::filesystem::path& folder : {a, b}) {
        try {
            folders.push_back(GameDirectory::open(folder));
        } catch (const DataError& error) {
            trouble(shownPath(folder) + ": " +
                    (error.kind() == ErrorKind::FileNotFound ? std::string("no such folder")
                                                             : std::string(error.what())));
        }
    }
    return folders;
}

int diffFolders(const Session& session, const std::filesystem::path& a,
                const std::filesystem::path& b) {
    bool trouble = false;
    bool different = false;
    const auto troubleWith = [&](const std::string& message) {
        session.err << "valmor-data: diff: " << message << '\n';
        trouble = true;
    };
    const std::vector<GameDirectory> folders = openFolders(a, b, troubleWith);
    if (trouble)
        return kDiffTrouble;

    for (const GameFileKind file : kGameFileKinds) {
        const std::string name(fileNameOf(file));
        const GamePath inA = folders[0].file(name);
        const GamePath inB = folders[1].file(name);
        const GamePath* reading = &inA;
        try {
            // Only a name that is not there at all is "only in"; a file that is there but
            // cannot be read (a loop of links, a folder that cannot be searched) is trouble.
            const bool hasA = pathKind(inA) != PathKind::Missing;
            reading = &inB;
            const bool hasB = pathKind(inB) != PathKind::Missing;
            if (!hasA && !hasB) {
                // Most likely a folder that is no game folder: nothing could be compared.
                troubleWith("no " + name + " in " + shownPath(a) + " nor in " + shownPath(b));
                continue;
            }
            if (hasA != hasB) {
                session.out << name << ": only in " << shownPath(hasA ? a : b) << '\n';
                different = true;
                continue;
            }
            reading = &inA;
            const GameFileEntries before = readEntries(inA, file);
            reading = &inB;
            const GameFileEntries after = readEntries(inB, file);
            for (const std::string& line : entryDifferences(file, before, after)) {
                session.out << escapeForMessage(line) << '\n';
                different = true;
            }
        } catch (const std::exception& failure) {
            troubleWith("cannot read " + shownPath(reading->shown()) + ": " + failure.what());
        }
    }
    return trouble ? kDiffTrouble : different ? kDiffDifferent : kDiffEqual;
}

} // namespace valmor::cli
