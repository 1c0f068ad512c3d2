// The check command: reads the five game files and reports each problem on a line of its
// own, naming the file, the record and the field.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "files/game_file.h"

namespace valmor::cli {

enum class Severity { Warning, Error };

struct CheckProblem {
    Severity severity;
    std::string file;
    std::string place; // "record 5 (sprite 4)", "index 7"; empty for the whole file
    std::string field; // empty when no single field is concerned
    std::string message;
};

struct CheckReport {
    std::vector<CheckProblem> problems;
    int sprites = 0;
    std::size_t statsRecords = 0;
    std::size_t encounterRecords = 0;
    int itemNames = 0;

    // 0 when clean, 1 with warnings only, 2 with errors.
    int exitStatus() const;
};

CheckReport checkGameFiles(const GameDirectory& folder);

// "monsters.tat, record 5 (sprite 4), item1: error: 120 is outside -1 to 99"
std::string formatProblem(const CheckProblem& problem);

// Prints the problems and a summary on session.out; gives the exit status.
int check(const Session& session);

// The rules check holds single fields to, taken from the record layouts: a sentence for
// each group of fields with the same range, such as "item1 or item2 outside -1 to 99".
std::vector<std::string> fieldRangeRules();

// What `check --help` says (help/check.txt): every rule with its numbers, which the tests
// hold to the layouts and counts check applies.
std::string checkDescription();

} // namespace valmor::cli
