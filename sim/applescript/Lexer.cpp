// Tokens of a script: words (case-insensitive), string literals, integers and reals
// (1.5, 2e-3, 1.5E+3), a few punctuation marks and line ends. Comments (`--` and `#` to the end of the line,
// nestable `(* ... *)`) and the `¬` line continuation are dropped here.
#include <charconv>
#include <cstdint>
#include <optional>

#include "base/Utf8.h"
#include "sim/applescript/Syntax.h"

namespace sim::applescript {
namespace {

constexpr int kUnknownToken = -2740;
constexpr int kExpected = -2741;

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

class Lexer {
public:
    explicit Lexer(const std::string& source) : s_(source) {}

    std::vector<Token> run() {
        checkEncoding();
        if (at("\xEF\xBB\xBF")) i_ = 3;  // a byte-order mark from an editor
        while (true) {
            skipBlanks();
            if (i_ >= s_.size()) break;
            const std::size_t start = i_;
            const char c = s_[i_];
            if (c == '\n' || c == '\r') {
                lineEnd(start);
            } else if (isLetter(c)) {
                word(start);
            } else if (isDigit(c)) {
                number(start);
            } else if (c == '"') {
                string(start);
            } else if (const auto mark = punctuation(c)) {
                ++i_;
                push(*mark, start);
            } else {
                const std::size_t n = lendmode::sequenceLength(s_, i_);
                throw Failure{Error::Kind::Syntax,
                              kUnknownToken,
                              "A unknown token can’t go here.",
                              {start, start + (n ? n : 1)}};
            }
        }
        tokens_.push_back(Token{Token::Kind::EndOfScript, {}, 0, {s_.size(), s_.size()}, false, 0});
        return std::move(tokens_);
    }

private:
    void checkEncoding() const {
        for (std::size_t k = 0; k < s_.size();) {
            const std::size_t n = lendmode::sequenceLength(s_, k);
            if (n == 0) {
                throw Failure{
                    Error::Kind::Syntax, kUnknownToken, "The script is not valid UTF-8 text.", {k, k + 1}};
            }
            k += n;
        }
    }

    static std::optional<Token::Kind> punctuation(char c) {
        switch (c) {
            case '(': return Token::Kind::LeftParen;
            case ')': return Token::Kind::RightParen;
            case '{': return Token::Kind::LeftBrace;
            case '}': return Token::Kind::RightBrace;
            case ',': return Token::Kind::Comma;
            case '-': return Token::Kind::Minus;
            default: return std::nullopt;
        }
    }

    bool at(std::string_view text) const { return s_.compare(i_, text.size(), text) == 0; }
    bool digitAt(std::size_t k) const { return k < s_.size() && isDigit(s_[k]); }
    void skipDigits() {
        while (digitAt(i_)) ++i_;
    }

    // Spaces, tabs, comments and line continuations.
    void skipBlanks() {
        while (i_ < s_.size()) {
            const char c = s_[i_];
            if (c == ' ' || c == '\t') {
                ++i_;
            } else if (at("--") || c == '#') {
                while (i_ < s_.size() && s_[i_] != '\n' && s_[i_] != '\r') ++i_;
            } else if (at("(*")) {
                blockComment();
            } else if (at("¬")) {
                // The statement goes on after the next line end.
                i_ += std::string_view("¬").size();
                while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t')) ++i_;
                if (at("\r\n")) {
                    i_ += 2;
                } else if (i_ < s_.size() && (s_[i_] == '\n' || s_[i_] == '\r')) {
                    ++i_;
                }
            } else {
                break;
            }
        }
    }

    void blockComment() {
        const std::size_t start = i_;
        int depth = 0;
        while (i_ < s_.size()) {
            if (at("(*")) {
                ++depth;
                i_ += 2;
            } else if (at("*)")) {
                i_ += 2;
                if (--depth == 0) return;
            } else {
                ++i_;
            }
        }
        throw Failure{
            Error::Kind::Syntax, kExpected, "Expected “*)” but found end of script.", {start, s_.size()}};
    }

    void lineEnd(std::size_t start) {
        i_ += at("\r\n") ? 2 : 1;
        // Several line ends in a row make one token.
        if (tokens_.empty() || tokens_.back().kind != Token::Kind::EndOfLine)
            push(Token::Kind::EndOfLine, start);
    }

    void word(std::size_t start) {
        while (i_ < s_.size() && (isLetter(s_[i_]) || isDigit(s_[i_]))) ++i_;
        std::string text = s_.substr(start, i_ - start);
        for (char& ch : text) {
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        }
        push(Token::Kind::Word, start, std::move(text));
    }

    // Digits, then a fraction and an exponent that make the number a real.
    void number(std::size_t start) {
        skipDigits();
        bool isReal = false;
        if (i_ < s_.size() && s_[i_] == '.' && digitAt(i_ + 1)) {
            ++i_;
            skipDigits();
            isReal = true;
        }
        if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
            const std::size_t sign = i_ + 1 < s_.size() && (s_[i_ + 1] == '+' || s_[i_ + 1] == '-') ? 1 : 0;
            if (digitAt(i_ + 1 + sign)) {
                i_ += 1 + sign;
                skipDigits();
                isReal = true;
            }
        }
        Token t{Token::Kind::Number, s_.substr(start, i_ - start), 0, {start, i_}, isReal, 0};
        const char* first = t.text.data();
        const char* last = first + t.text.size();
        const std::errc ec =
            isReal ? std::from_chars(first, last, t.real).ec : std::from_chars(first, last, t.number).ec;
        if (ec != std::errc()) {
            throw Failure{
                Error::Kind::Syntax, kUnknownToken, "A number this large can’t go here.", {start, i_}};
        }
        tokens_.push_back(std::move(t));
    }

    void string(std::size_t start) {
        ++i_;  // opening quote
        std::string text;
        while (true) {
            if (i_ >= s_.size()) {
                throw Failure{Error::Kind::Syntax,
                              kExpected,
                              "Expected “\"” but found end of script.",
                              {start, s_.size()}};
            }
            const char c = s_[i_++];
            if (c == '"') break;
            if (c == '\0') {
                throw Failure{
                    Error::Kind::Syntax, kUnknownToken, "A unknown token can’t go here.", {i_ - 1, i_}};
            }
            if (c != '\\') {
                text += c;
                continue;
            }
            const char e = i_ < s_.size() ? s_[i_] : '\0';
            switch (e) {
                case '"': text += '"'; break;
                case '\\': text += '\\'; break;
                case 'n': text += '\n'; break;
                case 't': text += '\t'; break;
                case 'r': text += '\r'; break;
                default:
                    throw Failure{Error::Kind::Syntax,
                                  kExpected,
                                  "Expected “\"”, “\\”, “n”, “t” or “r” after a backslash in a string.",
                                  {i_ - 1, i_ < s_.size() ? i_ + lendmode::sequenceLength(s_, i_) : i_}};
            }
            ++i_;
        }
        push(Token::Kind::String, start, std::move(text));
    }

    void push(Token::Kind kind, std::size_t start, std::string text = {}) {
        tokens_.push_back(Token{kind, std::move(text), 0, {start, i_}, false, 0});
    }

    const std::string& s_;
    std::size_t i_ = 0;
    std::vector<Token> tokens_;
};

}  // namespace

std::vector<Token> tokenize(const std::string& source) {
    return Lexer(source).run();
}

}  // namespace sim::applescript
