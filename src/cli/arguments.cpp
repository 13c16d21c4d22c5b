#include "arguments.h"

#include <algorithm>

namespace bibliora::cli {

Arguments::Arguments(const std::vector<std::string>& args,
                     std::initializer_list<std::string_view> flags,
                     std::initializer_list<std::string_view> valued)
{
    const auto known = [](std::initializer_list<std::string_view> names, const std::string& a) {
        return std::find(names.begin(), names.end(), a) != names.end();
    };
    bool options = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (options && a == "--") {
            options = false;
        } else if (!options || a.size() < 2 || a.compare(0, 2, "--") != 0) {
            m_operands.push_back(a);
        } else if (known(flags, a)) {
            m_options.emplace_back(a, std::string());
        } else if (known(valued, a) && i + 1 < args.size()) {
            m_options.emplace_back(a, args[++i]);
        } else {
            m_error = known(valued, a) ? a + " needs a value" : "unknown argument: " + a;
            return;
        }
    }
}

bool Arguments::has(std::string_view flag) const
{
    return std::any_of(m_options.begin(), m_options.end(),
                       [flag](const auto& o) { return o.first == flag; });
}

std::optional<std::string> Arguments::value(std::string_view option) const
{
    for (auto o = m_options.rbegin(); o != m_options.rend(); ++o)
        if (o->first == option)
            return o->second;
    return std::nullopt;
}

} // namespace bibliora::cli
