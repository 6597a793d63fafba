// A scripted stand-in for the converter. Installed by tests as
// <folder>/calm/client.exe, it reads client.script beside itself and logs
// every run (working folder and argument vector) to client.log there.
//
// The script is a list of rules. A rule starts with "on PATTERN" and runs
// for a run whose arguments, joined by blanks, contain PATTERN ("*" matches
// all); "on PATTERN once" is used up by its first run. Commands:
//   out TEXT        write TEXT (escapes \n \r \t \\ \xHH) in one write
//   sleep MS        pause
//   bmp             write a 24-bit bitmap at the last argument, sized by "-s WxH"
//   touch-last      write a small file at the last argument
//   touch NAME      write a small file NAME in the working folder
//   write NAME TEXT write TEXT (escapes as for out) into NAME in the working folder
//   expect NAME TEXT end with status 3 unless NAME holds exactly TEXT
//   exit N          end with status N
//   hang            never end
//   signal N        raise signal N on itself
//   stamp           write "stamp <monotonic ns>" and a line break (latency benchmarks)
// Without a script, or with no rule matching, it prints a banner and exits 0.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::string folder_of(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string escaped(const std::string& s)
{
    std::string out;
    for (unsigned char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c < 32 || c >= 127) {
            char b[8];
            std::snprintf(b, sizeof b, "\\x%02X", c);
            out += b;
        } else
            out += static_cast<char>(c);
    }
    return out;
}

std::string unescaped(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char e = s[++i];
        if (e == 'n')
            out += '\n';
        else if (e == 'r')
            out += '\r';
        else if (e == 't')
            out += '\t';
        else if (e == 'x' && i + 2 < s.size()) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else
            out += e;
    }
    return out;
}

void write_all(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(1, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

void put16(std::string& b, unsigned v)
{
    b += static_cast<char>(v & 0xff);
    b += static_cast<char>((v >> 8) & 0xff);
}
void put32(std::string& b, unsigned v)
{
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}

void write_bitmap(const std::string& path, int w, int h)
{
    const unsigned row = static_cast<unsigned>((w * 3 + 3) & ~3);
    const unsigned size = row * static_cast<unsigned>(h);
    std::string b = "BM";
    put32(b, 54 + size);
    put32(b, 0);
    put32(b, 54);
    put32(b, 40);
    put32(b, static_cast<unsigned>(w));
    put32(b, static_cast<unsigned>(h));
    put16(b, 1);
    put16(b, 24);
    put32(b, 0);
    put32(b, size);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, 0);
    put32(b, 0);
    for (int y = 0; y < h; ++y) {
        std::string line;
        for (int x = 0; x < w; ++x)
            line += std::string{static_cast<char>(x * 255 / (w ? w : 1)),
                                static_cast<char>(y * 255 / (h ? h : 1)), '\x80'};
        line.resize(row, '\0');
        b += line;
    }
    std::ofstream(path, std::ios::binary) << b;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv, argv + argc);
    const std::string dir = folder_of(args[0]);
    char cwd[4096] = "";
    if (!::getcwd(cwd, sizeof cwd))
        cwd[0] = '\0';
    {
        std::ofstream log(dir + "client.log", std::ios::app);
        log << "run\ncwd " << escaped(cwd) << "\n";
        for (const auto& a : args)
            log << "arg " << escaped(a) << "\n";
        log << "end\n";
    }
    std::string joined;
    for (std::size_t i = 1; i < args.size(); ++i)
        joined += (i > 1 ? " " : "") + args[i];

    std::ifstream script(dir + "client.script");
    std::vector<std::string> lines;
    for (std::string l; std::getline(script, l);)
        lines.push_back(l);

    // Find the first matching rule that is not used up.
    std::size_t start = 0;
    bool matched = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::istringstream in(lines[i]);
        std::string word, pattern, once;
        in >> word >> pattern >> once;
        if (word != "on")
            continue;
        if (pattern != "*" && joined.find(unescaped(pattern)) == std::string::npos)
            continue;
        if (once == "once") {
            const std::string mark = dir + "client.used." + std::to_string(i);
            if (std::ifstream(mark))
                continue;
            std::ofstream(mark) << "used\n";
        }
        start = i + 1;
        matched = true;
        break;
    }
    if (!matched) {
        write_all("ffmpeg version fake-1.0 Copyright (c) the fake\n");
        return 0;
    }

    for (std::size_t i = start; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        const auto sp = l.find(' ');
        const std::string cmd = l.substr(0, sp);
        const std::string rest = sp == std::string::npos ? std::string() : l.substr(sp + 1);
        if (cmd == "on")
            break;
        if (cmd == "out")
            write_all(unescaped(rest));
        else if (cmd == "sleep")
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(rest)));
        else if (cmd == "bmp") {
            int w = 4, h = 4;
            for (std::size_t a = 1; a + 1 < args.size(); ++a)
                if (args[a] == "-s")
                    std::sscanf(args[a + 1].c_str(), "%dx%d", &w, &h);
            write_bitmap(args.back(), w, h > 0 ? h : 1);
        } else if (cmd == "touch-last")
            std::ofstream(args.back(), std::ios::binary) << "fake output\n";
        else if (cmd == "touch")
            std::ofstream(rest, std::ios::binary) << "fake\n";
        else if (cmd == "write" || cmd == "expect") {
            const auto gap = rest.find(' ');
            const std::string name = rest.substr(0, gap);
            const std::string text =
                gap == std::string::npos ? std::string() : unescaped(rest.substr(gap + 1));
            if (cmd == "write") {
                std::ofstream(name, std::ios::binary) << text;
                continue;
            }
            std::ifstream in(name, std::ios::binary);
            std::ostringstream held;
            held << in.rdbuf();
            if (!in || held.str() != text) {
                write_all(name + ": not the expected contents\n");
                return 3;
            }
        } else if (cmd == "exit")
            return std::stoi(rest);
        else if (cmd == "hang")
            for (;;)
                ::pause();
        else if (cmd == "stamp") {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count();
            write_all("stamp " + std::to_string(ns) + "\n");
        } else if (cmd == "signal")
            std::raise(std::stoi(rest));
    }
    return 0;
}
