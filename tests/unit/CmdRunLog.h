#pragma once

#include <string>
#include <utility>
#include <vector>

#include "components/Cmd.h"

namespace testsupport {

// Everything the runner's events delivered, in the order they came.
struct RunLog {
    std::vector<std::string> Events;
    std::vector<AnsiText> Errors;
    std::vector<AnsiText> Outputs;
    std::vector<std::string> Commands;

    void Attach(TCmd& ACmd) {
        ACmd.OnReadError = [this](const AnsiText& AError) {
            Events.push_back("error");
            Errors.push_back(AError);
        };
        ACmd.OnReadOutput = [this](const AnsiText& AOutput, std::string ACommandString) {
            Events.push_back("output");
            Outputs.push_back(AOutput);
            Commands.push_back(std::move(ACommandString));
        };
    }
};

}  // namespace testsupport
