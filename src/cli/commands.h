// The commands of valmor-data as functions, called by the command line and by the tests.
// Each works on the game files in one folder and throws CliError (or the data layer's
// DataError) on failure. A command that changes a game file holds the file's lock for the
// whole read, change and write; one that writes an output file writes it anew.
#pragma once

#include "cli/session.h"
#include "cli/sprite_commands.h"
#include "cli/table_commands.h"
