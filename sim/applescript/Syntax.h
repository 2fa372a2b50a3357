// The compiled form of a script: tokens, object specifiers and statements. Tell
// blocks are resolved while compiling, so every statement already knows which
// application receives its event and which object it addresses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/plist/Value.h"
#include "sim/applescript/AppleScript.h"

namespace sim::applescript {

// A byte range in the source text.
struct Range {
    std::size_t start = 0, end = 0;
};

// Turns a byte range into the character range an Error reports.
Error makeError(Error::Kind kind, int number, std::string message, Range range, const std::string& source);

// Thrown inside the compiler and the interpreter; carries a byte range until
// makeError converts it.
struct Failure {
    Error::Kind kind;
    int number;
    std::string message;
    Range range;
};

struct Token {
    enum class Kind {
        Word,
        String,
        Number,
        LeftParen,
        RightParen,
        LeftBrace,
        RightBrace,
        Comma,
        Minus,
        EndOfLine,
        EndOfScript
    };
    Kind kind = Kind::EndOfScript;
    std::string text;         // Word: lower-cased; String: the decoded literal
    std::int64_t number = 0;  // Number: an integer's value
    Range range;
    bool isReal = false;  // Number: written with a point or an exponent, its value in `real`
    double real = 0;
};

// Splits the source into tokens; the last one is EndOfScript. Throws Failure.
std::vector<Token> tokenize(const std::string& source);

// One step of an object specifier, e.g. `tab group 1` or `process "Finder"`.
struct Element {
    enum class Class {
        DockPreferences,
        AppearancePreferences,
        Process,
        Window,
        TabGroup,
        Checkbox,
        Pane,
        Anchor
    };
    enum class Key { None, Index, Name, Id };
    Class cls = Class::Window;
    Key key = Key::None;
    std::int64_t index = 0;
    std::string name;  // Name or Id
};
// Outermost first: process "System Preferences", window 1, tab group 1, checkbox 1.
using ObjectPath = std::vector<Element>;

// AppleScript's own wording, innermost first: `checkbox 1 of tab group 1 of ...`.
std::string describePath(const ObjectPath& path);
// A text as an AppleScript string literal: "My \"Quoted\" App".
std::string quoted(const std::string& text);

struct Literal {
    plist::Value value;
    bool constant = false;  // an enumerator such as `left`; value holds its name
    Range range;
    // `get volume settings` (Standard Additions), read when the statement runs: the
    // whole record, or with `field` one of its items (`output muted of (...)`).
    bool volumeSettings = false;
    std::string field;
};

enum class Property { Autohide, ScreenEdge, DarkMode };

struct Statement {
    enum class Kind {
        If,
        Tell,
        Quit,
        Activate,
        Return,
        ShellScript,
        Set,
        Reveal,
        Click,
        Get,        // an expression's value as the result
        SetVolume,  // `set volume output muted BOOL` (Standard Additions)
        Keystroke   // System Events' `keystroke TEXT using {MODIFIER down, ...}`
    };
    Kind kind = Kind::Return;
    Range range;

    // If: `application` is running, negated when `negated`; or a constant truth.
    bool conditionIsConstant = false;
    bool conditionConstant = false;
    bool negated = false;

    // If / Quit / Activate: the application concerned (empty: none, do nothing).
    // Set / Click / Reveal: the application that receives the event.
    std::string application;
    Range applicationRange;

    std::vector<Statement> body;       // If (then), Tell
    std::vector<Statement> otherwise;  // If (else)

    bool hasValue = false;  // Return, ShellScript, Set
    Literal value;

    Property property = Property::Autohide;  // Set
    ObjectPath object;                       // Set / Click / Reveal, resolved against the tells
    std::vector<std::string> modifiers;      // Keystroke: "command", "control", "option", "shift"
};

std::vector<Statement> compile(const std::string& source);

}  // namespace sim::applescript
