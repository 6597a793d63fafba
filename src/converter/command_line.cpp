#include "command_line.h"

namespace calm {

CommandLine::CommandLine(std::string program)
{
    segments_.push_back({Kind::program, std::move(program)});
}

CommandLine& CommandLine::text(std::string literal)
{
    segments_.push_back({Kind::text, std::move(literal)});
    return *this;
}

CommandLine& CommandLine::file(std::string name)
{
    segments_.push_back({Kind::file, std::move(name)});
    return *this;
}

std::string CommandLine::windows_form() const
{
    std::string out;
    for (const auto& s : segments_)
        out += s.kind == Kind::file ? "\"" + s.value + "\"" : s.value;
    return out;
}

namespace {

// The Windows C runtime's splitter, fed literal text piece by piece; file
// names are appended whole, as if inside their quotes.
class Splitter
{
public:
    void literal(const std::string& text)
    {
        for (std::size_t i = 0; i < text.size();) {
            const char c = text[i];
            if (c == '\\') {
                std::size_t n = 0;
                while (i < text.size() && text[i] == '\\') {
                    ++n;
                    ++i;
                }
                if (i < text.size() && text[i] == '"') {
                    current_.append(n / 2, '\\');
                    in_arg_ = true;
                    if (n % 2 == 1) {
                        current_ += '"';
                        ++i;
                    }
                    // An even run leaves the quote to the next round.
                } else {
                    current_.append(n, '\\');
                    in_arg_ = true;
                }
                continue;
            }
            if (c == '"') {
                in_arg_ = true;
                if (quoted_ && i + 1 < text.size() && text[i + 1] == '"') {
                    current_ += '"';
                    i += 2;
                    continue;
                }
                quoted_ = !quoted_;
                ++i;
                continue;
            }
            if ((c == ' ' || c == '\t') && !quoted_) {
                flush();
                ++i;
                continue;
            }
            current_ += c;
            in_arg_ = true;
            ++i;
        }
    }

    void atomic(const std::string& piece)
    {
        current_ += piece;
        in_arg_ = true;
    }

    std::vector<std::string> finish()
    {
        flush();
        return std::move(args_);
    }

private:
    void flush()
    {
        if (in_arg_)
            args_.push_back(std::move(current_));
        current_.clear();
        in_arg_ = false;
    }

    std::vector<std::string> args_;
    std::string current_;
    bool in_arg_ = false;
    bool quoted_ = false;
};

} // namespace

std::vector<std::string> CommandLine::argv() const
{
    Splitter split;
    for (const auto& s : segments_) {
        switch (s.kind) {
        case Kind::program:
            split.atomic(s.value);
            break;
        case Kind::text:
            split.literal(s.value);
            break;
        case Kind::file:
            split.atomic(s.value);
            break;
        }
    }
    return split.finish();
}

} // namespace calm
