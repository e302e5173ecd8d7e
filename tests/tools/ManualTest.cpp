// The tool's manual (docs/manual.md) against the tool itself: every command
// the tool lists has a section there, `help COMMAND` prints what
// `COMMAND --help` prints, every option a command accepts is described in its
// section, and every option a section names is still one its command accepts.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ToolOutput.h"

namespace {

// The long options a text names, leaving out those it names as another
// command's ("render --set" in the section on info, whose heading is "info").
std::set<std::string> optionsIn(const std::string& text, const std::string& heading = "") {
    static const std::regex option("([a-z-]+ )?(--[a-z][a-z0-9-]*)");
    static const std::set<std::string> commands = {"info ",  "pack ",    "unpack ",  "render ",
                                                   "check ", "preview ", "rewrite ", "port "};
    std::set<std::string> found;
    for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it)
        if (!commands.count((*it)[1].str()) ||
            heading.find((*it)[1].str().substr(0, (*it)[1].length() - 1)) != std::string::npos)
            found.insert((*it)[2].str());
    found.erase("--help");
    return found;
}

// The commands `quillshade --help` lists, from its "Subcommands:" block.
std::vector<std::string> listedCommands() {
    std::istringstream help(runTool("--help").text);
    std::vector<std::string> commands;
    bool inList = false;
    for (std::string line; std::getline(help, line);) {
        if (line == "Subcommands:") {
            inList = true;
        } else if (inList && line.size() > 2 && line[0] == ' ') {
            commands.push_back(line.substr(2, line.find(' ', 2) - 2));
        }
    }
    return commands;
}

// The manual's "## " sections by heading, each with its sub-sections.
std::map<std::string, std::string> manualSections() {
    std::ifstream file(QS_TEST_SOURCE_DIR "/docs/manual.md");
    std::map<std::string, std::string> sections;
    std::string heading;
    bool inCode = false;
    for (std::string line; std::getline(file, line);) {
        if (line.rfind("```", 0) == 0)
            inCode = !inCode;
        if (!inCode && line.rfind("## ", 0) == 0)
            heading = line.substr(3);
        else if (!heading.empty())
            sections[heading] += line + "\n";
    }
    return sections;
}

// The heading of the section a command is described in: the one that names it.
std::string sectionOf(const std::map<std::string, std::string>& sections,
                      const std::string& command) {
    const std::regex word("(^|[ `])" + command + "($|[ `])");
    for (const auto& entry : sections)
        if (std::regex_search(entry.first, word))
            return entry.first;
    return {};
}

}  // namespace

TEST(Manual, DescribesEveryCommandAndOptionTheToolHas) {
    const std::vector<std::string> commands = listedCommands();
    ASSERT_GE(commands.size(), 7u);
    const std::map<std::string, std::string> sections = manualSections();
    // A section may describe several commands (pack and unpack): what it
    // names must be an option of one of them.
    std::map<std::string, std::set<std::string>> acceptedBySection;
    std::map<std::string, std::set<std::string>> acceptedByCommand;
    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        const std::string heading = sectionOf(sections, command);
        ASSERT_FALSE(heading.empty()) << "docs/manual.md has no section for " << command;
        if (command == "help")
            continue;
        const ToolOutput help = runTool(command + " --help");
        ASSERT_EQ(help.status, 0) << help.text;
        EXPECT_EQ(runTool("help " + command).text, help.text);
        acceptedByCommand[command] = optionsIn(help.text);
        acceptedBySection[heading].merge(optionsIn(help.text));
    }
    for (const auto& [command, accepted] : acceptedByCommand) {
        const std::string heading = sectionOf(sections, command);
        const std::set<std::string> described = optionsIn(sections.at(heading), heading);
        for (const std::string& option : accepted)
            EXPECT_TRUE(described.count(option))
                << command << " " << option << " is not in the manual's section " << heading;
    }
    for (const auto& [heading, accepted] : acceptedBySection)
        for (const std::string& option : optionsIn(sections.at(heading), heading))
            EXPECT_TRUE(accepted.count(option))
                << "the manual's section " << heading << " names " << option
                << ", which no command it describes accepts";
}

TEST(Manual, HelpRefusesWhatIsNoCommand) {
    const ToolOutput unknown = runTool("help rendr");
    EXPECT_NE(unknown.status, 0);
    EXPECT_TRUE(unknown.has("no command \"rendr\"")) << unknown.text;
    EXPECT_EQ(runTool("help").text, runTool("--help").text);
}
