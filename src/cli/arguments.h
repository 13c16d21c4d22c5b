#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bibliora::cli {

// A command's arguments: options ("--name" alone, or "--name VALUE") anywhere among the
// operands, until a "--" after which every argument is an operand (one that starts with "-"
// included). An option the command does not know, or one without its value, is an error;
// the last of a repeated option counts.
class Arguments final
{
public:
    Arguments(const std::vector<std::string>& args, std::initializer_list<std::string_view> flags,
              std::initializer_list<std::string_view> valued);

    // Empty when the arguments were understood, else what was wrong.
    const std::string& error() const { return m_error; }
    const std::vector<std::string>& operands() const { return m_operands; }
    bool has(std::string_view flag) const;
    std::optional<std::string> value(std::string_view option) const;

private:
    std::vector<std::string> m_operands;
    std::vector<std::pair<std::string, std::string>> m_options;
    std::string m_error;
};

} // namespace bibliora::cli
