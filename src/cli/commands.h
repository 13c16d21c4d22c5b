#pragma once

#include <string>
#include <vector>

namespace bibliora::cli {

// Each command takes the arguments after its name and returns the exit status. A usage
// failure is status 2 with the message and the usage on standard error.
int listCommand(const std::vector<std::string>& args);
int showCommand(const std::vector<std::string>& args);
int resaveCommand(const std::vector<std::string>& args);
int buildCommand(const std::vector<std::string>& args);
int checkCommand(const std::vector<std::string>& args);
int replaceCommand(const std::vector<std::string>& args);
int addFieldCommand(const std::vector<std::string>& args);
int deleteFieldCommand(const std::vector<std::string>& args);
int convertCommand(const std::vector<std::string>& args);

const char* usageText();
int usageError(const std::string& message);

} // namespace bibliora::cli
