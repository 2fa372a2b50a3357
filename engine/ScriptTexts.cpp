#include "engine/ScriptTexts.h"

#include "base/Quoting.h"

namespace lendmode::texts {

std::string indented(std::initializer_list<std::string_view> lines, std::size_t spaces) {
    std::string out;
    for (std::string_view line : lines) {
        out.append(spaces, ' ');
        out += line;
        out += '\n';
    }
    return out;
}

std::string checkedShellText(const std::vector<std::string>& checked, const std::vector<std::string>& after) {
    std::string text;
    for (const std::string& line : checked) text += line + (&line == &checked.back() ? "\n" : " &&\n");
    text += checked.empty() ? "status=0\n" : "status=$?\n";
    for (const std::string& line : after) text += line + "\n";
    text += "exit $status";
    return text;
}

std::string isRunningScript(std::string_view applicationName) {
    return "if application \"" + appleScriptEscaped(applicationName) +
           "\" is running then\n return 1\n end if\n return 0\n";
}

std::string quitIfRunningScript(std::string_view applicationName) {
    const std::string name = appleScriptEscaped(applicationName);
    return "if application \"" + name + "\" is running then\n" + " quit application \"" + name + "\"\n" +
           " return 1\n" + " end if\n" + " return 0\n";
}

std::string relaunchPiece(std::string_view applicationName) {
    const std::string name = appleScriptEscaped(applicationName);
    return "if application \"" + name + "\" is not running then\n" + " tell application \"" + name + "\"\n" +
           " activate\n" + " end tell\n" + " end if\n";
}

}  // namespace lendmode::texts
