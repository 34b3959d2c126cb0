// The manual page names exactly the command-line flags that ParseCommandLine accepts, and groff
// reads it without a warning.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>
#include <string>

static const std::string PAGE = VORN_SOURCE_DIR "/doc/vorn.6";

static std::string ReadFile(const std::string &path)
{
    std::stringstream s;
    s << std::ifstream(path).rdbuf();
    return s.str();
}

TEST(ManualPage, OptionsAreTheFlagsTheProgramAccepts)
{
    // The strings ParseCommandLine compares its arguments with, read from its source.
    const std::string src = ReadFile(VORN_SOURCE_DIR "/src/shell/startup.cpp");
    const size_t begin = src.find("void ParseCommandLine(");
    const std::string body = src.substr(begin, src.find("\n}\n", begin) - begin);
    const std::regex call(R"re(\b(?:is|has)\("([^"]+)"\))re");
    std::set<std::string> accepted, page;
    for (std::sregex_iterator m(body.begin(), body.end(), call), end; m != end; ++m)
        accepted.insert((*m)[1]);
    ASSERT_GT(accepted.size(), 20u) << "ParseCommandLine's flags were not found in startup.cpp";

    // The item tags of the page's OPTIONS: a tag's first word and every word with a dash.
    std::istringstream text(ReadFile(PAGE));
    bool options = false, tag = false;
    for (std::string line; std::getline(text, line); tag = options && line == ".TP") {
        if (line.rfind(".SH", 0) == 0) options = line == ".SH OPTIONS";
        if (!tag) continue;
        std::istringstream words(std::regex_replace(
            std::regex_replace(line, std::regex(R"(\\-)"), "-"), std::regex("[\",]"), " "));
        std::string w;
        words >> w; // the font macro
        for (bool first = true; words >> w; first = false)
            if (first || w[0] == '-') page.insert(w);
    }
    for (const std::string &f : accepted)
        EXPECT_EQ(page.count(f), 1u) << f << " is accepted, not in vorn.6";
    for (const std::string &f : page)
        EXPECT_EQ(accepted.count(f), 1u) << f << " is in vorn.6, not accepted";
}

TEST(ManualPage, GroffReadsItWithoutWarning)
{
    if (std::system("command -v groff >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "groff is not installed";
    std::FILE *p =
        popen(("groff -wall -wmac -man -Tutf8 '" + PAGE + "' 2>&1 >/dev/null").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string warnings;
    for (int c; (c = std::fgetc(p)) != EOF;)
        warnings += static_cast<char>(c);
    EXPECT_EQ(pclose(p), 0);
    EXPECT_EQ(warnings, "");
}
