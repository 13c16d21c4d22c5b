// The arguments every command reads: options among operands, values, and "--" ending them.
#include "arguments.h"

#include <gtest/gtest.h>

using bibliora::cli::Arguments;
using Args = std::vector<std::string>;

TEST(Arguments, OptionsMayStandAnywhereUntilADoubleDash)
{
    const Arguments a(
        {"in.iso", "--regex", "out.iso", "--in", "200$a", "-x", "--", "--whole", "--"},
        {"--regex", "--whole"}, {"--in"});
    EXPECT_EQ(a.error(), "");
    EXPECT_EQ(a.operands(), (Args{"in.iso", "out.iso", "-x", "--whole", "--"}));
    EXPECT_TRUE(a.has("--regex"));
    EXPECT_FALSE(a.has("--whole"));
    EXPECT_EQ(a.value("--in"), "200$a");
}

TEST(Arguments, UnknownOptionsAndMissingValuesAreErrors)
{
    EXPECT_EQ(Arguments({"--frob"}, {}, {}).error(), "unknown argument: --frob");
    EXPECT_EQ(Arguments({"a", "--in"}, {}, {"--in"}).error(), "--in needs a value");
    // After "--", neither is an option.
    EXPECT_EQ(Arguments({"--", "--frob", "--in"}, {}, {"--in"}).error(), "");
    // The last of a repeated option counts; a value may itself start with "--".
    const Arguments repeated({"--in", "200", "--in", "--x"}, {}, {"--in"});
    EXPECT_EQ(repeated.value("--in"), "--x");
}
