#include "callback.hpp"

#include "platform/numeric/error.hpp"
#include "platform/numeric/text_to_numbers.hpp"

#include <cctype>

namespace kelmar {
namespace {

class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}

    CallbackCall parse() {
        CallbackCall call;
        skip_blanks();
        const std::size_t start = pos_;
        while (pos_ < text_.size() &&
               (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_')) {
            ++pos_;
        }
        call.name = std::string(text_.substr(start, pos_ - start));
        if (call.name.empty() || !std::isalpha(static_cast<unsigned char>(call.name[0]))) {
            fail("a function name must come first");
        }
        skip_blanks();
        if (peek('(')) {
            ++pos_;
            skip_blanks();
            if (!peek(')')) {
                while (true) {
                    call.args.push_back(argument());
                    skip_blanks();
                    if (peek(',')) {
                        ++pos_;
                        continue;
                    }
                    if (peek(')'))
                        break;
                    fail("expected a comma or a closing parenthesis");
                }
            }
            ++pos_;  // ')'
        }
        skip_blanks();
        if (peek(';'))
            ++pos_;
        skip_blanks();
        if (pos_ != text_.size())
            fail("unexpected text after the call");
        return call;
    }

  private:
    Value argument() {
        skip_blanks();
        if (peek('\'')) {
            ++pos_;
            std::string s;
            while (true) {
                if (pos_ >= text_.size())
                    fail("a quoted text is not closed");
                if (text_[pos_] == '\'') {
                    if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                        s += '\'';
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    return s;
                }
                s += text_[pos_++];
            }
        }
        const std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != ')' &&
               !std::isspace(static_cast<unsigned char>(text_[pos_]))) {
            ++pos_;
        }
        std::vector<double> number;
        const NumbersParsed parsed = parse_numbers_into(text_.substr(start, pos_ - start), number);
        if (!parsed.ok || number.size() != 1)
            fail("an argument must be a quoted text or a number");
        return number[0];
    }

    bool peek(char c) const { return pos_ < text_.size() && text_[pos_] == c; }
    void skip_blanks() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_])))
            ++pos_;
    }
    [[noreturn]] void fail(const std::string& what) const {
        throw Error("cannot read the callback \"" + std::string(text_) + "\": " + what +
                    " (at character " + std::to_string(pos_ + 1) + ")");
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

CallbackCall parse_callback(std::string_view text) {
    return Parser(text).parse();
}

}  // namespace kelmar
