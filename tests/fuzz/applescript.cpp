// The simulated AppleScript (sim/applescript): any text compiled, and what compiles
// run against a simulated Mac in a temporary folder, put back as seeded before each
// input. A script with a `do shell script` anywhere in it is compiled but never run:
// the interpreter would start /bin/sh for it.
//
// What must hold: run() reports a text that does not compile with the very syntax
// error compiling throws; a script that compiles stops, if at all, with an execution
// error; an error's range lies within the text (in characters). And taken as an
// application's name (UTF-8 without NUL), the input makes the program's scripts for
// one application (engine/ScriptTexts) compile to statements that name exactly it; the
// running check answers 1 exactly when the simulated Mac runs it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Utf8.h"
#include "engine/ScriptTexts.h"
#include "sim/applescript/AppleScript.h"
#include "sim/applescript/Syntax.h"
#include "tests/fuzz/support/FuzzInput.h"
#include "tests/fuzz/support/ScratchMac.h"

namespace {

namespace as = sim::applescript;

bool runsAShell(const std::vector<as::Statement>& statements) {
    for (const as::Statement& st : statements) {
        if (st.kind == as::Statement::Kind::ShellScript || runsAShell(st.body) || runsAShell(st.otherwise))
            return true;
    }
    return false;
}

std::size_t characters(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count) lendmode::nextCodePoint(text, i);
    return count;
}

void errorLiesInTheText(const as::Error& error, const std::string& source) {
    fuzz::require(error.start <= error.end && error.end <= characters(source),
                  "an error's range lies within the text", error.describe() + "\n" + fuzz::showBytes(source));
}

void compileAndRun(const std::string& source) {
    std::optional<as::Error> syntax;
    std::vector<as::Statement> statements;
    try {
        statements = as::compile(source);
    } catch (const as::Failure& f) {
        syntax = as::makeError(f.kind, f.number, f.message, f.range, source);
    }
    if (syntax) {
        fuzz::require(syntax->kind == as::Error::Kind::Syntax, "compiling fails with syntax errors only",
                      syntax->describe());
        errorLiesInTheText(*syntax, source);
    }
    if (!syntax && runsAShell(statements)) return;

    fuzz::ScratchMac::instance().reset();
    const as::Outcome outcome = as::run(source, fuzz::ScratchMac::instance().mac());
    if (syntax) {
        fuzz::require(outcome.error && outcome.error->describe() == syntax->describe(),
                      "a text that does not compile runs nothing and reports its syntax error",
                      syntax->describe() + "\n" + fuzz::showBytes(source));
        return;
    }
    if (outcome.error) {
        fuzz::require(outcome.error->kind == as::Error::Kind::Execution,
                      "a script that compiles stops with execution errors only", outcome.error->describe());
        errorLiesInTheText(*outcome.error, source);
    } else if (outcome.result) {
        (void)as::formatResult(*outcome.result);
    }
}

// The applications a script's statements name.
void applicationsNamed(const std::vector<as::Statement>& statements, std::vector<std::string>& names) {
    for (const as::Statement& st : statements) {
        if (!st.application.empty()) names.push_back(st.application);
        applicationsNamed(st.body, names);
        applicationsNamed(st.otherwise, names);
    }
}

void namesStayWhole(const std::string& name) {
    const std::string scripts[] = {
        lendmode::texts::isRunningScript(name), lendmode::texts::quitIfRunningScript(name),
        lendmode::texts::kSystemPreferencesPrologue + lendmode::texts::relaunchPiece(name) +
            lendmode::texts::kSystemPreferencesEpilogue};
    for (const std::string& script : scripts) {
        std::vector<as::Statement> statements;
        try {
            statements = as::compile(script);
        } catch (const as::Failure& f) {
            fuzz::fail("the program's scripts compile for any name",
                       as::makeError(f.kind, f.number, f.message, f.range, script).describe() + "\n" +
                           fuzz::showBytes(script));
        }
        std::vector<std::string> named;
        applicationsNamed(statements, named);
        bool namesIt = false;
        for (const std::string& n : named) {
            fuzz::require(n == name || n == sim::kSystemPreferences, "a script names only its application",
                          fuzz::showBytes(name) + " became " + fuzz::showBytes(n));
            namesIt = namesIt || n == name;
        }
        fuzz::require(namesIt, "a script names its application", fuzz::showBytes(script));
    }
    fuzz::ScratchMac::instance().reset();
    const sim::SimMac& mac = fuzz::ScratchMac::instance().mac();
    const as::Outcome outcome = as::run(scripts[0], mac);
    fuzz::require(outcome.ok() && outcome.result, "the running check runs", fuzz::showBytes(name));
    fuzz::require(*outcome.result == plist::Value(mac.isRunning(name) ? 1 : 0),
                  "the running check answers 1 exactly when the application runs", fuzz::showBytes(name));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string source(reinterpret_cast<const char*>(data), size);
    compileAndRun(source);
    if (!source.empty() && lendmode::isValidUtf8(source) && source.find('\0') == std::string::npos &&
        source.size() <= 256)
        namesStayWhole(source);
    return 0;
}
