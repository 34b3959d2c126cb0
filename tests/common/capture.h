#pragma once
// Standard output of in-process calls, collected through a scratch file.

#include <unistd.h>

#include <cstdio>
#include <string>

// Sends standard output to a scratch file while it lives; Text() ends the capture.
class CapturedStdout {
public:
    CapturedStdout()
    {
        std::fflush(stdout);
        tmp_ = std::tmpfile();
        saved_ = dup(1);
        if (tmp_) dup2(fileno(tmp_), 1);
    }
    ~CapturedStdout() { Text(); }
    CapturedStdout(const CapturedStdout&) = delete;
    CapturedStdout& operator=(const CapturedStdout&) = delete;

    // Ends the capture (once) and returns what was printed.
    std::string Text()
    {
        if (saved_ < 0) return text_;
        std::fflush(stdout);
        dup2(saved_, 1);
        close(saved_);
        saved_ = -1;
        if (tmp_) {
            std::rewind(tmp_);
            for (int c; (c = std::fgetc(tmp_)) != EOF;) text_ += static_cast<char>(c);
            std::fclose(tmp_);
            tmp_ = nullptr;
        }
        return text_;
    }

private:
    std::FILE* tmp_ = nullptr;
    int saved_ = -1;
    std::string text_;
};

// Everything a call prints on standard output.
template <typename F>
std::string CaptureStdout(F f)
{
    CapturedStdout out;
    f();
    return out.Text();
}

// The board diagram of the start position, as the console prints it.
inline const char* const kStartDiagram =
    "   A B C D E F G H\n"
    "\n"
    "8  r n b q k b n r  8\n"
    "7  p p p p p p p p  7\n"
    "6  - - - - - - - -  6\n"
    "5  - - - - - - - -  5\n"
    "4  - - - - - - - -  4\n"
    "3  - - - - - - - -  3\n"
    "2  P P P P P P P P  2\n"
    "1  R N B Q K B N R  1\n"
    "\n"
    "   A B C D E F G H\n";
