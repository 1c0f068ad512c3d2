// Test helpers for the command-line tool: a temporary folder holding the demo data, and a
// session whose streams are strings.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/commands.h"
#include "demo/demo_data.h"
#include "support/temp_dir.h"

namespace valmor::test {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

// The whole tool in-process, as its command line would run it; `input` is standard input.
inline ToolRun runTool(const std::vector<std::string>& arguments, const std::string& input = {}) {
    std::vector<std::string> list{"valmor-data"};
    list.insert(list.end(), arguments.begin(), arguments.end());
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::runCli(list, in, out, err, false);
    return {status, out.str(), err.str()};
}

// dir_ holds the five demo files.
class DemoDirTest : public TempDirTest {
protected:
    void SetUp() override { demo::writeDemoData(dir_); }

    // A fresh session on dir_; `input` is what an import from "-" reads.
    cli::Session& session(const std::string& input = {}) {
        in_.str(input);
        out_.str({});
        err_.str({});
        session_.emplace(cli::Session{GameDirectory::open(dir_), in_, out_, err_, false});
        return *session_;
    }

    std::istringstream in_;
    std::ostringstream out_;
    std::ostringstream err_;
    std::optional<cli::Session> session_;
};

} // namespace valmor::test
