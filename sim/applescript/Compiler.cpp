// Compiles a script into statements. The terms a statement may use depend on the
// application it is told to, as with AppleScript's dictionaries: `dock preferences`,
// `click` and `checkbox` exist only inside `tell application "System Events"`,
// `reveal`, `pane` and `anchor` only inside `tell application "System Preferences"`
// (or "System Settings", its name from macOS 13). Standard Additions' `set volume` and
// `get volume settings` are understood everywhere.
#include <algorithm>
#include <array>
#include <string_view>

#include "sim/SimMac.h"
#include "sim/applescript/Syntax.h"

namespace sim::applescript {
namespace {

constexpr int kUnknownToken = -2740;
constexpr int kExpected = -2741;
// Deep enough for any real script, shallow enough for the stack.
constexpr int kMaxDepth = 64;

enum class Terms { Standard, SystemEvents, SystemPreferences };

Terms termsFor(const std::string& application) {
    if (application == kSystemEvents) return Terms::SystemEvents;
    if (sameApplication(application, kSystemPreferences)) return Terms::SystemPreferences;
    return Terms::Standard;
}

// Where a statement sits: the innermost application told, and the object told
// inside it.
struct Context {
    std::string application;
    Terms terms = Terms::Standard;
    ObjectPath object;
};

// Elements that stand at the top of their application; anything else is read as
// belonging to the object being told.
bool isTopLevel(Element::Class cls) {
    using C = Element::Class;
    return cls == C::DockPreferences || cls == C::AppearancePreferences || cls == C::Process ||
           cls == C::Pane;
}

ObjectPath resolve(const Context& context, ObjectPath path) {
    if (path.empty() || isTopLevel(path.front().cls)) return path;
    ObjectPath full = context.object;
    full.insert(full.end(), path.begin(), path.end());
    return full;
}

bool isReserved(std::string_view word) {
    static constexpr std::array<std::string_view, 22> kReserved = {
        "if",  "then", "else",  "end",         "tell", "to", "of", "is",  "not", "the", "return",
        "set", "true", "false", "application", "app",  "it", "id", "and", "or",  "my",  "me"};
    return std::find(kReserved.begin(), kReserved.end(), word) != kReserved.end();
}

std::string describeToken(const Token& t) {
    switch (t.kind) {
        case Token::Kind::Word: return isReserved(t.text) ? "“" + t.text + "”" : "identifier";
        case Token::Kind::String: return "“\"”";
        case Token::Kind::Number: return "number";
        case Token::Kind::LeftParen: return "“(”";
        case Token::Kind::RightParen: return "“)”";
        case Token::Kind::LeftBrace: return "“{”";
        case Token::Kind::RightBrace: return "“}”";
        case Token::Kind::Comma: return "“,”";
        case Token::Kind::Minus: return "“-”";
        case Token::Kind::EndOfLine: return "end of line";
        case Token::Kind::EndOfScript: return "end of script";
    }
    return "unknown token";
}

class Compiler {
public:
    explicit Compiler(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

    std::vector<Statement> script() {
        std::vector<Statement> statements;
        skipLineEnds();
        while (!is(Token::Kind::EndOfScript)) {
            statements.push_back(statement(Context{}, 0));
            endOfStatement();
        }
        return statements;
    }

private:
    // ---- Token access ----

    const Token& peek(std::size_t ahead = 0) const {
        return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
    }
    bool is(Token::Kind kind, std::size_t ahead = 0) const { return peek(ahead).kind == kind; }
    bool isWord(std::string_view word, std::size_t ahead = 0) const {
        return is(Token::Kind::Word, ahead) && peek(ahead).text == word;
    }
    const Token& take() {
        const Token& t = tokens_[pos_];
        if (pos_ + 1 < tokens_.size()) ++pos_;
        lastEnd_ = t.range.end;
        return t;
    }

    void skip(std::size_t count) {
        while (count-- > 0) take();
    }

    [[noreturn]] void expected(const std::string& what) const {
        throw Failure{Error::Kind::Syntax, kExpected,
                      "Expected " + what + " but found " + describeToken(peek()) + ".", peek().range};
    }
    void expectWord(std::string_view word) {
        if (!isWord(word)) expected("“" + std::string(word) + "”");
        take();
    }
    const Token& expectKind(Token::Kind kind, const char* what) {
        if (!is(kind)) expected(what);
        return take();
    }
    void enter(int depth) const {
        if (depth > kMaxDepth) {
            throw Failure{Error::Kind::Syntax, kUnknownToken, "The script is nested too deeply.",
                          peek().range};
        }
    }

    void skipLineEnds() {
        while (is(Token::Kind::EndOfLine)) take();
    }
    void endOfStatement() {
        if (is(Token::Kind::EndOfScript)) return;
        if (!is(Token::Kind::EndOfLine)) expected("end of line");
        skipLineEnds();
    }

    // ---- Statements ----

    Statement statement(const Context& context, int depth) {
        enter(depth);
        const std::size_t start = peek().range.start;
        Statement st;
        if (isWord("if")) {
            st = ifStatement(context, depth, false);
        } else if (isWord("tell")) {
            st = tellStatement(context, depth);
        } else if (isWord("return")) {
            take();
            st.kind = Statement::Kind::Return;
            if (!is(Token::Kind::EndOfLine) && !is(Token::Kind::EndOfScript)) {
                st.hasValue = true;
                st.value = expression(context, depth + 1);
            }
        } else if (isWord("do") && isWord("shell", 1) && isWord("script", 2)) {
            skip(3);
            st.kind = Statement::Kind::ShellScript;
            st.hasValue = true;
            st.value = expression(context, depth + 1);
        } else if (isWord("quit") || isWord("activate")) {
            st.kind = take().text == "quit" ? Statement::Kind::Quit : Statement::Kind::Activate;
            st.application =
                isWord("application") || isWord("app") ? applicationSpecifier() : context.application;
        } else if (isWord("set") && isWord("volume", 1)) {
            // A Standard Additions command: understood inside any tell block, which sends it
            // to the application told.
            skip(2);
            expectWord("output");
            expectWord("muted");
            st.kind = Statement::Kind::SetVolume;
            st.application = context.application;
            st.hasValue = true;
            st.value = expression(context, depth + 1);
        } else if (isWord("get") || isVolumeField()) {
            if (isWord("get") && !isWord("volume", 1)) take();  // `get EXPR` is EXPR
            st.kind = Statement::Kind::Get;
            st.hasValue = true;
            st.value = expression(context, depth + 1);
        } else if (context.terms == Terms::SystemEvents && isWord("keystroke")) {
            take();
            st.kind = Statement::Kind::Keystroke;
            st.application = context.application;
            st.hasValue = true;
            st.value = expression(context, depth + 1);
            if (isWord("using")) {
                take();
                if (is(Token::Kind::LeftBrace)) {
                    take();
                    for (;;) {
                        st.modifiers.push_back(modifier());
                        if (!is(Token::Kind::Comma)) break;
                        take();
                    }
                    expectKind(Token::Kind::RightBrace, "“,” or “}”");
                } else {
                    st.modifiers.push_back(modifier());
                }
            }
        } else if (context.terms == Terms::SystemEvents && isWord("set")) {
            st = setStatement(context, depth);
        } else if (context.terms == Terms::SystemEvents && isWord("click")) {
            take();
            st.kind = Statement::Kind::Click;
            st.application = context.application;
            st.object = resolve(context, objectSpecifier(context.terms, depth + 1));
        } else if (context.terms == Terms::SystemPreferences && isWord("reveal")) {
            take();
            st.kind = Statement::Kind::Reveal;
            st.application = context.application;
            st.object = resolve(context, objectSpecifier(context.terms, depth + 1));
        } else {
            expected("statement");
        }
        st.range = {start, lastEnd_};
        return st;
    }

    // `if COND then STATEMENT` on one line, or the block form with `else` and
    // `else if` branches closed by one `end if`.
    Statement ifStatement(const Context& context, int depth, bool chained) {
        Statement st;
        st.kind = Statement::Kind::If;
        take();  // if
        condition(st, depth + 1);
        expectWord("then");
        if (!is(Token::Kind::EndOfLine)) {
            if (chained) expected("end of line");
            st.body.push_back(statement(context, depth + 1));
            return st;
        }
        st.body = block(context, depth, true);
        if (isWord("else")) {
            const std::size_t start = peek().range.start;
            take();
            if (isWord("if")) {
                Statement branch = ifStatement(context, depth + 1, true);
                branch.range = {start, lastEnd_};
                st.otherwise.push_back(std::move(branch));
                return st;  // the chained branch consumed `end if`
            }
            if (!is(Token::Kind::EndOfLine)) expected("end of line");
            st.otherwise = block(context, depth, false);
        }
        endOf("if");
        return st;
    }

    void condition(Statement& st, int depth) {
        enter(depth);
        while (isWord("not")) {
            take();
            st.negated = !st.negated;
        }
        if (is(Token::Kind::LeftParen)) {
            take();
            condition(st, depth + 1);
            expectKind(Token::Kind::RightParen, "“)”");
        } else if (isWord("true") || isWord("false")) {
            st.conditionIsConstant = true;
            st.conditionConstant = take().text == "true";
        } else if (isWord("running") && isWord("of", 1)) {
            skip(2);
            st.application = applicationSpecifier();
        } else {
            st.application = applicationSpecifier();
            expectWord("is");
            if (isWord("not")) {
                take();
                st.negated = !st.negated;
            }
            expectWord("running");
        }
    }

    // `tell TARGET to STATEMENT`, or a block closed by `end tell`. The statement after
    // `to` may itself open a block (`tell A to tell B` on one line, then the block).
    Statement tellStatement(const Context& context, int depth) {
        Statement st;
        st.kind = Statement::Kind::Tell;
        take();  // tell
        Context inner = context;
        if (isWord("application") || isWord("app")) {
            inner.application = applicationSpecifier();
            inner.terms = termsFor(inner.application);
            inner.object.clear();
        } else if (context.terms != Terms::Standard) {
            inner.object = resolve(context, objectSpecifier(context.terms, depth + 1));
        } else {
            expected("“application”");
        }
        if (isWord("to")) {
            take();
            st.body.push_back(statement(inner, depth + 1));
            return st;
        }
        if (!is(Token::Kind::EndOfLine)) expected("“to” or end of line");
        st.body = block(inner, depth, false);
        endOf("tell");
        return st;
    }

    Statement setStatement(const Context& context, int depth) {
        Statement st;
        st.kind = Statement::Kind::Set;
        st.application = context.application;
        take();  // set
        if (isWord("the")) take();
        if (isWord("autohide")) {
            take();
            st.property = Property::Autohide;
        } else if (isWord("screen") && isWord("edge", 1)) {
            skip(2);
            st.property = Property::ScreenEdge;
        } else if (isWord("dark") && isWord("mode", 1)) {
            skip(2);
            st.property = Property::DarkMode;
        } else {
            expected("“autohide”, “screen edge” or “dark mode”");
        }
        if (isWord("of")) {
            take();
            st.object = resolve(context, objectSpecifier(context.terms, depth + 1));
        } else {
            st.object = context.object;
        }
        expectWord("to");
        st.hasValue = true;
        st.value = expression(context, depth + 1);
        return st;
    }

    // Statements up to (not including) `end`, or `else` when allowed.
    std::vector<Statement> block(const Context& context, int depth, bool allowElse) {
        std::vector<Statement> statements;
        skipLineEnds();
        while (!isWord("end") && !(allowElse && isWord("else"))) {
            if (is(Token::Kind::EndOfScript)) expected("“end”");
            statements.push_back(statement(context, depth + 1));
            endOfStatement();
        }
        return statements;
    }

    // `command down`, `control down`, `option down` or `shift down`.
    std::string modifier() {
        if (!(isWord("command") || isWord("control") || isWord("option") || isWord("shift")) ||
            !isWord("down", 1))
            expected("“command down”, “control down”, “option down” or “shift down”");
        std::string key = take().text;
        take();
        return key;
    }

    // An item of the record `get volume settings` returns: `output volume`, `input
    // volume`, `alert volume` or `output muted`.
    bool isVolumeField() const {
        return ((isWord("output") || isWord("input") || isWord("alert")) && isWord("volume", 1)) ||
               (isWord("output") && isWord("muted", 1));
    }

    // `end`, `end if` or `end tell`.
    void endOf(std::string_view what) {
        expectWord("end");
        if (isWord(what)) {
            take();
        } else if (isWord("if") || isWord("tell")) {
            expected("“end " + std::string(what) + "”");
        }
    }

    // ---- Parts ----

    // `application "NAME"`: the name stays as written; unknown applications are
    // found out at run time.
    std::string applicationSpecifier() {
        if (!isWord("application") && !isWord("app")) expected("“application”");
        take();
        return expectKind(Token::Kind::String, "application name string").text;
    }

    // A class of the application's terms with its key, then optionally `of` and its
    // container: `checkbox 1 of tab group 1 of window 1`.
    ObjectPath objectSpecifier(Terms terms, int depth) {
        enter(depth);
        if (isWord("the")) take();
        using C = Element::Class;
        Element e;
        if (terms == Terms::SystemEvents && isWord("dock") && isWord("preferences", 1)) {
            skip(2);
            e.cls = C::DockPreferences;
        } else if (terms == Terms::SystemEvents && isWord("appearance") && isWord("preferences", 1)) {
            skip(2);
            e.cls = C::AppearancePreferences;
        } else if (terms == Terms::SystemEvents &&
                   (isWord("process") || (isWord("application") && isWord("process", 1)))) {
            if (take().text == "application") take();
            e.cls = C::Process;
            name(e);
        } else if (terms == Terms::SystemEvents && isWord("window")) {
            take();
            e.cls = C::Window;
            indexOrName(e);
        } else if (terms == Terms::SystemEvents && isWord("tab") && isWord("group", 1)) {
            skip(2);
            e.cls = C::TabGroup;
            indexOrName(e);
        } else if (terms == Terms::SystemEvents &&
                   (isWord("checkbox") || (isWord("check") && isWord("box", 1)))) {
            if (take().text == "check") take();
            e.cls = C::Checkbox;
            indexOrName(e);
        } else if (terms == Terms::SystemPreferences && isWord("pane")) {
            take();
            e.cls = C::Pane;
            expectWord("id");
            e.key = Element::Key::Id;
            e.name = expectKind(Token::Kind::String, "pane identifier string").text;
        } else if (terms == Terms::SystemPreferences && isWord("anchor")) {
            take();
            e.cls = C::Anchor;
            name(e);
        } else {
            expected("class name");
        }
        ObjectPath path;
        if (isWord("of")) {
            take();
            path = objectSpecifier(terms, depth + 1);
        }
        path.push_back(std::move(e));
        return path;
    }

    void name(Element& e) {
        e.key = Element::Key::Name;
        e.name = expectKind(Token::Kind::String, "name string").text;
    }
    void indexOrName(Element& e) {
        if (is(Token::Kind::Number)) {
            if (peek().isReal) expected("integer");
            e.key = Element::Key::Index;
            e.index = take().number;
        } else if (is(Token::Kind::String)) {
            name(e);
        } else {
            expected("number or string");
        }
    }

    // Literals: integers, reals, strings, true/false, lists of them, and System
    // Events' screen edges.
    Literal expression(const Context& context, int depth) {
        enter(depth);
        Literal literal;
        const std::size_t start = peek().range.start;
        if (is(Token::Kind::LeftParen)) {
            take();
            literal = expression(context, depth + 1);
            expectKind(Token::Kind::RightParen, "“)”");
        } else if (is(Token::Kind::LeftBrace)) {
            take();
            plist::Array items;
            while (!is(Token::Kind::RightBrace)) {
                if (!items.empty()) expectKind(Token::Kind::Comma, "“,” or “}”");
                items.push_back(expression(context, depth + 1).value);
            }
            take();
            literal.value = std::move(items);
        } else if (is(Token::Kind::Minus)) {
            take();
            literal.value = numberValue(expectKind(Token::Kind::Number, "number"), true);
        } else if (is(Token::Kind::Number)) {
            literal.value = numberValue(take(), false);
        } else if (is(Token::Kind::String)) {
            literal.value = take().text;
        } else if (isWord("true") || isWord("false")) {
            literal.value = take().text == "true";
        } else if (isWord("get") && isWord("volume", 1) && isWord("settings", 2)) {
            skip(3);
            literal.volumeSettings = true;
        } else if (isVolumeField()) {
            std::string field = take().text;
            field += " " + take().text;
            expectWord("of");
            literal = expression(context, depth + 1);
            if (!literal.volumeSettings || !literal.field.empty()) expected("“get volume settings”");
            literal.field = std::move(field);
        } else if (context.terms == Terms::SystemEvents &&
                   (isWord("left") || isWord("right") || isWord("bottom"))) {
            literal.value = take().text;
            literal.constant = true;
        } else {
            expected("expression");
        }
        literal.range = {start, lastEnd_};
        return literal;
    }

    static plist::Value numberValue(const Token& t, bool negated) {
        if (t.isReal) return negated ? -t.real : t.real;
        return negated ? -t.number : t.number;
    }

    std::vector<Token> tokens_;
    std::size_t pos_ = 0;
    std::size_t lastEnd_ = 0;
};

}  // namespace

std::vector<Statement> compile(const std::string& source) {
    return Compiler(tokenize(source)).script();
}

}  // namespace sim::applescript
